#include "sequence/SequenceRules.h"

#include "common/InitialSettings.h"
#include "common/VbFormat.h"
#include "sequence/StepGrid.h"

#include <cmath>

namespace SequenceRules {

std::optional<Refusal> checkForSave(const TextGrid& steps, const TextGrid& shearRates,
                                    const SettingsTexts& settings) {
    if (steps.Rows() < 2) return Refusal{kNoStep, {}};
    // A list longer than the unit's two-digit step numbers can carry is stored as built; the download
    // refuses it, since only there would it be sent garbled.
    for (int r = 1; r < steps.Rows(); ++r)
        if (vb::Val(steps.TextMatrix(r, StepGrid::kColTemp)) > kMaxStepTemp_F)
            return Refusal{kBadTemperature, {}};
    if (shearRates.TextMatrix(1, 0).trimmed().isEmpty()) return Refusal{kNoShearRate, {}};
    const double rate = vb::Val(settings.sampleRate);
    const double average = vb::Val(settings.samplesAverage);
    const double interval = vb::Val(settings.sampleInterval);
    if (interval < rate * average + 1) return Refusal{kIntervalTooSmall, {}};
    if (vb::Val(settings.shutDownVisc) < 0) return Refusal{kNegativeShutDownVisc, {}};
    return std::nullopt;
}

std::optional<Refusal> checkCanInsert(const TextGrid& steps) {
    if (StepGrid::stepCount(steps) >= StepGrid::kMaxSteps) return Refusal{kTooManySteps, kTooManyStepsTitle};
    return std::nullopt;
}

int builderStepCount(const BuilderTexts& texts) {
    const double n = vb::Val(texts.totalSteps);
    // Anything beyond the int range is far past the limit anyway.
    if (!(std::fabs(n) < 1e9)) return n > 0 ? 1000000000 : -1000000000;
    return vb::CInt(n);
}

std::optional<Refusal> checkBuilder(const BuilderTexts& texts) {
    const double temp = vb::Val(texts.temp);
    const double tempError = vb::Val(texts.tempError);
    if (!(temp > 0 && temp < 600 && tempError < 600))
        return Refusal{kBuilderOutOfRange, kBuilderOutOfRangeTitle};
    const int n = builderStepCount(texts);
    // The builder itself stops at no step count the lab may want to store; only a count that would
    // build an unusable grid is refused.
    if (n < 1 || n > kMaxBuilderSteps) return Refusal{kBuilderOutOfRange, kBuilderOutOfRangeTitle};
    return std::nullopt;
}

SequenceSettings settingsFromTexts(const SettingsTexts& texts) {
    SequenceSettings s;
    s.timeBeforeRead_s = vb::Val(texts.timeBeforeRead);
    s.rampSampleRate_s = vb::Val(texts.sampleRate);
    s.samplePointsAverage = vb::Val(texts.samplesAverage);
    s.shutDownATime_min = vb::Val(texts.shutDownATime);
    s.shutDownVisc_cP = vb::Val(texts.shutDownVisc);
    s.sampleInterval_s = vb::Val(texts.sampleInterval);
    return s;
}

SettingsTexts textsFromSettings(const SequenceSettings& s) {
    SettingsTexts t;
    t.timeBeforeRead = SequenceText::plain(s.timeBeforeRead_s);
    t.sampleRate = SequenceText::plain(s.rampSampleRate_s);
    t.samplesAverage = SequenceText::plain(s.samplePointsAverage);
    t.sampleInterval = SequenceText::plain(s.sampleInterval_s);
    t.shutDownATime = vb::Format(s.shutDownATime_min, QStringLiteral("####"));
    t.shutDownVisc = vb::Format(s.shutDownVisc_cP, QStringLiteral("####"));
    return t;
}

}  // namespace SequenceRules

namespace InsertStepRules {

namespace {
const QString kBadTime = QStringLiteral("Invalid time inpute.");
const QString kBadTimeTitle = QStringLiteral("Time input out range");
const QString kBadTemp = QStringLiteral("Invalid temperature inpute.");
const QString kBadTempTitle = QStringLiteral("Temperature input out range");
const QString kBadShearRate = QStringLiteral("Invalid shear rate inpute.");
const QString kBadShearRateTitle = QStringLiteral("Shear rate input out range");
const QString kBadShearRateOnLeaveTitle = QStringLiteral("Shear rate input out of range. Please try again.");
}  // namespace

bool asksCelsius(UnitSystem unitSystem) {
    return unitSystem == UnitSystem::SI;
}

QString tempLabel(UnitSystem unitSystem) {
    return asksCelsius(unitSystem) ? QStringLiteral("Temp (°C)") : QStringLiteral("Temp (°F)");
}

double stepTemp_F(double typed, UnitSystem unitSystem) {
    if (!asksCelsius(unitSystem)) return typed;
    // The grid, the database and the unit work in °F.
    return std::round(FahrenheitFromCelsius(typed) * 100.0) / 100.0;
}

std::optional<Refusal> checkShearRateOnLeave(const QString& shearRateText) {
    const double rate = vb::Val(shearRateText);
    if (rate < 0.01 || rate > 90000) return Refusal{kBadShearRate, kBadShearRateOnLeaveTitle};
    return std::nullopt;
}

std::optional<FieldRefusal> checkOk(const Texts& texts, UnitSystem unitSystem) {
    const double time = vb::Val(texts.time);
    if (time < 0 || time > 60000) return FieldRefusal{Field::Time, {kBadTime, kBadTimeTitle}};
    // The limit is the save check's, taken in °F, so that a step the dialog accepts can always be saved.
    const double temp = vb::Val(texts.temp);
    if (temp < 0 || stepTemp_F(temp, unitSystem) > SequenceRules::kMaxStepTemp_F)
        return FieldRefusal{Field::Temp, {kBadTemp, kBadTempTitle}};
    const double rate = vb::Val(texts.shearRate);
    if (rate < 0.01 || rate > 9000)
        return FieldRefusal{Field::ShearRate, {kBadShearRate, kBadShearRateTitle}};
    return std::nullopt;
}

}  // namespace InsertStepRules
