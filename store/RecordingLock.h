#pragma once

#include "store/StoreError.h"

#include <QElapsedTimer>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class clsConnection;

namespace store {

// Who records a test: the station (its host name) and the unit; on the file also the program and its
// process.
struct Recorder {
    QString station;
    int unit = 0;  // 0 when not known
    QString program;
    qint64 pid = 0;

    // This program, recording on the unit.
    static Recorder thisProgram(int unit);
    // "unit 3 on station lab-pc-2", as far as it is known.
    QString describe() const;
};

// The lock a live run holds on its test while it records it, so that no program deletes the test under
// it (clsTEST_INFO::Delete refuses, StoreError::kBeingRecorded). The operating system or the server lets
// the lock go by itself when the recorder dies, however it dies:
//  - on the file: an flock(2) lock on "<database>-recording-<TEST_ID>.lock" beside the database, the file
//    naming the recorder. A file left behind by a crash is held by nobody and takes no cleaning up.
//  - on a server: a session advisory lock (kServerLockClass, TEST_ID) on a connection of the lock's own,
//    whose application_name names the recorder (pg_locks, pg_stat_activity). It must not share the
//    program's connection, on which a deletion by the same program would be granted the lock. A session
//    lock goes with its session: keep() takes it again once the server is back.
class RecordingLock {
    class FileHold;
    class ServerHold;

  public:
    static constexpr int kServerLockClass = 7716;
    static constexpr const char* kFileSuffix = "-recording-%1.lock";
    // How long a server that could not be reached is left alone before keep() asks again.
    static constexpr int kRetryInterval_ms = 15000;

    // The lock of the test for the recorder, not taken yet: keep() takes it.
    RecordingLock(clsConnection& connection, int testId, const Recorder& recorder);
    ~RecordingLock();
    RecordingLock(const RecordingLock&) = delete;
    RecordingLock& operator=(const RecordingLock&) = delete;

    // Takes the lock of the test for the recorder. Raises StoreError kBeingRecorded when another program
    // holds it, and another StoreError when it cannot be taken (no database, a server away).
    static std::unique_ptr<RecordingLock> take(clsConnection& connection, int testId,
                                               const Recorder& recorder);

    // Makes sure the lock is held: takes it when it is not (on a server, when its session has gone), but
    // not while the program's own connection is known lost, nor sooner than kRetryInterval_ms after a
    // failed attempt. Raises StoreError when it is not held and could not be taken now.
    void keep();
    bool held() const;
    int testId() const { return testId_; }

    // Who records the test now; nothing when nobody does.
    static std::optional<Recorder> recorderOf(clsConnection& connection, int testId);
    // The same for the tests of that exact name (one, but an old file may hold several).
    static std::optional<Recorder> recorderOf(clsConnection& connection, const QString& testName);

    // The refusal to delete a test that is being recorded; one place builds its text.
    static StoreError beingRecorded(const QString& testName, const std::optional<Recorder>& recorder);

    // Held by a deletion inside its transaction: the lock of every test of the name, taken so that no run
    // can begin to record it meanwhile; let go when the guard ends (on a server with the transaction).
    class DeletionGuard {
      public:
        DeletionGuard();
        DeletionGuard(DeletionGuard&&) noexcept;
        ~DeletionGuard();

      private:
        friend class RecordingLock;
        std::vector<std::unique_ptr<FileHold>> holds_;
    };
    // Raises beingRecorded() when a test of the name is being recorded. Call it inside the transaction
    // that deletes.
    static DeletionGuard guardDeletion(clsConnection& connection, const QString& testName);

  private:
    void takeNow();

    clsConnection& connection_;
    int testId_;
    Recorder recorder_;
    std::unique_ptr<FileHold> file_;
    std::unique_ptr<ServerHold> server_;
    QElapsedTimer lastFailure_;
};

}  // namespace store
