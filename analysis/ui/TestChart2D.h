#pragma once

#include "analysis/ChartData.h"
#include "analysis/ChartSeries.h"
#include "common/ui/GappedLine.h"

#include <QChartView>
#include <QString>

#include <map>
#include <vector>

class QAbstractAxis;
class QCategoryAxis;
class QGraphicsSimpleTextItem;
class QLineSeries;
class QXYSeries;

// The 2D chart of the main window. It holds the chart it was given (titles, series, points) and draws it
// on linear or logarithmic axes; what is drawn is thinned to the plot's width (the points held never are),
// so a test of 100,000 readings redraws quickly. Every chart has the open test's name as its sub-title,
// shown as a second, smaller title line. A log axis draws the points above zero and says in the plot how
// many it left out; it spans the data from and to a 1, 2 or 5 times a power of ten, and where its decades
// are long enough it labels values between them and draws minor lines.
class TestChart2D : public QChartView {
    Q_OBJECT

  public:
    static constexpr const char* kTimeChartTitle = "Viscosity & Temperature Vs. Time";
    static constexpr const char* kTimeAxisTitle = "Time (Min)";
    static constexpr const char* kViscosityAxisTitle = "Viscosity (cP)";
    static constexpr const char* kTemperatureAxisTitle = "Temperature (°F)";
    static constexpr const char* kViscositySeries = "Viscosity";
    static constexpr const char* kSampleTempSeries = "Sample Temp.";
    static constexpr const char* kBathTempSeries = "Bath Temp.";

    // Series of the time chart, in their order.
    enum TimeSeries { Viscosity = 0, SampleTemp = 1, BathTemp = 2 };

    explicit TestChart2D(QWidget* parent = nullptr);
    ~TestChart2D() override;

    // The empty start chart: viscosity on the left axis, sample and bath temperature on the right; no
    // sub-title.
    void DrawStartChart();
    // "Visc, Temp Vs Time" of the open test: the chart arrays against time in minutes, the test's name as
    // sub-title. Empty arrays give the empty chart with the sub-title.
    void DrawTimeChart(const ChartArrays& arrays, const QString& subTitle);
    // Draws a chart on the given scales: titles, axes, and each series handed over in one call.
    void Draw(Chart2D chart, AxisScale xScale, AxisScale yScale);
    // The chart held, on other scales, redrawn at once.
    void SetScales(AxisScale xScale, AxisScale yScale);

    QString MainTitle() const { return shown_.title; }
    QString SubTitle() const { return shown_.subTitle; }
    void setSubTitle(const QString& subTitle);

    // The chart's series count and its point count (the readings it was drawn from), for the overlap.
    int SeriesCount() const;
    int PointCount() const { return shown_.pointCount; }
    const Chart2D& Shown() const { return shown_; }
    // The note in the plot (points a log axis cannot show); empty when there is none.
    QString Note() const;

    // The line of a series; null for the marks of excluded readings.
    QLineSeries* Series(int index) const;
    QXYSeries* SeriesShown(int index) const;
    QAbstractAxis* AxisX() const { return axisX_; }
    QAbstractAxis* AxisLeft() const { return axisLeft_; }
    QAbstractAxis* AxisRight() const { return axisRight_; }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void build();
    void plot();
    void updateTitle();
    void placeNote();
    void labelLogAxes();
    int thinningBuckets() const;

    Chart2D shown_;
    AxisScale xScale_ = AxisScale::Linear;
    AxisScale yScale_ = AxisScale::Linear;
    QAbstractAxis* axisX_ = nullptr;
    QAbstractAxis* axisLeft_ = nullptr;
    QAbstractAxis* axisRight_ = nullptr;
    // The labels of a log axis (none on a linear one).
    QCategoryAxis* labelX_ = nullptr;
    QCategoryAxis* labelLeft_ = nullptr;
    bool labelling_ = false;
    std::vector<QXYSeries*> series_;
    // Each line drawn in stretches between its breaks (series_[i] is the first stretch), by series index;
    // the marks of excluded readings are points, not lines.
    std::map<std::size_t, GappedLine> lines_;
    QGraphicsSimpleTextItem* note_ = nullptr;
    int thinnedBuckets_ = 0;  // the slices the drawn points were thinned to; 0 when drawn whole
};
