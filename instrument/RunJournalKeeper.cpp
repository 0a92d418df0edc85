#include "instrument/RunJournalKeeper.h"

#include "store/RecordingLock.h"

#include <QDateTime>

void RunJournalKeeper::begin(const RunContext& context, const StoredSequence& sequence) {
    run_journal::Run run;
    run.testId = context.testId;
    run.unit = context.unitNumber;
    run.station = store::Recorder::thisProgram(context.unitNumber).station;
    run.sequenceId = sequence.id;
    run.sequenceName = sequence.name;
    run.started = QDateTime::currentDateTime();
    run.context = journalText(context, sequence);
    runId_ = run_journal::begin(connection_, run);
    saved_ = checkpointOf(context);
    savedAt_s_ = context.elapsed_s;
}

void RunJournalKeeper::adopt(qint64 runId, const RunContext& context) {
    runId_ = runId;
    saved_ = checkpointOf(context);
    savedAt_s_ = context.elapsed_s;
}

run_journal::Save RunJournalKeeper::make(const RunContext& context, const StoredSequence& sequence,
                                         run_journal::EndReason end) {
    saved_ = checkpointOf(context);
    savedAt_s_ = context.elapsed_s;
    return {runId_, journalText(context, sequence), QDateTime::currentDateTime(), end};
}

std::optional<run_journal::Save> RunJournalKeeper::withReading(const RunContext& context,
                                                               const StoredSequence& sequence) {
    if (runId_ == 0) return std::nullopt;
    return make(context, sequence);
}

std::optional<run_journal::Save> RunJournalKeeper::due(const RunContext& context,
                                                       const StoredSequence& sequence) {
    if (runId_ == 0) return std::nullopt;
    if (checkpointOf(context) == saved_ && context.elapsed_s - savedAt_s_ < kSignOfLife_s)
        return std::nullopt;
    return make(context, sequence);
}

std::optional<run_journal::Save> RunJournalKeeper::ending(const RunContext& context,
                                                          const StoredSequence& sequence,
                                                          run_journal::EndReason reason) {
    if (runId_ == 0) return std::nullopt;
    const run_journal::Save save = make(context, sequence, reason);
    runId_ = 0;
    return save;
}
