#include "reports/BriefReport.h"

#include "common/VbFormat.h"

#include <algorithm>

namespace reports {

namespace {

constexpr const char* kTitle = "Test Report of R7716 Rheometer.";
constexpr const char* kTestNameLabel = "Experiment                 Test Name:             ";
constexpr const char* kFluidIdLabel = "                           Fluid ID:              ";
// The test time's value starts one column further than the others.
constexpr const char* kTestTimeLabel = "                           Test Time:             ";
constexpr const char* kResearcherLabel = "                           Researcher Name:       ";
constexpr const char* kRotorLabel = "                           Rotor Number:          ";
constexpr const char* kBobLabel = "                           Bob Number:            ";
constexpr const char* kBobRadiusLabel = "                           Bob Radius (cm):       ";
constexpr const char* kBobLengthFileLabel = "                           Bob Eff. Length (cm):  ";
constexpr const char* kBobLengthPrintedLabel = "                           Bob Effective Length : ";
constexpr const char* kPreTestPhLabel = "                           Pre-Test pH:           ";
constexpr const char* kPostTestPhLabel = "                           Post-Test pH:          ";
constexpr const char* kDescription = "Description:";
constexpr const char* kAdditivesHeader =
    "Additives              Concentration           Units          Lot Number";
constexpr const char* kComments = "Comments         ";
constexpr const char* kResults = "Results";
constexpr const char* kResultsHeader1 =
    "     Elapsed                       Coef.                  Calc.  Viscosity (cP)";
constexpr const char* kResultsHeader2File =
    "Shear  Time  Temp.   n'      K'    Detn.     Kv     K'slot via K' slot at (s^-1)";
constexpr const char* kResultsHeader2Printed =
    "Shear  Time  Temp.   n'      k'    Detn.     Kv     K'slot via K' slot at (s^-1)";
constexpr const char* kResultsHeader3 =
    "Ramp  (min)   (F)                  (R^2)   (lbf-s^n/ft^2)   40     100    170 ";

constexpr const char* kAdditiveSeparator = "    ";
constexpr const char* kConcentrationPicture = "00.00";

// A printed page holds results-table rows up to a multiple of this count.
constexpr int kResultRowsPerPage = 40;

// The result line: grid column, picture and the blanks after the number. Pressure (column 3) is left out.
struct ResultField {
    int column;
    const char* picture;
    int blanksAfter;
};
constexpr ResultField kResultFields[] = {
    {0, "00", 4},     {1, "000.", 3},   {2, "000.0", 2}, {4, "0.000", 2}, {5, "0.00000", 2}, {6, "0.000", 2},
    {7, "0.0000", 2}, {8, "0.0000", 4}, {9, "00.", 4},   {10, "00.", 4},  {11, "00.", 0},
};

QString text(const char* literal) {
    return QString::fromLatin1(literal);
}

}  // namespace

QString BriefAdditiveLine(const QStringList& cells, QChar decimalSeparator) {
    const QString separator = text(kAdditiveSeparator);
    return CellOf(cells, 0) + separator +
           vb::Format(vb::Val(CellOf(cells, 1)), text(kConcentrationPicture), decimalSeparator) + separator +
           CellOf(cells, 2) + separator + CellOf(cells, 3);
}

QString BriefResultLine(const QStringList& cells, QChar decimalSeparator) {
    QString line;
    for (const ResultField& field : kResultFields) {
        line += vb::Format(vb::Val(CellOf(cells, field.column)), text(field.picture), decimalSeparator);
        line += QString(field.blanksAfter, u' ');
    }
    return line;
}

BriefReport BuildBriefReport(const ReportTables& tables, BriefVariant variant, const QLocale& locale) {
    const bool printed = variant == BriefVariant::Printed;
    const QChar separator = locale.decimalPoint().isEmpty() ? u'.' : locale.decimalPoint().front();
    const auto info = [&](int column) { return DefaultText(ValueOf(tables.testInfoRow, column), locale); };
    const QString description = info(SAFETY);

    BriefReport report;
    QStringList& lines = report.lines;
    lines << text(kTitle) << QString();
    lines << text(kTestNameLabel) + info(TEST_NAME);
    lines << text(kFluidIdLabel) + info(FLUID_ID);
    lines << text(kTestTimeLabel) + u' ' + info(TEST_TIME);
    lines << text(kResearcherLabel) + info(RESEARCHER_NAME);
    lines << text(kRotorLabel) + info(ROTOR_NO);
    lines << text(kBobLabel) + info(BOB_NO);
    lines << text(kBobRadiusLabel) + info(BOB_RADIUS);
    lines << text(printed ? kBobLengthPrintedLabel : kBobLengthFileLabel) + info(BOB_EFF_LENGTH);
    lines << text(kPreTestPhLabel) + info(PRETEST_PH);
    lines << text(kPostTestPhLabel) + info(POSTTEST_PH);
    lines << QString() << text(kDescription) << description << QString();
    lines << text(kAdditivesHeader) << QString();
    for (const QStringList& row : tables.additiveRows) lines << BriefAdditiveLine(row, separator);
    lines << QString();
    lines << text(kComments) + description;
    lines << QString() << QString() << text(kResults) << QString();
    const qsizetype tableFrom = lines.size();
    lines << text(kResultsHeader1);
    lines << text(printed ? kResultsHeader2Printed : kResultsHeader2File);
    lines << text(kResultsHeader3) << QString();
    for (int r = 1; r <= tables.resultRows.size(); ++r) {
        const QStringList& row = tables.resultRows.at(r - 1);
        // A ramp without result (too few points) has an empty row: its line says only which ramp it is,
        // rather than a row of zeros that would read as measured values.
        lines << (IsEmptyRow(row) ? vb::Format(r, text(kResultFields[0].picture))
                                  : BriefResultLine(row, separator));
        if (printed && (r + 1) % kResultRowsPerPage == 0 && r < tables.resultRows.size())
            report.pageBreaksAfter.append(static_cast<int>(lines.size()) - 1);
    }
    for (qsizetype i = tableFrom; i < lines.size(); ++i)
        report.tableWidth = std::max(report.tableWidth, static_cast<int>(lines.at(i).size()));
    // After the designed lines, so that a program reading them finds them where it always did.
    lines << NotesBlock(tables);
    return report;
}

QByteArray BriefReportBytes(const QStringList& lines) {
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += line.toUtf8();
        bytes += "\r\n";
    }
    return bytes;
}

}  // namespace reports
