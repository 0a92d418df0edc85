#pragma once

#include <QString>

#include <array>
#include <optional>

// The bob geometry table: the bobs this rheometer takes, with radius and effective length in cm as the
// geometry fields show them ("7.620", not "7.62"). The rotor is always R1 (radius 1.8415 cm).
namespace bobs {

struct BobGeometry {
    const char* name;
    const char* radius_cm;
    const char* effLength_cm;
};

// In lookup order. There is no XB4, and XB3 carries the radius of XB5 (not that of B3): that is the
// geometry every stored XB3 test was computed with.
inline constexpr std::array<BobGeometry, 9> kTable{{
    {"B1", "1.7245", "7.620"},
    {"B2", "1.2276", "7.620"},
    {"B3", "0.8622", "7.620"},
    {"B4", "0.8622", "3.810"},
    {"B5", "1.5987", "7.620"},
    {"XB1", "1.7245", "8.785"},
    {"XB2", "1.2276", "8.785"},
    {"XB3", "1.5987", "8.785"},
    {"XB5", "1.5987", "8.785"},
}};

// The bob every test starts with, and the geometry the unit's stress reading refers to.
inline constexpr const char* kDefaultBob = "B5";
inline constexpr double kRotorRadius_cm = 1.8415;
inline constexpr double kReferenceRadius_cm = 1.5987;
inline constexpr double kReferenceEffLength_cm = 7.62;

// The entry dialog's lookup: the name in upper case against the whole table, first match.
std::optional<BobGeometry> lookup(const QString& name);
// The test-information view's lookup: B1 to B5 only, matched exactly as typed ("b2" is no match).
std::optional<BobGeometry> lookupExact(const QString& name);

// Shear rate in 1/s at the bob for one rpm of the rotor: 4*pi*Rc^2 / (60 * (Rc^2 - r^2)); 0 for a radius
// that cannot belong to a bob inside the cup.
double shearRateFactor(double radius_cm);
// What the unit's stress reading (taken for the reference bob) is multiplied by for this bob:
// (1.5987 / r)^2 * (7.62 / L); 1 for B5. 0 for a geometry that cannot exist.
double bobStressFactor(double radius_cm, double effLength_cm);

// The range a factor may take: the span of the table's bobs widened kFactorTolerance times to both sides,
// so that every bob of the table and any sensible custom bob pass (shear-rate factor 0.134 to 3.405 1/s
// per rpm, that is a radius up to about 1.784 cm; stress factor 0.373 to 13.752).
inline constexpr double kFactorTolerance = 2;
struct FactorRange {
    double lowest = 0;
    double highest = 0;
    bool contains(double factor) const;
};
// The span of the table's bobs, and the range accepted.
FactorRange tableShearRateFactors();
FactorRange tableStressFactors();
FactorRange acceptedShearRateFactors();
FactorRange acceptedStressFactors();

// Why a typed geometry cannot be used (a radius outside the cup, a length that is not positive, factors
// that are not finite or lie outside the accepted ranges), or nothing when it can. Such a geometry would
// give infinite or absurd factors: a test run with it would send the unit a nonsense speed and store
// every stress wrong, or not as a number at all.
std::optional<QString> geometryProblem(double radius_cm, double effLength_cm);

}  // namespace bobs
