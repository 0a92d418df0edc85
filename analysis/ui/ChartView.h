#pragma once

#include "analysis/ChartSession.h"
#include "analysis/ui/OpenGLProbe.h"

#include <QSize>
#include <QWidget>

#include <functional>

class Messenger;
class QAbstractButton;
class QComboBox;
class QDialog;
class QPagedPaintDevice;
class QPainter;
class QPicture;
class QPrinter;
class QStackedLayout;
class TestChart2D;
class TestChart3D;
class clsConnection;
class frmOverlapTest;
struct OpenedTest;

// The chart area of the main window: the 2D chart, the 3D chart in its place when 3D is chosen, and the
// chart state behind them (ChartSession). The main window's chart handlers call one method each; the
// window's own controls (type list, scale frames, overlap button) are bound once and kept in step.
class ChartView : public QWidget {
    Q_OBJECT

  public:
    // The main window's controls that show the chart state.
    struct Controls {
        QComboBox* typeList = nullptr;             // cmbChartType: refilled per dimension, selection kept
        QWidget* xScaleFrame = nullptr;            // framX: hidden in 3D
        QWidget* yScaleFrame = nullptr;            // framY: hidden in 3D
        QAbstractButton* overlapButton = nullptr;  // cmdOverlap: enabled on 2D types 1 to 5 only
    };
    // Shows the print dialog for the printer; true when the operator chose to print.
    using PrintDialog = std::function<bool(QPrinter& printer, QWidget* parent)>;

    // The size a chart is laid out at when it is rendered without being shown.
    static constexpr QSize kOffscreenSize{1000, 650};

    // probe: how to learn whether OpenGL is usable for the 3D chart (asked once, on first use).
    explicit ChartView(Messenger& messenger, QWidget* parent = nullptr, OpenGLProbe probe = ProbeOpenGL);
    ~ChartView() override;

    void BindControls(const Controls& controls);
    // The window's open operation, re-run by the list's item 0, a dimension change and the data options;
    // it ends in ShowOpenedTest. Without one the default chart is redrawn from the test kept.
    void SetOpenOperation(std::function<void()> reOpen) { reOpen_ = std::move(reOpen); }
    void SetPrintDialog(PrintDialog dialog) { printDialog_ = std::move(dialog); }

    // The open operation's part: the default chart of the dimension for the test, item 0 selected, no
    // overlap. A result that is not open (not found) shows the start charts.
    void ShowOpenedTest(const OpenedTest& test, UnitSystem unitSystem);
    void ShowNoTest();
    // Shows a chart state built elsewhere (r7716-cli).
    void ShowSession(const ChartSession& session);

    // opt2D, opt3D.
    void opt2D_Click();
    void opt3D_Click();
    // cmbChartType: the index of the item chosen.
    void cmbChartType_Click(int index);
    // The program's unit system changed (the setup window).
    void SetUnitSystem(UnitSystem unitSystem);
    // optXlog / optXNormal, optYLog / optYNormal.
    void SetXScale(AxisScale scale);
    void SetYScale(AxisScale scale);
    // cmdOverlap: the message when no test is open, the dialog (modal) otherwise.
    void cmdOverlap_Click(QDialog& overlapDialog);
    // The overlap dialog's overSelected: overlaps the test named in its name box; hides it when done.
    OverlapOutcome fOverlap_overSelected(frmOverlapTest& dialog, clsConnection& connection);
    // The overlap itself, its message shown.
    OverlapOutcome Overlap(const QString& name, const QStringList& listedNames, const OverlapLoader& load);

    // cmdPrintChart and MenuPrintChart: the chart shown, through the print dialog.
    void PrintChart();
    // The chart shown onto a printer or PDF writer set up already: one page.
    bool PrintTo(QPagedPaintDevice& device);
    // The chart shown recorded as painter commands, so that its lines and texts stay vectors wherever the
    // picture is drawn (a report's page); a view that is not shown is laid out at `size` first. False for
    // a 3D chart without OpenGL.
    bool RecordPicture(QPicture& picture, QSize size);
    // The chart shown into a .png or .pdf file; a view that is not shown is laid out at `size` first.
    bool RenderToFile(const QString& path, QSize size, QString* error);

    const ChartSession& Session() const { return session_; }
    TestChart2D* Pesgo1() const { return chart2D_; }
    TestChart3D* Pe3doa1() const { return chart3D_; }

  private:
    void apply(ChartSession::Next next);
    void draw();
    void syncControls();
    void render(QPainter& painter, const QRectF& target);
    bool layOutOffscreen(QSize size);
    QString documentName() const;

    Messenger& messenger_;
    ChartSession session_;
    Controls controls_;
    std::function<void()> reOpen_;
    PrintDialog printDialog_;
    QStackedLayout* pages_ = nullptr;
    TestChart2D* chart2D_ = nullptr;
    TestChart3D* chart3D_ = nullptr;
};
