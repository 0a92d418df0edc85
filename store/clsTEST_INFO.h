#pragma once

#include "store/FieldRecord.h"

// The places of the fields in a TEST_INFO row as All() gives it, for the code that keeps the row (the open
// test, the reports, the monitor, the record for LIMS).
namespace test_info {
enum Column : int {
    TEST_ID,
    TEST_NAME,
    FLUID_ID,
    TEST_TIME,
    RESEARCHER_NAME,
    ROTOR_NO,
    BOB_NO,
    BOB_RADIUS,
    BOB_EFF_LENGTH,
    PRETEST_PH,
    POSTTEST_PH,
    SAFETY,
};
}  // namespace test_info

// The descriptive data of the stored tests (table TEST_INFO): one row per test, looked up and deleted by
// its name.
class clsTEST_INFO : public FieldRecord {
  public:
    static constexpr const char* kListSql =
        "SELECT TEST_NAME, TEST_TIME, RESEARCHER_NAME  FROM TEST_INFO  ORDER BY TEST_TIME DESC";
    static constexpr const char* kLookupSql =
        "SELECT TEST_ID, TEST_NAME, FLUID_ID, TEST_TIME, RESEARCHER_NAME, ROTOR_NO, BOB_NO, BOB_RADIUS, "
        "BOB_EFF_LENGTH, PRETEST_PH, POSTTEST_PH, SAFETY  FROM TEST_INFO Where TEST_NAME = ?";
    static constexpr store::Param kLookupParams[] = {{"pTEST_NAME", store::ParamType::Text, 40}};
    static constexpr const char* kInsertSql =
        "INSERT INTO  TEST_INFO (TEST_NAME, FLUID_ID, TEST_TIME, RESEARCHER_NAME, ROTOR_NO, BOB_NO, "
        "BOB_RADIUS, "
        "BOB_EFF_LENGTH, PRETEST_PH, POSTTEST_PH, SAFETY) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
    static constexpr store::Param kInsertParams[] = {
        {"pTEST_NAME", store::ParamType::Text, 40},    {"pFluid_ID", store::ParamType::Text, 40},
        {"pTEST_TIME", store::ParamType::DateTime, 0}, {"pRESEARCHER_NAME", store::ParamType::Text, 40},
        {"pROTOR_NO", store::ParamType::Text, 40},     {"pBOB_NO", store::ParamType::Text, 40},
        {"pBOB_RADIUS", store::ParamType::Double, 0},  {"pBOB_EFF_LENGTH", store::ParamType::Double, 0},
        {"pPRETEST_PH", store::ParamType::Double, 0},  {"pPOSTTEST_PH", store::ParamType::Double, 0},
        {"pSAFETY", store::ParamType::Text, 1000},
    };
    static constexpr const char* kUpdateSql =
        "UPDATE TEST_INFO SET TEST_NAME = ?, FLUID_ID = ?, TEST_TIME = ?, RESEARCHER_NAME = ?, ROTOR_NO = ?, "
        "BOB_NO = ?, BOB_RADIUS = ?, BOB_EFF_LENGTH = ?, PRETEST_PH = ?, POSTTEST_PH = ?, SAFETY = ?  WHERE "
        "TEST_ID = ?";
    static constexpr store::Param kUpdateParams[] = {
        {"pTEST_NAME", store::ParamType::Text, 40},    {"pFluid_ID", store::ParamType::Text, 40},
        {"pTEST_TIME", store::ParamType::DateTime, 0}, {"pRESEARCHER_NAME", store::ParamType::Text, 40},
        {"pROTOR_NO", store::ParamType::Text, 40},     {"pBOB_NO", store::ParamType::Text, 40},
        {"pBOB_RADIUS", store::ParamType::Double, 0},  {"pBOB_EFF_LENGTH", store::ParamType::Double, 0},
        {"pPRETEST_PH", store::ParamType::Double, 0},  {"pPOSTTEST_PH", store::ParamType::Double, 0},
        {"pSAFETY", store::ParamType::Text, 1000},     {"pTEST_ID", store::ParamType::Int32, 0},
    };
    static constexpr const char* kDeleteSql = "DELETE  FROM TEST_INFO  WHERE TEST_NAME = ?";
    static constexpr store::Param kDeleteParams[] = {{"pTEST_NAME", store::ParamType::Text, 40}};
    // Deleting a test also deletes its readings and additives, in the same transaction as the test's row,
    // so that no reading is left behind without its test.
    static constexpr const char* kDeleteReadingsSql =
        "DELETE FROM TEST_RESULT WHERE TEST_ID IN (SELECT TEST_ID FROM TEST_INFO WHERE TEST_NAME = ?)";
    static constexpr const char* kDeleteAdditivesSql =
        "DELETE FROM TEST_ADDITIVE WHERE TEST_ID IN (SELECT TEST_ID FROM TEST_INFO WHERE TEST_NAME = ?)";

