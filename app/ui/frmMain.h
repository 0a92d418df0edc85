#pragma once

#include "analysis/OpenTestSession.h"
#include "reports/ui/ReportActions.h"
#include "store/clsConnection.h"

#include <QMainWindow>
#include <QPointer>
#include <QUrl>
#include <functional>
#include <memory>
#include <vector>

class EventSink;
class Messenger;
class Settings;
class QAction;
class ChartView;
class TestChart2D;
class TestChart3D;
class frmCalibrateTorque;
class frmExtendedResults;
class frmOpenTest;
class frmOverlapTest;
class frmSetup;
class frmMDIRealTime;
class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;
class QTableWidget;

// The first and central window: owns the database connection and the open-test session (the open test and
// its record objects), shows the results and additives tables and the charts, and starts every other
// window, the reports and the exports. Its handlers are one call each into the chart view, the open-test
// session and the report actions. Closing it ends the program.
class frmMain : public QMainWindow {
    Q_OBJECT

  public:
    static constexpr const char* kCaption = "R7716 HPHT Automatic Rheometer";

    // settings: the program's settings object; the main window loads it at start-up.
    frmMain(Messenger& messenger, Settings& settings, QWidget* parent = nullptr);
    ~frmMain() override;

    // The shared connection, lent to every other window so that it attaches its own record objects.
    clsConnection& Connection() { return *connection_; }

    // The program's settings: the units' ports and the program-wide unit system, which the setup window
    // changes.
    Settings& AppSettings() { return settings_; }
    // Where the test runs of the unit windows raise their events (notify.txt); none until told.
    void setEventSink(EventSink* sink) { events_ = sink; }
    // The open test (name, id, TEST_INFO row, readings, fits, results), its records and the overlapped
    // test's name, for the windows and reports that work on the open test.
    OpenTestSession& Session() { return *session_; }
    const OpenTestSession& Session() const { return *session_; }
    // The open-test and overlap dialogs, created at start-up and kept.
    frmOpenTest* OpenTestDialog() const { return fOpen; }
    frmOverlapTest* OverlapDialog() const { return fOverlap; }
    // The setup, calibration and real-time windows while they are open; null otherwise.
    frmSetup* SetupWindow() const;
    frmCalibrateTorque* CalibrateWindow() const;
    frmMDIRealTime* RealTimeWindow() const;
    // The extended results window once it has been opened; null before.
    frmExtendedResults* ExtendedResultsWindow() const;
    // The report and export buttons' actions, with their file and printer dialogs.
    ReportActions& Reports() { return reports_; }

    // How the help file is handed to the desktop; replaceable so that a test can see what was asked.
    void setUrlOpener(std::function<bool(const QUrl&)> opener) { openUrl_ = std::move(opener); }

    // Rebuilds the results table's header for the current unit system and drops every result row.
    void BuildResultsHeader();
    // The empty start charts: viscosity on the left axis, sample and bath temperature on the right.
    void DrawStartChart();

    // The chart area (the 2D chart and the 3D chart in its place) and the chart state behind it.
    ChartView* Charts;

    // Controls, by their given names.
    QPushButton* cmdOpen;
    QPushButton* cmdSetup;
    QPushButton* cmdRealTime;
    QPushButton* cmdCalibrate;
    QPushButton* cmdRelated;
    QPushButton* cmdOverlap;
    QPushButton* cmdReport;
    QPushButton* cmdBriefPrint;
    QPushButton* cmdExportExcel;
    QPushButton* cmdExcelDetail;
    QPushButton* cmdDetailReport;
    QPushButton* cmdHalliburton;
    QPushButton* cmdPrintChart;
    QPushButton* cmdExit;
    QLabel* Label2;
    QComboBox* cmbChartType;
    QGroupBox* Frame2;
    QRadioButton* opt2D;
    QRadioButton* opt3D;
    QGroupBox* framData;
    QRadioButton* optAllData;
    QRadioButton* optNoRampData;
    QGroupBox* framX;
    QRadioButton* optXlog;
    QRadioButton* optXNormal;
    QGroupBox* framY;
    QRadioButton* optYLog;
    QRadioButton* optYNormal;
    QTableWidget* MSFlexGrid1;
    // Under the results: the open test's acceptance criteria and what came of each.
    QListWidget* lstCriteria;
    QTableWidget* MSFlexGrid2;
    TestChart2D* Pesgo1;
    TestChart3D* Pe3doa1;

    QMenu* MenuFile;
    QAction* MenuFileOpen;
    QAction* MenuSetup;
    QAction* MenuFileReport;
    QAction* MenuFileRealTimeTest;
    QAction* MenuPrintChart;
    QAction* MenuLabMonitor;
    QAction* MenuFileExit;
    QMenu* MenuReport;
    QAction* MenuReportDetail;
    QAction* MenuBriefReport;
    // The test report labs send their clients (PDF).
    QAction* MenuTestReport;
    QAction* MenuExportCsv;
    QAction* MenuExportJson;  // the record of the test for a LIMS
    // The open test's readings and criteria, and comparing stored tests.
    QMenu* MenuTest;
    QAction* MenuReadings;
    QAction* MenuCriteria;
    QAction* MenuCompare;
    QAction* MenuExtendedResults;
    QMenu* MenuHelp;
    QAction* MenuHelpContent;
    QAction* MenuHelpAbout;

