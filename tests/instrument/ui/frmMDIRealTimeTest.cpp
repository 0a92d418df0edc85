// The multi-unit host: which units may be added, what adding one does and reports, closing unit windows,
// the window arrangement and Exit.

#include "common/DiagnosticLog.h"
#include "common/Settings.h"
#include "instrument/ui/frmMDIRealTime.h"

#include "instrument/RunContext.h"
#include "instrument/TestRunEngine.h"
#include "instrument/ui/frmRealTime.h"
#include "instrument/ui/frmSimpleTest.h"
#include "notify/EventSink.h"
#include "sequence/SequenceStore.h"
#include "store/RunJournal.h"
#include "store/clsConnection.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedMessenger.h"
#include "support/StoredTestBuilder.h"
#include "support/TempWorkDir.h"
#include "support/ui/SimulatedUnits.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSysInfo>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

void writeFile(const QString& name, const QByteArray& bytes) {
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

const QByteArray kEightUnits = " 1 \r\n 2 \r\n 3 \r\n 4 \r\n 5 \r\n 6 \r\n 7 \r\n 8 \r\n 1 \r\n";
const QByteArray kBobs = "B5\r\nB2\r\nB1\r\nXB2\r\nB5\r\nXB5\r\nB5\r\nXB1\r\n";

void processDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class HostTest : public ::testing::Test {
  protected:
    HostTest() { connection.OpenDB(); }
    void TearDown() override {
        if (host) {
            // Whatever a test left running is stopped, so that the host can close.
            for (QMdiSubWindow* sub : host->mdiArea->subWindowList())
                if (auto* simple = qobject_cast<frmSimpleTest*>(sub->widget())) simple->logic().shutDown();
            units.advance(60);
            for (QMdiSubWindow* sub : host->mdiArea->subWindowList())
                if (auto* simple = qobject_cast<frmSimpleTest*>(sub->widget())) simple->Timer1_Timer();
            host.reset();
        }
        processDeletes();
    }
    frmMDIRealTime& open() {
        settings.load();
        host = std::make_unique<frmMDIRealTime>(connection, messenger, settings);
        host->setPortFactory(units.factory());
        host->setEndProgram([this] { ++endProgramCalls; });
        host->show();
        return *host;
    }
    QStringList enabledItems(const std::array<QAction*, 9>& items) const {
        QStringList out;
        for (int n = 1; n <= 8; ++n)
            if (items[n]->isEnabled()) out << items[n]->text();
        return out;
    }

    TempWorkDir dir;
    clsConnection connection;
    ScriptedMessenger messenger;
    Settings settings;
    SimulatedUnits units;
    std::unique_ptr<frmMDIRealTime> host;
    int endProgramCalls = 0;
};

// A run this station left unfinished: the journal's row of unit 1 recording "Overnight", its lock free.
qint64 interruptedRun(clsConnection& connection, const QString& sequenceName) {
    const StoredSequence hold{
        .name = sequenceName, .settings = {3, 1, 2, 1000, 0, 30}, .steps = {{600, 75, 5, 100, 0}}};
    SequenceStore(connection).add(hold);
    RunContext c;
    c.state = RunState::TemperatureRamp;
    c.testId = stored_test::store(connection, stored_test::rampsOneAndThree("Overnight"));
    c.testName = "Overnight";
    c.unitNumber = 1;
    c.elapsed_s = 3600;
    c.lastStoredTime_s = 3600;
    c.savedAt_ms = QDateTime::currentMSecsSinceEpoch();
    const qint64 runId =
        run_journal::begin(connection, {.testId = c.testId,
                                        .unit = 1,
                                        .station = QSysInfo::machineHostName(),
                                        .sequenceName = hold.name,
                                        .started = QDateTime::currentDateTime().addSecs(-3600)});
    run_journal::save(connection,
                      {.runId = runId, .context = journalText(c, hold), .at = QDateTime::currentDateTime()});
    return runId;
}

TEST_F(HostTest, AnInterruptedRunIsOfferedWhenTheHostOpensAndYesGoesOnRecordingItsTest) {
    writeFile("initial.txt", kEightUnits);
    writeFile("BOBINFO.TXT", kBobs);
    for (const bool resume : {true, false}) {
        SCOPED_TRACE(resume);
        const qint64 runId = interruptedRun(connection, resume ? "Hold 1" : "Hold 2");
        messenger.answers.enqueue(resume);
        frmMDIRealTime& h = open();
        struct : EventSink {
            void raise(const NotifyEvent& e) override { kinds << event_kind::text(e.kind); }
            QStringList kinds;
        } events;
        h.setEventSink(&events);
        QCoreApplication::processEvents();
        ASSERT_FALSE(messenger.shown.isEmpty());
        EXPECT_TRUE(messenger.shown[0].text.startsWith("Unit 1 was recording \"Overnight\" (sequence \"Hold"))
            << messenger.shown[0].text.toStdString();
        frmRealTime* w = h.realTimeWindow(1);
        ASSERT_EQ(w != nullptr, resume);
        if (resume) {
            for (int i = 0; i < 15 && !(w->engine() && w->engine()->running()); ++i) {
                units.advance(1);
                w->Timer1_Timer();
            }
            ASSERT_TRUE(w->engine() && w->engine()->running()) << messenger.texts().join('\n').toStdString();
            EXPECT_EQ(w->engine()->testName(), "Overnight");
            EXPECT_EQ(w->engine()->journalRunId(), runId) << "the same run goes on";
            w->engine()->stopRecording(TestRunEngine::RecordingEnd::WindowClosed);
        }
        EXPECT_EQ(events.kinds, resume ? QStringList({"run-interrupted", "test-started", "test-stopped"})
                                       : QStringList({"run-interrupted"}));
        const std::optional<run_journal::Run> after = run_journal::run(connection, runId);
        ASSERT_TRUE(after);
        EXPECT_EQ(after->endReason,
                  resume ? run_journal::EndReason::WindowClosed : run_journal::EndReason::NotResumed);
        host.reset();
        processDeletes();
        clsTEST_INFO info;
        info.ConnectX(connection);
        info.setTEST_NAME("Overnight");
        info.Delete();
        messenger.shown.clear();
    }
}

TEST_F(HostTest, OnlyTheUnitsWithAPortInInitialTxtCanBeAdded) {
    writeFile("initial.txt", "3\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n2\r\n");
    frmMDIRealTime& h = open();
    EXPECT_EQ(h.windowTitle(), "R7716 Real Time Test & Monitoring");
    EXPECT_EQ(h.MenuAddInstrument->title(), "Regular Test");
    EXPECT_EQ(h.MenuAddSimpleTest->title(), "Simple Test");
    EXPECT_EQ(h.MenuWindow->title(), "Window");
    EXPECT_EQ(h.MenuWindowHorizontal->text(), "Tile &Horizontally");
    EXPECT_EQ(h.MenuWindowVertically->text(), "Tile Vertically");
    EXPECT_EQ(h.MenuWindowCascade->text(), "&Cascade");
    EXPECT_EQ(h.MenuExit->text(), "E&xit");
    EXPECT_EQ(h.MenuAdd[8]->text(), "Add R7716 Unit 8");
    EXPECT_EQ(enabledItems(h.MenuAdd), QStringList{"Add R7716 Unit 1"});
    EXPECT_EQ(enabledItems(h.MenuAddSimple), QStringList{"Add R7716 Unit 1"});
    EXPECT_TRUE(messenger.shown.isEmpty());
}

TEST_F(HostTest, AMissingSettingsFileLeavesEveryUnitOffAndSaysSo) {
    frmMDIRealTime& h = open();
    EXPECT_TRUE(enabledItems(h.MenuAdd).isEmpty());
    EXPECT_TRUE(enabledItems(h.MenuAddSimple).isEmpty());
    ASSERT_EQ(messenger.shown.size(), 1);
    EXPECT_TRUE(messenger.shown[0].text.contains("initial.txt"));
}

TEST_F(HostTest, AddingASequenceTestUnitCaptionsItPresetsItsBobPollsAndOpensItsPort) {
    writeFile("initial.txt", " 0 \r\n 0 \r\n 0 \r\n 7 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 1 \r\n");
    writeFile("BOBINFO.TXT", kBobs);
    frmMDIRealTime& h = open();
    h.MenuAdd[4]->trigger();

    frmRealTime* w = h.realTimeWindow(4);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(messenger.shown.isEmpty()) << messenger.texts().join('\n').toStdString();
    EXPECT_EQ(w->windowTitle(), "Unit 4 Real Time Test");
    EXPECT_EQ(w->lblInstName->text(), "Unit 4");
    EXPECT_EQ(w->mlBobStr, "XB2");
    EXPECT_TRUE(w->Timer1->isActive());
    EXPECT_EQ(w->Timer1->interval(), 1000);
    EXPECT_TRUE(w->unit().port().isOpen());
    EXPECT_EQ(units.made, std::set<int>{7}) << "unit 4's port is line 4";
    ASSERT_EQ(h.mdiArea->subWindowList().size(), 1);
    EXPECT_TRUE(h.mdiArea->subWindowList()[0]->isMaximized());
    EXPECT_FALSE(h.MenuAdd[4]->isEnabled());
    EXPECT_TRUE(h.MenuAddSimple[4]->isEnabled()) << "the same unit may also be added as a simple test";

    units.advance(0.5);
    w->Timer1_Timer();
    units.advance(1.0);
    w->Timer1_Timer();
    EXPECT_NEAR(w->txtPressure->text().toDouble(), 300, 3);
}

TEST_F(HostTest, AddingASimpleTestUnitLeavesItsRegularItemAndNeedsNoBobFile) {
    writeFile("initial.txt", kEightUnits);
    frmMDIRealTime& h = open();
    h.MenuAddSimple[2]->trigger();
    frmSimpleTest* w = h.simpleTestWindow(2);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(messenger.shown.isEmpty()) << messenger.texts().join('\n').toStdString();
    EXPECT_EQ(w->windowTitle(), "Unit 2  Simple Test");
    EXPECT_EQ(w->lblInstName->text(), "Unit 2");
    EXPECT_TRUE(w->Timer1->isActive());
    EXPECT_TRUE(w->logic().port().isOpen());
    EXPECT_FALSE(h.mdiArea->subWindowList()[0]->isMaximized());
    EXPECT_FALSE(h.MenuAddSimple[2]->isEnabled());
    EXPECT_TRUE(h.MenuAdd[2]->isEnabled());
}

TEST_F(HostTest, AMissingFileAtAddTimeIsAFormLoadErrorWithItsNumberAndTheStepsDoneStay) {
    writeFile("initial.txt", kEightUnits);
    frmMDIRealTime& h = open();

    h.MenuAdd[5]->trigger();  // no BOBINFO.TXT
    ASSERT_EQ(messenger.shown.size(), 1);
    EXPECT_EQ(messenger.shown[0].title, "Form_Load Error");
    EXPECT_EQ(messenger.shown[0].icon, MsgIcon::Exclamation);
    EXPECT_TRUE(messenger.shown[0].text.startsWith("File not found: "))
        << messenger.shown[0].text.toStdString();
    EXPECT_TRUE(messenger.shown[0].text.endsWith("BOBINFO.TXT - 53"))
        << messenger.shown[0].text.toStdString();
    frmRealTime* w = h.realTimeWindow(5);
    ASSERT_NE(w, nullptr) << "the window made before the failure stays";
    EXPECT_FALSE(w->Timer1->isActive());
    EXPECT_FALSE(w->unit().port().isOpen());
    EXPECT_FALSE(h.MenuAdd[5]->isEnabled());
    w->cmdExit_Click();
    processDeletes();
    EXPECT_TRUE(h.MenuAdd[5]->isEnabled());
    EXPECT_EQ(messenger.shown.size(), 1) << "closing a window without a port raises nothing";

    writeFile("BOBINFO.TXT", "B5\r\nB5\r\nB5\r\n");
    h.MenuAdd[6]->trigger();
    ASSERT_EQ(messenger.shown.size(), 2);
    EXPECT_TRUE(messenger.shown[1].text.endsWith(" - 62")) << messenger.shown[1].text.toStdString();
}

TEST_F(HostTest, APortThatCannotBeOpenedShowsTheServicesDescriptionAndTheWindowStaysSilent) {
    writeFile("initial.txt", kEightUnits);
    writeFile("BOBINFO.TXT", kBobs);
    units.unplugged.insert(3);
    frmMDIRealTime& h = open();
    h.MenuAdd[3]->trigger();
    ASSERT_EQ(messenger.shown.size(), 1);
    EXPECT_EQ(messenger.shown[0].title, "Form_Load Error");
    EXPECT_EQ(messenger.shown[0].text, "simulated unit on port 3: no such device - 8001");
    frmRealTime* w = h.realTimeWindow(3);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->Timer1->isActive());
    for (int i = 0; i < 10; ++i) {
        units.advance(1.0);
        w->Timer1_Timer();
    }
    EXPECT_TRUE(w->txtSampleTemp->text().isEmpty()) << "no readings";
    EXPECT_EQ(w->lblActiveFlag->text(), "No Response");
    EXPECT_EQ(messenger.shown.size(), 1) << "polling a port that is not open shows no error";
    // The ticks log that the port is not open; the log also keeps why.
    QFile log(QString::fromLatin1(DiagnosticLog::kFileName));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(
        QString::fromUtf8(log.readAll())
            .contains(
                "\tUnit 3\tPort 3 could not be opened: simulated unit on port 3: no such device - 8001\n"));
}

