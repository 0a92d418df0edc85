#include "store/ReadingWriter.h"

#include "store/clsTEST_RESULT.h"

void SetReading(clsTEST_RESULT& record, const Reading& r) {
    record.setRAMP_NO(r.rampNo);
    record.setRAMP_STEP_NO(r.rampStepNo);
    record.setRESULT_TIME(r.time_s);
    record.setRESULT_SAMPLE_TEMP(r.sampleTemp_F);
    record.setRESULT_PRESS(r.pressure_psi);
    record.setRESULT_SHEAR_RATE(r.shearRate_1ps);
    record.setRESULT_SHEAR_STRESS(r.shearStress_dyncm2);
    record.setRESULT_TYPE_ID(r.typeId);
    record.setRESULT_BATH_TEMP(r.bathTemp_F);
}

Reading ReadingOfRow(const std::array<double, 11>& row) {
    using C = TestResultColumn;
    static_assert(C::Count == 11);
    return {row[C::RAMP_NO],
            row[C::RAMP_STEP_NO],
            row[C::RESULT_TIME],
            row[C::RESULT_SAMPLE_TEMP],
            row[C::RESULT_PRESS],
            row[C::RESULT_SHEAR_RATE],
            row[C::RESULT_SHEAR_STRESS],
            row[C::RESULT_TYPE_ID],
            row[C::RESULT_BATH_TEMP]};
}
