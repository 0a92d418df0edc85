#include "instrument/RunContext.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

constexpr int kVersion = 1;

QJsonObject contextObject(const RunContext& c) {
    return {{"state", static_cast<int>(c.state)},
            {"phase", static_cast<int>(c.phase)},
            {"rampIndex", c.rampIndex},
            {"stepIndex", c.stepIndex},
            {"phaseTick", c.phaseTick},
            {"stepTick", c.stepTick},
            {"readingsInAverage", c.readingsInAverage},
            {"sums", QJsonArray{c.bathSum, c.sampleSum, c.rateSum, c.pressureSum, c.stressSum}},
            {"viscositySum", c.viscositySum},
            {"viscosityCount", c.viscosityCount},
            {"elapsed_s", c.elapsed_s},
            {"rampStart_s", c.rampStart_s},
            {"lastStoredTime_s", c.lastStoredTime_s},
            {"savedAt_ms", c.savedAt_ms},
            {"testId", c.testId},
            {"testName", c.testName},
            {"unitNumber", c.unitNumber},
            {"bob", QJsonArray{c.bobRadius_cm, c.bobLength_cm, c.shearRateFactor, c.bobStressFactor}}};
}

QJsonObject sequenceObject(const StoredSequence& s) {
    QJsonArray steps, rates;
    for (const SequenceStep& step : s.steps)
        steps.append(QJsonArray{step.elapseTime_min, step.temp_F, step.startError_F, step.shearRate_1ps,
                                step.runRamp});
    for (double rate : s.shearRates_1ps) rates.append(rate);
    const SequenceSettings& t = s.settings;
    return {{"id", s.id},
            {"name", s.name},
            {"settings", QJsonArray{t.timeBeforeRead_s, t.rampSampleRate_s, t.samplePointsAverage,
                                    t.shutDownATime_min, t.shutDownVisc_cP, t.sampleInterval_s}},
            {"steps", steps},
            {"shearRates", rates}};
}

bool readContext(const QJsonObject& o, RunContext& c) {
    const QJsonArray sums = o["sums"].toArray(), bob = o["bob"].toArray();
    if (sums.size() != 5 || bob.size() != 4) return false;
    const int state = o["state"].toInt();
    if (state != static_cast<int>(RunState::Idle) && state != static_cast<int>(RunState::TemperatureRamp) &&
        state != static_cast<int>(RunState::ShearRateRamp))
        return false;
    c.state = static_cast<RunState>(state);
    c.phase = o["phase"].toInt() == 1 ? RunContext::Phase::ShearRateRamp : RunContext::Phase::TemperatureRamp;
    c.rampIndex = o["rampIndex"].toInt(1);
    c.stepIndex = o["stepIndex"].toInt();
    c.phaseTick = o["phaseTick"].toInt();
    c.stepTick = o["stepTick"].toInt();
    c.readingsInAverage = o["readingsInAverage"].toInt();
    c.bathSum = sums[0].toDouble();
    c.sampleSum = sums[1].toDouble();
    c.rateSum = sums[2].toDouble();
    c.pressureSum = sums[3].toDouble();
    c.stressSum = sums[4].toDouble();
    c.viscositySum = o["viscositySum"].toDouble();
    c.viscosityCount = o["viscosityCount"].toInt();
    c.elapsed_s = o["elapsed_s"].toInteger();
    c.rampStart_s = o["rampStart_s"].toInteger();
    c.lastStoredTime_s = o["lastStoredTime_s"].toDouble(-1);
    c.savedAt_ms = o["savedAt_ms"].toInteger();
    c.testId = o["testId"].toDouble();
    c.testName = o["testName"].toString();
    c.unitNumber = o["unitNumber"].toInt();
    c.bobRadius_cm = bob[0].toDouble();
    c.bobLength_cm = bob[1].toDouble();
    c.shearRateFactor = bob[2].toDouble();
    c.bobStressFactor = bob[3].toDouble();
    return true;
}

bool readSequence(const QJsonObject& o, StoredSequence& s) {
    const QJsonArray settings = o["settings"].toArray();
    if (settings.size() != 6) return false;
    s.found = true;
    s.id = o["id"].toDouble();
    s.name = o["name"].toString();
    s.settings = {settings[0].toDouble(), settings[1].toDouble(), settings[2].toDouble(),
                  settings[3].toDouble(), settings[4].toDouble(), settings[5].toDouble()};
    for (const QJsonValue& v : o["steps"].toArray()) {
        const QJsonArray step = v.toArray();
        if (step.size() != 5) return false;
        s.steps.append({step[0].toDouble(), step[1].toDouble(), step[2].toDouble(), step[3].toDouble(),
                        step[4].toDouble()});
    }
    for (const QJsonValue& v : o["shearRates"].toArray()) s.shearRates_1ps.append(v.toDouble());
    return !s.steps.isEmpty();
}

}  // namespace

QString journalText(const RunContext& context, const StoredSequence& sequence) {
    const QJsonObject run{
        {"version", kVersion}, {"context", contextObject(context)}, {"sequence", sequenceObject(sequence)}};
    return QString::fromUtf8(QJsonDocument(run).toJson(QJsonDocument::Compact));
}

std::optional<JournaledRun> journaledRun(const QString& text) {
    const QJsonObject run = QJsonDocument::fromJson(text.toUtf8()).object();
    if (run["version"].toInt() != kVersion) return std::nullopt;
    JournaledRun read;
    if (!readContext(run["context"].toObject(), read.context) ||
        !readSequence(run["sequence"].toObject(), read.sequence))
        return std::nullopt;
    return read;
}
