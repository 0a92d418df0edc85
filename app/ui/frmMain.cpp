#include "app/ui/frmMain.h"

#include "analysis/ui/ChartView.h"
#include "analysis/ui/OpenTestView.h"
#include "analysis/ui/frmExtendedResults.h"
#include "analysis/ui/frmOpenTest.h"
#include "analysis/ui/frmOverlapTest.h"
#include "app/ui/frmAbout.h"
#include "app/ui/frmLabMonitor.h"
#include "calibration/ui/frmCalibrateTorque.h"
#include "common/DiagnosticLog.h"
#include "common/Messenger.h"
#include "common/Settings.h"
#include "instrument/RunResumption.h"
#include "instrument/ui/frmMDIRealTime.h"
#include "sequence/ui/frmSetup.h"
#include "store/StoreError.h"
#include "store/UnitCalibrations.h"
#include "testinfo/ui/frmViewRelatedInfo.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QSysInfo>
#include <QTimer>

#include <algorithm>

namespace {

// Below this the captions no longer fit their controls.
constexpr int kMinimumWidth = 900;
constexpr int kMinimumHeight = 640;

constexpr const char* kHelpFileName = "R8830help.chm";

constexpr const char* kExitQuestion = "Are you sure to exit?";
constexpr const char* kExitTitle = "Exit Check";
// Ending the program ends the recording of every running test: the operator is told before it happens.
constexpr const char* kExitWhileRecording =
    "%1 Stop recording and exit?\n\nThe units go on with their sequences; their data can be retrieved later.";

QString qs(const char* text) {
    return QString::fromUtf8(text);
}

}  // namespace

