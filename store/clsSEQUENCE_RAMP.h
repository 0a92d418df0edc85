#pragma once

#include "store/NumericRecord.h"

// Column positions of a temperature step, in select order (the elements of All()).
struct SequenceRampColumn {
    enum : int {
        SEQUENCE_RAMP_ID,
        SEQUENCE_ID,
        RAMP_NO,
        RAMP_ELAPSE_TIME,
        RAMP_TEMP,
        RAMP_START_ERROR,
        SHEAR_RATE,
        RUN_RAMP,
        Count
    };
};

// The temperature steps of a sequence (table SEQUENCE_RAMP), always rewritten whole: delete all, insert all.
class clsSEQUENCE_RAMP : public NumericRecord<SequenceRampColumn::Count> {
  public:
    static constexpr const char* kSelectSql =
        "SELECT SEQUENCE_RAMP_ID, SEQUENCE_ID, RAMP_NO, RAMP_ELAPSE_TIME, RAMP_TEMP, RAMP_START_ERROR, "
        "SHEAR_RATE, RUN_RAMP  FROM SEQUENCE_RAMP Where SEQUENCE_ID = ?  ORDER BY RAMP_NO ";
    static constexpr store::Param kSelectParams[] = {{"pSEQUENCE_ID", store::ParamType::Double, 0}};
    static constexpr const char* kInsertSql =
        "INSERT INTO  SEQUENCE_RAMP (SEQUENCE_ID, RAMP_NO, RAMP_ELAPSE_TIME, RAMP_TEMP, RAMP_START_ERROR, "
        "SHEAR_RATE, RUN_RAMP) VALUES (?, ?, ?, ?, ?, ?, ?)";
    static constexpr store::Param kInsertParams[] = {
        {"pSequence_Id", store::ParamType::Double, 0},      {"pRAMP_NO", store::ParamType::Double, 0},
        {"pRAMP_ELAPSE_TIME", store::ParamType::Double, 0}, {"pRAMP_TEMP", store::ParamType::Double, 0},
        {"pRAMP_START_ERROR", store::ParamType::Double, 0}, {"pSHEAR_RATE", store::ParamType::Double, 0},
        {"pRUN_RAMP", store::ParamType::Double, 0},
    };
    static constexpr const char* kDeleteSql = "DELETE  FROM SEQUENCE_RAMP  WHERE SEQUENCE_ID = ?";
    static constexpr store::Param kDeleteParams[] = {{"pSEQUENCE_ID", store::ParamType::Double, 0}};

    static constexpr double kDefaultShearRate = 100;
    static constexpr double kDefaultRunRamp = 1;

    clsSEQUENCE_RAMP();

    double SEQUENCE_RAMP_ID() const { return row_[SequenceRampColumn::SEQUENCE_RAMP_ID]; }
    void setSEQUENCE_RAMP_ID(double value) { row_[SequenceRampColumn::SEQUENCE_RAMP_ID] = value; }
    double SequenceId() const { return row_[SequenceRampColumn::SEQUENCE_ID]; }
    void setSequenceId(double value) { row_[SequenceRampColumn::SEQUENCE_ID] = value; }
    double RAMPNO() const { return row_[SequenceRampColumn::RAMP_NO]; }
    void setRAMPNO(double value) { row_[SequenceRampColumn::RAMP_NO] = value; }
    double RAMP_ELAPSE_TIME() const { return row_[SequenceRampColumn::RAMP_ELAPSE_TIME]; }
    void setRAMP_ELAPSE_TIME(double value) { row_[SequenceRampColumn::RAMP_ELAPSE_TIME] = value; }
    double RAMP_TEMP() const { return row_[SequenceRampColumn::RAMP_TEMP]; }
    void setRAMP_TEMP(double value) { row_[SequenceRampColumn::RAMP_TEMP] = value; }
    double RAMP_START_ERROR() const { return row_[SequenceRampColumn::RAMP_START_ERROR]; }
    void setRAMP_START_ERROR(double value) { row_[SequenceRampColumn::RAMP_START_ERROR] = value; }
    double SHEAR_RATE() const { return row_[SequenceRampColumn::SHEAR_RATE]; }
    void setSHEAR_RATE(double value) { row_[SequenceRampColumn::SHEAR_RATE] = value; }
    double RUN_RAMP() const { return row_[SequenceRampColumn::RUN_RAMP]; }
    void setRUN_RAMP(double value) { row_[SequenceRampColumn::RUN_RAMP] = value; }

    // Reads the steps of the sequence held in SequenceId, in RAMP_NO order.
    void GetSeqDetail();
    void AddNew() override;
    // Removes every step of the sequence held in SequenceId.
    void Delete() override;

  protected:
    void prepareStatements(const QSqlDatabase& db) override;
    void runInitialSelection() override;

  private:
    int select();

    store::Statement select_;
    store::Statement insert_;
    store::Statement delete_;
};
