// "Retrieve Last Result" without the window: the exchange stepped as the window's timer steps it, into a
// real database file; a failed transfer stores nothing. (Silence and a short record from the simulator are
// driven end to end through r7716-cli retrieve.)

#include "analysis/OpenTest.h"
#include "instrument/RealTimeUnit.h"
#include "store/clsConnection.h"
#include "store/clsTEST_INFO.h"
#include "support/FakeUnitPort.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedMessenger.h"
#include "support/TempWorkDir.h"
#include "testinfo/BobTable.h"
#include "testinfo/TestInfoInput.h"

#include <gtest/gtest.h>

namespace {

// "|" stands for the record end byte 3 and "$" for the transfer end byte 2.
QByteArray wire(const char* text) {
    return QByteArray(text).replace('|', char(3)).replace('$', char(2));
}

TestInfoInput infoNamed(const QString& name, int additives = 0) {
    TestInfoInput in;
    in.testName = name;
    for (int i = 1; i <= additives; ++i)
        in.additives.append({QStringLiteral("A%1").arg(i), 1.0 * i, "%", "L"});
    return in;
}

class Retrieval : public ::testing::Test {
  protected:
    Retrieval() {
        connection.OpenDB();
        messenger.shown.clear();  // the new database is announced
        auto owned = std::make_unique<FakeUnitPort>();
        port = owned.get();
        unit = std::make_unique<RealTimeUnit>(std::move(owned), messenger);
        unit->InitialInst(connection);
        unit->setMessageTitle("Unit 1");
        unit->openPort(1);
    }

    // Presses the button, the dialog answering `info`, and lets each wait pass as the window's timer does.
    void retrieve(std::optional<TestInfoInput> info, const QList<QByteArray>& pieces) {
        port->script = QQueue<QByteArray>(pieces);
        port->sent.clear();
        port->delays.clear();
        for (auto wait = unit->retrieveData([&](const auto& bob) { return bob ? std::nullopt : info; }); wait;
             wait = unit->continueExchange())
            port->delay(*wait);
        EXPECT_FALSE(unit->exchangeRunning());
    }

    // The stored test as the main window opens it; not open when no test row is stored.
    OpenedTest stored(const QString& name) {
        return OpenStoredTest(connection, name, ChartDataOption::All, UnitSystem::CGS);
    }

    TempWorkDir dir;
    ScriptedMessenger messenger;
    clsConnection connection{&messenger};
    FakeUnitPort* port;
    std::unique_ptr<RealTimeUnit> unit;
};

TEST_F(Retrieval, TheOneRecordExampleBecomesOneStoredReading) {
    retrieve(infoNamed("Example"), {wire("1,0,60,150,152,0,0,0,0|$")});
    EXPECT_EQ(port->sent, QList<QByteArray>{QByteArray("\x01\x1a")});
    EXPECT_EQ(port->delays, (QList<double>{2.0, 0.5}));
    const Reading example{.rampNo = 1, .time_s = 60, .sampleTemp_F = 150, .bathTemp_F = 152};
    EXPECT_EQ(stored("Example").readings, std::vector<Reading>{example});
    EXPECT_TRUE(messenger.shown.isEmpty());
    EXPECT_EQ(unit->statusBar().message, "1 reading retrieved as test \"Example\".");
}

TEST_F(Retrieval, TheWindowShowsStressesForTheBobChosenInTheDialogAsAfterAStart) {
    TestInfoInput b1 = infoNamed("On B1");
    b1.bobNo = "B1";
    b1.bobRadius_cm = 1.7245;
    b1.bobEffLength_cm = 7.62;
    retrieve(b1, {wire("1,0,60,150,152,0,0,0,0|$")});
    port->arrive(QByteArray("1,250,252,250,300.00,100,400,511.1,0\x1a"));
    unit->tick();
    EXPECT_DOUBLE_EQ(unit->readings().shearStress, 100 * bobs::bobStressFactor(1.7245, 7.62));
}

TEST_F(Retrieval, WhatCameIsStoredWholeOrNotAtAll) {
    const QString kCommunication = "Communication error from R7716, please download data again.";
    const QByteArray at60 = wire("1,0,60,150,152,0,0,0,0|"), end = wire("$");
    struct Case {
        const char* name;
        QList<QByteArray> pieces;
        int additives;
        int stored;  // -1: no test row either
        QString message;
        const char* title;
    };
    const Case cases[] = {
        {"20 additives",
         {at60 + wire("1,0|") + at60 + end},
         20,
         2,
         "2 readings retrieved as test \"20 additives\". 1 record from R7716 had fewer than nine fields and "
         "was left out.",
         "Unit 1"},
        {"a transfer without its end byte", {at60}, 3, -1, kCommunication, "Communication Error"},
        {"a transfer cut by a pause", {at60, "", end}, 0, -1, kCommunication, "Communication Error"},
        {"a unit holding no test", {end}, 0, -1, "R7716 sent no reading; no test was stored.", "Unit 1"},
        {"a lost port", {}, 0, -1, kCommunication + "\nfake: device lost - 8012", "Communication Error"},
    };
    for (const Case& c : cases) {
        messenger.shown.clear();
        port->lost = QByteArray(c.name) == "a lost port";
        retrieve(infoNamed(c.name, c.additives), c.pieces);
        const OpenedTest test = stored(c.name);
        EXPECT_EQ(test.isOpen() ? int(test.readings.size()) : -1, c.stored) << c.name;
        if (test.isOpen()) EXPECT_EQ(test.additives.size(), c.additives) << c.name;
        ASSERT_EQ(messenger.texts(), QStringList{c.message}) << c.name;
        EXPECT_EQ(messenger.shown[0].title, c.title) << c.name;
    }
}

TEST_F(Retrieval, ANameStoredWhileTheUnitWasSendingIsRefusedAndNothingStored) {
    port->script.enqueue(wire("1,0,60,150,152,0,0,0,0|$"));
    UnitExchange::Next wait = unit->retrieveData([](const auto&) { return infoNamed("Taken"); });
    EXPECT_FALSE(unit->retrieveData([](const auto&) { return infoNamed("Second"); })) << "one at a time";
    clsTEST_INFO other;  // another window stores the name meanwhile
    other.ConnectX(connection);
    other.SetDefaults();
    other.setTEST_NAME("TAKEN");
    other.AddNew();
    for (; wait; wait = unit->continueExchange()) port->delay(*wait);
    EXPECT_TRUE(stored("TAKEN").readings.empty());
    EXPECT_EQ(messenger.texts(),
              QStringList{"Duplicate test name. Please input unique test name.\nNothing was "
                          "stored; please retrieve the result again."});
}

TEST_F(Retrieval, NothingIsAskedOrSentWhileATestRunsOrWhenTheOperatorCancels) {
    unit->setRunActive(true);
    retrieve(infoNamed("During a run"), {});
    EXPECT_EQ(messenger.texts(), QStringList{RealTimeUnit::kRetrieveWhileRunningText});
    unit->setRunActive(false);
    retrieve(std::nullopt, {});
    EXPECT_TRUE(port->sent.isEmpty());
    EXPECT_EQ(messenger.shown.size(), 1);
}

}  // namespace