  public slots:
    void cmdOpen_Click();
    void MenuFileOpen_Click();
    // The open operation: opens the test named in the open-test dialog.
    void fOpen_Selected();
    void cmdSetup_Click();
    void MenuSetup_Click();
    void cmdRealTime_Click();
    void MenuFileRealTimeTest_Click();
    // At start-up: the real-time host opens when this station left runs unfinished, and offers them.
    void openHostForInterruptedRuns();
    void optAllData_Click();
    void optNoRampData_Click();
    // The main window became active: a test open and none overlapped is read again, so that a unit
    // system or test information changed in another window shows at once.
    void Form_Activate();
    void cmdExit_Click();
    void MenuFileExit_Click();
    // File > "Lab monitor...": how to start r7716-cli serve for this database.
    void MenuLabMonitor_Click();
    void cmdRelated_Click();
    void cmdCalibrate_Click();
    void opt2D_Click();
    void opt3D_Click();
    void cmbChartType_Click();
    void optXlog_Click();
    void optXNormal_Click();
    void optYLog_Click();
    void optYNormal_Click();
    void cmdOverlap_Click();
    void fOverlap_overSelected();
    // cmdPrintChart and MenuPrintChart.
    void PrintChart();
    // The open test's readings, to leave some out of the fits; its acceptance criteria; the compare window.
    void MenuReadings_Click();
    void MenuCriteria_Click();
    void MenuCompare_Click();
    // Opens the extended results of the open test (the other models, K'pipe, the chosen shear rates).
    void MenuExtendedResults_Click();
    void MenuHelpContent_Click();
    void MenuHelpAbout_Click();

  protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void Form_Load();
    void Form_Resize();
    void createControls();
    void createCommandButtons(QWidget* central);
    void createMenus();
    void connectReports();
    void openDatabase();
    void createDialogs();
    void recordLayoutRatios();
    void centreOnScreen();
    void readInitialSettings();
    // Asks "Are you sure to exit?"; true when the operator answers Yes.
    bool confirmExit();
    // With tests recording on unit windows, asks whether to stop recording them and exit; on Yes they stop.
    bool confirmStopRecording();
    // Ends the program: every other window goes with the main window.
    void endProgram();

    // Draws the open test when the session says so: results, additives, the default chart with the test's
    // name as sub-title.
    void draw(OpenTestSession::Redraw redraw);
    // The open operation re-run for the charts (their list's item 0, a dimension, a data option).
    void reOpenForCharts();
    // The results and additives tables of the open test.
    void showTestTables();
    // The results table in the unit system in force: the open test's rows while the table holds them.
    void showResults();
    // The extended results window, when open, follows the open test and the unit system.
    void showExtendedResults();
    void unitSystem_Changed();
    // The criteria list under the results, in the unit system in force.
    void showCriteria();
    // The open test's exclusions or criteria changed: the new fits, marks and criteria are drawn.
    void recordsChanged(const OpenTestSession::Change& change);
    // The window can take an activation re-read now: shown, no dialog of ours modal over it, and no
    // overlap kept (the re-read would draw the open test alone).
    bool takesReRead() const;
    void setup_Closed();
    // Runs a report action on the open test, its notes to the status bar.
    using ReportAction = void (ReportActions::*)(QWidget*, Messenger&, clsConnection&, const OpenedTest&,
                                                 const ReportActions::StatusSink&);
    void runReport(ReportAction action);

    Messenger& messenger_;
    Settings& settings_;
    std::unique_ptr<clsConnection> connection_;
    std::unique_ptr<OpenTestSession> session_;

    // Step 3 of start-up: the open-test and overlap dialogs.
    frmOpenTest* fOpen = nullptr;
    frmOverlapTest* fOverlap = nullptr;
    QPointer<frmSetup> setup_;
    QPointer<frmMDIRealTime> realTime_;
    EventSink* events_ = nullptr;
    QPointer<frmCalibrateTorque> calibrateWindow_;
    QPointer<frmExtendedResults> extendedResults_;
    ReportActions reports_;

    bool exitConfirmed_ = false;
    std::function<bool(const QUrl&)> openUrl_;

    // The window's inner size as designed; the layout ratios are taken against it.
    static constexpr int kDesignWidth = 1016;
    static constexpr int kDesignHeight = 716;
    // Every positioned control with its place as fractions of its container's inner size.
    struct LayoutRatio {
        QWidget* control;
        float left, top, width, height;
    };
    std::vector<LayoutRatio> layoutRatios_;
};
