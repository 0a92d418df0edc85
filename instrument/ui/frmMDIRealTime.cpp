#include "instrument/ui/frmMDIRealTime.h"

#include "common/DiagnosticLog.h"
#include "common/Messenger.h"
#include "common/Settings.h"
#include "instrument/RunResumption.h"
#include "instrument/ui/UnitStatusFeed.h"
#include "instrument/ui/frmRealTime.h"
#include "instrument/ui/frmSimpleTest.h"
#include "store/StoreError.h"
#include "store/clsConnection.h"

#include <QFileInfo>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

frmMDIRealTime::frmMDIRealTime(clsConnection& connection, Messenger& messenger, Settings& settings,
                               QWidget* parent)
    : QMainWindow(parent), connection_(connection), messenger_(messenger), settings_(settings) {
    setWindowTitle(RealTimeHost::kCaption);
    if (parent) setWindowFlag(Qt::Window);
    mdiArea = new QMdiArea(this);
    mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdiArea);
    endProgram_ = [] { QCoreApplication::exit(1); };
    createMenus();
    resize(1024, 720);
    MDIForm_Load();
    new UnitStatusFeed(*this, connection_);  // the lab monitor's status rows
    // Once the host is up: the questions belong to it, not to its construction.
    QTimer::singleShot(0, this, &frmMDIRealTime::offerInterruptedRuns);
}

frmMDIRealTime::~frmMDIRealTime() = default;

void frmMDIRealTime::createMenus() {
    MenuAddInstrument = menuBar()->addMenu(QStringLiteral("Regular Test"));
    MenuAddSimpleTest = menuBar()->addMenu(QStringLiteral("Simple Test"));
    for (int n = 1; n <= RealTimeHost::kUnitCount; ++n) {
        const QString caption = QStringLiteral("Add R7716 Unit %1").arg(n);
        MenuAdd[n] = MenuAddInstrument->addAction(caption);
        connect(MenuAdd[n], &QAction::triggered, this, [this, n] { MenuAdd_Click(n); });
        MenuAddSimple[n] = MenuAddSimpleTest->addAction(caption);
        connect(MenuAddSimple[n], &QAction::triggered, this, [this, n] { MenuAddSimple_Click(n); });
    }
    MenuWindow = menuBar()->addMenu(QStringLiteral("Window"));
    MenuWindowHorizontal = MenuWindow->addAction(QStringLiteral("Tile &Horizontally"));
    MenuWindowVertically = MenuWindow->addAction(QStringLiteral("Tile Vertically"));
    MenuWindowCascade = MenuWindow->addAction(QStringLiteral("&Cascade"));
    MenuExit = menuBar()->addAction(QStringLiteral("E&xit"));
    connect(MenuWindowHorizontal, &QAction::triggered, this, &frmMDIRealTime::MenuWindowHorizontal_Click);
    connect(MenuWindowVertically, &QAction::triggered, this, &frmMDIRealTime::MenuWindowVertically_Click);
    connect(MenuWindowCascade, &QAction::triggered, this, &frmMDIRealTime::MenuWindowCascade_Click);
    connect(MenuExit, &QAction::triggered, this, &frmMDIRealTime::MenuExit_Click);
}

void frmMDIRealTime::MDIForm_Load() {
    const RealTimeHost::Availability a = RealTimeHost::readAvailability(settings_.lastRead());
    for (int n = 1; n <= RealTimeHost::kUnitCount; ++n) {
        MenuAdd[n]->setEnabled(a.unitEnabled[n - 1]);
        MenuAddSimple[n]->setEnabled(a.unitEnabled[n - 1]);
    }
    // The units the file does not give stay unavailable; the operator learns why.
    if (!a.problem.isEmpty()) messenger_.info(a.problem, RealTimeHost::kCaption, MsgIcon::Exclamation);
}

frmRealTime* frmMDIRealTime::realTimeWindow(int unit) const {
    return unit >= 0 && unit < kWindowSlots ? qobject_cast<frmRealTime*>(realTimeWindows_[unit].data())
                                            : nullptr;
}

