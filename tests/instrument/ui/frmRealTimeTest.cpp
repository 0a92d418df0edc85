// The sequence-test window: its controls, the display of the unit's replies, the sequence choice through
// the name dialog, the download against the simulator, the single commands and Exit.

#include "common/Settings.h"
#include "instrument/ui/frmRealTime.h"

#include "analysis/OpenTest.h"
#include "instrument/ui/LiveGraph.h"
#include "instrument/ui/UnitWindowKit.h"
#include "link/UnitCommands.h"
#include "sequence/DemoSequences.h"
#include "sequence/SequenceStore.h"
#include "sequence/ui/frmNameSeq.h"
#include "store/ReadingWriter.h"
#include "store/StoreError.h"
#include "store/clsConnection.h"
#include "support/FakeUnitPort.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedMessenger.h"
#include "support/TempWorkDir.h"
#include "support/ui/SimulatedUnits.h"
#include "testinfo/TestInfoFile.h"
#include "testinfo/TestInfoInput.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QByteArray status(const char* text) {
    return QByteArray(text) + char(26);
}

class RealTimeWindowTest : public ::testing::Test {
  protected:
    RealTimeWindowTest() { connection.OpenDB(); }

    // A window on a fake port (kept by the test) or on the simulated unit of port 1.
    frmRealTime& onFakePort() {
        auto owned = std::make_unique<FakeUnitPort>();
        fake = owned.get();
        return make(std::move(owned));
    }
    frmRealTime& onSimulator() { return make(units.factory()(1)); }
    frmRealTime& make(std::unique_ptr<UnitPort> port) {
        window = std::make_unique<frmRealTime>(std::move(port), messenger, settings);
        window->lblInstName->setText("Unit 1");
        window->InitialInst(connection);
        window->openPort(1);
        return *window;
    }
    // A window whose test runs on the simulated unit's time, Start answering the test information itself.
    frmRealTime& runningOnSimulator(const QString& testName) {
        frmRealTime& w = onSimulator();
        w.unit().setClock([this] { return units.unit(1).now_s(); });
        w.setTestInfoAsker([testName](const std::optional<QString>& bob) {
            return testinfo_file::parse({}, testName, bob, {}).input;
        });
        return w;
    }
    // One tick of the window's timer, the unit's time moving by the timer's interval.
    void timerTick(frmRealTime& w) {
        units.advance(w.Timer1->interval() / 1000.0);
        w.Timer1_Timer();
    }
    void tick(frmRealTime& w, const QByteArray& arriving = {}) {
        if (fake) fake->arrive(arriving);
        w.Timer1_Timer();
        units.advance(1.0);
    }
    // Lets the running exchange's waits pass on the simulated units, as its timer would.
    void finishExchange(frmRealTime& w) {
        while (w.exchangeTimer->isActive()) {
            units.advance(w.exchangeTimer->interval() / 1000.0);
            w.exchangeStep();
        }
    }
    static int statusQueries(const UnitFirmware& unit) {
        return static_cast<int>(unit.commandLog().count(UnitCommands::statusQuery().chopped(1)));
    }

    TempWorkDir dir;
    clsConnection connection;
    ScriptedMessenger messenger;
    Settings settings;
    SimulatedUnits units;
    FakeUnitPort* fake = nullptr;
    std::unique_ptr<frmRealTime> window;
};

TEST_F(RealTimeWindowTest, TheButtonsCarryTheirCaptionsAndToolTips) {
    frmRealTime& w = onFakePort();
    struct Case {
        QPushButton* button;
        const char* caption;
        const char* toolTip;
    };
    const Case cases[] = {
        {w.cmdSelect, "S&elect Sequence", "Click here to select sequence"},
        {w.cmdRefresh, "Re&fresh Test Sequence", "Click here to refresh  test  sequence"},
        {w.cmdStart_Stop, "&Start", "Click here to start test after selecting sequence"},
        {w.cmdStop, "S&top", "Click here to stop test "},
        {w.cmdSend, "Send Se&quence to &R7716", "Click here to send the selected test sequence to R7716"},
        {w.cmdRetrieve, "&Retrieve Last Result",
         "Click here to get last test result from R8830 through comport"},
        {w.cmdZero, "&Zero", ""},
        {w.cmdPreheat, "&Preheat", ""},
        {w.cmdRaiseBath, "Raise Bath", ""},
        {w.cmdDropBath, "Drop Bath", ""},
        {w.cmdJog, "Jogging 100 rpm", ""},
        {w.cmdExit, "&Exit", "Click here to exit"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.button->text(), c.caption);
        EXPECT_EQ(c.button->toolTip(), c.toolTip) << c.caption;
    }
    EXPECT_EQ(w.lblActiveFlag->text(), "INACTIVE");
    EXPECT_EQ(w.lblSelectSeq->text(), "Empty");
    EXPECT_EQ(w.lblTestName->text(), "Empty");
    EXPECT_EQ(w.MSFlexGrid1->columnCount(), 12);
    EXPECT_EQ(w.MSFlexGrid1->rowCount(), 1);
}

