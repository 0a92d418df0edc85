#pragma once

#include "instrument/RunContext.h"
#include "store/RunJournal.h"

#include <optional>
#include <tuple>

class clsConnection;

// The journal row of the engine's run: made at the start (or taken over by a resumption), and the saves of
// the run's context the engine hands to its reading writer: one with every stored reading, one when the
// ramp, the step or the state changed, one as a sign of life when nothing was saved for a minute, and the
// last one with the run's end.
class RunJournalKeeper {
  public:
    static constexpr qint64 kSignOfLife_s = 60;

    explicit RunJournalKeeper(clsConnection& connection) : connection_(connection) {}

    // Makes the row of a new run on its unit; raises StoreError when the journal cannot take it.
    void begin(const RunContext& context, const StoredSequence& sequence);
    // Goes on writing the row of a resumed run.
    void adopt(qint64 runId, const RunContext& context);
    // No row any more (the run ended).
    void clear() { runId_ = 0; }
    qint64 runId() const { return runId_; }

    // The save that goes with a reading stored now; nothing without a row.
    std::optional<run_journal::Save> withReading(const RunContext& context, const StoredSequence& sequence);
    // A save of its own when one is due (the ramp, step or state changed, or a minute passed).
    std::optional<run_journal::Save> due(const RunContext& context, const StoredSequence& sequence);
    // The last save, with the end.
    std::optional<run_journal::Save> ending(const RunContext& context, const StoredSequence& sequence,
                                            run_journal::EndReason reason);

  private:
    using Checkpoint = std::tuple<RunState, RunContext::Phase, int, int>;
    static Checkpoint checkpointOf(const RunContext& c) {
        return {c.state, c.phase, c.rampIndex, c.stepIndex};
    }
    run_journal::Save make(const RunContext& context, const StoredSequence& sequence,
                           run_journal::EndReason end = run_journal::EndReason::None);

    clsConnection& connection_;
    qint64 runId_ = 0;
    Checkpoint saved_{};
    qint64 savedAt_s_ = 0;
};