TEST_F(HostTest, APortObjectThatCannotBeMadeEndsTheProgramWithTheCreateObjectMessage) {
    writeFile("initial.txt", kEightUnits);
    frmMDIRealTime& h = open();
    h.setPortFactory([](int) { return std::unique_ptr<UnitPort>(); });
    h.MenuAddSimple[1]->trigger();
    ASSERT_EQ(messenger.shown.size(), 1);
    EXPECT_EQ(messenger.shown[0].title, " CreateObject Error");
    EXPECT_EQ(messenger.shown[0].text,
              "Problem starting this unit, please check server or see system administrator.");
    EXPECT_EQ(endProgramCalls, 1);
}

TEST_F(HostTest, ClosingAUnitWindowEnablesItsItemOfThatKindAgainAndClosesItsPort) {
    writeFile("initial.txt", kEightUnits);
    writeFile("BOBINFO.TXT", kBobs);
    frmMDIRealTime& h = open();
    h.MenuAdd[3]->trigger();
    h.MenuAddSimple[3]->trigger();
    ASSERT_EQ(h.mdiArea->subWindowList().size(), 2);
    EXPECT_FALSE(h.MenuAdd[3]->isEnabled());
    EXPECT_FALSE(h.MenuAddSimple[3]->isEnabled());

    h.realTimeWindow(3)->cmdExit_Click();
    processDeletes();
    EXPECT_EQ(h.realTimeWindow(3), nullptr);
    EXPECT_EQ(h.mdiArea->subWindowList().size(), 1);
    EXPECT_TRUE(h.MenuAdd[3]->isEnabled());
    EXPECT_FALSE(h.MenuAddSimple[3]->isEnabled());
    EXPECT_EQ(units.closed, std::set<int>{3});

    h.mdiArea->subWindowList()[0]->close();  // the simple test's close box, its unit idle
    processDeletes();
    EXPECT_TRUE(h.MenuAddSimple[3]->isEnabled());
    EXPECT_TRUE(messenger.shown.isEmpty()) << messenger.texts().join('\n').toStdString();
}