TEST_F(RealTimeWindowTest, TheBoxesShowEachReplyByTheDisplayRules) {
    struct Case {
        const char* reply;
        QStringList boxes;  // state, sample, bath, set point, speed, shear rate, stress, viscosity, pressure
    };
    const Case cases[] = {
        {"1,250,252,250,300.00,250.3,400,511.1,0",
         {"Running Test", "250", "252", "250", "300.00", "511.1", "250.3", "49.", "400"}},
        {"1,250,252,250,0,250.3,400,511.1,0",  // a motor at rest: no speed, rate or viscosity
         {"Running Test", "250", "252", "250", "0.0", "0.0", "250.3", "0.0", "400"}},
        {"0,70,70,0,30,-3,0,10,0", {"InActive", "70", "70", "0", "30", "10", ".1", "1.", "0"}},
        {"7,80,180,180,30,1,0,0.00001,0",
         {"Preheating", "80", "180", "180", "30", "0.00001", "1.", "0", "0"}},
    };
    for (const Case& c : cases) {
        fake = nullptr;
        frmRealTime& w = onFakePort();
        tick(w, status(c.reply));
        const QStringList shown{w.lblActiveFlag->text(),   w.txtSampleTemp->text(), w.txtBathTemp->text(),
                                w.txtTempSetPoint->text(), w.txtSpeed->text(),      w.txtShearRate->text(),
                                w.txtShearStress->text(),  w.txtVisc->text(),       w.txtPressure->text()};
        EXPECT_EQ(shown, c.boxes) << c.reply;
    }
}

TEST_F(RealTimeWindowTest, ASilentUnitShowsNoResponseAndKeepsItsLastReadings) {
    frmRealTime& w = onFakePort();
    tick(w, status("0,75,76,0,0,1.5,300,0,0"));
    for (int i = 0; i < 9; ++i) tick(w);
    EXPECT_EQ(w.lblActiveFlag->text(), "No Response");
    EXPECT_EQ(w.txtSampleTemp->text(), "75");
    EXPECT_TRUE(messenger.shown.isEmpty());
}

TEST_F(RealTimeWindowTest, ASequenceChosenInTheNameDialogIsShownAndSentToTheSimulatedUnit) {
    SequenceStore store(connection);
    StoredSequence s;
    s.name = "Borate 250F";
    s.steps = {{30, 150, 5, 100, 0}, {60, 250, 10, 100, 1}};
    s.shearRates_1ps = {100, 200, 300};
    store.add(s);
    s.name = "Another";
    store.add(s);

    frmRealTime& w = onSimulator();
    w.Timer1->start();
    for (int i = 0; i < 3; ++i) tick(w);
    EXPECT_NEAR(w.txtPressure->text().toDouble(), 300, 3);

    w.cmdSelect->click();
    frmNameSeq* dialog = w.nameDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->isModal());
    ASSERT_EQ(dialog->lstSeqName->count(), 2);
    EXPECT_EQ(dialog->selectedName(), "Another") << "the first name is selected";
    dialog->lstSeqName->setCurrentRow(1);
    dialog->cmdOk->click();
    EXPECT_EQ(w.nameDialog(), nullptr);
    EXPECT_EQ(w.lblSelectSeq->text(), "Borate 250F");

    w.cmdSend->click();
    finishExchange(w);
    EXPECT_EQ(w.panelText(4), "Sequence Send Success.");
    EXPECT_TRUE(w.Timer1->isActive()) << "polling resumes";
    ASSERT_TRUE(units.unit(1).sequence().has_value());
    EXPECT_TRUE(messenger.shown.isEmpty()) << messenger.texts().join('\n').toStdString();
    tick(w);
    tick(w);
    EXPECT_EQ(w.lblActiveFlag->text(), "InActive");
}

