#include "store/clsTEST_RESULT.h"

namespace {

constexpr clsTEST_RESULT::Row kDefaults{};
constexpr std::array<const char*, TestResultColumn::Count> kNames{
    "TEST_RESULT_ID",     "TEST_ID",      "RAMP_NO",           "RAMP_STEP_NO",        "RESULT_TIME",
    "RESULT_SAMPLE_TEMP", "RESULT_PRESS", "RESULT_SHEAR_RATE", "RESULT_SHEAR_STRESS", "RESULT_TYPE_ID",
    "RESULT_BATH_TEMP"};

}  // namespace

clsTEST_RESULT::clsTEST_RESULT() : NumericRecord(kDefaults, kNames) {}

int clsTEST_RESULT::Test_Id() const {
    return store::toInt32(row_[TestResultColumn::TEST_ID], "Test_Id");
}

void clsTEST_RESULT::prepareStatements(const QSqlDatabase& db) {
    select_.prepare(db, kSelectSql, kSelectParams);
    insert_.prepare(db, kInsertSql, kInsertParams);
    insertForStoredTest_.prepare(db, kInsertForStoredTestSql, kInsertForStoredTestParams);
    delete_.prepare(db, kDeleteSql, kDeleteParams);
}

int clsTEST_RESULT::select() {
    run(select_, {double(Test_Id())});
    return readRows(select_);
}

void clsTEST_RESULT::runInitialSelection() {
    initialLoaded(select(), true);
}

void clsTEST_RESULT::GetTestDetail() {
    lookupLoaded(select());
}

void clsTEST_RESULT::AddNew() {
    const Row& r = row_;
    using C = TestResultColumn;
    run(insert_, {double(Test_Id()), r[C::RAMP_NO], r[C::RAMP_STEP_NO], r[C::RESULT_TIME],
                  r[C::RESULT_SAMPLE_TEMP], r[C::RESULT_PRESS], r[C::RESULT_SHEAR_RATE],
                  r[C::RESULT_SHEAR_STRESS], r[C::RESULT_TYPE_ID], r[C::RESULT_BATH_TEMP]});
    insert_.finish();
}

bool clsTEST_RESULT::AddNewForStoredTest() {
    const Row& r = row_;
    using C = TestResultColumn;
    const double testId = Test_Id();
    run(insertForStoredTest_,
        {testId, r[C::RAMP_NO], r[C::RAMP_STEP_NO], r[C::RESULT_TIME], r[C::RESULT_SAMPLE_TEMP],
         r[C::RESULT_PRESS], r[C::RESULT_SHEAR_RATE], r[C::RESULT_SHEAR_STRESS], r[C::RESULT_TYPE_ID],
         r[C::RESULT_BATH_TEMP], testId});
    const bool stored = insertForStoredTest_.query().numRowsAffected() > 0;
    insertForStoredTest_.finish();
    return stored;
}

void clsTEST_RESULT::Delete() {
    run(delete_, {double(Test_Id())});
    delete_.finish();
}

void clsTEST_RESULT::MoveFirst() {
    if (rowCount_ < 1) {
        eof_ = true;
        return;
    }
    cursor_ = 0;
    loadRow(0);
    eof_ = false;
}
