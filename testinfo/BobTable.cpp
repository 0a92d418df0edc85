#include "testinfo/BobTable.h"

#include "common/VbFormat.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace bobs {

namespace {
// 4*pi*Rc^2 and Rc^2 of the rotor R1.
constexpr double kFourPiRcSquared = 42.61406299750999;
constexpr double kRcSquared = 3.3911222499999996;

bool radiusFitsCup(double radius_cm) {
    return std::isfinite(radius_cm) && radius_cm > 0 && radius_cm < kRotorRadius_cm;
}
bool lengthUsable(double effLength_cm) {
    return std::isfinite(effLength_cm) && effLength_cm > 0;
}
}  // namespace

std::optional<BobGeometry> lookup(const QString& name) {
    const QString upper = name.toUpper();
    for (const BobGeometry& bob : kTable)
        if (upper == QLatin1String(bob.name)) return bob;
    return std::nullopt;
}

std::optional<BobGeometry> lookupExact(const QString& name) {
    constexpr int kViewRows = 5;  // B1 ... B5
    for (int i = 0; i < kViewRows; ++i)
        if (name == QLatin1String(kTable[i].name)) return kTable[i];
    return std::nullopt;
}

double shearRateFactor(double radius_cm) {
    if (!radiusFitsCup(radius_cm)) return 0;
    return kFourPiRcSquared / (kRcSquared - radius_cm * radius_cm) / 60;
}

double bobStressFactor(double radius_cm, double effLength_cm) {
    if (!radiusFitsCup(radius_cm) || !lengthUsable(effLength_cm)) return 0;
    const double ratio = kReferenceRadius_cm / radius_cm;
    return ratio * ratio * (kReferenceEffLength_cm / effLength_cm);
}

bool FactorRange::contains(double factor) const {
    return std::isfinite(factor) && factor >= lowest && factor <= highest;
}

namespace {

template <typename Factor>
FactorRange spanOf(Factor factor) {
    FactorRange span{std::numeric_limits<double>::max(), 0};
    for (const BobGeometry& bob : kTable) {
        const double f =
            factor(vb::Val(QLatin1String(bob.radius_cm)), vb::Val(QLatin1String(bob.effLength_cm)));
        span.lowest = std::min(span.lowest, f);
        span.highest = std::max(span.highest, f);
    }
    return span;
}

FactorRange widened(const FactorRange& span) {
    return {span.lowest / kFactorTolerance, span.highest * kFactorTolerance};
}

QString shown(double value) {
    return vb::Format(value, QStringLiteral("0.000"));
}

QString outsideText(const char* what, double factor, const FactorRange& accepted, const FactorRange& table) {
    return QStringLiteral(
               "With this bob radius and effective length the %1 would be %2, outside the %3 to %4 that "
               "is accepted (the bobs of the table span %5 to %6). Please check the bob geometry.")
        .arg(QLatin1String(what), std::isfinite(factor) ? shown(factor) : QStringLiteral("infinite"),
             shown(accepted.lowest), shown(accepted.highest), shown(table.lowest), shown(table.highest));
}

}  // namespace

FactorRange tableShearRateFactors() {
    static const FactorRange span = spanOf([](double r, double) { return shearRateFactor(r); });
    return span;
}

FactorRange tableStressFactors() {
    static const FactorRange span = spanOf(bobStressFactor);
    return span;
}

FactorRange acceptedShearRateFactors() {
    return widened(tableShearRateFactors());
}

FactorRange acceptedStressFactors() {
    return widened(tableStressFactors());
}

std::optional<QString> geometryProblem(double radius_cm, double effLength_cm) {
    if (!radiusFitsCup(radius_cm))
        return QStringLiteral("The bob radius must be more than 0 and less than the rotor radius (%1 cm).")
            .arg(vb::Format(kRotorRadius_cm, QStringLiteral("0.0000")));
    if (!lengthUsable(effLength_cm))
        return QStringLiteral("The bob effective length must be more than 0 cm.");
    const double rate = shearRateFactor(radius_cm);
    if (!acceptedShearRateFactors().contains(rate))
        return outsideText("shear-rate factor (1/s per rpm)", rate, acceptedShearRateFactors(),
                           tableShearRateFactors());
    const double stress = bobStressFactor(radius_cm, effLength_cm);
    if (!acceptedStressFactors().contains(stress))
        return outsideText("stress factor", stress, acceptedStressFactors(), tableStressFactors());
    return std::nullopt;
}

}  // namespace bobs