TEST_F(RealTimeWindowTest, WhileOneUnitTakesItsSequenceAnotherUnitKeepsItsTicks) {
    SequenceStore(connection).add({.name = "Borate 250F", .steps = {{30, 150, 5, 100, 0}}});
    frmRealTime& w1 = onSimulator();
    frmRealTime w2(units.factory()(2), messenger, settings);
    w2.InitialInst(connection);
    w2.openPort(2);
    ASSERT_TRUE(w1.unit().selectSequence("Borate 250F"));
    w1.Timer1->start();
    const auto held = [&] {
        return QList<bool>{w1.cmdSend->isEnabled(), w1.cmdExit->isEnabled(), w1.cmdStart_Stop->isEnabled()};
    };
    w1.cmdSend->click();
    ASSERT_EQ(w1.exchangeTimer->interval(), 6000) << "the click returns without waiting for the unit";
    EXPECT_FALSE(w1.Timer1->isActive()) << "no status query between sequence and acknowledgement";
    EXPECT_EQ(held(), QList<bool>(3, false));

    // Simulated time in quarter seconds: unit 2's tick every second, unit 1's exchange when its wait is over.
    const int unit1Queries = statusQueries(units.unit(1)), unit2Queries = statusQueries(units.unit(2));
    for (int quarter = 1; w1.exchangeTimer->isActive(); ++quarter) {
        units.advance(0.25);
        if (quarter % 4 == 0) w2.Timer1_Timer();
        if (quarter % 24 == 0) w1.exchangeStep();
    }
    EXPECT_EQ(statusQueries(units.unit(2)) - unit2Queries, 6);
    EXPECT_EQ(statusQueries(units.unit(1)), unit1Queries);
    EXPECT_EQ(w1.panelText(4), "Sequence Send Success.");
    EXPECT_TRUE(w1.Timer1->isActive());
    EXPECT_EQ(held(), QList<bool>(3, true)) << "each button gets back the state it had";
    EXPECT_TRUE(messenger.shown.isEmpty()) << messenger.texts().join('\n').toStdString();
}

TEST_F(RealTimeWindowTest, RetrieveWaitsOnItsOwnTimerThenNamesTheStoredTest) {
    frmRealTime& w = onFakePort();
    w.setTestInfoAsker([](const auto&) { return std::optional<TestInfoInput>({.testName = "Ran alone"}); });
    w.Timer1->start();
    w.cmdRetrieve->click();
    EXPECT_FALSE(w.Timer1->isActive());
    EXPECT_EQ(w.exchangeTimer->interval(), 2000);
    EXPECT_FALSE(w.cmdRetrieve->isEnabled());
    fake->arrive(
        QByteArray("1,0,60,150,152,400,0,0,0\x03"
                   "1,1,90,150,152,400,100,200,1\x03"
                   "1,2,120,150,152,400,200,300,1\x03"
                   "1,3,150,150,152,400,300,380,1\x03\x02"));
    w.exchangeStep();  // reads, then half a second
    EXPECT_EQ(w.panelText(2), "Retrieving: 4 records received ...");
    w.exchangeStep();  // quiet: checked and stored
    EXPECT_EQ(w.lblTestName->text(), "Ran alone");
    EXPECT_EQ(w.panelText(2), "4 readings retrieved as test \"Ran alone\".");
    ASSERT_EQ(w.MSFlexGrid1->rowCount(), 1) << "one ramp, filled once at the end";
    EXPECT_EQ(w.MSFlexGrid1->item(0, 0)->text().trimmed(), "1");
    EXPECT_TRUE(w.MSFlexGrid1->item(0, 4)->text().startsWith("0.")) << "n' of the fitted ramp";
    EXPECT_TRUE(w.Timer1->isActive() && w.cmdRetrieve->isEnabled());
}

