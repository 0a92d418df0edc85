#include "instrument/ui/frmRealTime.h"

#include "common/Settings.h"

#include "analysis/OpenTest.h"
#include "analysis/RampFitDisplay.h"
#include "analysis/ui/OpenTestView.h"
#include "common/Messenger.h"
#include "instrument/RealTimeHost.h"
#include "instrument/ui/LiveGraph.h"
#include "instrument/ui/UnitWindowKit.h"
#include "sequence/ui/frmNameSeq.h"
#include "store/ReadingWriter.h"
#include "store/StoreError.h"
#include "testinfo/ui/frmTestRelatedInfo.h"

#include <algorithm>
#include <span>

#include <QCloseEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QPushButton* button(const QString& caption, const QString& toolTip, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    if (!toolTip.isEmpty()) b->setToolTip(toolTip);
    return b;
}

}  // namespace

frmRealTime::frmRealTime(std::unique_ptr<UnitPort> port, Messenger& messenger, Settings& settings,
                         QWidget* parent)
    : UnitWindow(messenger, QStringLiteral("Click here to exit"), parent),
      settings_(settings),
      unit_(std::move(port), messenger) {
    createControls();
    txtTempSetPoint->installEventFilter(this);
    resetResults();
    showUnit();
}

frmRealTime::~frmRealTime() = default;

