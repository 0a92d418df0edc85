#pragma once

#include "store/clsConnection.h"

#include <QMainWindow>
#include <QUrl>
#include <functional>
#include <memory>
#include <vector>

class Messenger;
class clsTEST_INFO;
class clsTEST_RESULT;
class clsTEST_ADDITIVE;
class QAction;
class TestChart2D;
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

    explicit frmMain(Messenger& messenger, QWidget* parent = nullptr);
    ~frmMain() override;

    // The shared connection, lent to every other window so that it attaches its own record objects.
    clsConnection& Connection() { return *connection_; }
    clsTEST_INFO& TestInfo() { return *testInfo_; }
    clsTEST_RESULT& TestResult() { return *testResult_; }
    clsTEST_ADDITIVE& TestAdditive() { return *testAdditive_; }

    // The program-wide unit system: 1 CGS, 2 English, 3 SI. The setup window changes it.
    int UnitSystem() const { return unitSystem_; }
    void setUnitSystem(int unitSystem);
    // TEST_ID of the open test; 0 while none is open.
    double OpenTestId() const { return openTestId_; }
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
    void cmdExit_Click();
    void MenuFileExit_Click();
    void cmdRelated_Click();
    void opt2D_Click();
    void opt3D_Click();
    void cmbChartType_Click();
    void MenuHelpContent_Click();
    void MenuHelpAbout_Click();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void Form_Load();
    void Form_Resize();
    void createControls();
    void createMenus();
    void openDatabase();
    void recordLayoutRatios();
    void centreOnScreen();
    void readInitialSettings();
    // Asks "Are you sure to exit?"; true when the operator answers Yes.
    bool confirmExit();
    // Ends the program: every other window goes with the main window.
    void endProgram();

    Messenger& messenger_;
    std::unique_ptr<clsConnection> connection_;
    std::unique_ptr<clsTEST_INFO> testInfo_;
    std::unique_ptr<clsTEST_RESULT> testResult_;
    std::unique_ptr<clsTEST_ADDITIVE> testAdditive_;

    int unitSystem_ = 1;
    double openTestId_ = 0;
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
