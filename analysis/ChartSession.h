#pragma once

#include "analysis/ChartData.h"
#include "analysis/ChartKinds.h"
#include "analysis/ChartSeries.h"
#include "analysis/RampFit.h"
#include "common/UnitSystem.h"

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>
#include <optional>
#include <vector>

struct OpenedTest;

// The outcome of choosing a test to overlap (the overlap dialog's OK or double click).
struct OverlapOutcome {
    enum class Kind {
        NoName,       // the name box was empty: nothing happens
        NotFound,     // the name is not listed (or no longer stored): message, dialog stays
        Itself,       // the open test itself: message, dialog stays
        TimeChart,    // refused on "Visc, Temp Vs Time": message, dialog hidden; the chart gained an empty
                      // series
        Unavailable,  // no open test or a 3D chart: the overlap button is not offered then
        Overlapped,   // the series was added; dialog hidden
    };
    Kind kind = Kind::NoName;
    QString message;  // the message box text; empty when none is shown
    QString title;    // its title; empty for none of its own

    // The dialog is hidden after the choice.
    bool hidesDialog() const { return kind == Kind::TimeChart || kind == Kind::Overlapped; }
};

// A stored test as the overlap needs it; nothing when no test of that name is stored.
struct OverlapSource {
    QString name;
    QVariantList testInfoRow;
    std::vector<Reading> readings;
};
using OverlapLoader = std::function<std::optional<OverlapSource>(const QString& name)>;

// The chart state of the main window, without widgets: the dimension, the type list and its selection, the
// current chart type, the scale options, the chart drawn (series, points, titles) and the overlap. The
// windows render what it holds; r7716-cli prints it. Each operation says what the window must do next.
class ChartSession {
  public:
    static constexpr const char* kNoTestToOverlapMessage =
        "No opened test to overlap on.  Please open one test first.";
    static constexpr const char* kNoTestToOverlapTitle = "Operation Error";
    static constexpr const char* kNotFoundMessage =
        "Your test sequence name is not found.  Please try again.";
    static constexpr const char* kItselfMessage = "Test can not overlap itself!";
    static constexpr const char* kItselfTitle = "Selection Error.";
    static constexpr const char* kTimeChartMessage =
        "Click here to overlap another test on graphs.  Charts can not be overlapped when chart type is "
        "'Visc Temp Vs. Time'.";

    // What the caller does after an operation.
    enum class Next {
        Nothing,  // nothing changed on screen
        Redraw,   // the chart of the current dimension changed: draw it
        ReOpen,   // run the open operation again; it ends in showOpenedTest
    };

    ChartSession();

    // The open operation's part: keeps what the charts need of the test, selects item 0 of the list and
    // draws the default chart of the dimension (any overlap is gone).
    void showOpenedTest(const OpenedTest& test, UnitSystem unitSystem);
    // No test open: the empty start charts.
    void showNoTest();
    // The default chart of the dimension from the test kept, where no open operation can be re-run.
    void redrawDefault() { drawDefault(); }
    bool testOpen() const { return testOpen_; }
    QString openTestName() const { return testName_; }

    // The dimension options: the list is refilled and item 0 selected, which with a test open re-runs the
    // open operation (it draws the default chart of the new dimension).
    Next setDimension(ChartDimension dimension);
    // A click on the chart-type list: without an open test the list snaps back to item 0; item 0 re-runs
    // the open operation; the other items draw their chart.
    Next chooseType(int index);
    // The program's unit system changed: a 2D chart of types 1 to 5 is drawn again in it, from the open
    // test alone (an overlap was drawn in the old units); the default charts do not depend on it.
    Next setUnitSystem(UnitSystem unitSystem);
    // The scale options (2D only; the data never change, only how they are drawn).
    Next setXScale(AxisScale scale);
    Next setYScale(AxisScale scale);

    // The overlap button: the message to show instead of the dialog, when no test is open.
    std::optional<OverlapOutcome> overlapRefusal() const;
    // The overlap dialog's choice: name typed or clicked, the names the dialog lists, and how to read a
    // stored test.
    OverlapOutcome overlap(const QString& name, const QStringList& listedNames, const OverlapLoader& load);

    ChartDimension dimension() const { return dimension_; }
    QStringList typeList() const { return ChartTypeCaptions(dimension_); }
    int listIndex() const { return listIndex_; }
    // The index kept when a chart was last drawn.
    int currentType() const { return currentType_; }
    bool scaleFramesVisible() const { return dimension_ == ChartDimension::TwoD; }
    // Overlap is offered only on a 2D chart of types 1 to 5.
    bool overlapEnabled() const;
    AxisScale xScale() const { return xScale_; }
    AxisScale yScale() const { return yScale_; }

    const Chart2D& chart2D() const { return chart2D_; }
    const Chart3D& chart3D() const { return chart3D_; }
    int seriesCount() const { return static_cast<int>(chart2D_.series.size()); }
    int pointCount() const { return chart2D_.pointCount; }
    // Kept by every choice found in the list; nothing empties it again.
    QString overlapTestName() const { return overlapTestName_; }
    const QVariantList& overlapTestInfoRow() const { return overlapInfoRow_; }

  private:
    void drawDefault();

    ChartDimension dimension_ = ChartDimension::TwoD;
    int listIndex_ = 0;
    int currentType_ = 0;
    AxisScale xScale_ = AxisScale::Linear;
    AxisScale yScale_ = AxisScale::Linear;
    Chart2D chart2D_;
    Chart3D chart3D_;

    bool testOpen_ = false;
    QString testName_;
    UnitSystem unitSystem_ = UnitSystem::CGS;
    std::vector<Reading> readings_;
    ChartArrays taken_;          // the readings the data option took, for the default charts
    std::vector<TimeGap> gaps_;  // where the time chart breaks its lines
    ExclusionFlags excluded_;
    ChartDataOption option_ = ChartDataOption::All;

    ChartSource source() const { return {testName_, readings_, taken_, gaps_, excluded_, option_}; }

    QString overlapTestName_;
    QVariantList overlapInfoRow_;
};

class clsConnection;
// Reads a stored test for the overlap through record objects of its own, so that the main window's
// records keep pointing at the open test.
OverlapLoader StoredTestLoader(clsConnection& connection);
