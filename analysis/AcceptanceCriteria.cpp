#include "analysis/AcceptanceCriteria.h"

#include "analysis/RampFitDisplay.h"
#include "common/ApparentViscosity.h"
#include "common/VbFormat.h"

#include <algorithm>
#include <cmath>

namespace acceptance {

namespace {

// A duration held this close to the one asked for counts as held (times are minutes of whole seconds).
constexpr double kDurationSlack_min = 1e-9;

// To the hundredth in its shortest form ("200", "0.75"; VB's "0.##" would leave "200.").
QString number(double value) {
    return vb::Format(std::round(value * 100) / 100, QString());
}

QString minutes(double value) {
    return vb::Format(value, QStringLiteral("0.0"));
}

QString temperature(double temp_F, UnitSystem unitSystem) {
    return number(std::round(ramp_display::DisplayTemperature(temp_F, unitSystem) * 10) / 10) +
           (unitSystem == UnitSystem::SI ? QStringLiteral(" °C") : QStringLiteral(" °F"));
}

bool viscosityFails(const Criterion& c, double viscosity_cP) {
    return c.kind == LimitKind::Minimum ? viscosity_cP < c.limit_cP : viscosity_cP > c.limit_cP;
}

bool temperatureFails(const Criterion& c, double temp_F) {
    return c.minTemp_F && temp_F < *c.minTemp_F;
}

// Where, between the values before (still held) and at (failed), the line of one quantity crosses its
// limit: a share of the way from 0 to 1.
double crossing(double before, double at, double limit) {
    if (at == before) return 1.0;
    return std::clamp((limit - before) / (at - before), 0.0, 1.0);
}

}  // namespace

std::vector<Sample> SamplesFor(const Criterion& criterion, std::span<const Reading> readings,
                               ExcludedReadings excluded, std::span<const RampFit> fits) {
    std::vector<Sample> samples;
    if (criterion.source == ViscositySource::Fitted) {
        for (const RampFit& fit : fits)
            if (const double viscosity = fit.viscosityAt(criterion.shearRate_1ps); std::isfinite(viscosity))
                samples.push_back({fit.ElapsedMin, viscosity, fit.SampleTemp});
        return samples;
    }
    const double tolerance = criterion.shearRate_1ps * kRateTolerance;
    for (std::size_t i = 0; i < readings.size(); ++i) {
        const Reading& r = readings[i];
        if (r.typeId != 0 || (i < excluded.size() && excluded[i])) continue;
        if (!(std::fabs(r.shearRate_1ps - criterion.shearRate_1ps) <= tolerance)) continue;
        const double viscosity = ReadingViscosity(r.shearRate_1ps, r.shearStress_dyncm2);
        if (std::isfinite(viscosity) && std::isfinite(r.time_s))
            samples.push_back({r.time_s / 60.0, viscosity, r.sampleTemp_F});
    }
    return samples;
}

Outcome Evaluate(const Criterion& c, std::span<const Sample> samples) {
    Outcome outcome;
    if (samples.empty()) return outcome;
    const auto warm = std::find_if(samples.begin(), samples.end(),
                                   [&](const Sample& s) { return !temperatureFails(c, s.sampleTemp_F); });
    if (warm == samples.end()) {
        outcome.status = Outcome::Status::NeverWarm;
        return outcome;
    }
    const std::size_t first = static_cast<std::size_t>(warm - samples.begin());
    outcome.start_min = samples[first].time_min;
    outcome.status = Outcome::Status::Held;
    double end_min = samples.back().time_min;
    for (std::size_t i = first; i < samples.size(); ++i) {
        const Sample& s = samples[i];
        const bool viscosity = viscosityFails(c, s.viscosity_cP);
        const bool temp = temperatureFails(c, s.sampleTemp_F);
        if (!viscosity && !temp) continue;
        double breakTime = s.time_min;
        if (i > first) {
            const Sample& held = samples[i - 1];
            double share = 1.0;
            if (viscosity) share = std::min(share, crossing(held.viscosity_cP, s.viscosity_cP, c.limit_cP));
            if (temp) share = std::min(share, crossing(held.sampleTemp_F, s.sampleTemp_F, *c.minTemp_F));
            breakTime = held.time_min + share * (s.time_min - held.time_min);
        }
        outcome.status = Outcome::Status::Broke;
        outcome.breakTime_min = breakTime;
        end_min = breakTime;
        break;
    }
    outcome.held_min = end_min - outcome.start_min;
    outcome.passed = outcome.held_min + kDurationSlack_min >= c.duration_min;
    return outcome;
}

std::vector<Judged> JudgeAll(std::span<const Criterion> criteria, std::span<const Reading> readings,
                             ExcludedReadings excluded, std::span<const RampFit> fits) {
    std::vector<Judged> judged;
    for (const Criterion& c : criteria)
        judged.push_back({c, Evaluate(c, SamplesFor(c, readings, excluded, fits))});
    return judged;
}

QString Describe(const Criterion& c, UnitSystem unitSystem) {
    QString text = c.kind == LimitKind::Minimum ? QStringLiteral("at least ") : QStringLiteral("at most ");
    text += number(c.limit_cP) + QStringLiteral(" cP at ") + number(c.shearRate_1ps) + QStringLiteral(" 1/s");
    text += c.source == ViscositySource::Fitted ? QStringLiteral(" (fitted)") : QStringLiteral(" (apparent)");
    text += QStringLiteral(" for ") + number(c.duration_min) + QStringLiteral(" min");
    if (c.minTemp_F) text += QStringLiteral(" from ") + temperature(*c.minTemp_F, unitSystem);
    return text;
}

QString DescribeOutcome(const Judged& judged, UnitSystem unitSystem) {
    const Outcome& o = judged.outcome;
    const QString verdict = o.passed ? QStringLiteral("PASS: ") : QStringLiteral("FAIL: ");
    switch (o.status) {
        case Outcome::Status::NoValues:
            return verdict + (judged.criterion.source == ViscositySource::Fitted
                                  ? QStringLiteral("no ramp has a valid fit")
                                  : QStringLiteral("no ordinary reading at this shear rate"));
        case Outcome::Status::NeverWarm:
            return verdict + QStringLiteral("the sample never reached ") +
                   temperature(*judged.criterion.minTemp_F, unitSystem);
        case Outcome::Status::Held:
            return verdict + QStringLiteral("held %1 min from %2 min, did not break")
                                 .arg(minutes(o.held_min), minutes(o.start_min));
        case Outcome::Status::Broke:
            break;
    }
    return verdict +
           QStringLiteral("held %1 min from %2 min, broke at %3 min")
               .arg(minutes(o.held_min), minutes(o.start_min), minutes(o.breakTime_min.value_or(0)));
}

QStringList OutcomeLines(std::span<const Judged> judged, UnitSystem unitSystem) {
    QStringList lines;
    for (std::size_t i = 0; i < judged.size(); ++i)
        lines << QStringLiteral("Criterion %1: %2 - %3")
                     .arg(vb::Format(double(i + 1), QStringLiteral("0")),
                          Describe(judged[i].criterion, unitSystem), DescribeOutcome(judged[i], unitSystem));
    return lines;
}

}  // namespace acceptance
