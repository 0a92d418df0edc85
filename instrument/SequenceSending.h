#pragma once

#include "link/SequenceDownload.h"
#include "link/UnitPort.h"
#include "sequence/SequenceData.h"

#include <QByteArray>
#include <QString>

class SequenceStore;

// A stored sequence on its way to a unit, as the sequence-test window and r7716-cli send it: loaded as the
// run uses it, checked against what the wire can carry, and downloaded (announce, body, a wait, one
// read that must end in "x").
namespace SequenceSending {

// The ramp count and the step count travel as two digits, and so do the ramp and step numbers: a 100th ramp
// or step would be read by the unit as a different sequence.
constexpr int kMaxWireCount = 99;

// The sequence of that name as a unit window loads it: settings, ramps in RAMP_NO order, steps in
// RAMP_STEP_NO order, and the sample interval raised to sample rate x points averaged when that is larger.
// found is false when no sequence of that name is stored. Database failures come out as StoreError.
StoredSequence load(SequenceStore& store, const QString& name);

// Why the sequence cannot be sent (more than 99 ramps or steps); empty when it can.
QString refusal(const StoredSequence& sequence);

// The bytes sent after the announce.
QByteArray body(const StoredSequence& sequence);

// The download exchange of the sequence (announce, body, the wait of SequenceDownload::kWait_s, then
// everything the unit sent must end in "x"), for a window to drive.
SequenceDownload::Exchange exchange(const StoredSequence& sequence);
// The same exchange waiting on the port (r7716-cli): true when acknowledged. Nothing is thrown.
bool download(UnitPort& port, const StoredSequence& sequence);

}  // namespace SequenceSending
