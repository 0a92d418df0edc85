#include "reports/WorkbookLayout.h"

#include "common/ApparentViscosity.h"
#include "common/VbFormat.h"

namespace reports {

namespace {

constexpr const char* kTitle = "R7716Frac Test Report";

// Rows 3 to 13: label and the TEST_INFO column beside it.
struct InfoLine {
    const char* label;
    int column;
};
constexpr InfoLine kInfoLines[] = {
    {"Test Name:", TEST_NAME},       {"Fluid ID:", FLUID_ID},
    {"Test Time:", TEST_TIME},       {"Researcher Name:", RESEARCHER_NAME},
    {"Rotor Number:", ROTOR_NO},     {"Bob Number:", BOB_NO},
    {"Bob Radius (cm)", BOB_RADIUS}, {"Bob Eff. Length (cm):", BOB_EFF_LENGTH},
    {"Pre-Test pH:", PRETEST_PH},    {"Post-Test pH:", POSTTEST_PH},
    {"Description:", SAFETY},
};
constexpr int kFirstInfoRow = 3;

constexpr const char* kAdditivesHeader[] = {"Additives", "Concentration", "Units", "Lot Number"};
constexpr const char* kComments = "Comments:";
constexpr const char* kResults = "Results:";
constexpr const char* kResultsHeader[] = {
    "Shear Ramp",     "Time (Min)",      "Temp (°F)",      "n'", "K'", "Coef Detn. (R^2)", "Kv", "K' Slot",
    "Calc. 40 (1/S)", "Calc. 100 (1/S)", "Calc. 170 (1/S)"};
// Results-table columns of the ramp row's cells 1 to 11 (pressure, column 3, is not exported).
constexpr int kResultColumns[] = {0, 1, 2, 4, 5, 6, 7, 8, 9, 10, 11};

QString utf8(const char* text) {
    return QString::fromUtf8(text);
}

// A stored value as it is: a number stays a number, anything else is text.
void storedValue(CellSink& sink, int row, int column, const QVariant& value, const QLocale& locale) {
    if (value.isNull() || !value.isValid()) return;
    switch (value.typeId()) {
        case QMetaType::Double:
        case QMetaType::Float:
        case QMetaType::Int:
        case QMetaType::LongLong:
            sink.number(row, column, value.toDouble());
            return;
        default:
            sink.text(row, column, DefaultText(value, locale));
    }
}

}  // namespace

std::array<double, 10> ReadingsBlockRow(const Reading& r) {
    constexpr double kSecondsPerMinute = 60;
    return {r.rampNo,
            r.rampStepNo,
            r.time_s / kSecondsPerMinute,
            r.sampleTemp_F,
            r.pressure_psi,
            r.shearRate_1ps,
            r.shearStress_dyncm2,
            r.typeId,
            r.bathTemp_F,
            ExportViscosity(r.shearRate_1ps, r.shearStress_dyncm2)};
}

SheetSetup WriteWorkbookCells(CellSink& sink, WorkbookKind kind, const ReportTables& tables,
                              std::span<const Reading> readings, const QLocale& locale) {
    sink.text(1, 1, utf8(kTitle));
    int r = kFirstInfoRow;
    for (const InfoLine& line : kInfoLines) {
        sink.text(r, 1, utf8(line.label));
        const QVariant value = ValueOf(tables.testInfoRow, line.column);
        // The time goes in as text after a blank, so that it is never turned into a date.
        if (line.column == TEST_TIME)
            sink.text(r, 2, u' ' + DefaultText(value, locale));
        else
            storedValue(sink, r, 2, value, locale);
        ++r;
    }
    for (int c = 0; c < 4; ++c) sink.text(r, c + 1, utf8(kAdditivesHeader[c]));
    for (const QStringList& additive : tables.additiveRows) {
        ++r;
        for (int c = 0; c < 4; ++c) sink.text(r, c + 1, CellOf(additive, c));
    }
    r += 2;
    sink.text(r, 1, utf8(kComments));
    storedValue(sink, r, 2, ValueOf(tables.testInfoRow, SAFETY), locale);
    ++r;
    sink.text(r, 1, utf8(kResults));
    ++r;
    const int resultsHeaderRow = r;
    for (int c = 0; c < 11; ++c) sink.text(r, c + 1, utf8(kResultsHeader[c]));
    for (qsizetype ramp = 1; ramp <= tables.resultRows.size(); ++ramp) {
        const QStringList& result = tables.resultRows.at(ramp - 1);
        ++r;
        // A ramp without result keeps its row, holding only its number: zeros would read as results.
        if (IsEmptyRow(result)) {
            sink.number(r, 1, double(ramp));
            continue;
        }
        for (int c = 0; c < 11; ++c) sink.number(r, c + 1, vb::Val(CellOf(result, kResultColumns[c])));
    }

    SheetSetup setup;
    setup.printTitleFirstRow = setup.printTitleLastRow = resultsHeaderRow;
    if (kind == WorkbookKind::Detail) {
        ++r;
        setup.printTitleFirstRow = setup.printTitleLastRow = r;
        for (int c = 0; c < 10; ++c) sink.text(r, c + 1, utf8(kReadingsHeader[c]));
        for (const Reading& reading : readings) {
            ++r;
            const std::array<double, 10> values = ReadingsBlockRow(reading);
            for (int c = 0; c < 10; ++c) sink.number(r, c + 1, values[c]);
        }
    }
    setup.lastRow = r;
    return setup;
}

std::vector<NotesSheet> NotesSheets(const ReportTables& tables) {
    std::vector<NotesSheet> sheets;
    if (!tables.exclusionLines.isEmpty())
        sheets.push_back({QStringLiteral("Excluded readings"), QString::fromLatin1(kExclusionsTitle),
                          tables.exclusionLines});
    if (!tables.criteriaLines.isEmpty())
        sheets.push_back({QStringLiteral("Acceptance criteria"), QString::fromLatin1(kCriteriaTitle),
                          tables.criteriaLines});
    return sheets;
}

void WriteNotesCells(CellSink& sink, const NotesSheet& sheet) {
    sink.text(1, 1, sheet.title);
    for (qsizetype i = 0; i < sheet.lines.size(); ++i) sink.text(int(i) + 2, 1, sheet.lines.at(i));
}

}  // namespace reports
