#include "store/clsTEST_RESULT.h"

#include "store/ReadingWriter.h"
#include "store/SqlDialect.h"
#include "store/clsConnection.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr clsTEST_RESULT::Row kDefaults{};
constexpr std::array<const char*, TestResultColumn::Count> kNames{
    "TEST_RESULT_ID",     "TEST_ID",      "RAMP_NO",           "RAMP_STEP_NO",        "RESULT_TIME",
    "RESULT_SAMPLE_TEMP", "RESULT_PRESS", "RESULT_SHEAR_RATE", "RESULT_SHEAR_STRESS", "RESULT_TYPE_ID",
    "RESULT_BATH_TEMP"};

// The table and columns of kInsertSql: "TEST_RESULT (TEST_ID, ... )".
QString insertTarget() {
    const QString single = QString::fromLatin1(clsTEST_RESULT::kInsertSql);
    const qsizetype from = single.indexOf(QLatin1String("TEST_RESULT"));
    return single.mid(from, single.lastIndexOf(QLatin1String(" VALUES ")) - from);
}

// kInsertSql with its value list written `rows` times: "... VALUES (?, ...), (?, ...)".
QString insertRowsSql(int rows) {
    const QString single = QString::fromLatin1(clsTEST_RESULT::kInsertSql);
    const QString valueList = single.mid(single.lastIndexOf(QLatin1String("VALUES ")) + 7);
    QString text = single;
    text.reserve(single.size() + (rows - 1) * (valueList.size() + 2));
    for (int k = 1; k < rows; ++k) text += QStringLiteral(", ") + valueList;
    return text;
}

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
    // A new session has none of its earlier statements.
    insertRowsCount_ = 0;
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
    std::vector<QVariant> values;
    values.reserve(std::size(kInsertParams));
    appendValues(values);
    run(insert_, values);
    insert_.finish();
}

clsTEST_RESULT::InsertValues clsTEST_RESULT::insertValues() const {
    const Row& r = row_;
    using C = TestResultColumn;
    return {
        double(Test_Id()),        r[C::RAMP_NO],         r[C::RAMP_STEP_NO],      r[C::RESULT_TIME],
        r[C::RESULT_SAMPLE_TEMP], r[C::RESULT_PRESS],    r[C::RESULT_SHEAR_RATE], r[C::RESULT_SHEAR_STRESS],
        r[C::RESULT_TYPE_ID],     r[C::RESULT_BATH_TEMP]};
}

void clsTEST_RESULT::appendValues(std::vector<QVariant>& values) const {
    for (const double value : insertValues()) values.emplace_back(value);
}

void clsTEST_RESULT::AddReadings(std::span<const Reading> readings) {
    if (readings.empty()) return;
    clsConnection& owner = preparedConnection();
    const store::Engine engine = store::dialect::engineOf(owner.ADOConnection());
    if (store::dialect::copiesRows(engine))
        copyReadings(owner, readings);
    else
        insertReadings(readings,
                       static_cast<std::size_t>(std::max(1, store::dialect::rowsPerInsert(engine))));
}

void clsTEST_RESULT::copyReadings(clsConnection& owner, std::span<const Reading> readings) {
    owner.requireWritable();
    std::vector<double> values;
    values.reserve(readings.size() * std::size(kInsertParams));
    for (const Reading& reading : readings) {
        SetReading(*this, reading);
        const InsertValues row = insertValues();
        values.insert(values.end(), row.begin(), row.end());
    }
    try {
        store::dialect::copyRows(owner.ADOConnection(), insertTarget(), int(std::size(kInsertParams)),
                                 values);
    } catch (const StoreError& error) {
        // As after a statement: a connection found gone is made again by the next one.
        if (error.number() == StoreError::kServerUnreachable) owner.markLost();
        throw;
    }
}

void clsTEST_RESULT::insertReadings(std::span<const Reading> readings, std::size_t perStatement) {
    if (perStatement > 1 && readings.size() >= perStatement && insertRowsCount_ != int(perStatement)) {
        insertRowsParams_.clear();
        for (std::size_t k = 0; k < perStatement; ++k)
            insertRowsParams_.insert(insertRowsParams_.end(), std::begin(kInsertParams),
                                     std::end(kInsertParams));
        insertRows_.prepare(preparedConnection().ADOConnection(), insertRowsSql(int(perStatement)),
                            insertRowsParams_);
        insertRowsCount_ = int(perStatement);
    }
    std::vector<QVariant> values;
    values.reserve(std::size(kInsertParams) * perStatement);
    // Whole groups first; what is left over goes one row to a statement.
    while (perStatement > 1 && readings.size() >= perStatement) {
        values.clear();
        for (const Reading& reading : readings.first(perStatement)) {
            SetReading(*this, reading);
            appendValues(values);
        }
        run(insertRows_, values);
        insertRows_.finish();
        readings = readings.subspan(perStatement);
    }
    for (const Reading& reading : readings) {
        SetReading(*this, reading);
        AddNew();
    }
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