QList<int> frmMDIRealTime::unitsRecording() const {
    QList<int> recording;
    for (int unit = 1; unit <= RealTimeHost::kUnitCount; ++unit)
        if (const frmRealTime* w = realTimeWindow(unit); w && w->engine() && w->engine()->running())
            recording << unit;
    return recording;
}

void frmMDIRealTime::offerInterruptedRuns() {
    std::vector<run_journal::Run> runs;
    try {
        runs = interruptedRunsOfThisStation(connection_);
    } catch (const StoreError& e) {
        DiagnosticLog(QFileInfo(connection_.FilePath()).absolutePath())
            .append(RealTimeHost::kCaption,
                    QStringLiteral("The run journal could not be read: ") + e.report());
        return;
    }
    for (const run_journal::Run& run : runs) {
        if (offered_.contains(run.runId)) continue;
        offered_.insert(run.runId);
        if (events_) events_->raise(RunEvents::interrupted(run));
        if (!messenger_.yesNo(TestRunEngine::resumeQuestion(run), TestRunEngine::kResumeQuestionTitle)) {
            try {
                TestRunEngine::endWithoutResuming(connection_, run);
            } catch (const StoreError& e) {
                messenger_.info(e.report(), TestRunEngine::kResumeQuestionTitle, MsgIcon::Exclamation);
            }
            continue;
        }
        if (run.unit < 1 || run.unit > RealTimeHost::kUnitCount || !MenuAdd[run.unit]->isEnabled()) {
            messenger_.info(kNoPortForResume.arg(RealTimeHost::unitText(run.unit), run.testName),
                            TestRunEngine::kResumeQuestionTitle, MsgIcon::Exclamation);
            continue;
        }
        if (!realTimeWindow(run.unit)) addUnit(UnitKind::SequenceTest, run.unit);
        if (frmRealTime* w = realTimeWindow(run.unit)) w->resumeRun(run);
    }
}

void frmMDIRealTime::stopRecordingAll() {
    for (int unit : unitsRecording())
        realTimeWindow(unit)->engine()->stopRecording(TestRunEngine::RecordingEnd::Exit);
}

frmSimpleTest* frmMDIRealTime::simpleTestWindow(int unit) const {
    return unit >= 0 && unit < kWindowSlots ? qobject_cast<frmSimpleTest*>(simpleTestWindows_[unit].data())
                                            : nullptr;
}

void frmMDIRealTime::showAddError(const RealTimeHost::AddError& error) {
    messenger_.info(RealTimeHost::errorText(error), RealTimeHost::kFormLoadErrorTitle, MsgIcon::Exclamation);
}

DiagnosticLog frmMDIRealTime::diagnosticLog() const {
    const QString database = connection_.FilePath();
    return DiagnosticLog(database.isEmpty() ? QString() : QFileInfo(database).absolutePath());
}

std::unique_ptr<UnitPort> frmMDIRealTime::makePort(int unit, int portNumber) {
    std::unique_ptr<UnitPort> port;
    QString reason;
    try {
        port = portFactory_ ? portFactory_(portNumber) : nullptr;
    } catch (const std::exception& e) {
        port.reset();
        reason = QString::fromLocal8Bit(e.what());
    }
    if (!port) {
        // The program ends: what stopped it stays in the log for whoever looks into it.
        diagnosticLog().append(RealTimeHost::unitText(unit),
                               RealTimeHost::portObjectFailureText(portNumber, reason));
        messenger_.info(RealTimeHost::kCreateObjectErrorText, RealTimeHost::kCreateObjectErrorTitle,
                        MsgIcon::Exclamation);
        if (endProgram_) endProgram_();
    }
    return port;
}

void frmMDIRealTime::MenuAdd_Click(int index) {
    addUnit(UnitKind::SequenceTest, index);
}

void frmMDIRealTime::MenuAddSimple_Click(int index) {
    addUnit(UnitKind::SimpleTest, index);
}