TEST_F(HostTest, ExitClosesEveryUnitWindowButNotWhileASimpleTestRuns) {
    writeFile("initial.txt", kEightUnits);
    writeFile("BOBINFO.TXT", kBobs);
    frmMDIRealTime& h = open();
    h.MenuAdd[1]->trigger();
    h.MenuAdd[2]->trigger();
    h.MenuAddSimple[4]->trigger();
    frmSimpleTest* simple = h.simpleTestWindow(4);
    simple->txtSpeedSet->setText("100");
    simple->cmdStart_Click();
    for (int i = 0; i < 4; ++i) {
        units.advance(1.0);
        simple->Timer1_Timer();
    }
    ASSERT_EQ(simple->logic().unitState(), UnitStatus::RunningTest);

    h.MenuExit->trigger();
    EXPECT_TRUE(h.isVisible());
    EXPECT_EQ(messenger.texts(), QStringList{"Function No Exit unless Units are Stopped"});
    processDeletes();
    EXPECT_EQ(h.mdiArea->subWindowList().size(), 1) << "the others have closed";
    EXPECT_TRUE(h.MenuAdd[1]->isEnabled());

    simple->cmdStop_Click();
    for (int i = 0; i < 3; ++i) {
        units.advance(1.0);
        simple->Timer1_Timer();
    }
    h.MenuExit->trigger();
    processDeletes();
    EXPECT_FALSE(h.isVisible());
    EXPECT_TRUE(h.mdiArea->subWindowList().isEmpty());
    EXPECT_EQ(units.closed, (std::set<int>{1, 2, 4}));
}

