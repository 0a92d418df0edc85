// The recording lock of a live run on each engine: who holds it, the deletion it refuses, a lock that its
// holder let go or lost by dying, and on a server a session that went and the lock taken again.
#include "StoreFixture.h"
#include "store/RecordingLock.h"
#include "support/StoredTestBuilder.h"

using store::Recorder;
using store::RecordingLock;

class RecordingLocks : public EngineStore {
  protected:
    const Recorder unit3{.station = "lab-pc-2", .unit = 3};
};

TEST_P(RecordingLocks, ATestBeingRecordedNamesItsRecorderAndRefusesDeletionUntilTheLockIsLetGo) {
    const int id = static_cast<int>(stored_test::store(connection, stored_test::rampsOneAndThree("Gel")));
    if (GetParam() == Engine::Sqlite) {
        // What a recorder that crashed left behind is held by nobody.
        QFile stale(connection.FilePath() + QStringLiteral("-recording-%1.lock").arg(id));
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly) && stale.write("station=gone\nunit=5\n") > 0);
    }
    EXPECT_FALSE(RecordingLock::recorderOf(connection, id));
    std::unique_ptr<RecordingLock> lock = RecordingLock::take(connection, id, unit3);
    const std::optional<Recorder> holder = RecordingLock::recorderOf(connection, QStringLiteral("Gel"));
    ASSERT_TRUE(holder);
    EXPECT_EQ(holder->describe(), "unit 3 on station lab-pc-2");

    clsTEST_INFO info;
    info.ConnectX(connection);
    info.setTEST_NAME("Gel");
    try {
        info.Delete();
        ADD_FAILURE() << "a test being recorded was deleted";
    } catch (const StoreError& e) {
        EXPECT_EQ(e.number(), StoreError::kBeingRecorded);
        EXPECT_EQ(e.description(), RecordingLock::beingRecorded("Gel", unit3).description());
        EXPECT_TRUE(
            e.description().startsWith("The test \"Gel\" is being recorded by unit 3 on station lab-pc-2"));
    }
    EXPECT_EQ(count("TEST_INFO"), 1);
    EXPECT_EQ(count("TEST_RESULT"), 12);
    EXPECT_EQ(count("TEST_ADDITIVE"), 2);
    EXPECT_THROW(RecordingLock::take(connection, id, unit3), StoreError) << "one recorder at a time";

    lock.reset();
    EXPECT_FALSE(RecordingLock::recorderOf(connection, id));
    info.Delete();
    EXPECT_EQ(count("TEST_INFO") + count("TEST_RESULT") + count("TEST_ADDITIVE"), 0);
    if (GetParam() == Engine::Sqlite) EXPECT_EQ(QDir(dir.path()).entryList({"*.lock"}), QStringList());
}

INSTANTIATE_ON_BOTH_ENGINES(RecordingLocks);

class ServerRecordingLock : public ServerStore {};

// A server restart or a broken network ends the lock's session, and the lock with it. The termination is
// waited for: the lock goes only once the session has ended.
TEST_F(ServerRecordingLock, ALockWhoseSessionWentIsTakenAgainByKeep) {
    const int id = static_cast<int>(stored_test::store(connection, {"Gel"}));
    RecordingLock lock(connection, id, {.station = "lab-pc-2", .unit = 3});
    lock.keep();
    sql(QStringLiteral(
            "SELECT pg_terminate_backend(pid, 10000) FROM pg_locks WHERE locktype = 'advisory' AND "
            "classid = %1 AND objid = %2 AND database = (SELECT oid FROM pg_database WHERE datname = "
            "current_database())")
            .arg(RecordingLock::kServerLockClass)
            .arg(id));
    EXPECT_FALSE(RecordingLock::recorderOf(connection, id));
    lock.keep();
    EXPECT_TRUE(lock.held());
    EXPECT_EQ(RecordingLock::recorderOf(connection, id).value_or(Recorder{}).unit, 3);
}
