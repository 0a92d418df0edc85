#pragma once

#include "store/NumericRecord.h"
#include "store/Reading.h"

#include <array>
#include <iterator>
#include <span>
#include <vector>

// Column positions of a reading, in select order: the elements of All() and of a row of rTestResult().
struct TestResultColumn {
    enum : int {
        TEST_RESULT_ID,
        TEST_ID,
        RAMP_NO,
        RAMP_STEP_NO,
        RESULT_TIME,
        RESULT_SAMPLE_TEMP,
        RESULT_PRESS,
        RESULT_SHEAR_RATE,
        RESULT_SHEAR_STRESS,
        RESULT_TYPE_ID,
        RESULT_BATH_TEMP,
        Count
    };
};

// The readings of a test (table TEST_RESULT): one row per stored reading. Readings are only inserted and
// deleted per test, never changed in place.
class clsConnection;

class clsTEST_RESULT : public NumericRecord<TestResultColumn::Count> {
  public:
    static constexpr const char* kSelectSql =
        "SELECT TEST_RESULT_ID, TEST_ID, RAMP_NO, RAMP_STEP_NO, RESULT_TIME, RESULT_SAMPLE_TEMP, "
        "RESULT_PRESS, "
        "RESULT_SHEAR_RATE, RESULT_SHEAR_STRESS, RESULT_TYPE_ID, RESULT_BATH_TEMP  FROM TEST_RESULT Where "
        "TEST_ID = ?  ORDER BY RESULT_TIME ";
    static constexpr store::Param kSelectParams[] = {{"pTEST_ID", store::ParamType::Double, 0}};
    static constexpr const char* kInsertSql =
        "INSERT INTO  TEST_RESULT (TEST_ID, RAMP_NO, RAMP_STEP_NO, RESULT_TIME, RESULT_SAMPLE_TEMP, "
        "RESULT_PRESS, RESULT_SHEAR_RATE, RESULT_SHEAR_STRESS, RESULT_TYPE_ID, RESULT_BATH_TEMP ) VALUES (?, "
        "?, "
        "?, ?, ?, ?, ?, ?, ?, ?)";
    static constexpr store::Param kInsertParams[] = {
        {"pTEST_ID", store::ParamType::Double, 0},
        {"pRAMP_NO", store::ParamType::Double, 0},
        {"pRAMP_STEP_NO", store::ParamType::Double, 0},
        {"pRESULT_TIME", store::ParamType::Double, 0},
        {"pRESULT_SAMPLE_TEMP", store::ParamType::Double, 0},
        {"pRESULT_PRESS", store::ParamType::Double, 0},
        {"pRESULT_SHEAR_RATE", store::ParamType::Double, 0},
        {"pRESULT_SHEAR_STRESS", store::ParamType::Double, 0},
        {"pRESULT_TYPE_ID", store::ParamType::Double, 0},
        {"pRESULT_BATH_TEMP", store::ParamType::Double, 0},
    };
    // The insert of a live run's reading: one statement that stores the reading only while its test row is
    // stored, so that a test deleted meanwhile (by a program that did not know it was being recorded)
    // never gets orphan readings. The parameters of kInsertSql, then pTEST_ID again for the check.
    static constexpr const char* kInsertForStoredTestSql =
        "INSERT INTO TEST_RESULT (TEST_ID, RAMP_NO, RAMP_STEP_NO, RESULT_TIME, RESULT_SAMPLE_TEMP, "
        "RESULT_PRESS, RESULT_SHEAR_RATE, RESULT_SHEAR_STRESS, RESULT_TYPE_ID, RESULT_BATH_TEMP) SELECT ?, "
        "?, ?, ?, ?, ?, ?, ?, ?, ? FROM TEST_INFO WHERE TEST_ID = ?";
    static constexpr store::Param kInsertForStoredTestParams[] = {
        {"pTEST_ID", store::ParamType::Double, 0},
        {"pRAMP_NO", store::ParamType::Double, 0},
        {"pRAMP_STEP_NO", store::ParamType::Double, 0},
        {"pRESULT_TIME", store::ParamType::Double, 0},
        {"pRESULT_SAMPLE_TEMP", store::ParamType::Double, 0},
        {"pRESULT_PRESS", store::ParamType::Double, 0},
        {"pRESULT_SHEAR_RATE", store::ParamType::Double, 0},
        {"pRESULT_SHEAR_STRESS", store::ParamType::Double, 0},
        {"pRESULT_TYPE_ID", store::ParamType::Double, 0},
        {"pRESULT_BATH_TEMP", store::ParamType::Double, 0},
        {"pTEST_ID", store::ParamType::Double, 0},
    };
    static constexpr const char* kDeleteSql = "DELETE  FROM TEST_RESULT  WHERE TEST_ID = ?";
    static constexpr store::Param kDeleteParams[] = {{"pTEST_ID", store::ParamType::Double, 0}};

