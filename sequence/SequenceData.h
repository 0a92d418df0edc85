#pragma once

#include <QList>
#include <QString>

// One temperature step of a sequence (a SEQUENCE_RAMP row without its keys).
struct SequenceStep {
    double elapseTime_min = 0;
    double temp_F = 0;
    double startError_F = 0;
    double shearRate_1ps = 100;
    double runRamp = 1;  // 1: the shear-rate ramp runs inside this step

    bool operator==(const SequenceStep&) const = default;
};

// The global settings of a sequence (a SEQUENCE_INFO row without its key and name), with the defaults of
// a new sequence.
struct SequenceSettings {
    double timeBeforeRead_s = 20;
    double rampSampleRate_s = 2;
    double samplePointsAverage = 5;
    double shutDownATime_min = 20;
    double shutDownVisc_cP = 0;
    double sampleInterval_s = 60;  // the store keeps it as an integer (half to even)

    bool operator==(const SequenceSettings&) const = default;
};

// A whole stored sequence: what the setup window shows and saves, and what a unit window downloads.
struct StoredSequence {
    bool found = false;  // false when no sequence of that name is stored (everything else at defaults)
    double id = 0;       // SEQUENCE_ID
    QString name;
    SequenceSettings settings;
    QList<SequenceStep> steps;     // in RAMP_NO order
    QList<double> shearRates_1ps;  // in RAMP_STEP_NO order
};

// The texts of the settings fields of the setup window, as typed.
struct SettingsTexts {
    QString timeBeforeRead;  // txtTimeBefRead
    QString sampleRate;      // cmbSampleRate
    QString samplesAverage;  // txtNoSampleAve
    QString sampleInterval;  // txtSampleInterval
    QString shutDownATime;   // txtShutDownATime
    QString shutDownVisc;    // txtShutDownVisc

    bool operator==(const SettingsTexts&) const = default;
};

// The texts of the fields of the "Auto Ramp Builder" panel, as typed.
struct BuilderTexts {
    QString totalSteps;  // txtTotalSteps
    QString stepTime;    // txtStepTime
    QString temp;        // txtTemp
    QString tempError;   // txtTempError
    QString shearRate;   // txtShearrate
};