void frmRealTime::createControls() {
    // Everything but the status bar lives on a page that scrolls when the window is tiled smaller than the
    // page can be laid out readably.
    auto* page = new QWidget;
    lblSelectSeq = new QLabel(QStringLiteral("Empty"), page);
    lblTestName = new QLabel(QStringLiteral("Empty"), page);

    // Readings.
    auto* readings = new QGroupBox(page);
    auto* grid = new QGridLayout(readings);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    auto place = [&](int row, int column, const char* caption, QLineEdit* box, const char* unit) {
        auto* label = new QLabel(QString::fromUtf8(caption), readings);
        label->setBuddy(box);
        grid->addWidget(label, row, column * 3, Qt::AlignRight);
        grid->addWidget(box, row, column * 3 + 1);
        grid->addWidget(new QLabel(QString::fromUtf8(unit), readings), row, column * 3 + 2);
    };
    txtBathTemp = unit_window::readout(readings);
    setBathTempBox(txtBathTemp);
    txtTempSetPoint = unit_window::readout(readings);
    txtTempSetPoint->setReadOnly(
        false);  // the operator may type in it, though the unit keeps its own set point
    // Reached by clicking into it only: as the first box of the window it would otherwise take the focus
    // whenever the window is activated, and every first button press would ask the set-point question.
    txtTempSetPoint->setFocusPolicy(Qt::ClickFocus);
    place(0, 0, "Sample Temperature:", txtSampleTemp, "°F");
    place(1, 0, "Bath Temperature:", txtBathTemp, "°F");
    place(2, 0, "Current Temp Setpoint:", txtTempSetPoint, "°F");
    place(3, 0, "Pressure:", txtPressure, "psi");
    place(0, 1, "Motor Speed:", txtSpeed, "Rpm");
    place(1, 1, "Shear Rate:", txtShearRate, "1/S");
    place(2, 1, "Shear Stress:", txtShearStress, "dyn/cm2");
    place(3, 1, "Apparent Viscosity:", txtVisc, "cP");
    grid->setColumnMinimumWidth(3, 12);

    // Sequence and test.
    cmdSelect =
        button(QStringLiteral("S&elect Sequence"), QStringLiteral("Click here to select sequence"), page);
    cmdRefresh = button(QStringLiteral("Re&fresh Test Sequence"),
                        QStringLiteral("Click here to refresh  test  sequence"), page);
    cmdStart_Stop = button(QStringLiteral("&Start"),
                           QStringLiteral("Click here to start test after selecting sequence"), page);
    cmdStop = button(QStringLiteral("S&top"), QStringLiteral("Click here to stop test "), page);
    cmdSend = button(QStringLiteral("Send Se&quence to &R7716"),
                     QStringLiteral("Click here to send the selected test sequence to R7716"), page);
    cmdRetrieve =
        button(QStringLiteral("&Retrieve Last Result"),
               QStringLiteral("Click here to get last test result from R8830 through comport"), page);

    // Single commands.
    cmdZero = button(QStringLiteral("&Zero"), {}, page);
    cmdPreheat = button(QStringLiteral("&Preheat"), {}, page);
    txtPreheatTemp = new QLineEdit(page);
    txtPreheatTemp->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    txtPreheatTemp->setMaximumWidth(txtPreheatTemp->fontMetrics().horizontalAdvance(QStringLiteral("00000")) +
                                    16);
    cmdRaiseBath = button(QStringLiteral("Raise Bath"), {}, page);
    cmdDropBath = button(QStringLiteral("Drop Bath"), {}, page);
    cmdJog = button(QStringLiteral("Jogging 100 rpm"), {}, page);

    auto* top = new QHBoxLayout;
    top->addWidget(lblInstName);
    top->addSpacing(12);
    top->addWidget(lblActiveFlag);
    top->addStretch(1);
    auto* names = new QGridLayout;
    names->addWidget(new QLabel(QStringLiteral("Sequence:"), page), 0, 0, Qt::AlignRight);
    names->addWidget(lblSelectSeq, 0, 1);
    names->addWidget(new QLabel(QStringLiteral("Test:"), page), 1, 0, Qt::AlignRight);
    names->addWidget(lblTestName, 1, 1);
    top->addLayout(names);

    auto* testButtons = new QGridLayout;
    testButtons->addWidget(cmdSelect, 0, 0);
    testButtons->addWidget(cmdSend, 0, 1);
    testButtons->addWidget(cmdStart_Stop, 1, 0);
    testButtons->addWidget(cmdStop, 1, 1);
    testButtons->addWidget(cmdRefresh, 2, 0);
    testButtons->addWidget(cmdRetrieve, 2, 1);
    auto* preheat = new QHBoxLayout;
    preheat->setSpacing(2);
    preheat->addWidget(cmdPreheat, 1);
    preheat->addWidget(txtPreheatTemp);
    preheat->addWidget(new QLabel(QStringLiteral("°F"), page));
    testButtons->addWidget(cmdZero, 3, 0);
    testButtons->addLayout(preheat, 3, 1);
    testButtons->addWidget(cmdRaiseBath, 4, 0);
    testButtons->addWidget(cmdDropBath, 4, 1);
    testButtons->addWidget(cmdJog, 5, 0);
    testButtons->addWidget(cmdExit, 5, 1);

    middle_ = new QBoxLayout(QBoxLayout::LeftToRight);
    middle_->addWidget(readings, 3);
    middle_->addLayout(testButtons, 2);

    // Results of the run: the live graph and the results table.
    CWGraph1 = new LiveGraph(page);
    CWGraph1->setMinimumHeight(190);
    MSFlexGrid1 = new QTableWidget(page);
    MSFlexGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    MSFlexGrid1->verticalHeader()->hide();
    MSFlexGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    auto* results = new QSplitter(Qt::Vertical, page);
    results->addWidget(CWGraph1);
    results->addWidget(MSFlexGrid1);
    results->setStretchFactor(0, 3);
    results->setStretchFactor(1, 1);
    results->setChildrenCollapsible(false);

    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(6, 6, 6, 2);
    pageLayout->addLayout(top);
    pageLayout->addLayout(middle_);
    pageLayout->addWidget(results, 1);
    setPage(page);
    exchangeTimer = new QTimer(this);
    exchangeTimer->setSingleShot(true);
    connect(exchangeTimer, &QTimer::timeout, this, &frmRealTime::exchangeStep);
    readings_ = readings;
    buttons_ = testButtons;

    connect(cmdSelect, &QPushButton::clicked, this, &frmRealTime::cmdSelect_Click);
    connect(cmdSend, &QPushButton::clicked, this, &frmRealTime::cmdSend_Click);
    connect(cmdRetrieve, &QPushButton::clicked, this, &frmRealTime::cmdRetrieve_Click);
    connect(cmdStart_Stop, &QPushButton::clicked, this, &frmRealTime::cmdStart_Stop_Click);
    connect(cmdStop, &QPushButton::clicked, this, &frmRealTime::cmdStop_Click);
    connect(cmdRefresh, &QPushButton::clicked, this, &frmRealTime::cmdRefresh_Click);
    connect(cmdZero, &QPushButton::clicked, this, &frmRealTime::cmdZero_Click);
    connect(cmdPreheat, &QPushButton::clicked, this, &frmRealTime::cmdPreheat_Click);
    connect(cmdRaiseBath, &QPushButton::clicked, this, &frmRealTime::cmdRaiseBath_Click);
    connect(cmdDropBath, &QPushButton::clicked, this, &frmRealTime::cmdDropBath_Click);
    connect(cmdJog, &QPushButton::clicked, this, &frmRealTime::cmdJog_Click);
}