    using Row = NumericRecord<TestResultColumn::Count>::Row;

    clsTEST_RESULT();

    // The test's key, held as a double and read back rounded to the nearest integer (half to even).
    int Test_Id() const;
    void setTest_Id(int value) { row_[TestResultColumn::TEST_ID] = value; }
    double RAMP_NO() const { return row_[TestResultColumn::RAMP_NO]; }
    void setRAMP_NO(double value) { row_[TestResultColumn::RAMP_NO] = value; }
    double RAMP_STEP_NO() const { return row_[TestResultColumn::RAMP_STEP_NO]; }
    void setRAMP_STEP_NO(double value) { row_[TestResultColumn::RAMP_STEP_NO] = value; }
    double RESULT_TIME() const { return row_[TestResultColumn::RESULT_TIME]; }
    void setRESULT_TIME(double value) { row_[TestResultColumn::RESULT_TIME] = value; }
    double RESULT_SAMPLE_TEMP() const { return row_[TestResultColumn::RESULT_SAMPLE_TEMP]; }
    void setRESULT_SAMPLE_TEMP(double value) { row_[TestResultColumn::RESULT_SAMPLE_TEMP] = value; }
    double RESULT_PRESS() const { return row_[TestResultColumn::RESULT_PRESS]; }
    void setRESULT_PRESS(double value) { row_[TestResultColumn::RESULT_PRESS] = value; }
    double RESULT_SHEAR_RATE() const { return row_[TestResultColumn::RESULT_SHEAR_RATE]; }
    void setRESULT_SHEAR_RATE(double value) { row_[TestResultColumn::RESULT_SHEAR_RATE] = value; }
    double RESULT_SHEAR_STRESS() const { return row_[TestResultColumn::RESULT_SHEAR_STRESS]; }
    void setRESULT_SHEAR_STRESS(double value) { row_[TestResultColumn::RESULT_SHEAR_STRESS] = value; }
    double RESULT_TYPE_ID() const { return row_[TestResultColumn::RESULT_TYPE_ID]; }
    void setRESULT_TYPE_ID(double value) { row_[TestResultColumn::RESULT_TYPE_ID] = value; }
    double RESULT_BATH_TEMP() const { return row_[TestResultColumn::RESULT_BATH_TEMP]; }
    void setRESULT_BATH_TEMP(double value) { row_[TestResultColumn::RESULT_BATH_TEMP] = value; }

    // Reads the readings of the test held in Test_Id, in RESULT_TIME order.
    void GetTestDetail();
    // Inserts the current reading; committed at once unless the connection has a transaction open.
    void AddNew() override;
    // Inserts the current reading as AddNew does, but only while the test of Test_Id is stored; false (and
    // nothing stored) when its test row is gone.
    bool AddNewForStoredTest();
    // Inserts the readings in order for the test held in Test_Id, in bulk as the engine takes them best: a
    // server copies them in one stream into the insert's columns, the file takes the insert's text with its
    // value list repeated. A long test so stores in a fraction of the time one statement per row takes on
    // a server. Part of the caller's transaction when one is open; the current row is left at the last
    // reading.
    void AddReadings(std::span<const Reading> readings);
    // Removes every reading of the test held in Test_Id.
    void Delete() override;
    // Cursor 0 and EOF False, or only EOF True when there is no reading.
    void MoveFirst() override;

    // Number of readings in the snapshot.
    int TotalPoints() const { return rowCount_; }
    // The readings of the last selection, in RESULT_TIME order; index a row with TestResultColumn.
    // Valid until the next selection on this object.
    const std::vector<Row>& rTestResult() const { return rows_; }

  protected:
    void prepareStatements(const QSqlDatabase& db) override;
    void runInitialSelection() override;

  private:
    int select();

    // The values of the current row in the insert's parameter order.
    using InsertValues = std::array<double, std::size(kInsertParams)>;
    InsertValues insertValues() const;
    void appendValues(std::vector<QVariant>& values) const;
    void copyReadings(clsConnection& owner, std::span<const Reading> readings);
    void insertReadings(std::span<const Reading> readings, std::size_t perStatement);

    store::Statement select_;
    store::Statement insert_;
    store::Statement insertForStoredTest_;
    store::Statement delete_;
    // The file's insert of many rows, prepared when first needed in a session: insertRowsCount_ rows of
    // the insert's parameters.
    store::Statement insertRows_;
    int insertRowsCount_ = 0;
    std::vector<store::Param> insertRowsParams_;
};
