#include "reports/TestReport.h"

#include "analysis/AcceptanceCriteria.h"
#include "analysis/ChosenRates.h"
#include "analysis/ModelTables.h"
#include "analysis/OpenTest.h"
#include "common/VbFormat.h"
#include "common/Version.h"
#include "reports/ReportCommon.h"
#include "store/RunJournal.h"
#include "store/UnitCalibrations.h"
#include "store/clsConnection.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <map>

namespace reports {

namespace {

constexpr const char* kWholeNumber = "0";
constexpr const char* kMinutes = "0.0";
constexpr const char* kTimeFormat = "yyyy-MM-dd HH:mm";
constexpr const char* kNoResult = "no result: fewer than three usable ramp points";

QString qs(const char* text) {
    return QString::fromUtf8(text);
}

QString number(double value, const char* picture) {
    return vb::Format(value, qs(picture));
}

QString infoText(const OpenedTest& test, int column, const QLocale& locale) {
    return DefaultText(ValueOf(test.testInfoRow, column), locale).trimmed();
}

QList<ReportField> fieldsOf(const OpenedTest& test, const QLocale& locale) {
    const auto info = [&](int column) { return infoText(test, column, locale); };
    QString bob = info(BOB_NO);
    bob += QStringLiteral("%1radius %2 cm, effective length %3 cm")
               .arg(bob.isEmpty() ? QString() : QStringLiteral(", "), info(BOB_RADIUS), info(BOB_EFF_LENGTH));
    std::size_t excluded = 0;
    for (const std::uint8_t flag : test.excluded) excluded += flag ? 1 : 0;
    QString readings = number(double(test.readings.size()), kWholeNumber);
    if (excluded > 0)
        readings +=
            QStringLiteral(" (%1 excluded from the fits)").arg(number(double(excluded), kWholeNumber));
    return {{QStringLiteral("Fluid ID:"), info(FLUID_ID)},
            {QStringLiteral("Test Date:"), info(TEST_TIME)},
            {QStringLiteral("Researcher:"), info(RESEARCHER_NAME)},
            {QStringLiteral("Rotor Number:"), info(ROTOR_NO)},
            {QStringLiteral("Bob:"), bob, true},
            {QStringLiteral("Pre-Test pH:"), info(PRETEST_PH)},
            {QStringLiteral("Post-Test pH:"), info(POSTTEST_PH)},
            {QStringLiteral("Readings:"), readings}};
}

ReportTable additivesOf(const OpenedTest& test) {
    ReportTable table;
    table.title = QStringLiteral("Additives");
    table.header = {QStringLiteral("Additive Name"), QStringLiteral("Concentration"), QStringLiteral("Units"),
                    QStringLiteral("Lot Number")};
    table.textColumns = {0, 2, 3};
    table.wrapColumn = 0;
    table.none = QStringLiteral("No additives.");
    for (const AdditiveRow& a : test.additives)
        table.addRow({a.name, vb::Format(vb::Val(a.concentration), QString()), a.unit, a.lotNo});
    return table;
}

ReportTable resultsOf(const OpenedTest& test, UnitSystem unitSystem) {
    const ResultsTable results = BuildResultsTable(test.fits, test.rampCount, unitSystem);
    ReportTable table;
    table.title = QStringLiteral("Results");
    table.header = results.header;
    table.none = QStringLiteral("No shear-rate ramp has a result.");
    for (qsizetype r = 0; r < results.rows.size(); ++r) {
        if (IsEmptyRow(results.rows[r]))
            table.addRow({QStringLiteral(" ") + number(double(r + 1), kWholeNumber), qs(kNoResult)}, 1);
        else
            table.addRow(results.rows[r]);
    }
    return table;
}

QList<ReportTable> modelsOf(const OpenedTest& test, const TestReportOptions& options) {
    QList<ReportTable> tables;
    model_tables::Options cells;
    cells.kPipe = false;
    cells.rates = options.rates;
    for (const RampModel model : {RampModel::Bingham, RampModel::HerschelBulkley}) {
        const model_tables::Table built = model_tables::Build(model, test, options.unitSystem, cells);
        ReportTable table;
        table.title = model_tables::Title(model);
        table.header = built.header;
        table.none = QStringLiteral("No shear-rate ramp has points to fit.");
        for (qsizetype r = 0; r < built.rows.size(); ++r) {
            if (built.rows[r].isEmpty()) continue;
            const int failure = built.failureCell.value(r, -1);
            table.addRow(failure >= 0 ? built.rows[r].mid(0, failure + 1) : built.rows[r], failure);
        }
        tables << table;
    }
    return tables;
}

ReportTable criteriaOf(const OpenedTest& test, UnitSystem unitSystem) {
    ReportTable table;
    table.title = QStringLiteral("Acceptance criteria");
    table.header = {
        QStringLiteral("No."),         QStringLiteral("Criterion"),       QStringLiteral("Clock\rfrom (min)"),
        QStringLiteral("Held\r(min)"), QStringLiteral("Broke at\r(min)"), QStringLiteral("Result")};
    table.textColumns = {1, 5};
    table.wrapColumn = 1;
    table.none = QStringLiteral("No acceptance criteria are set for this test.");
    using Status = acceptance::Outcome::Status;
    for (std::size_t i = 0; i < test.judged.size(); ++i) {
        const acceptance::Judged& j = test.judged[i];
        const acceptance::Outcome& o = j.outcome;
        const ReportTable::Tone tone = o.passed ? ReportTable::Tone::Pass : ReportTable::Tone::Fail;
        QStringList cells{number(double(i + 1), kWholeNumber), acceptance::Describe(j.criterion, unitSystem)};
        if (o.status == Status::NoValues || o.status == Status::NeverWarm) {
            // Nothing was timed: what came of it in words.
            cells << acceptance::DescribeOutcome(j, unitSystem);
            table.addRow(cells, 2, tone);
            continue;
        }
        cells << number(o.start_min, kMinutes) << number(o.held_min, kMinutes)
              << (o.breakTime_min ? number(*o.breakTime_min, kMinutes) : QStringLiteral("did not break"))
              << (o.passed ? QStringLiteral("PASS") : QStringLiteral("FAIL"));
        table.addRow(cells, -1, tone);
    }
    return table;
}

ReportTable exclusionsOf(const OpenedTest& test) {
    ReportTable table;
    table.title = qs(kExclusionsTitle).chopped(1);
    table.header = {QStringLiteral("Reading"),
                    QStringLiteral("Ramp"),
                    QStringLiteral("Step"),
                    QStringLiteral("Time\r(min)"),
                    QStringLiteral("Shear rate\r(1/s)"),
                    QStringLiteral("Reason"),
                    QStringLiteral("Excluded by"),
                    QStringLiteral("On")};
    table.textColumns = {5, 6, 7};
    table.wrapColumn = 5;
    table.none = QStringLiteral("None: every reading is in the fits.");
    std::map<double, const store::exclusions::Exclusion*> byKey;
    for (const store::exclusions::Exclusion& e : test.exclusions) byKey[e.resultId] = &e;
    for (std::size_t i = 0; i < test.readings.size() && i < test.resultIds.size(); ++i) {
        const auto found = byKey.find(test.resultIds[i]);
        if (found == byKey.end()) continue;
        const store::exclusions::Exclusion& e = *found->second;
        const Reading& r = test.readings[i];
        table.addRow({number(e.resultId, kWholeNumber), number(r.rampNo, kWholeNumber),
                      number(r.rampStepNo, kWholeNumber), number(r.time_s / 60.0, kMinutes),
                      vb::Format(r.shearRate_1ps, QString()), e.reason, e.user,
                      e.time.toString(qs(kTimeFormat))});
    }
    return table;
}

// The calibration the unit that recorded the test had at the test's start, in words.
QString calibrationOf(clsConnection& connection, const OpenedTest& test) {
    const std::vector<run_journal::Run> runs = run_journal::runsOfTest(connection, test.testId);
    if (runs.empty())
        return QStringLiteral(
            "Not known: the test was not recorded by a run of this program (a retrieved or "
            "imported test), so its unit is not known.");
    const run_journal::Run& run = runs.front();
    QDateTime start = ValueOf(test.testInfoRow, TEST_TIME).toDateTime();
    if (!start.isValid()) start = run.started;
    const QString unit =
        QStringLiteral("Unit %1 on station %2").arg(number(run.unit, kWholeNumber), run.station);
    const std::optional<CalibrationRecord> c =
        store::unit_calibration::inEffect(connection, run.station, run.unit, start);
    if (!c)
        return QStringLiteral("Not known: no calibration of %1 from before the test's start is stored.")
            .arg(unit);
    QString text =
        QStringLiteral(
            "%1 was last calibrated on %2 with bob %3 in a fluid of %4 cP: quality %5 (the "
            "calibration report's least square value), %6 points, line r\u00B2 %7.")
            .arg(unit, c->time.toString(qs(kTimeFormat)), c->bob, vb::Format(c->fluidViscosity_cP, QString()),
                 number(c->quality, "0.0000"), number(c->points, kWholeNumber), number(c->lineR2, "0.0000"));
    if (!c->remark.isEmpty()) text += QStringLiteral(" It was judged poor: %1.").arg(c->remark);
    return text;
}

}  // namespace

TestReportContent GatherTestReport(clsConnection& connection, const OpenedTest& test, const LabSettings& lab,
                                   const TestReportOptions& options) {
    TestReportContent content;
    content.labName = lab.name;
    content.labAddress = lab.address;
    content.logo = lab.logo;
    content.paper = lab.paperFor(options.locale);
    content.title = qs(kTestReportTitle);
    content.testName = test.name;
    content.fields = fieldsOf(test, options.locale);
    content.description = infoText(test, SAFETY, options.locale);
    content.additives = additivesOf(test);
    content.chartTitle = qs(kTimeChartTitle);
    content.results = resultsOf(test, options.unitSystem);
    if (options.models) content.models = modelsOf(test, options);
    content.criteria = criteriaOf(test, options.unitSystem);
    content.exclusions = exclusionsOf(test);
    content.calibrationTitle = QStringLiteral("Calibration of the unit");
    content.calibration = calibrationOf(connection, test);
    content.footer = QStringLiteral("R7716 %1 \u2022 database %2 \u2022 made %3")
                         .arg(QString::fromLatin1(r7716::kVersion), connection.displayName(),
                              QDateTime::currentDateTime().toString(qs(kTimeFormat)));
    return content;
}

TestReportSetup ReadTestReportSetup(const QString& settingsPath, UnitSystem unitSystem,
                                    std::optional<bool> models, const QLocale& locale) {
    TestReportSetup setup;
    setup.lab = LabSettings::read(LabSettings::pathBeside(settingsPath));
    setup.problems << setup.lab.problems;
    setup.options.unitSystem = unitSystem;
    setup.options.models = models.value_or(setup.lab.models);
    setup.options.locale = locale;
    if (setup.options.models) {
        const ChosenRates rates =
            ChosenRates::read(QFileInfo(settingsPath)
                                  .absoluteDir()
                                  .absoluteFilePath(QString::fromLatin1(ChosenRates::kFileName)));
        setup.options.rates = rates.rates;
        setup.problems << rates.problems;
    }
    return setup;
}

}  // namespace reports