void frmRealTime::InitialInst(clsConnection& connection) {
    unit_.InitialInst(connection);
    connection_ = &connection;
    writer_ = makeReadingWriter(connection);
    engine_ = std::make_unique<TestRunEngine>(unit_, connection, *writer_, messenger_);
    if (!askTestInfo_) askTestInfo_ = testInfoDialog(this, connection, messenger_);
}

void frmRealTime::setReadingWriter(std::unique_ptr<ReadingWriter> writer) {
    if (!engine_ || !writer || engine_->running()) return;
    engine_->setWriter(*writer);
    writer_ = std::move(writer);
}

void frmRealTime::tickLogic() {
    if (engine_)
        engine_->tick();
    else
        unit_.tick();
    if (!pendingResume_ || !engine_) return;
    const bool answered =
        unit_.poller().completeReplies() > 0 && unit_.texts().activeFlag != UnitPoller::kNoResponseText;
    if (!answered && ++resumeWaited_ < kResumeWaitTicks) return;
    const run_journal::Run run = *std::exchange(pendingResume_, std::nullopt);
    const TestRunEngine::ResumeResult result = engine_->resume(run);
    if (result.outcome != TestRunEngine::ResumeOutcome::Resumed) {
        messenger_.info(result.text, windowTitle(), MsgIcon::Exclamation);
        return;
    }
    lblTestName->setText(engine_->testName());
    lblSelectSeq->setText(engine_->sequence().name);
    resetResults();
}

void frmRealTime::resumeRun(const run_journal::Run& run) {
    pendingResume_ = run;
    resumeWaited_ = 0;
}

void frmRealTime::openPort(int portNumber) {
    unit_.openPort(portNumber);
}

void frmRealTime::showUnit() {
    if (!unit_.exchangeRunning()) releaseButtons();
    UnitWindow::showUnit();
    // What the operator is typing stays until the box is left; otherwise it follows the unit.
    if (!(txtTempSetPoint->hasFocus() && txtTempSetPoint->isModified()))
        unit_window::show(txtTempSetPoint, unit_.texts().tempSetPoint);
    if (cmdRaiseBath->isEnabled() != unit_.raiseBathEnabled())
        cmdRaiseBath->setEnabled(unit_.raiseBathEnabled());
    // A second Start while a test runs would do nothing; it is off until the run is over.
    const bool startable = !engine_ || !engine_->running();
    if (cmdStart_Stop->isEnabled() != startable) cmdStart_Stop->setEnabled(startable);
    showResults();
    if (unit_.exchangeRunning()) holdButtons();
}

void frmRealTime::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // Readings beside the buttons when there is room, the buttons below them when there is not.
    const int sideBySide = readings_->minimumSizeHint().width() + buttons_->minimumSize().width() + 24;
    const auto direction =
        scrollArea()->viewport()->width() >= sideBySide ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom;
    if (middle_->direction() != direction) middle_->setDirection(direction);
}

void frmRealTime::resetResults() {
    tableUnitSystem_ = settings_.unitSystem();
    // The header and one empty row, as the main window's table is drawn.
    open_test_view::ShowResults(MSFlexGrid1, BuildResultsTable({}, 0, tableUnitSystem_));
    MSFlexGrid1->setRowCount(1);
    const QHeaderView* header = MSFlexGrid1->horizontalHeader();
    MSFlexGrid1->setMinimumHeight(header->sizeHint().height() +
                                  2 * MSFlexGrid1->verticalHeader()->defaultSectionSize() +
                                  2 * MSFlexGrid1->frameWidth());
    CWGraph1->clear();
    readingsShown_ = 0;
}

