#include "analysis/ChartSession.h"

#include "analysis/OpenTest.h"

#include <algorithm>

namespace {

QString qs(const char* text) {
    return QString::fromUtf8(text);
}

OverlapOutcome outcome(OverlapOutcome::Kind kind, const char* message = nullptr,
                       const char* title = nullptr) {
    OverlapOutcome o;
    o.kind = kind;
    if (message) o.message = qs(message);
    if (title) o.title = qs(title);
    return o;
}

}  // namespace

ChartSession::ChartSession() {
    showNoTest();
}

void ChartSession::showNoTest() {
    testOpen_ = false;
    testName_.clear();
    readings_.clear();
    taken_.clear();
    excluded_.clear();
    listIndex_ = 0;
    currentType_ = 0;
    chart2D_ = StartChart2D();
    chart3D_ = StartChart3D();
}

void ChartSession::showOpenedTest(const OpenedTest& test, UnitSystem unitSystem) {
    testOpen_ = test.isOpen();
    if (!testOpen_) {
        showNoTest();
        return;
    }
    testName_ = test.name;
    unitSystem_ = unitSystem;
    readings_ = test.readings;
    taken_ = test.chart;
    gaps_ = test.gaps;
    excluded_ = test.excluded;
    option_ = test.dataOption;
    drawDefault();
}

void ChartSession::drawDefault() {
    listIndex_ = 0;
    currentType_ = 0;
    const ChartSource source = this->source();
    // Both charts start from the open test, so that a change of dimension shows it at once.
    chart2D_ = BuildChart2D(Chart2DType::ViscTempVsTime, source, unitSystem_);
    chart3D_ = BuildChart3D(Chart3DType::ViscVsRateTime, source);
}

ChartSession::Next ChartSession::setDimension(ChartDimension dimension) {
    dimension_ = dimension;
    listIndex_ = 0;
    return chooseType(0);
}

ChartSession::Next ChartSession::chooseType(int index) {
    if (!testOpen_ || index < 0 || index >= ChartTypeCount(dimension_)) {
        // Nothing to chart: the list goes back to its first item.
        listIndex_ = 0;
        return Next::Nothing;
    }
    listIndex_ = index;
    if (index == 0) return Next::ReOpen;
    currentType_ = index;
    const ChartSource source = this->source();
    if (dimension_ == ChartDimension::ThreeD)
        chart3D_ = BuildChart3D(static_cast<Chart3DType>(index), source);
    else
        chart2D_ = BuildChart2D(static_cast<Chart2DType>(index), source, unitSystem_);
    return Next::Redraw;
}

ChartSession::Next ChartSession::setUnitSystem(UnitSystem unitSystem) {
    if (unitSystem == unitSystem_) return Next::Nothing;
    unitSystem_ = unitSystem;
    if (!testOpen_ || dimension_ != ChartDimension::TwoD || currentType_ == 0) return Next::Nothing;
    const ChartSource source = this->source();
    chart2D_ = BuildChart2D(static_cast<Chart2DType>(currentType_), source, unitSystem_);
    return Next::Redraw;
}

ChartSession::Next ChartSession::setXScale(AxisScale scale) {
    if (xScale_ == scale) return Next::Nothing;
    xScale_ = scale;
    return Next::Redraw;
}

ChartSession::Next ChartSession::setYScale(AxisScale scale) {
    if (yScale_ == scale) return Next::Nothing;
    yScale_ = scale;
    return Next::Redraw;
}

bool ChartSession::overlapEnabled() const {
    return testOpen_ && dimension_ == ChartDimension::TwoD && currentType_ != 0;
}

std::optional<OverlapOutcome> ChartSession::overlapRefusal() const {
    if (testOpen_) return std::nullopt;
    return outcome(OverlapOutcome::Kind::Unavailable, kNoTestToOverlapMessage, kNoTestToOverlapTitle);
}

OverlapOutcome ChartSession::overlap(const QString& name, const QStringList& listedNames,
                                     const OverlapLoader& load) {
    if (name.isEmpty()) return outcome(OverlapOutcome::Kind::NoName);
    if (!listedNames.contains(name, Qt::CaseSensitive))
        return outcome(OverlapOutcome::Kind::NotFound, kNotFoundMessage);
    overlapTestName_ = name;
    if (name == testName_) return outcome(OverlapOutcome::Kind::Itself, kItselfMessage, kItselfTitle);
    if (!testOpen_ || dimension_ != ChartDimension::TwoD) return outcome(OverlapOutcome::Kind::Unavailable);
    // Listed when the dialog was filled, deleted since.
    std::optional<OverlapSource> source = load ? load(name) : std::nullopt;
    if (!source) return outcome(OverlapOutcome::Kind::NotFound, kNotFoundMessage);
    overlapInfoRow_ = source->testInfoRow;

    chart2D_.series.emplace_back();
    if (currentType_ == 0) return outcome(OverlapOutcome::Kind::TimeChart, kTimeChartMessage);
    chart2D_.pointCount = std::max(chart2D_.pointCount, static_cast<int>(source->readings.size()));
    chart2D_.series.back() = SortedSeries(chart2D_.type, source->readings, unitSystem_, name);
    chart2D_.series.front().label = testName_;
    return outcome(OverlapOutcome::Kind::Overlapped);
}

OverlapLoader StoredTestLoader(clsConnection& connection) {
    return [&connection](const QString& name) -> std::optional<OverlapSource> {
        OpenedTest test = OpenStoredTest(connection, name, ChartDataOption::All, UnitSystem::CGS);
        if (!test.isOpen()) return std::nullopt;
        return OverlapSource{test.name, std::move(test.testInfoRow), std::move(test.readings)};
    };
}
