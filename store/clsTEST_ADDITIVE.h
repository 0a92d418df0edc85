#pragma once

#include "store/FieldRecord.h"

// The additives of a test (table TEST_ADDITIVE), any number per test; replaced as a whole list.
class clsTEST_ADDITIVE : public FieldRecord {
  public:
    static constexpr const char* kSelectSql =
        "SELECT TESTADD_ID, TEST_ID, ADDITIVE_NM, ADD_CONCEN, ADD_UNIT, ADD_LOTNO  FROM TEST_ADDITIVE Where "
        "TEST_ID = ?";
    static constexpr store::Param kSelectParams[] = {{"pTEST_ID", store::ParamType::Double, 0}};
    static constexpr const char* kInsertSql =
        "INSERT INTO  TEST_ADDITIVE (TEST_ID, ADDITIVE_NM, ADD_CONCEN, ADD_UNIT, ADD_LOTNO ) VALUES (?, ?, "
        "?, ?, ?)";
    static constexpr store::Param kInsertParams[] = {
        {"pTEST_Id", store::ParamType::Double, 0},    {"pADDITIVE_NM", store::ParamType::Text, 40},
        {"pADD_CONCEN", store::ParamType::Double, 0}, {"pADDITIVE_UNIT", store::ParamType::Text, 40},
        {"pADD_LOTNO", store::ParamType::Text, 40},
    };
    static constexpr const char* kDeleteSql = "DELETE  FROM TEST_ADDITIVE  WHERE TEST_ID = ?";
    static constexpr store::Param kDeleteParams[] = {{"pTEST_ID", store::ParamType::Double, 0}};

    clsTEST_ADDITIVE();

    double TESTADD_ID() const { return number(TestAddId); }
    void setTESTADD_ID(double value) { set(TestAddId, value); }
    double TESTId() const { return number(TestIdField); }
    void setTESTId(double value) { set(TestIdField, value); }
    QString ADDITIVE_NM() const { return text(AdditiveName); }
    void setADDITIVE_NM(const QString& value) { set(AdditiveName, value); }
    double ADD_CONCEN() const { return number(Concentration); }
    void setADD_CONCEN(double value) { set(Concentration, value); }
    QString ADD_UNIT() const { return text(Unit); }
    void setADD_UNIT(const QString& value) { set(Unit, value); }
    QString ADD_LOTNO() const { return text(LotNo); }
    void setADD_LOTNO(const QString& value) { set(LotNo, value); }

    // Reads the additives of the test held in TESTId, in the database's order (the order of insertion).
    void GetSeqDetail();
    // Inserts the current additive; sets TESTADD_ID to 0 first.
    void AddNew() override;
    // Removes every additive of the test held in TESTId.
    void Delete() override;

  protected:
    QVariant defaultValue(int field) const override;
    void prepareStatements(const QSqlDatabase& db) override;
    void runInitialSelection() override;

  private:
    enum FieldIndex { TestAddId, TestIdField, AdditiveName, Concentration, Unit, LotNo };
    int select();

    store::Statement select_;
    store::Statement insert_;
    store::Statement delete_;
};
