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

DirectReadingWriter::DirectReadingWriter(clsConnection& connection) : record_(std::make_unique<clsTEST_RESULT>()) {
    record_->ConnectX(connection);
}

DirectReadingWriter::~DirectReadingWriter() = default;

void DirectReadingWriter::write(double testId, const Reading& reading) {
    record_->setTest_Id(static_cast<int>(testId));
    SetReading(*record_, reading);
    record_->AddNew();
}