frmMain::frmMain(Messenger& messenger, Settings& settings, QWidget* parent)
    : QMainWindow(parent),
      messenger_(messenger),
      settings_(settings),
      openUrl_([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(qs(kCaption));
    reports_.settingsPath = settings_.path();
    createControls();
    createMenus();
    // The report notes go to the status bar.
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    const int barsHeight = menuBar()->sizeHint().height() + statusBar()->sizeHint().height();
    setMinimumSize(kMinimumWidth, kMinimumHeight + barsHeight);
    resize(kDesignWidth, kDesignHeight + barsHeight);
    Form_Load();
}

frmMain::~frmMain() {
    // The windows that borrowed the connection go before it; the unit windows and the calibration window
    // close their ports.
    delete extendedResults_;
    delete calibrateWindow_;
    delete realTime_;
    delete setup_;
    delete fOverlap;
    delete fOpen;
}

void frmMain::Form_Load() {
    openDatabase();
    createDialogs();
    // The open test and its readings are read through the session's records; a database that is unusable
    // must not keep the operator from the setup and real-time windows.
    session_->connectRecords();
    recordLayoutRatios();
    centreOnScreen();
    readInitialSettings();
    // A unit system chosen in the setup window shows in the results table at once.
    connect(&settings_, &Settings::unitSystemChanged, this, &frmMain::unitSystem_Changed);
    opt2D_Click();
    BuildResultsHeader();
    DrawStartChart();
    // Overlap waits for a chart it can overlap: the chart view disabled it.
    // Runs this station left unfinished are offered by the real-time host, which opens for them by itself.
    QTimer::singleShot(0, this, &frmMain::openHostForInterruptedRuns);
}

void frmMain::openHostForInterruptedRuns() {
    bool any = false;
    try {
        any = !interruptedRunsOfThisStation(*connection_).empty();
    } catch (const std::exception& e) {
        // An unusable database has said so already when it opened; the journal's own fault goes to the log.
        DiagnosticLog(QFileInfo(connection_->FilePath()).absolutePath())
            .append(qs(kCaption),
                    QStringLiteral("The run journal could not be read: ") + StoreError::describe(e));
        return;
    }
    if (any) cmdRealTime_Click();
}

void frmMain::openDatabase() {
    connection_ = std::make_unique<clsConnection>(&messenger_);
    // The arguments name the data source for the record; the database is "R7716.mdb" in the working
    // directory, or the server that "database.txt" there names.
    connection_->OpenDB(QStringLiteral("R7716"), QStringLiteral("Admin"), QString(), QString());
    session_ = std::make_unique<OpenTestSession>(*connection_, settings_, messenger_);
    // A lab-wide database is named in the caption, so that nobody mistakes whose data the window shows.
    if (connection_->isServer())
        setWindowTitle(windowTitle() + QStringLiteral(" - ") + connection_->displayName());
    if (connection_->IsReadOnly()) setWindowTitle(windowTitle() + QStringLiteral(" (read-only)"));
}

void frmMain::createDialogs() {
    // Kept for the whole run: its name box keeps the chosen name between showings.
    fOpen = new frmOpenTest(*connection_, messenger_, this);
    connect(fOpen, &frmOpenTest::Selected, this, &frmMain::fOpen_Selected);
    // Its list is built once, when it is first shown.
    fOverlap = new frmOverlapTest(*connection_, messenger_, this);
    connect(fOverlap, &frmOverlapTest::overSelected, this, &frmMain::fOverlap_overSelected);
}

void frmMain::centreOnScreen() {
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!s) return;
    const QRect area = s->availableGeometry();
    // A screen smaller than the design gets a smaller window; the layout ratios fit the controls to it.
    resize(std::min(width(), area.width()), std::min(height(), area.height()));
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

void frmMain::readInitialSettings() {
    settings_.load();
    const QString problem = settings_.unitSystemProblem();
    if (problem.isEmpty()) return;
    messenger_.info(
        problem + QStringLiteral("\n\nResults are shown in the CGS unit system. Choose the ports and "
                                 "the unit system on the hardware tab of Setup and save them to "
                                 "write the file."),
        QString(), MsgIcon::Exclamation);
}

void frmMain::DrawStartChart() {
    Charts->ShowNoTest();
}

// ---- charts ----------------------------------------------------------------------------------------

void frmMain::opt2D_Click() {
    Charts->opt2D_Click();
}

void frmMain::opt3D_Click() {
    Charts->opt3D_Click();
}

void frmMain::cmbChartType_Click() {
    Charts->cmbChartType_Click(cmbChartType->currentIndex());
}

void frmMain::optXlog_Click() {
    Charts->SetXScale(AxisScale::Log);
}

void frmMain::optXNormal_Click() {
    Charts->SetXScale(AxisScale::Linear);
}

void frmMain::optYLog_Click() {
    Charts->SetYScale(AxisScale::Log);
}

void frmMain::optYNormal_Click() {
    Charts->SetYScale(AxisScale::Linear);
}

void frmMain::cmdOverlap_Click() {
    Charts->cmdOverlap_Click(*fOverlap);
}

void frmMain::fOverlap_overSelected() {
    Charts->fOverlap_overSelected(*fOverlap, *connection_);
}

void frmMain::PrintChart() {
    Charts->PrintChart();
}

void frmMain::reOpenForCharts() {
    const OpenTestSession::Redraw redraw = session_->reRead();
    // A re-read that failed (and said so) leaves the test as read: its default chart is drawn from that.
    if (redraw == OpenTestSession::Redraw::Nothing)
        Charts->ShowOpenedTest(session_->test(), settings_.unitSystem());
    draw(redraw);
}

// ---- opening a saved test ------------------------------------------------------------------------

void frmMain::cmdOpen_Click() {
    fOpen->exec();
}

void frmMain::MenuFileOpen_Click() {
    cmdOpen_Click();
}

void frmMain::fOpen_Selected() {
    // The table is down to its header whatever follows.
    BuildResultsHeader();
    const OpenTestSession::Redraw redraw = session_->open(fOpen->txtSeqName->text(), fOpen->ListedNames());
    if (redraw == OpenTestSession::Redraw::Nothing) {
        showExtendedResults();
        return;
    }
    draw(redraw);
    fOpen->hide();
}

void frmMain::draw(OpenTestSession::Redraw redraw) {
    if (redraw == OpenTestSession::Redraw::Nothing) return;
    // Opening returns to the first chart type, the default chart, on which nothing can be overlapped.
    Charts->ShowOpenedTest(session_->test(), settings_.unitSystem());
    showTestTables();
}

void frmMain::showTestTables() {
    open_test_view::ShowAdditives(MSFlexGrid2, session_->test().additives);
    showResults();
}

void frmMain::showResults() {
    BuildResultsHeader();
    if (session_->resultsShown()) open_test_view::ShowResults(MSFlexGrid1, session_->results());
    showCriteria();
    showExtendedResults();
}

void frmMain::showExtendedResults() {
    if (!extendedResults_) return;
    extendedResults_->ShowTest(session_->resultsShown() ? &session_->test() : nullptr,
                               settings_.unitSystem());
}

void frmMain::MenuExtendedResults_Click() {
    if (!extendedResults_) extendedResults_ = new frmExtendedResults(messenger_, this);
    // Read each time it is asked for, so that a file edited by hand shows.
    extendedResults_->ReadRates();
    showExtendedResults();
    extendedResults_->show();
    extendedResults_->raise();
    extendedResults_->activateWindow();
}

frmExtendedResults* frmMain::ExtendedResultsWindow() const {
    return extendedResults_.data();
}

void frmMain::unitSystem_Changed() {
    showResults();
    Charts->SetUnitSystem(settings_.unitSystem());
}

void frmMain::optAllData_Click() {
    draw(session_->setDataOption(ChartDataOption::All));
}

void frmMain::optNoRampData_Click() {
    draw(session_->setDataOption(ChartDataOption::NoRamp));
}

bool frmMain::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) Form_Activate();
    return QMainWindow::event(event);
}