TEST_F(RealTimeWindowTest, SendingWithNothingChosenAsksForASequenceAndKeepsPolling) {
    frmRealTime& w = onFakePort();
    w.Timer1->start();
    w.cmdSend->click();
    EXPECT_EQ(messenger.texts(), QStringList{"Please select a valid sequence first."});
    EXPECT_TRUE(fake->sent.isEmpty());
    EXPECT_TRUE(w.Timer1->isActive());
}

TEST_F(RealTimeWindowTest, JogSaysSoInPanelTwoAndTheOtherCommandsGoOut) {
    frmRealTime& w = onFakePort();
    w.txtPreheatTemp->setText("180");
    w.cmdZero->click();
    w.cmdPreheat->click();
    w.cmdRaiseBath->click();
    w.cmdDropBath->click();
    w.cmdJog->click();
    w.cmdStop->click();
    EXPECT_EQ(fake->sent,
              (QList<QByteArray>{UnitCommands::zero(), UnitCommands::preheat(180), UnitCommands::raiseBath(),
                                 UnitCommands::dropBath(), UnitCommands::jog(), UnitCommands::stop()}));
    EXPECT_EQ(w.panelText(2), "test in jogging.");
    EXPECT_EQ(w.panelText(UnitStatusBar::kStartTimeKey), w.panelText(1));
}

// The database refuses the run's first reading, then takes them again.
class RefusesTheFirstReading : public ReadingWriter {
  public:
    explicit RefusesTheFirstReading(clsConnection& connection) : writer_(makeReadingWriter(connection)) {}
    void write(double testId, const Reading& reading, const run_journal::Save* save) override {
        if (!refused_) {
            refused_ = true;
            throw StoreError(8, "attempt to write a readonly database");
        }
        writer_->write(testId, reading, save);
    }
    void saveRun(const run_journal::Save& save) override { writer_->saveRun(save); }

  private:
    std::unique_ptr<ReadingWriter> writer_;
    bool refused_ = false;
};

TEST_F(RealTimeWindowTest, AReadingNotStoredStaysMarkedInPanelTwoUntilTheOperatorClicksIt) {
    SequenceStore(connection)
        .add({.name = "Rates", .settings = {1, 1, 1, 1000, 0, 30}, .steps = {{5, 75, 5, 100, 1}}});
    frmRealTime& w = runningOnSimulator("Refused once");
    w.setReadingWriter(std::make_unique<RefusesTheFirstReading>(connection));
    ASSERT_TRUE(w.unit().selectSequence("Rates"));
    w.cmdJog->click();
    for (int i = 0; i < 3; ++i) timerTick(w);
    w.cmdStart_Stop->click();
    while (w.engine()->results().readings().size() < 2) timerTick(w);
    EXPECT_TRUE(
        w.panelText(2).startsWith("Reading not stored: attempt to write a readonly database - 8 (at "))
        << w.panelText(2).toStdString();
    EXPECT_TRUE(w.StatusBar1->panelAlarm(2));
    EXPECT_TRUE(w.engine()->running()) << "the run goes on";
    EXPECT_TRUE(w.panelText(3).startsWith("Elapsed Time: 00:0"));

    QTest::mouseClick(w.StatusBar1->panel(2), Qt::LeftButton);
    EXPECT_EQ(w.panelText(2), "test in jogging.");
    EXPECT_FALSE(w.StatusBar1->panelAlarm(2));
    EXPECT_TRUE(messenger.shown.isEmpty());
}

