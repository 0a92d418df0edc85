#include "store/clsSEQUENCE_RAMP.h"

namespace {

using C = SequenceRampColumn;

constexpr NumericRecord<C::Count>::Row kDefaults{
    0, 0, 0, 0, 0, 0, clsSEQUENCE_RAMP::kDefaultShearRate, clsSEQUENCE_RAMP::kDefaultRunRamp};
constexpr std::array<const char*, C::Count> kNames{"SEQUENCE_RAMP_ID", "SequenceId", "RAMPNO",
                                                   "RAMP_ELAPSE_TIME", "RAMP_TEMP",  "RAMP_START_ERROR",
                                                   "SHEAR_RATE",       "RUN_RAMP"};

}  // namespace

clsSEQUENCE_RAMP::clsSEQUENCE_RAMP() : NumericRecord(kDefaults, kNames) {}

void clsSEQUENCE_RAMP::prepareStatements(const QSqlDatabase& db) {
    select_.prepare(db, kSelectSql, kSelectParams);
    insert_.prepare(db, kInsertSql, kInsertParams);
    delete_.prepare(db, kDeleteSql, kDeleteParams);
}

int clsSEQUENCE_RAMP::select() {
    run(select_, {row_[C::SEQUENCE_ID]});
    return readRows(select_);
}

void clsSEQUENCE_RAMP::runInitialSelection() {
    initialLoaded(select(), false);
}

void clsSEQUENCE_RAMP::GetSeqDetail() {
    lookupLoaded(select());
}

void clsSEQUENCE_RAMP::AddNew() {
    const Row& r = row_;
    run(insert_, {r[C::SEQUENCE_ID], r[C::RAMP_NO], r[C::RAMP_ELAPSE_TIME], r[C::RAMP_TEMP],
                  r[C::RAMP_START_ERROR], r[C::SHEAR_RATE], r[C::RUN_RAMP]});
    insert_.finish();
}

void clsSEQUENCE_RAMP::Delete() {
    run(delete_, {row_[C::SEQUENCE_ID]});
    delete_.finish();
}
