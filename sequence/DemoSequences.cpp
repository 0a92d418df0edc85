#include "sequence/DemoSequences.h"

#include "sequence/SequenceStore.h"
#include "store/StoreError.h"

namespace {

StoredSequence borateSequence() {
    StoredSequence s;
    s.name = QStringLiteral("Borate XL 250F");
    s.settings.timeBeforeRead_s = 20;
    s.settings.rampSampleRate_s = 2;
    s.settings.samplePointsAverage = 5;
    s.settings.sampleInterval_s = 60;
    s.settings.shutDownATime_min = 20;
    s.settings.shutDownVisc_cP = 50;
    // Minutes, °F, start error °F, shear rate 1/s, ramp run.
    s.steps = {
        {5, 75, 5, 100, 1},                          // baseline at room temperature
        {15, 150, 5, 100, 0},                        // heat-up
        {30, 200, 5, 100, 1}, {60, 250, 5, 100, 1},  // hold at the test temperature
        {60, 250, 5, 100, 1}, {30, 250, 5, 100, 1},
    };
    s.shearRates_1ps = {170, 128, 85, 42};
    return s;
}

StoredSequence stabilitySequence() {
    StoredSequence s;
    s.name = QStringLiteral("HPHT Stability 350F");
    s.settings.timeBeforeRead_s = 30;
    s.settings.rampSampleRate_s = 5;
    s.settings.samplePointsAverage = 4;
    s.settings.sampleInterval_s = 120;
    s.settings.shutDownATime_min = 30;
    s.settings.shutDownVisc_cP = 0;
    s.steps = {
        {10, 80, 5, 100, 1},   {20, 200, 10, 100, 0}, {20, 300, 10, 100, 0}, {30, 350, 10, 100, 1},
        {60, 350, 10, 100, 1}, {60, 350, 10, 100, 1}, {60, 350, 10, 100, 1}, {30, 150, 10, 100, 1},
    };
    s.shearRates_1ps = {511, 340, 170, 100, 75, 50, 25, 170};
    return s;
}

}  // namespace

QStringList demoSequenceNames() {
    return {borateSequence().name, stabilitySequence().name};
}

void createDemoSequences(clsConnection& connection, QStringList* stored) {
    SequenceStore store(connection);
    for (StoredSequence sequence : {borateSequence(), stabilitySequence()}) {
        if (store.nameIsStored(sequence.name)) continue;
        try {
            store.add(sequence);
        } catch (const StoreError& e) {
            // Another program stored it since the look: left as it is, like any stored one.
            if (e.number() == StoreError::kNameTaken) continue;
            throw;
        }
        if (stored) stored->append(sequence.name);
    }
}