bool frmMain::takesReRead() const {
    // Not while a dialog of ours is modal (the open-test dialog, a message box): the read would run under
    // it, and its message boxes would activate the window again. Once an overlap name has been kept the
    // chart is left as it is.
    return isVisible() && QApplication::activeModalWidget() == nullptr &&
           Charts->Session().overlapTestName().isEmpty();
}

void frmMain::Form_Activate() {
    if (!takesReRead() || !session_->queueActivationReRead()) return;
    // After the activation itself, so that the window shows active at once; a burst of activations reads
    // once.
    QMetaObject::invokeMethod(
        this, [this] { draw(session_->runQueuedActivationReRead(takesReRead())); }, Qt::QueuedConnection);
}

// ---- real-time host --------------------------------------------------------------------------------

void frmMain::cmdRealTime_Click() {
    if (!realTime_) {
        try {
            realTime_ = new frmMDIRealTime(*connection_, messenger_, settings_, this);
            realTime_->setEventSink(events_);
        } catch (const std::exception& error) {
            messenger_.info(
                QStringLiteral("The real-time window could not be opened.\n") + StoreError::describe(error),
                QString(), MsgIcon::Critical);
            return;
        }
        realTime_->setAttribute(Qt::WA_DeleteOnClose);
    }
    realTime_->show();
    realTime_->raise();
    realTime_->activateWindow();
}

void frmMain::MenuFileRealTimeTest_Click() {
    cmdRealTime_Click();
}

// ---- setup -----------------------------------------------------------------------------------------

void frmMain::cmdSetup_Click() {
    if (setup_) {
        setup_->show();
        setup_->raise();
        setup_->activateWindow();
        return;
    }
    frmSetup* setup = nullptr;
    try {
        setup = new frmSetup(*connection_, messenger_, settings_);
    } catch (const std::exception& error) {
        messenger_.info(
            QStringLiteral("The setup window could not be opened.\n") + StoreError::describe(error),
            QString(), MsgIcon::Critical);
        return;
    }
    setup->setAttribute(Qt::WA_DeleteOnClose);
    setup_ = setup;
    connect(setup, &frmSetup::closed, this, &frmMain::setup_Closed);
    hide();
    setup->show();
}

frmSetup* frmMain::SetupWindow() const {
    return setup_.data();
}

void frmMain::MenuSetup_Click() {
    cmdSetup_Click();
}