void frmMDIRealTime::addUnit(UnitKind kind, int index) {
    if (index < 1 || index > RealTimeHost::kUnitCount) return;
    const bool simple = kind == UnitKind::SimpleTest;
    RealTimeHost::AddError error;
    const std::optional<int> portNumber = RealTimeHost::portOfUnit(index, error, settings_.lastRead());
    if (!portNumber) return showAddError(error);
    std::unique_ptr<UnitPort> port = makePort(index, *portNumber);
    if (!port) return;

    frmRealTime* sequenceTest = nullptr;
    UnitWindow* window = nullptr;
    if (simple)
        window = new frmSimpleTest(std::move(port), messenger_);
    else
        window = sequenceTest = new frmRealTime(std::move(port), messenger_, settings_);
    (simple ? simpleTestWindows_ : realTimeWindows_)[index] = window;
    window->setWindowTitle(simple ? RealTimeHost::simpleTestCaption(index)
                                  : RealTimeHost::realTimeCaption(index));
    window->lblInstName->setText(RealTimeHost::unitText(index));
    window->logic().setMessageTitle(window->windowTitle());
    window->logic().setDatabaseFile(connection_.FilePath());
    connect(window, &UnitWindow::Unloaded, this, [this, kind](int unit) {
        if (unit >= 1 && unit <= RealTimeHost::kUnitCount) addItems(kind)[unit]->setEnabled(true);
    });
    if (sequenceTest) {
        sequenceTest->InitialInst(connection_);
        sequenceTest->engine()->setEventSink(events_);
    }
    QMdiSubWindow* sub = mdiArea->addSubWindow(window);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    if (simple) {
        // Open large enough to show every value whole (the frame's hint adds its title bar to the window's).
        sub->resize(sub->sizeHint());
        sub->show();
    } else {
        sub->showMaximized();
    }
    addItems(kind)[index]->setEnabled(false);

    if (sequenceTest) {
        const std::optional<QString> bob = RealTimeHost::bobOfUnit(index, error);
        if (!bob) return showAddError(error);
        sequenceTest->mlBobStr = *bob;
    }
    window->Timer1->setInterval(UnitWindowLogic::kTickInterval_ms);
    window->Timer1->start();
    try {
        window->logic().openPort(*portNumber);
    } catch (const UnitPortError& e) {
        const RealTimeHost::AddError error{e.description(), e.number()};
        // The window stays and its ticks log "Port not open"; the log keeps why.
        diagnosticLog().append(RealTimeHost::unitText(index),
                               RealTimeHost::portOpenFailureText(*portNumber, error));
        showAddError(error);
    }
}

void frmMDIRealTime::tile(Qt::Orientation orientation) {
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* sub : mdiArea->subWindowList())
        if (sub->isVisible() && !sub->isMinimized()) windows.append(sub);
    if (windows.isEmpty()) return;
    const QRect area = mdiArea->viewport()->rect();
    const int n = int(windows.size());
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow* sub = windows[i];
        if (sub->isMaximized()) sub->showNormal();
        if (orientation == Qt::Horizontal) {
            const int top = area.height() * i / n, bottom = area.height() * (i + 1) / n;
            sub->setGeometry(0, top, area.width(), bottom - top);
        } else {
            const int left = area.width() * i / n, right = area.width() * (i + 1) / n;
            sub->setGeometry(left, 0, right - left, area.height());
        }
    }
}

void frmMDIRealTime::MenuWindowHorizontal_Click() {
    tile(Qt::Horizontal);
}

void frmMDIRealTime::MenuWindowVertically_Click() {
    tile(Qt::Vertical);
}

void frmMDIRealTime::MenuWindowCascade_Click() {
    for (QMdiSubWindow* sub : mdiArea->subWindowList())
        if (sub->isMaximized()) sub->showNormal();
    mdiArea->cascadeSubWindows();
}

void frmMDIRealTime::MenuExit_Click() {
    close();
}

void frmMDIRealTime::closeEvent(QCloseEvent* event) {
    mdiArea->closeAllSubWindows();
    // A simple test whose unit still runs refuses to close, and the host stays with it.
    if (!mdiArea->subWindowList().isEmpty()) {
        event->ignore();
        return;
    }
    event->accept();
}
