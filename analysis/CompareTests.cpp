#include "analysis/CompareTests.h"

#include "analysis/RampFitDisplay.h"
#include "common/ApparentViscosity.h"
#include "common/VbFormat.h"

#include <algorithm>
#include <cmath>

namespace compare_tests {

namespace {

constexpr double kDefaultRate_1ps = 100;
constexpr const char* kTimeFormat = "yyyy-MM-dd HH:mm:ss";

QString count(std::size_t n) {
    return vb::Format(double(n), QStringLiteral("0"));
}

// One row: its label, then a value per test.
template <typename Value>
QStringList row(const QString& label, std::span<const OpenedTest> tests, Value value) {
    QStringList cells{label};
    for (const OpenedTest& t : tests) cells << value(t);
    return cells;
}

std::size_t excludedCount(const OpenedTest& t) {
    return static_cast<std::size_t>(std::count(t.excluded.begin(), t.excluded.end(), std::uint8_t(1)));
}

}  // namespace

Table BuildTable(std::span<const OpenedTest> tests) {
    Table table;
    table.header << QString();
    for (const OpenedTest& t : tests) table.header << t.name;
    const auto info = [](const OpenedTest& t, int column) { return t.testInfoRow.value(column); };
    table.rows << row(QStringLiteral("Test time"), tests, [&](const OpenedTest& t) {
        const QVariant time = info(t, 3);
        return time.isNull() ? QString() : time.toDateTime().toString(QString::fromLatin1(kTimeFormat));
    });
    table.rows << row(QStringLiteral("Fluid ID"), tests,
                      [&](const OpenedTest& t) { return info(t, 2).toString(); });
    table.rows << row(QStringLiteral("Bob"), tests,
                      [&](const OpenedTest& t) { return info(t, 6).toString(); });
    table.rows << row(QStringLiteral("Readings"), tests,
                      [](const OpenedTest& t) { return count(t.readings.size()); });
    table.rows << row(QStringLiteral("Excluded readings"), tests,
                      [](const OpenedTest& t) { return count(excludedCount(t)); });

    qsizetype ramps = 0;
    for (const OpenedTest& t : tests) ramps = std::max(ramps, t.results.rows.size());
    const QStringList header = tests.empty() ? QStringList() : tests.front().results.header;
    for (qsizetype r = 0; r < ramps; ++r) {
        for (qsizetype c = 1; c < header.size(); ++c) {
            const QString label =
                QStringLiteral("Ramp %1: %2")
                    .arg(count(std::size_t(r + 1)), QString(header[c]).replace(u'\r', u' ').simplified());
            table.rows << row(label, tests, [&](const OpenedTest& t) {
                return r < t.results.rows.size() ? t.results.rows[r].value(c).trimmed() : QString();
            });
        }
    }

    std::size_t criteria = 0;
    for (const OpenedTest& t : tests) criteria = std::max(criteria, t.judged.size());
    for (std::size_t k = 0; k < criteria; ++k)
        table.rows << row(QStringLiteral("Criterion %1").arg(count(k + 1)), tests, [&](const OpenedTest& t) {
            if (k >= t.judged.size()) return QString();
            const UnitSystem units = t.results.unitSystem;
            return acceptance::Describe(t.judged[k].criterion, units) + QStringLiteral(" - ") +
                   acceptance::DescribeOutcome(t.judged[k], units);
        });
    return table;
}

Chart2D BuildChart(std::span<const OpenedTest> tests, const Choice& choice) {
    Chart2D chart = StartChart2D();
    chart.series.clear();
    chart.subTitle = choice.fittedAt_1ps
                         ? QStringLiteral("Fitted viscosity at %1 1/s")
                               .arg(vb::Format(std::round(*choice.fittedAt_1ps * 100) / 100, QString()))
                         : QStringLiteral("Apparent viscosity of the ordinary readings");
    std::vector<ChartSeries2D> temperatures;
    for (const OpenedTest& t : tests) {
        ChartSeries2D& viscosity = chart.series.emplace_back();
        viscosity.label = t.name;
        ChartSeries2D& temperature = temperatures.emplace_back();
        temperature.label = t.name + QStringLiteral(" (temp.)");
        temperature.onRightAxis = true;
        for (std::size_t i = 0; i < t.readings.size(); ++i) {
            const Reading& r = t.readings[i];
            temperature.x.push_back(r.time_s / 60.0);
            temperature.y.push_back(r.sampleTemp_F);
            const bool excluded = i < t.excluded.size() && t.excluded[i];
            if (choice.fittedAt_1ps || r.typeId != 0 || excluded) continue;
            viscosity.x.push_back(r.time_s / 60.0);
            viscosity.y.push_back(ReadingViscosity(r.shearRate_1ps, r.shearStress_dyncm2));
        }
        if (choice.fittedAt_1ps)
            for (const RampFit& fit : t.fits)
                if (const double v = fit.viscosityAt(*choice.fittedAt_1ps); std::isfinite(v)) {
                    viscosity.x.push_back(fit.ElapsedMin);
                    viscosity.y.push_back(v);
                }
        chart.pointCount = std::max(chart.pointCount, static_cast<int>(t.readings.size()));
    }
    for (ChartSeries2D& temperature : temperatures) chart.series.push_back(std::move(temperature));
    return chart;
}

double SuggestedRate(std::span<const OpenedTest> tests) {
    for (const OpenedTest& t : tests)
        if (!t.criteria.empty()) return t.criteria.front().shearRate_1ps;
    return kDefaultRate_1ps;
}

}  // namespace compare_tests
