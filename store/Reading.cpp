#include "store/Reading.h"

#include <cmath>
#include <utility>

const char* nonFiniteColumn(const Reading& r) {
    const std::pair<const char*, double> columns[] = {
        {"RAMP_NO", r.rampNo},
        {"RAMP_STEP_NO", r.rampStepNo},
        {"RESULT_TIME", r.time_s},
        {"RESULT_SAMPLE_TEMP", r.sampleTemp_F},
        {"RESULT_PRESS", r.pressure_psi},
        {"RESULT_SHEAR_RATE", r.shearRate_1ps},
        {"RESULT_SHEAR_STRESS", r.shearStress_dyncm2},
        {"RESULT_TYPE_ID", r.typeId},
        {"RESULT_BATH_TEMP", r.bathTemp_F},
    };
    for (const auto& [column, value] : columns)
        if (!std::isfinite(value)) return column;
    return nullptr;
}
