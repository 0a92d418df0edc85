#pragma once

#include "analysis/OpenTest.h"
#include "common/UnitSystem.h"
#include "store/clsConnection.h"

#include <QMainWindow>
#include <QPointer>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Messenger;
class Settings;
class clsTEST_INFO;
class clsTEST_RESULT;
class clsTEST_ADDITIVE;
class QAction;
class TestChart2D;
class frmOpenTest;
class frmSetup;
class frmMDIRealTime;
class QComboBox;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QRadioButton;
class QTableWidget;

// The first and central window: owns the database connection and the open test's record objects, shows
// the results and additives tables and the chart, and starts every other window. Closing it ends the
// program.
class frmMain : public QMainWindow {
    Q_OBJECT

  public:
    static constexpr const char* kCaption = "R7716 HPHT Automatic Rheometer";

    // settings: the program's settings object; the main window loads it at start-up.
    frmMain(Messenger& messenger, Settings& settings, QWidget* parent = nullptr);
    ~frmMain() override;

    // The shared connection, lent to every other window so that it attaches its own record objects.
    clsConnection& Connection() { return *connection_; }
    clsTEST_INFO& TestInfo() { return *testInfo_; }
    clsTEST_RESULT& TestResult() { return *testResult_; }
    clsTEST_ADDITIVE& TestAdditive() { return *testAdditive_; }

    // The program's settings: the units' ports and the program-wide unit system, which the setup window
    // changes.
    Settings& AppSettings() { return settings_; }
    // TEST_ID of the open test; 0 while none is open.
    double OpenTestId() const { return openTestId_; }
    // The open test as it was last read: name, TEST_INFO row, s, shear-rate factor, readings, fits.
    // Its outcome is NoName while no test is open.
    const OpenedTest& OpenTestState() const { return openTest_; }
    QString OpenTestName() const { return openTest_.name; }
    // Name of the test overlapped on the charts; empty while none is.
    QString OverlapTestName() const { return overlapTestName_; }
    // The open-test dialog, created at start-up and kept.
    frmOpenTest* OpenTestDialog() const { return fOpen; }
    // The setup window while it is open; null otherwise.
    frmSetup* SetupWindow() const;
    // 1 = 2D charting, 2 = 3D.
    int Dimension() const { return dimension_; }

    // How the help file is handed to the desktop; replaceable so that a test can see what was asked.
    void setUrlOpener(std::function<bool(const QUrl&)> opener) { openUrl_ = std::move(opener); }

    // Rebuilds the results table's header for the current unit system and drops every result row.
    void BuildResultsHeader();
    // The empty default chart: viscosity on the left axis, sample and bath temperature on the right.
    void DrawStartChart();

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
    QTableWidget* MSFlexGrid2;
    TestChart2D* Pesgo1;
    QLabel* Pe3doa1;

    QMenu* MenuFile;
    QAction* MenuFileOpen;
    QAction* MenuSetup;
    QAction* MenuFileReport;
    QAction* MenuFileRealTimeTest;
    QAction* MenuPrintChart;
    QAction* MenuFileExit;
    QMenu* MenuReport;
    QAction* MenuReportDetail;
    QAction* MenuBriefReport;
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
    void optAllData_Click();
    void optNoRampData_Click();
    // The main window became active: a test open and none overlapped is read again, so that a unit
    // system or test information changed in another window shows at once.
    void Form_Activate();
    void cmdExit_Click();
    void MenuFileExit_Click();
    void cmdRelated_Click();
    void opt2D_Click();
    void opt3D_Click();
    void cmbChartType_Click();
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
    void createMenus();
    void openDatabase();
    void createDialogs();
    void connectRecords();
    void recordLayoutRatios();
    void centreOnScreen();
    void readInitialSettings();
    // Asks "Are you sure to exit?"; true when the operator answers Yes.
    bool confirmExit();
    // Ends the program: every other window goes with the main window.
    void endProgram();

    ChartDataOption dataOption() const;
    // Runs the open operation for a name against the names the open-test dialog lists.
    OpenedTest readTest(const QString& name, const QStringList& listedNames);
    // Makes a test read by the open operation the open test and shows it: results, additives, the default
    // chart with the test's name as sub-title.
    void showOpenedTest(OpenedTest&& test);
    // The results table of the open test in the current unit system, from its kept fits.
    void showResults();
    // Reads the open test again (the open operation, by the open test's name) and shows it; with redraw
    // false, only when something shown would change. Silent when the test is no longer stored: what was
    // read stays shown until another test is opened. False when the database failed (reported).
    bool reReadOpenTest(bool redraw);
    bool mayReReadOnActivation() const;
    void reportOpenFailure(const std::exception& error);
    void setup_Closed();

    // Cheap re-reads: true when the test read shows exactly what the window shows already.
    bool showsAlready(const OpenedTest& test) const;

    Messenger& messenger_;
    Settings& settings_;
    std::unique_ptr<clsConnection> connection_;
    std::unique_ptr<clsTEST_INFO> testInfo_;
    std::unique_ptr<clsTEST_RESULT> testResult_;
    std::unique_ptr<clsTEST_ADDITIVE> testAdditive_;

    // Step 3 of start-up: the open-test dialog. The overlap dialog joins it here when overlap is built.
    frmOpenTest* fOpen = nullptr;
    QPointer<frmSetup> setup_;
    QPointer<frmMDIRealTime> realTime_;

    double openTestId_ = 0;
    OpenedTest openTest_;
    QString overlapTestName_;
    // What the results table and chart show of the open test, so that a re-read that finds nothing new
    // redraws nothing: the unit system and data option they were drawn in, and whether the table still
    // holds the open test's rows (a failed open reduces it to its header).
    std::optional<UnitSystem> shownUnitSystem_;
    ChartDataOption shownDataOption_ = ChartDataOption::All;
    bool resultsShowOpenTest_ = false;
    // An activation re-read is queued; one runs for any number of activations before it.
    bool activationReReadQueued_ = false;
    bool reReading_ = false;
    // After a failed re-read on activation, activations stop re-reading (each failure message would
    // activate the window again) until an open or another re-read succeeds.
    bool activationReReadFailed_ = false;
    // 1 = 2D, 2 = 3D.
    int dimension_ = 1;
    bool exitConfirmed_ = false;
    std::function<bool(const QUrl&)> openUrl_;

    // Every positioned control with its place as fractions of its container's inner size.
    struct LayoutRatio {
        QWidget* control;
        float left, top, width, height;
    };
    std::vector<LayoutRatio> layoutRatios_;
};
