#include "analysis/RampFitDisplay.h"

#include "analysis/ChartSeries.h"
#include "common/VbFormat.h"

namespace ramp_display {

namespace {

constexpr double kKPaPerPsi = 6.8948;
constexpr double kDynScm2PerLbfSft2 = 478.8;
constexpr double kPaPerDynCm2 = 0.1;

const QString kTimePicture = QStringLiteral("#.");
const QString kTempPicture = QStringLiteral("###");
const QString kPressPicture = QStringLiteral("####");
const QString kRatioPicture = QStringLiteral("0.0000");  // n' and R^2
const QString kConsistencyPicture = QStringLiteral("0000.000");
const QString kConsistencyPictureEI = QStringLiteral("0.000000");
const QString kViscosityPicture = QStringLiteral("#");

}  // namespace

double DisplayTemperature(double temp_F, UnitSystem unitSystem) {
    return unitSystem == UnitSystem::SI ? CelsiusFromFahrenheit(temp_F) : temp_F;
}

double DisplayPressure(double pressure_psi, UnitSystem unitSystem) {
    return unitSystem == UnitSystem::SI ? pressure_psi * kKPaPerPsi : pressure_psi;
}

double DisplayConsistency(double k_dynsncm2, UnitSystem unitSystem) {
    return unitSystem == UnitSystem::EI ? k_dynsncm2 / kDynScm2PerLbfSft2 : k_dynsncm2;
}

double DisplayStress(double stress_dyncm2, UnitSystem unitSystem) {
    switch (unitSystem) {
        case UnitSystem::EI:
            return stress_dyncm2 / kDynCm2PerLbf100Ft2;
        case UnitSystem::SI:
            return stress_dyncm2 * kPaPerDynCm2;
        case UnitSystem::CGS:
            break;
    }
    return stress_dyncm2;
}

QString ConsistencyUnit(UnitSystem unitSystem) {
    return unitSystem == UnitSystem::EI ? QStringLiteral("lbf-s^n/ft2") : QStringLiteral("dyn-s^n/cm2");
}

QString StressUnit(UnitSystem unitSystem) {
    switch (unitSystem) {
        case UnitSystem::EI:
            return QStringLiteral("lbf/100ft2");
        case UnitSystem::SI:
            return QStringLiteral("Pa");
        case UnitSystem::CGS:
            break;
    }
    return QStringLiteral("dyn/cm2");
}

QString ConsistencyPicture(UnitSystem unitSystem) {
    return unitSystem == UnitSystem::EI ? kConsistencyPictureEI : kConsistencyPicture;
}

QStringList RampCells(int rampNo, double elapsedMin, double sampleTemp_F, double pressure_psi,
                      UnitSystem unitSystem) {
    return {vb::Str(rampNo), vb::Format(elapsedMin, kTimePicture),
            vb::Format(DisplayTemperature(sampleTemp_F, unitSystem), kTempPicture),
            vb::Format(DisplayPressure(pressure_psi, unitSystem), kPressPicture)};
}

QStringList HeaderCells(UnitSystem unitSystem) {
    const bool si = unitSystem == UnitSystem::SI;
    const QString consistency = ConsistencyUnit(unitSystem);
    return {
        QStringLiteral("Shear\rRamp"),
        QStringLiteral("Time \r(Min)"),
        si ? QStringLiteral("Temp\r(C°)") : QStringLiteral("Temp\r(F°)"),
        si ? QStringLiteral("Press\r(kPa)") : QStringLiteral("Press\r(Psi)"),
        QStringLiteral("n'"),
        QStringLiteral("K' \r") + consistency,
        QStringLiteral("Coef.\rDetn.\r(R^2)"),
        QStringLiteral("Kv\r") + consistency,
        QStringLiteral("K'slot\r") + consistency,
        QStringLiteral("Visc\r@40 1/S (cP)"),
        QStringLiteral("Visc\r@100 1/S (cP)"),
        QStringLiteral("Visc\r@170 1/S (cP)"),
    };
}

QString HeaderFormatString(UnitSystem unitSystem) {
    QStringList cells = HeaderCells(unitSystem);
    for (QString& cell : cells) cell.prepend(u'<');
    return cells.join(u'|');
}

QStringList RowCells(const RampFit& fit, UnitSystem unitSystem) {
    const QString consistencyPicture = ConsistencyPicture(unitSystem);
    QStringList cells = RampCells(fit.RampNo, fit.ElapsedMin, fit.SampleTemp, fit.Pressure, unitSystem);
    cells.reserve(kColumnCount);
    cells << vb::Format(fit.NPrime, kRatioPicture);
    if (!fit.Valid) {
        for (int column = 5; column < kColumnCount; ++column) cells << kNotAvailable;
        return cells;
    }
    cells << vb::Format(DisplayConsistency(fit.KPrime, unitSystem), consistencyPicture)
          << vb::Format(fit.RSquared, kRatioPicture)
          << vb::Format(DisplayConsistency(fit.Kv, unitSystem), consistencyPicture)
          << vb::Format(DisplayConsistency(fit.KSlot, unitSystem), consistencyPicture)
          << vb::Format(fit.Visc40, kViscosityPicture) << vb::Format(fit.Visc100, kViscosityPicture)
          << vb::Format(fit.Visc170, kViscosityPicture);
    return cells;
}

std::vector<std::pair<int, QStringList>> ResultRows(std::span<const RampFit> fits, UnitSystem unitSystem) {
    std::vector<std::pair<int, QStringList>> rows;
    rows.reserve(fits.size());
    for (const RampFit& fit : fits) rows.emplace_back(fit.RampNo, RowCells(fit, unitSystem));
    return rows;
}

}  // namespace ramp_display
