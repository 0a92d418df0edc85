#include "testinfo/BobTable.h"

#include "common/VbFormat.h"

#include <cmath>

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

std::optional<QString> geometryProblem(double radius_cm, double effLength_cm) {
    if (!radiusFitsCup(radius_cm))
        return QStringLiteral("The bob radius must be more than 0 and less than the rotor radius (%1 cm).")
            .arg(vb::Format(kRotorRadius_cm, QStringLiteral("0.0000")));
    if (!lengthUsable(effLength_cm))
        return QStringLiteral("The bob effective length must be more than 0 cm.");
    return std::nullopt;
}

}  // namespace bobs