void frmRealTime::showResults() {
    if (!engine_) return;
    const LiveResults& live = engine_->results();
    const std::size_t count = live.readings().size();
    if (count == readingsShown_ && settings_.unitSystem() == tableUnitSystem_) return;
    CWGraph1->draw(live.chartReadings(), live.gaps());
    // Another test's readings, or a unit system changed meanwhile: the table is filled anew, as the main
    // window fills it. Otherwise only the rows the last reading changed.
    if (count != readingsShown_ + 1 || settings_.unitSystem() != tableUnitSystem_) {
        tableUnitSystem_ = settings_.unitSystem();
        open_test_view::ShowResults(MSFlexGrid1, live.table(tableUnitSystem_));
    } else {
        if (live.gridRows() > 1) MSFlexGrid1->setRowCount(live.gridRows() - 1);
        for (int ramp : live.changedRamps()) showResultRow(ramp);
    }
    if (MSFlexGrid1->rowCount() == 0) MSFlexGrid1->setRowCount(1);
    readingsShown_ = count;
}

void frmRealTime::showResultRow(int ramp) {
    // Row r - 1 holds ramp r, as in the main window.
    if (ramp < 1 || ramp > MSFlexGrid1->rowCount()) return;
    const RampFit* fit = engine_->results().fitOf(ramp);
    const QStringList cells = fit ? ramp_display::RowCells(*fit, tableUnitSystem_) : QStringList();
    for (int c = 0; c < MSFlexGrid1->columnCount(); ++c) {
        const QString text = c < cells.size() ? cells[c] : QString();
        if (QTableWidgetItem* item = MSFlexGrid1->item(ramp - 1, c)) {
            item->setText(text);
        } else {
            auto* added = new QTableWidgetItem(text);
            added->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            MSFlexGrid1->setItem(ramp - 1, c, added);
        }
    }
}

void frmRealTime::cmdSelect_Click() {
    if (nameDialog_) nameDialog_->deleteLater();
    nameDialog_ = new frmNameSeq(this);
    nameDialog_->setAttribute(Qt::WA_DeleteOnClose);
    nameDialog_->setWindowFlag(Qt::Window);
    connect(nameDialog_, &frmNameSeq::SelectedTestName, this, &frmRealTime::SelectedTestName);
    nameDialog_->fillNames(unit_.sequenceNames());
    nameDialog_->show();
}

void frmRealTime::SelectedTestName() {
    if (!nameDialog_) return;
    const QString name = nameDialog_->selectedName();
    nameDialog_->close();
    nameDialog_ = nullptr;
    if (!unit_.selectSequence(name)) return;
    lblSelectSeq->setText(name);
    // A running test keeps its graph and table; it follows the new sequence only when refreshed.
    if (!engine_ || !engine_->running()) resetResults();
}

void frmRealTime::cmdSend_Click() {
    beginExchange([this] { return unit_.sendSequence(); });
}

void frmRealTime::cmdRetrieve_Click() {
    // The timer stops before the test-information dialog, so no status reply piles up while it is open.
    beginExchange([this] { return unit_.retrieveData(askTestInfo_); });
}

void frmRealTime::beginExchange(const std::function<UnitExchange::Next()>& start) {
    if (unit_.exchangeRunning()) return;
    pollingBeforeExchange_ = Timer1->isActive();
    Timer1->stop();
    const UnitExchange::Next wait = start();
    if (wait)
        waitForExchange(*wait);
    else
        endExchange();
}

void frmRealTime::waitForExchange(double seconds) {
    exchangeTimer->start(static_cast<int>(seconds * 1000.0 + 0.5));
    showUnit();
}

void frmRealTime::exchangeStep() {
    exchangeTimer->stop();
    if (!unit_.exchangeRunning()) return;
    if (const UnitExchange::Next wait = unit_.continueExchange())
        waitForExchange(*wait);
    else
        endExchange();
}

void frmRealTime::endExchange() {
    showUnit();
    if (const std::optional<RetrievalResult> retrieved = unit_.takeRetrieval();
        retrieved && retrieved->kind == RetrievalResult::Kind::Stored)
        showRetrievedTest(*retrieved);
    if (pollingBeforeExchange_ && !isUnloaded()) Timer1->start();
}

