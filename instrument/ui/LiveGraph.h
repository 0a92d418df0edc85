#pragma once

#include "common/TimeGaps.h"
#include "common/ui/GappedLine.h"
#include "store/Reading.h"

#include <QChartView>

#include <span>

class QLineSeries;
class QValueAxis;

// The live graph of a running test (CWGraph1): the latest readings against time in minutes, with the
// viscosity on the left axis, bath and sample temperature on the first right axis and the shear rate on
// the second. Each redraw hands every curve its points in one call, so its cost does not depend on how
// long the test has run.
class LiveGraph : public QChartView {
    Q_OBJECT

  public:
    explicit LiveGraph(QWidget* parent = nullptr);

    // Draws these readings (the latest of the test), replacing what was drawn; the lines break at the
    // gaps (where the station was away during a resumed run).
    void draw(std::span<const Reading> readings, std::span<const TimeGap> gaps = {});
    void clear();

    QLineSeries* viscosity() const { return viscosity_; }
    QLineSeries* bathTemp() const { return bathTemp_; }
    QLineSeries* sampleTemp() const { return sampleTemp_; }
    QLineSeries* shearRate() const { return shearRate_; }

  private:
    QValueAxis* time_;
    QValueAxis* viscosityAxis_;
    QValueAxis* temperatureAxis_;
    QValueAxis* shearRateAxis_;
    QLineSeries* viscosity_;
    QLineSeries* bathTemp_;
    QLineSeries* sampleTemp_;
    QLineSeries* shearRate_;
    std::vector<GappedLine> lines_;  // the four curves above, in that order
};
