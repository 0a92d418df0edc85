// The run journal on each engine: a reading and its run's context stored in one transaction, a run that is
// interrupted only while nobody records it and it has no end, its gaps, and its rows going with the test.
#include "StoreFixture.h"
#include "store/ReadingWriter.h"
#include "store/RecordingLock.h"
#include "store/RunJournal.h"
#include "support/StoredTestBuilder.h"

#include <QDateTime>

class RunJournals : public EngineStore {};

TEST_P(RunJournals, AReadingCarriesItsRunsContextAndAnUnendedRunWithoutItsRecorderIsInterrupted) {
    const double id = stored_test::store(connection, stored_test::rampsOneAndThree("Gel"));
    const QDateTime start = QDateTime::currentDateTime().addSecs(-600);
    const qint64 runId = run_journal::begin(connection, {.testId = id,
                                                         .unit = 2,
                                                         .station = "lab-pc-2",
                                                         .sequenceId = 7,
                                                         .sequenceName = "Borate",
                                                         .started = start});
    auto lock =
        store::RecordingLock::take(connection, static_cast<int>(id), {.station = "lab-pc-2", .unit = 2});
    const run_journal::Save save{.runId = runId, .context = "{\"ramp\":3}", .at = start.addSecs(300)};
    Reading reading;
    reading.rampNo = 3;
    reading.time_s = 300;
    makeReadingWriter(connection)->write(id, reading, &save);
    EXPECT_EQ(count("TEST_RESULT"), 13);
    EXPECT_TRUE(run_journal::interrupted(connection, "Gel", 2) == std::nullopt) << "its recorder holds it";

    lock.reset();  // the program died
    const std::optional<run_journal::Run> found = run_journal::interrupted(connection, "Gel", 2);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->context, save.context);
    EXPECT_EQ(found->lastSeen.toSecsSinceEpoch(), save.at.toSecsSinceEpoch());
    EXPECT_EQ(found->sequenceName, "Borate");
    EXPECT_EQ(found->station, "lab-pc-2");

    run_journal::resumed(connection, runId, {300, 900}, QDateTime::currentDateTime());
    run_journal::end(connection, runId, run_journal::EndReason::SequenceEnd, QDateTime::currentDateTime());
    EXPECT_TRUE(run_journal::interrupted(connection, "Gel", 2) == std::nullopt) << "it has ended";
    EXPECT_EQ(run_journal::gapsOf(connection, id), (std::vector<TimeGap>{{300, 900}}));
    EXPECT_EQ(run_journal::run(connection, runId)->endReason, run_journal::EndReason::SequenceEnd);

    clsTEST_INFO info;
    info.ConnectX(connection);
    info.setTEST_NAME("Gel");
    info.Delete();
    EXPECT_EQ(count("RUN_JOURNAL"), 0) << "the journal goes with its test";
}

INSTANTIATE_ON_BOTH_ENGINES(RunJournals);