TEST_F(RealTimeWindowTest, LeavingTheSetPointBoxAsksOnlyWhenTheOperatorMovesOn) {
    frmRealTime& w = onFakePort();
    QFocusEvent byWindow(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(w.txtTempSetPoint, &byWindow);
    EXPECT_TRUE(messenger.shown.isEmpty());
    messenger.answers.enqueue(false);
    QFocusEvent byTab(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(w.txtTempSetPoint, &byTab);
    ASSERT_EQ(messenger.shown.size(), 1);
    EXPECT_EQ(messenger.shown[0].text, "Do you reall want to change the temperature setpoint? ");
    EXPECT_EQ(messenger.shown[0].title, "Change Confirmation.");
    EXPECT_TRUE(fake->sent.isEmpty());
}

TEST_F(RealTimeWindowTest, StartRunsATestWithItsGraphAndResultsAndClosingMidRunAsksFirst) {
    SequenceStore(connection)
        .add({.name = "Short",
              .settings = {3, 2, 5, 1000, 0, 30},
              .steps = {{1, 75, 5, 100, 1}, {5, 75, 5, 100, 0}},
              .shearRates_1ps = {100, 50, 25}});
    frmRealTime& w = runningOnSimulator("Window test");
    ASSERT_TRUE(w.unit().selectSequence("Short"));
    for (int i = 0; i < 3; ++i) timerTick(w);

    w.cmdStart_Stop->click();
    EXPECT_EQ(w.lblTestName->text(), "Window test");
    EXPECT_TRUE(w.panelText("StartTime").startsWith("Start Time: "));
    EXPECT_FALSE(w.cmdExit->isEnabled());
    while (w.engine()->rampIndex() < 2) timerTick(w);
    for (int i = 0; i < 5; ++i) timerTick(w);

    EXPECT_EQ(w.panelText("ElapsedTime"), "Elapsed Time: 00:01:57") << "the 4 s ticks after set points count";
    EXPECT_EQ(w.CWGraph1->viscosity()->count(), 4);
    EXPECT_EQ(w.CWGraph1->sampleTemp()->count(), 4);
    const OpenedTest stored =
        OpenStoredTest(connection, "Window test", ChartDataOption::All, UnitSystem::CGS);
    ASSERT_EQ(w.MSFlexGrid1->rowCount(), 1) << "no reading of ramp 2 yet";
    ASSERT_EQ(stored.results.rows.size(), 1);
    for (int c = 0; c < 12; ++c) EXPECT_EQ(w.MSFlexGrid1->item(0, c)->text(), stored.results.rows[0][c]);

    const qsizetype commandsBefore = units.unit(1).commandLog().size();
    messenger.answers.enqueue(false);
    w.close();
    EXPECT_FALSE(units.closed.count(1)) << "No keeps the window and the test";
    EXPECT_TRUE(w.engine()->running());
    messenger.answers.enqueue(true);
    w.close();
    EXPECT_TRUE(units.closed.count(1));
    EXPECT_EQ(w.engine()->end(), TestRunEngine::End::RecordingStopped);
    ASSERT_EQ(messenger.shown.size(), 2);
    EXPECT_EQ(messenger.shown[1].text, frmRealTime::kCloseWhileRunning);
    for (qsizetype i = commandsBefore; i < units.unit(1).commandLog().size(); ++i)
        EXPECT_FALSE(units.unit(1).commandLog()[i].startsWith(UnitCommands::kStop)) << "the unit goes on";
}

// Not a check: with R7716_SCREENSHOT_DIR set, runs the demonstration sequence for 100 minutes on a shown
// window and saves it there as unit-window-mid-run.png.
TEST_F(RealTimeWindowTest, ScreenshotOfAUnitWindowMidRun) {
    const QString folder = qEnvironmentVariable("R7716_SCREENSHOT_DIR");
    if (folder.isEmpty()) GTEST_SKIP() << "R7716_SCREENSHOT_DIR is not set";
    createDemoSequences(connection);
    frmRealTime& w = runningOnSimulator("Borate 35 lot 2231");
    w.setWindowTitle("Unit 1 Real Time Test");
    w.resize(1180, 820);
    w.show();
    w.cmdSelect->click();
    w.nameDialog()->cmdOk->click();
    for (int i = 0; i < 3; ++i) timerTick(w);
    w.cmdStart_Stop->click();
    while (w.engine()->results().readings().empty() ||
           w.engine()->results().readings().back().time_s < 100 * 60)
        timerTick(w);
    QApplication::processEvents();
    EXPECT_TRUE(w.grab().save(folder + "/unit-window-mid-run.png"));
}

TEST_F(RealTimeWindowTest, ExitClosesThePortStopsPollingAndTellsTheHostWhichUnit) {
    frmRealTime& w = onSimulator();
    w.lblInstName->setText("Unit 6");
    w.Timer1->start();
    w.show();
    QSignalSpy unloaded(&w, &frmRealTime::Unloaded);
    w.cmdExit->click();
    ASSERT_EQ(unloaded.size(), 1);
    EXPECT_EQ(unloaded[0][0].toInt(), 6);
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.Timer1->isActive());
    EXPECT_EQ(units.closed, std::set<int>{1});
}

}  // namespace