void frmRealTime::holdButtons() {
    const QList<QPushButton*> interfering{cmdSelect,    cmdSend,     cmdRetrieve, cmdStart_Stop,
                                          cmdStop,      cmdRefresh,  cmdZero,     cmdPreheat,
                                          cmdRaiseBath, cmdDropBath, cmdJog,      cmdExit};
    if (heldButtons_.isEmpty())
        for (QPushButton* b : interfering) heldButtons_.append({b, b->isEnabled()});
    for (QPushButton* b : interfering) b->setEnabled(false);
}

void frmRealTime::releaseButtons() {
    for (const auto& [button, enabled] : std::as_const(heldButtons_)) button->setEnabled(enabled);
    heldButtons_.clear();
}

void frmRealTime::showRetrievedTest(const RetrievalResult& result) {
    lblTestName->setText(result.testName);
    resetResults();
    // The last run's readings, if any, must not take the retrieved test's place at the next tick.
    if (engine_) readingsShown_ = engine_->results().readings().size();
    // The table is filled once, from the stored test as the main window fills it on opening, not once
    // per record. The readings are stored whatever happens here.
    try {
        const OpenedTest test =
            OpenStoredTest(*connection_, result.testName, ChartDataOption::All, settings_.unitSystem());
        open_test_view::ShowResults(MSFlexGrid1, test.results);
        if (MSFlexGrid1->rowCount() == 0) MSFlexGrid1->setRowCount(1);
        const std::size_t shown =
            std::min(test.readings.size(), static_cast<std::size_t>(LiveResults::kChartReadings));
        CWGraph1->draw(std::span<const Reading>(test.readings).last(shown), test.gaps);
    } catch (const StoreError& e) {
        messenger_.info(
            QStringLiteral("The retrieved test is stored, but its results could not be shown.\n") +
                e.report(),
            windowTitle(), MsgIcon::Exclamation);
    }
}

void frmRealTime::cmdStart_Stop_Click() {
    if (!engine_ || engine_->running()) return;
    resetResults();
    const std::optional<QString> bob = mlBobStr.isEmpty() ? std::nullopt : std::optional<QString>(mlBobStr);
    const TestRunEngine::StartOutcome outcome =
        engine_->start(askTestInfo_, bob, RealTimeHost::unitFromInstName(lblInstName->text()));
    if (outcome == TestRunEngine::StartOutcome::Started ||
        outcome == TestRunEngine::StartOutcome::PressureRefused)
        lblTestName->setText(engine_->testName());
    showUnit();
}

void frmRealTime::cmdStop_Click() {
    if (engine_)
        engine_->shutDown();
    else
        unit_.shutDown();
    showUnit();
}

void frmRealTime::cmdRefresh_Click() {
    if (!engine_) return;
    engine_->refreshSequence();
    showUnit();
}

void frmRealTime::cmdZero_Click() {
    unit_.zero();
}

void frmRealTime::cmdPreheat_Click() {
    unit_.preheat(txtPreheatTemp->text());
}

void frmRealTime::cmdRaiseBath_Click() {
    unit_.raiseBath();
}

void frmRealTime::cmdDropBath_Click() {
    unit_.dropBath();
}

void frmRealTime::cmdJog_Click() {
    unit_.jog();
    showUnit();
}

bool frmRealTime::confirmClose() {
    if (!engine_ || !engine_->running()) return true;
    if (!messenger_.yesNo(kCloseWhileRunning, windowTitle(), MsgIcon::Question)) return false;
    engine_->stopRecording();
    return true;
}

void frmRealTime::unloading() {
    if (nameDialog_) nameDialog_->close();
    exchangeTimer->stop();
    unit_.abandonExchange();
}

bool frmRealTime::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtTempSetPoint && event->type() == QEvent::FocusOut && !isUnloaded()) {
        // Only the operator moving on counts; a message box or another window taking the focus does not.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason ||
            reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason)
            unit_.confirmSetPointChange();
        txtTempSetPoint->setModified(false);
    }
    return QWidget::eventFilter(watched, event);
}
