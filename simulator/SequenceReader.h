#pragma once

#include <QByteArray>
#include <QList>

#include <optional>

// A test sequence as the unit holds it after a download. The body carries no "run the shear-rate ramp"
// flag, so the unit runs its shear-rate ramp at the end of every temperature ramp.
struct UnitSequence {
    struct Ramp {
        double elapse_min = 0;
        double temp_F = 0;
        double startError_F = 0;
        double shearRate_1ps = 0;
    };
    QList<Ramp> ramps;
    QList<double> shearRates_1ps;
    double timeBeforeRead_s = 0;
    double sampleRate_s = 0;
    double pointsAverage = 0;
    double shutDownATime_min = 0;
    double shutDownVisc_cP = 0;
    double sampleInterval_s = 0;
};

// Reads a sequence body the way the unit does: field by field in the order and pictures the program writes
// them, including the joined fields (ramp count and first ramp number, a step's shear rate and the next step
// number or the wait before reading) and fields widened by a sign or a large value. The byte 26, when
// present, ends the body. Nothing when the text is not a well-formed body.
std::optional<UnitSequence> readSequenceBody(const QByteArray& body);
