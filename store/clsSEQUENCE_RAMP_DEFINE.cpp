#include "store/clsSEQUENCE_RAMP_DEFINE.h"

namespace {

using C = SequenceRampDefineColumn;

constexpr NumericRecord<C::Count>::Row kDefaults{};
constexpr std::array<const char*, C::Count> kNames{"SEQUENCE_DEF_ID", "SequenceId", "RAMP_STEP_NO",
                                                   "RAMP_SHEAR_RATE"};

}  // namespace

clsSEQUENCE_RAMP_DEFINE::clsSEQUENCE_RAMP_DEFINE() : NumericRecord(kDefaults, kNames) {}

void clsSEQUENCE_RAMP_DEFINE::prepareStatements(const QSqlDatabase& db) {
    select_.prepare(db, kSelectSql, kSelectParams);
    insert_.prepare(db, kInsertSql, kInsertParams);
    delete_.prepare(db, kDeleteSql, kDeleteParams);
}

int clsSEQUENCE_RAMP_DEFINE::select() {
    run(select_, {row_[C::SEQUENCE_ID]});
    return readRows(select_);
}

void clsSEQUENCE_RAMP_DEFINE::runInitialSelection() {
    initialLoaded(select(), false);
}

void clsSEQUENCE_RAMP_DEFINE::GetSeqDetail() {
    lookupLoaded(select());
}

void clsSEQUENCE_RAMP_DEFINE::AddNew() {
    run(insert_, {row_[C::SEQUENCE_ID], row_[C::RAMP_STEP_NO], row_[C::RAMP_SHEAR_RATE]});
    insert_.finish();
}

void clsSEQUENCE_RAMP_DEFINE::Delete() {
    run(delete_, {row_[C::SEQUENCE_ID]});
    delete_.finish();
}
