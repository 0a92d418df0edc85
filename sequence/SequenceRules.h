#pragma once

#include "common/UnitSystem.h"

#include "common/TextGrid.h"
#include "sequence/SequenceData.h"

#include <QString>
#include <optional>

// The checks of the sequence editor and their messages. Each check answers with the refusal to show
// (text and title; an empty title is the program's own) or nothing when the input passes.
struct Refusal {
    QString text;
    QString title;

    bool operator==(const Refusal&) const = default;
};

namespace SequenceRules {

// Highest step temperature the unit accepts, in °F; the save check and the insert-step dialog both hold
// a step to it whatever the unit system.
constexpr double kMaxStepTemp_F = 450;
// Far past anything a lab builds; beyond it the grid would only freeze the window.
constexpr int kMaxBuilderSteps = 9999;

// Messages of the editor.
inline const QString kTooManySteps = QStringLiteral("Operation not allowed.  Maximum step is 98.");
inline const QString kTooManyStepsTitle = QStringLiteral("Too Many Test Steps.");
inline const QString kNoStep = QStringLiteral("AT LEAST MUST ONE SEQUENCE STEP");
inline const QString kBadTemperature = QStringLiteral("Invalid input for temperature.  Can not save.");
inline const QString kNoShearRate = QStringLiteral("Need at least one input for ramp sequence define.");
inline const QString kIntervalTooSmall = QStringLiteral(
    "Sampling interval between ramps is too small. At least need be (Number of Sample)*(Sample Rate)+1 ");
inline const QString kNegativeShutDownVisc =
    QStringLiteral("Auto shut down viscosity should be greater than or equal to 0. ");
inline const QString kBuilderOutOfRange =
    QStringLiteral("Input number out of range.  Please check the input.");
inline const QString kBuilderOutOfRangeTitle = QStringLiteral("Input number out of allowable range.");

// The save checks, in order; the first failure is returned.
std::optional<Refusal> checkForSave(const TextGrid& steps, const TextGrid& shearRates,
                                    const SettingsTexts& settings);

// Refused when the step grid already holds the most steps there may be.
std::optional<Refusal> checkCanInsert(const TextGrid& steps);

// The builder's input: temperature above 0 and below 600, temperature error below 600, and a step count
// from 1 to kMaxBuilderSteps.
std::optional<Refusal> checkBuilder(const BuilderTexts& texts);
// The builder's step count: "Total Steps:" rounded to an integer.
int builderStepCount(const BuilderTexts& texts);

// The settings on display as numbers.
SequenceSettings settingsFromTexts(const SettingsTexts& texts);
// The settings as the fields show them after a load (shut-down values as "####").
SettingsTexts textsFromSettings(const SequenceSettings& settings);

}  // namespace SequenceRules

// The insert-step dialog's checks and its temperature unit.
namespace InsertStepRules {

enum class Field { Time, Temp, ShearRate };

struct FieldRefusal {
    Field field;
    Refusal refusal;
};

// The four number fields of the dialog, as typed.
struct Texts {
    QString time;
    QString temp;
    QString tempError;
    QString shearRate;
};

// True when the dialog asks for the temperature in °C (every unit system but CGS and EI).
bool asksCelsius(UnitSystem unitSystem);
// The dialog's temperature label: "Temp (°F)" or "Temp (°C)".
QString tempLabel(UnitSystem unitSystem);
// The step temperature in °F for a temperature typed in the dialog (°C converted, to two decimals).
double stepTemp_F(double typed, UnitSystem unitSystem);

// On leaving the shear-rate field: 0.01 to 90000.
std::optional<Refusal> checkShearRateOnLeave(const QString& shearRateText);
// On OK: time, temperature, shear rate, in this order.
std::optional<FieldRefusal> checkOk(const Texts& texts, UnitSystem unitSystem);

}  // namespace InsertStepRules
