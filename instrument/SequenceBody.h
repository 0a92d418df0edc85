#pragma once

#include "sequence/SequenceData.h"

#include <QByteArray>

// The sequence body sent to a unit after the sequence announce: the whole test sequence as one line of
// fixed-picture fields, ending "05", "x" and byte 26.
//
// Written exactly as the unit reads it, quirks included: no separator between the ramp count and the first
// ramp number, none after a step's shear rate, and a number too large for its picture (a start error of
// -5, a shear rate of 100000 1/s) widens its field and shifts everything after it.
class SequenceBody {
  public:
    // The body of a sequence as loaded: every temperature step, every shear rate, the global settings with
    // the sample interval raised as for the run.
    static QByteArray build(const StoredSequence& sequence);

    // The sample interval a run uses: the stored one, raised to sample rate x samples averaged when that
    // product is larger (a shorter interval could not hold one average).
    static double effectiveSampleInterval(const SequenceSettings& settings);
};