TEST_F(HostTest, TileAndCascadeArrangeEveryUnitWindow) {
    writeFile("initial.txt", kEightUnits);
    writeFile("BOBINFO.TXT", kBobs);
    frmMDIRealTime& h = open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&h));
    h.MenuAdd[1]->trigger();
    h.MenuAddSimple[2]->trigger();
    const QRect area = h.mdiArea->viewport()->rect();
    const QList<QMdiSubWindow*> subs = h.mdiArea->subWindowList();
    ASSERT_EQ(subs.size(), 2);

    h.MenuWindowVertically->trigger();
    EXPECT_EQ(subs[0]->geometry(), QRect(0, 0, area.width() / 2, area.height()));
    EXPECT_EQ(subs[1]->geometry().left(), area.width() / 2);
    EXPECT_EQ(subs[1]->geometry().height(), area.height());
    EXPECT_FALSE(subs[0]->isMaximized());

    h.MenuWindowHorizontal->trigger();
    EXPECT_EQ(subs[0]->geometry(), QRect(0, 0, area.width(), area.height() / 2));
    EXPECT_EQ(subs[1]->geometry().top(), area.height() / 2);
    EXPECT_EQ(subs[1]->geometry().width(), area.width());

    h.MenuWindowCascade->trigger();
    EXPECT_NE(subs[0]->geometry().topLeft(), subs[1]->geometry().topLeft());
    EXPECT_FALSE(subs[0]->isMaximized());
    EXPECT_FALSE(subs[1]->isMaximized());
}

}  // namespace
