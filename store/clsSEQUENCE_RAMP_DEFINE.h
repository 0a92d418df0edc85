#pragma once

#include "store/NumericRecord.h"

// Column positions of a shear-rate step, in select order (the elements of All()).
struct SequenceRampDefineColumn {
    enum : int { SEQUENCE_DEF_ID, SEQUENCE_ID, RAMP_STEP_NO, RAMP_SHEAR_RATE, Count };
};

// The shear-rate ramp of a sequence (table SEQUENCE_RAMP_DEFINE), always rewritten whole.
class clsSEQUENCE_RAMP_DEFINE : public NumericRecord<SequenceRampDefineColumn::Count> {
  public:
    static constexpr const char* kSelectSql =
        "SELECT SEQUENCE_DEF_ID, SEQUENCE_ID, RAMP_STEP_NO, RAMP_SHEAR_RATE  FROM SEQUENCE_RAMP_DEFINE Where "
        "SEQUENCE_ID = ? ORDER BY RAMP_STEP_NO";
    static constexpr store::Param kSelectParams[] = {{"pSEQUENCE_ID", store::ParamType::Double, 0}};
    static constexpr const char* kInsertSql =
        "INSERT INTO  SEQUENCE_RAMP_DEFINE (SEQUENCE_ID, RAMP_STEP_NO, RAMP_SHEAR_RATE ) VALUES (?, ?, ?)";
    static constexpr store::Param kInsertParams[] = {
        {"pSequence_Id", store::ParamType::Double, 0},
        {"pRAMP_STEP_NO", store::ParamType::Double, 0},
        {"pRAMP_SHEAR_RATE", store::ParamType::Double, 0},
    };
    static constexpr const char* kDeleteSql = "DELETE  FROM SEQUENCE_RAMP_DEFINE  WHERE SEQUENCE_ID = ?";
    static constexpr store::Param kDeleteParams[] = {{"pSEQUENCE_ID", store::ParamType::Double, 0}};

    clsSEQUENCE_RAMP_DEFINE();

    double SEQUENCE_DEF_ID() const { return row_[SequenceRampDefineColumn::SEQUENCE_DEF_ID]; }
    void setSEQUENCE_DEF_ID(double value) { row_[SequenceRampDefineColumn::SEQUENCE_DEF_ID] = value; }
    double SequenceId() const { return row_[SequenceRampDefineColumn::SEQUENCE_ID]; }
    void setSequenceId(double value) { row_[SequenceRampDefineColumn::SEQUENCE_ID] = value; }
    double RAMP_STEP_NO() const { return row_[SequenceRampDefineColumn::RAMP_STEP_NO]; }
    void setRAMP_STEP_NO(double value) { row_[SequenceRampDefineColumn::RAMP_STEP_NO] = value; }
    double RAMP_SHEAR_RATE() const { return row_[SequenceRampDefineColumn::RAMP_SHEAR_RATE]; }
    void setRAMP_SHEAR_RATE(double value) { row_[SequenceRampDefineColumn::RAMP_SHEAR_RATE] = value; }

    // Reads the shear-rate ramp of the sequence held in SequenceId, in RAMP_STEP_NO order.
    void GetSeqDetail();
    void AddNew() override;
    // Removes the whole shear-rate ramp of the sequence held in SequenceId.
    void Delete() override;

    // Number of shear-rate steps in the snapshot.
    int RampSteps() const { return rowCount_; }

  protected:
    void prepareStatements(const QSqlDatabase& db) override;
    void runInitialSelection() override;

  private:
    int select();

    store::Statement select_;
    store::Statement insert_;
    store::Statement delete_;
};
