// "Retrieve Last Result" without the window: the exchange stepped as the window's timer steps it, into a
// real database file; a failed transfer stores nothing.

#include "instrument/RealTimeUnit.h"
#include "store/clsConnection.h"
#include "store/clsTEST_ADDITIVE.h"
#include "store/clsTEST_INFO.h"
#include "store/clsTEST_RESULT.h"
#include "support/FakeUnitPort.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedMessenger.h"
#include "support/TempWorkDir.h"

#include <gtest/gtest.h>

#undef EOF  // the record classes' EOF(), not the C library's macro

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
        port->script.clear();
        port->script.append(pieces);
        port->sent.clear();
        port->delays.clear();
        for (auto wait = unit->retrieveData([&](const auto& bob) { return bob ? std::nullopt : info; }); wait;
             wait = unit->continueExchange())
            port->delay(*wait);
        EXPECT_FALSE(unit->exchangeRunning());
    }

    double testId(const QString& name) {
        clsTEST_INFO info;
        info.ConnectX(connection);
        info.setTEST_NAME(name);
        info.GetTestDetail();
        return info.Test_Id();
    }
    std::vector<clsTEST_RESULT::Row> readings(const QString& name) {
        clsTEST_RESULT r;
        r.ConnectX(connection);
        r.setTest_Id(static_cast<int>(testId(name)));
        r.GetTestDetail();
        return r.rTestResult();
    }
    int additives(const QString& name) {
        clsTEST_ADDITIVE a;
        a.ConnectX(connection);
        a.setTESTId(testId(name));
        a.GetSeqDetail();
        int n = 0;
        if (!a.IsEmpty())
            for (a.MoveFirst(); !a.EOF(); a.MoveNext()) ++n;
        return n;
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
    const auto rows = readings("Example");
    ASSERT_EQ(rows.size(), 1u);
    using C = TestResultColumn;
    const auto& r = rows[0];
    EXPECT_EQ((std::vector<double>{r[C::RAMP_NO], r[C::RAMP_STEP_NO], r[C::RESULT_TIME],
                                   r[C::RESULT_SAMPLE_TEMP], r[C::RESULT_BATH_TEMP], r[C::RESULT_TYPE_ID]}),
              (std::vector<double>{1, 0, 60, 150, 152, 0}));
    EXPECT_TRUE(messenger.shown.isEmpty());
    EXPECT_EQ(unit->statusBar().message, "1 reading retrieved as test \"Example\".");
    EXPECT_EQ(unit->takeRetrieval()->testId, testId("Example"));
}

TEST_F(Retrieval, WhatCameIsStoredWholeOrNotAtAll) {
    const QString kCommunication = "Communication error from R7716, please download data again.";
    const QByteArray at60 = wire("1,0,60,150,152,0,0,0,0|"), at120 = wire("1,0,120,150,152,0,0,0,0|"),
                     end = wire("$");
    struct Case {
        const char* name;
        QList<QByteArray> pieces;
        int additives;
        int stored;  // -1: no test row either
        QString message;
        bool communication;  // titled "Communication Error", else the window's title
    };
    const Case cases[] = {
        {"twenty additives", {at60 + at120 + end}, 20, 2, "", false},
        {"a short record in the middle",
         {at60 + wire("1,0|"), at120 + end},
         0,
         2,
         "2 readings retrieved as test \"a short record in the middle\". 1 record from R7716 had fewer than "
         "nine fields and was left out.",
         false},
        {"a transfer without its end byte", {at60}, 3, -1, kCommunication, true},
        {"a transfer cut by a pause", {at60, "", end}, 0, -1, kCommunication, true},
        {"a silent unit", {}, 0, -1, "No response from R7716, please check connection.", true},
        {"a unit holding no test", {end}, 0, -1, "R7716 sent no reading; no test was stored.", false},
        {"a lost port", {}, 0, -1, kCommunication + "\nfake: device lost - 8012", true},
    };
    for (const Case& c : cases) {
        messenger.shown.clear();
        port->lost = QByteArray(c.name) == "a lost port";
        retrieve(infoNamed(c.name, c.additives), c.pieces);
        if (c.stored < 0) EXPECT_EQ(testId(c.name), 0) << c.name;
        if (c.stored >= 0) EXPECT_EQ(readings(c.name).size(), size_t(c.stored)) << c.name;
        if (c.stored >= 0) EXPECT_EQ(additives(c.name), c.additives) << c.name;
        EXPECT_EQ(messenger.texts(), c.message.isEmpty() ? QStringList{} : QStringList{c.message}) << c.name;
        if (!messenger.shown.isEmpty())
            EXPECT_EQ(messenger.shown[0].title, c.communication ? "Communication Error" : "Unit 1") << c.name;
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
    EXPECT_EQ(readings("TAKEN").size(), 0u);
    EXPECT_EQ(messenger.texts(),
              QStringList{"Duplicate test name. Please input unique test name.\nNothing was "
                          "stored; please retrieve the result again."});
}

TEST_F(Retrieval, NothingIsAskedOrSentWhileATestRunsOrWhenTheOperatorCancels) {
    unit->run().state = RunState::TemperatureRamp;
    retrieve(infoNamed("During a run"), {});
    EXPECT_EQ(messenger.texts(), QStringList{RealTimeUnit::kRetrieveWhileRunningText});
    unit->run().state = RunState::Idle;
    retrieve(std::nullopt, {});
    EXPECT_TRUE(port->sent.isEmpty());
    EXPECT_EQ(messenger.shown.size(), 1);
}

}  // namespace
