#pragma once

#include "common/TimeGaps.h"

#include <QDateTime>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

class clsConnection;

namespace store {
struct TableSchema;
}

// The run journal: one row per run started on a unit, in a table of its own (RUN_JOURNAL) beside the six.
// It says which test ran where (station, unit), on which sequence, since when, when the run was last seen
// alive, and how and when it ended; and it keeps the run's context as the run engine saves it (after every
// stored reading, in the same transaction, and after every ramp or step change), so that a run whose
// program stopped can be resumed. A run whose end is empty and whose test's recording lock is free is
// interrupted: its program went away without ending it.
//
// The journal row also lists the gaps of its test's timeline: where the run was away between the last
// reading before it stopped and its resumption, so that charts break their lines there.
namespace run_journal {

// How a run ended, as the journal keeps it.
enum class EndReason {
    None,               // not ended (running, or interrupted)
    SequenceEnd,        // after its last ramp
    Stop,               // the Stop button, or r7716-cli run interrupted
    ViscosityShutDown,  // the average viscosity fell below the shut-down viscosity
    PressureRefusal,    // the start was refused for lack of pressure
    WindowClosed,       // the unit window closed while the unit went on
    Exit,               // the program ended while the unit went on
    NotResumed,         // an interrupted run that the operator ended without resuming
    TestDeleted,        // the test was deleted under the run
    SequenceShortened,  // a refreshed sequence had fewer ramps than the run had reached
};
// The words the journal stores and prints ("sequence end", "stop", ...); empty for None.
QString reasonText(EndReason reason);
EndReason reasonOf(const QString& text);

// A gap in a test's timeline: no reading exists between these RESULT_TIMEs (seconds since the start).
using Gap = TimeGap;

struct Run {
    qint64 runId = 0;
    double testId = 0;
    QString testName;  // of the test row; empty when the test is no longer stored
    int unit = 0;
    QString station;
    double sequenceId = 0;
    QString sequenceName;
    QDateTime started;
    QDateTime lastSeen;
    QDateTime ended;  // invalid while not ended
    EndReason endReason = EndReason::None;
    QString context;  // the run engine's saved context (its own text)
    std::vector<Gap> gaps;

    bool isEnded() const { return endReason != EndReason::None; }
};

// One save of a run's context: the row's context and its last-seen time, and its end when it ended.
struct Save {
    qint64 runId = 0;
    QString context;
    QDateTime at;
    EndReason end = EndReason::None;
};

// The table, created when missing with the store's other tables of their own.
const store::TableSchema& table();

// A new run of the test on the unit; returns its RUN_ID.
qint64 begin(clsConnection& connection, const Run& run);
// Writes the save into its row (inside the caller's transaction when one is open); a save with an end
// ends the run unless it has ended already.
void save(clsConnection& connection, const Save& save);
// Ends the run; nothing when it has ended already.
void end(clsConnection& connection, qint64 runId, EndReason reason, const QDateTime& when);
// The run goes on after a gap: its end is cleared, the gap added, the time it was seen set.
void resumed(clsConnection& connection, qint64 runId, const Gap& gap, const QDateTime& when);

// Every run, newest first; with interruptedOnly, only the interrupted ones (of any station).
std::vector<Run> runs(clsConnection& connection, bool interruptedOnly = false);
std::optional<Run> run(clsConnection& connection, qint64 runId);
// The interrupted run of the test on the unit, when there is one.
std::optional<Run> interrupted(clsConnection& connection, const QString& testName, int unit);
// The newest run of the test of that name that is not ended (interrupted or still running).
std::optional<Run> openRunOf(clsConnection& connection, const QString& testName);
// The runs of a test, oldest first; none when the database has no journal (an older file open read-only).
std::vector<Run> runsOfTest(clsConnection& connection, double testId);
// Stores a run as it is (a copy's, for the test testId of this database); returns its new RUN_ID.
qint64 copy(clsConnection& connection, const Run& run, double testId);
// The gaps of a test's timeline, in time order, over all its runs.
std::vector<Gap> gapsOf(clsConnection& connection, double testId);
// Removes the runs of the tests of that exact name (with the tests, inside the caller's transaction).
void removeOfTestsNamed(clsConnection& connection, const QString& testName);

}  // namespace run_journal
