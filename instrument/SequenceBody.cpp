#include "instrument/SequenceBody.h"

#include "common/VbFormat.h"
#include "link/UnitCommands.h"

#include <algorithm>

namespace {

void put(QByteArray& out, double value, const char* picture) {
    out.append(vb::Format(value, QString::fromLatin1(picture)).toLatin1());
}

}  // namespace

double SequenceBody::effectiveSampleInterval(const SequenceSettings& settings) {
    return std::max(static_cast<double>(settings.sampleInterval_s),
                    settings.rampSampleRate_s * settings.samplePointsAverage);
}

QByteArray SequenceBody::build(const StoredSequence& sequence) {
    QByteArray out;
    put(out, sequence.steps.size(), "00");
    int i = 0;
    for (const SequenceStep& ramp : sequence.steps) {
        put(out, ++i, "00");
        out.append(' ');
        put(out, ramp.elapseTime_min, "000000");
        out.append(' ');
        put(out, ramp.temp_F, "000");
        out.append(' ');
        put(out, ramp.startError_F, "000");
        out.append(' ');
        put(out, ramp.shearRate_1ps, "00000.0000");
        out.append(' ');
    }
    out.append('w');
    put(out, sequence.shearRates_1ps.size(), "00");
    int j = 0;
    for (const double rate : sequence.shearRates_1ps) {
        put(out, ++j, "00");
        out.append(' ');
        put(out, rate, "00000.0000");
    }
    const SequenceSettings& s = sequence.settings;
    put(out, s.timeBeforeRead_s, "000");
    out.append(' ');
    put(out, s.rampSampleRate_s, "000");
    out.append(' ');
    put(out, s.samplePointsAverage, "00");
    out.append(' ');
    put(out, s.shutDownATime_min, "00");
    out.append(' ');
    put(out, s.shutDownVisc_cP, "000.0");
    out.append(' ');
    put(out, effectiveSampleInterval(s), "000");
    out.append(' ');
    out.append("05x");
    out.append(UnitCommands::kTerminator);
    return out;
}