void frmMain::setup_Closed() {
    show();
    raise();
    activateWindow();
    // A unit system chosen there shows already. The open test is read again whether or not the window
    // manager reports the activation.
    Form_Activate();
}

void frmMain::cmdRelated_Click() {
    // Edit Test Info works on the open test; with none open the click changes nothing.
    if (session_->testId() == 0) return;
    // After a save the kept row and additives are read again, so that the reports show the new values.
    if (editTestInfo(this, *connection_, messenger_, session_->name(), session_->testId()) &&
        session_->refreshTestInfo() != OpenTestSession::Redraw::Nothing)
        showTestTables();
}

// ---- calibration and reports -----------------------------------------------------------------------

void frmMain::cmdCalibrate_Click() {
    frmCalibrateTorque* window =
        frmCalibrateTorque::showWindow(calibrateWindow_, settings_, messenger_, this);
    // Every finished run is kept, so that a test report can name the calibration its unit had.
    if (window)
        window->calibration().setFinishedSink([this](const CalibrationRecord& record) {
            try {
                store::unit_calibration::add(*connection_, record);
            } catch (const StoreError& error) {
                messenger_.info(qs(store::unit_calibration::kNotKeptMessage).arg(error.description()), {},
                                MsgIcon::Exclamation);
            }
        });
}

frmCalibrateTorque* frmMain::CalibrateWindow() const {
    return calibrateWindow_.data();
}

frmMDIRealTime* frmMain::RealTimeWindow() const {
    return realTime_.data();
}

void frmMain::runReport(ReportAction action) {
    (reports_.*action)(this, messenger_, *connection_, session_->test(),
                       [this](const QString& note) { statusBar()->showMessage(note); });
}

void frmMain::MenuHelpContent_Click() {
    const QString path = QDir::current().absoluteFilePath(QString::fromLatin1(kHelpFileName));
    if (!QFileInfo::exists(path)) return;
    openUrl_(QUrl::fromLocalFile(path));
}

void frmMain::MenuHelpAbout_Click() {
    frmAbout about(this);
    about.exec();
}

bool frmMain::confirmExit() {
    return messenger_.yesNo(qs(kExitQuestion), qs(kExitTitle), MsgIcon::Exclamation);
}

bool frmMain::confirmStopRecording() {
    if (!realTime_) return true;
    const QList<int> units = realTime_->unitsRecording();
    if (units.isEmpty()) return true;
    QStringList numbers;
    for (int unit : units) numbers << QString::number(unit);
    const QString running = units.size() == 1
                                ? QStringLiteral("A test is running on unit %1.").arg(numbers.front())
                                : QStringLiteral("Tests are running on units %1.").arg(numbers.join(", "));
    if (!messenger_.yesNo(qs(kExitWhileRecording).arg(running), qs(kExitTitle), MsgIcon::Question))
        return false;
    realTime_->stopRecordingAll();
    return true;
}

void frmMain::cmdExit_Click() {
    if (confirmExit() && confirmStopRecording()) endProgram();
}

void frmMain::MenuFileExit_Click() {
    cmdExit_Click();
}

void frmMain::MenuLabMonitor_Click() {
    const QString cli = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("r7716-cli"));
    frmLabMonitor dialog(monitor::serveInstructions(connection_->location(), cli, QDir::currentPath(),
                                                    QSysInfo::machineHostName()),
                         this);
    dialog.exec();
}

void frmMain::endProgram() {
    exitConfirmed_ = true;
    close();
}

void frmMain::closeEvent(QCloseEvent* event) {
    // Only the operator's own close (title bar, window menu) is questioned; a close from the program or
    // the system goes through.
    if (!exitConfirmed_ && event->spontaneous() && !(confirmExit() && confirmStopRecording())) {
        event->ignore();
        return;
    }
    exitConfirmed_ = true;
    // A close from the system ends the recordings too, cleanly.
    if (realTime_) realTime_->stopRecordingAll();
    // The program ends with its main window, whatever other window is open; those windows are not asked.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != this && w->isVisible()) w->hide();
    event->accept();
}