    static constexpr const char* kDefaultResearcher = "UNKOWN";
    static constexpr const char* kDefaultRotor = "R1";
    static constexpr const char* kDefaultBob = "B5";
    static constexpr double kDefaultBobRadius_cm = 1.5987;
    static constexpr double kDefaultBobEffLength_cm = 7.62;
    static constexpr double kDefaultPh = 7;
    // A TEST_TIME of exactly 1 January 1800, 00:00 means "no time": Update stores it as Null.
    static QDateTime noTestTime();

    clsTEST_INFO();

    double Test_Id() const { return number(TestId); }
    void setTest_Id(double value) { set(TestId, value); }
    QString TEST_NAME() const { return text(TestName); }
    void setTEST_NAME(const QString& value) { set(TestName, value); }
    QString Fluid_ID() const { return text(FluidId); }
    void setFluid_ID(const QString& value) { set(FluidId, value); }
    QDateTime TEST_TIME() const { return time(TestTime); }
    void setTEST_TIME(const QDateTime& value) { set(TestTime, value); }
    QString RESEARCHER_NAME() const { return text(ResearcherName); }
    void setRESEARCHER_NAME(const QString& value) { set(ResearcherName, value); }
    QString ROTOR_NO() const { return text(RotorNo); }
    void setROTOR_NO(const QString& value) { set(RotorNo, value); }
    QString BOB_NO() const { return text(BobNo); }
    void setBOB_NO(const QString& value) { set(BobNo, value); }
    double BOB_RADIUS() const { return number(BobRadius); }
    void setBOB_RADIUS(double value) { set(BobRadius, value); }
    double BOB_EFF_LENGTH() const { return number(BobEffLength); }
    void setBOB_EFF_LENGTH(double value) { set(BobEffLength, value); }
    double PreTest_PH() const { return number(PretestPh); }
    void setPreTest_PH(double value) { set(PretestPh, value); }
    double PostTest_PH() const { return number(PosttestPh); }
    void setPostTest_PH(double value) { set(PosttestPh, value); }
    // Write only; All carries it as element 11. All has one more, spare, element (Null) after it.
    void setSAFETY(const QString& value) { set(Safety, value); }

    // Reads every row named TEST_NAME; the first becomes the current row.
    void GetTestDetail();
    void AddNew() override;
    // Writes the current row to the row whose key is Test_Id.
    void Update() override;
    // Removes every test named TEST_NAME together with its readings, additives, excluded readings and
    // criteria, all or nothing, and records the deletion in its record of changes. A test
    // that a live run is recording is refused (StoreError::kBeingRecorded, naming the unit and station).
    void Delete() override;

    // The snapshot, addressed (column, row): after ConnectX the list of tests (TEST_NAME, TEST_TIME,
    // RESEARCHER_NAME, newest first), after GetTestDetail the rows found. Call ConnectX right before
    // reading it as the list.
    RecordTable UsedName() const { return snapshot_; }

  protected:
    QVariant defaultValue(int field) const override;
    void prepareStatements(const QSqlDatabase& db) override;
    void runInitialSelection() override;

  private:
    enum FieldIndex {
        TestId,
        TestName,
        FluidId,
        TestTime,
        ResearcherName,
        RotorNo,
        BobNo,
        BobRadius,
        BobEffLength,
        PretestPh,
        PosttestPh,
        Safety
    };
    static constexpr store::Param kDeleteChildrenParams[] = {{"pTEST_NAME", store::ParamType::Text, 40}};

    store::Statement list_;
    store::Statement lookup_;
    store::Statement insert_;
    store::Statement update_;
    store::Statement delete_;
    store::Statement deleteReadings_;
    store::Statement deleteAdditives_;
};
