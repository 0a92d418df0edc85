// r7716-cli runs and end-run: the run journal as the resumption question of the windows reads it.

#include "cli/Commands.h"
#include "instrument/TestRunEngine.h"
#include "store/RecordingLock.h"
#include "store/RunJournal.h"
#include "store/StoreError.h"
#include "store/clsConnection.h"

#include <QTextStream>

namespace cli {

const char* const kRunsHelp =
    "Usage: r7716-cli runs [--interrupted]\n"
    "\n"
    "Lists the runs of the run journal of the database, newest first: one line per run started on a unit\n"
    "(by a unit window or r7716-cli run), tab-separated: test, unit, station, sequence, start, last seen\n"
    "(times as YYYY-MM-DD HH:MM:SS), and its end: how it ended and when (\"sequence end\", \"stop\",\n"
    "\"viscosity shut-down\", \"pressure refusal\", \"window closed\", \"exit\", \"not resumed\", \"test\n"
    "deleted\", \"sequence shortened\", each followed by a blank and its time), \"recording\" while a\n"
    "program records it, or \"interrupted\" when its program stopped without ending it (r7716-cli resume\n"
    "goes on with it, r7716-cli end-run ends it). With --interrupted only the interrupted runs.\n";

const char* const kEndRunHelp =
    "Usage: r7716-cli end-run [--] TEST\n"
    "\n"
    "Ends the interrupted run of the test TEST (on any unit) as it is, without resuming it: the journal\n"
    "then says \"not resumed\", and no window offers it again. The readings stored stay the test's.\n"
    "\n"
    "Exit status 0 when a run was ended; 1 when the test is being recorded; 2 when TEST has no interrupted\n"
    "run.\n";

namespace {

QString timeText(const QDateTime& time) {
    return time.isValid() ? time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
}

}  // namespace

int runs(const Invocation& call) {
    const bool interruptedOnly = call.options.has("--interrupted");
    for (const run_journal::Run& r : run_journal::runs(call.database(), interruptedOnly)) {
        QString end = run_journal::reasonText(r.endReason) + u' ' + timeText(r.ended);
        if (!r.isEnded())
            end = store::RecordingLock::recorderOf(call.database(), static_cast<int>(r.testId))
                      ? QStringLiteral("recording")
                      : QStringLiteral("interrupted");
        call.out << QStringList{field(r.testName),
                                QString::number(r.unit),
                                field(r.station),
                                field(r.sequenceName),
                                timeText(r.started),
                                timeText(r.lastSeen),
                                end}
                        .join(u'\t')
                 << '\n';
    }
    return kOk;
}

std::optional<QString> recordedNow(clsConnection& database, const QString& testName) {
    if (!run_journal::openRunOf(database, testName)) return std::nullopt;
    const std::optional<store::Recorder> recorder = store::RecordingLock::recorderOf(database, testName);
    if (!recorder) return std::nullopt;
    return QStringLiteral("the test \"%1\" is being recorded (%2); its run goes on.")
        .arg(field(testName), recorder->describe());
}

int endRun(const Invocation& call) {
    const QString& name = call.name();
    bool any = false;
    for (const run_journal::Run& r : run_journal::runs(call.database(), true)) {
        if (r.testName != name) continue;
        try {
            TestRunEngine::endWithoutResuming(call.database(), r);
        } catch (const StoreError& e) {
            // A resumption took the run over since it was listed.
            if (e.number() != StoreError::kBeingRecorded) throw;
            return failure(call.err, e.description(), kDatabaseError);
        }
        call.out << "Ended the run of \"" << field(name) << "\" on unit " << r.unit << " as it is.\n";
        any = true;
    }
    if (any) return kOk;
    if (const std::optional<QString> recorded = recordedNow(call.database(), name))
        return failure(call.err, *recorded, kDatabaseError);
    return failure(call.err, QStringLiteral("\"%1\" has no interrupted run.").arg(field(name)), kNotFound);
}

}  // namespace cli
