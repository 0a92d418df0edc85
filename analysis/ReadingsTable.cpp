#include "analysis/ReadingsTable.h"

#include "common/ApparentViscosity.h"
#include "common/VbFormat.h"

QStringList ReadingsTable::header() {
    return {QStringLiteral("Key"),
            QStringLiteral("Ramp"),
            QStringLiteral("Step"),
            QStringLiteral("Time (Min)"),
            QStringLiteral("Sample Temp (°F)"),
            QStringLiteral("Shear Rate (1/S)"),
            QStringLiteral("Shear Stress (dyn/cm2)"),
            QStringLiteral("Viscosity (cP)"),
            QStringLiteral("Type"),
            QStringLiteral("Excluded from fits")};
}

ReadingsTable::ReadingsTable(const OpenedTest& test, bool rampOnly)
    : readings_(test.readings), keys_(test.resultIds), reasons_(ExclusionReasons(test)) {
    for (std::size_t i = 0; i < readings_.size(); ++i)
        if (!rampOnly || readings_[i].typeId == 1) rows_.push_back(i);
}

double ReadingsTable::key(std::size_t row) const {
    const std::size_t i = rows_.at(row);
    return i < keys_.size() ? keys_[i] : 0;
}

bool ReadingsTable::excluded(std::size_t row) const {
    const std::size_t i = rows_.at(row);
    return i < reasons_.size() && !reasons_[i].isEmpty();
}

QString ReadingsTable::cell(std::size_t row, int column) const {
    const std::size_t i = rows_.at(row);
    const Reading& r = readings_[i];
    const QString general;
    switch (column) {
        case Key:
            return vb::Format(key(row), QStringLiteral("0"));
        case Ramp:
            return vb::Format(r.rampNo, general);
        case Step:
            return vb::Format(r.rampStepNo, general);
        case TimeMin:
            return vb::Format(r.time_s / 60.0, QStringLiteral("0.00"));
        case SampleTemp:
            return vb::Format(r.sampleTemp_F, QStringLiteral("0.0"));
        case ShearRate:
            return vb::Format(r.shearRate_1ps, general);
        case ShearStress:
            return vb::Format(r.shearStress_dyncm2, general);
        case Viscosity:
            return vb::Format(ReadingViscosity(r.shearRate_1ps, r.shearStress_dyncm2), QStringLiteral("0"));
        case Type:
            return r.typeId == 1 ? QStringLiteral("ramp") : QStringLiteral("ordinary");
        case Excluded:
            return i < reasons_.size() ? reasons_[i] : QString();
        default:
            return {};
    }
}
