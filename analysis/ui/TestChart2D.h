#pragma once

#include "analysis/ChartData.h"

#include <QChartView>
#include <QString>

class QAbstractAxis;
class QLineSeries;

// The 2D chart of the main window. It holds the chart arrays of the open test and draws them; what is
// drawn is thinned to the plot's width (the arrays never are), so a test of 100,000 readings redraws
// quickly. Every chart has the open test's name as its sub-title, shown as a second, smaller title line.
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
    void DrawTimeChart(ChartArrays&& arrays, const QString& subTitle);

    QString MainTitle() const { return mainTitle_; }
    QString SubTitle() const { return subTitle_; }
    void setSubTitle(const QString& subTitle);

    // The chart's series count and the points they hold (one per reading taken), for the overlap.
    int SeriesCount() const;
    int PointCount() const { return static_cast<int>(arrays_.size()); }
    // The arrays being drawn.
    const ChartArrays& Arrays() const { return arrays_; }

    QLineSeries* Series(int index) const;
    QAbstractAxis* AxisX() const { return axisX_; }
    QAbstractAxis* AxisLeft() const { return axisLeft_; }
    QAbstractAxis* AxisRight() const { return axisRight_; }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void buildTimeChart();
    void plotArrays();
    void updateTitle();
    int thinningBuckets() const;

    QString mainTitle_;
    QString subTitle_;
    ChartArrays arrays_;
    QAbstractAxis* axisX_ = nullptr;
    QAbstractAxis* axisLeft_ = nullptr;
    QAbstractAxis* axisRight_ = nullptr;
    QLineSeries* series_[3] = {nullptr, nullptr, nullptr};
    int thinnedBuckets_ = 0;  // the slices the drawn points were thinned to; 0 when drawn whole
};
