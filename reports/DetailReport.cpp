#include "reports/DetailReport.h"

#include "common/VbFormat.h"
#include "common/WholeFile.h"
#include "reports/ReportCommon.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

namespace reports {

namespace {

namespace q = detail_report_query;

// The test header: label and the TEST_INFO column it shows.
struct HeaderField {
    const char* label;
    int column;
};
constexpr HeaderField kHeaderFields[] = {
    {"TEST NAME:", TEST_NAME},    {"FLUID ID:", FLUID_ID},
    {"TEST_TIME:", TEST_TIME},    {"RESEARCHER:", RESEARCHER_NAME},
    {"ROTOR NO:", ROTOR_NO},      {"BOB_NO:", BOB_NO},
    {"BOB RAD(CM):", BOB_RADIUS}, {"BOB EFFECTIVE LENGTH (CM):", BOB_EFF_LENGTH},
    {"PRE-TEST PH:", PRETEST_PH}, {"POST TEST PH:", POSTTEST_PH},
    {"Description:", SAFETY},
};

// The detail columns: heading and the reading's column.
struct DetailColumn {
    const char* heading;
    int column;
};
constexpr DetailColumn kDetailColumns[DetailReportContent::kColumns] = {
    {"RAMP NO:", q::RAMP_NO},
    {"RAMP STEP:", q::RAMP_STEP_NO},
    {"RESULT TIME (Min):", q::RESULT_TIME_MIN},
    {"SAMPLE TEMP (°F):", q::RESULT_SAMPLE_TEMP},
    {"PRESS. (Psi):", q::RESULT_PRESS},
    {"SHEAR RATE (1/S):", q::RESULT_SHEAR_RATE},
    {"SHEAR STRESS (DYN/CM2):", q::RESULT_SHEAR_STRESS},
    {"RESULT TYPE:", q::RESULT_TYPE_ID},
    {"BATH TEMP (°F):", q::RESULT_BATH_TEMP},
    {"Viscosity (cP)", q::VISCOSITY},
    {"FANN 35 F1 DIAL (DEG)", q::FANNDIAL},
};

}  // namespace

QStringList DetailReportContent::rowCells(std::size_t reading) const {
    QStringList cells;
    cells.reserve(kColumns);
    const q::Row& row = readings.at(reading);
    const QString general;
    for (const DetailColumn& column : kDetailColumns) cells << vb::Format(row[column.column], general);
    return cells;
}

DetailReportContent BuildDetailReport(const q::Result& data, const QLocale& locale,
                                      const QStringList& notes) {
    DetailReportContent content;
    content.title = QString::fromLatin1(kDetailReportTitle);
    for (const HeaderField& field : kHeaderFields)
        content.fields.append(
            {QString::fromLatin1(field.label), DefaultText(ValueOf(data.testInfoRow, field.column), locale)});
    for (const DetailColumn& column : kDetailColumns) content.headings << QString::fromUtf8(column.heading);
    content.readings = data.readings;
    content.notes = notes;
    content.footer = QString::fromLatin1(kMakerCourtesy) + u' ' + QString::fromLatin1(kMakerWebAddress);
    return content;
}

void SetDetailReportPage(QPagedPaintDevice& device, const QLocale& locale) {
    const QPageSize size(locale.measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter
                                                                                 : QPageSize::A4);
    constexpr double kMargin_mm = 12;
    device.setPageLayout(QPageLayout(size, QPageLayout::Landscape,
                                     QMarginsF(kMargin_mm, kMargin_mm, kMargin_mm, kMargin_mm),
                                     QPageLayout::Millimeter));
}

QString WriteDetailReportPdf(const QString& path, const DetailReportContent& content, const QLocale& locale) {
    WholeFileWriter file(path);
    if (!file.open()) return file.error();
    {
        QPdfWriter writer(&file.device());
        writer.setResolution(600);
        writer.setTitle(content.title);
        writer.setCreator(QString::fromLatin1(kDetailReportTitle));
        SetDetailReportPage(writer, locale);
        QPainter painter;
        if (!painter.begin(&writer)) return QStringLiteral("The PDF file cannot be started.");
        PaintDetailReport(painter, writer, content);
        painter.end();
    }
    // A write that failed on the way (a full disk) keeps its reason; the old file stays.
    if (file.device().error() != QFileDevice::NoError) return file.device().errorString();
    if (!file.commit()) return file.error();
    return {};
}

}  // namespace reports
