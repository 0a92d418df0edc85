#pragma once

#include "store/FieldRecord.h"

// The named test sequences (table SEQUENCE_INFO): name and global settings, looked up and deleted by name.
class clsSEQUENCE_INFO : public FieldRecord {
  public:
    static constexpr const char* kNamesSql =
        "SELECT SEQUENCE_NAME  FROM SEQUENCE_INFO ORDER BY SEQUENCE_NAME";
    static constexpr const char* kLookupSql =
        "SELECT SEQUENCE_ID, SEQUENCE_NAME, TIME_BEFORE_READ, RAMP_SAMPLE_RATE, SAMPLE_POINTS_AVERAGE, "
        "SHUT_DOWN_ATIME, SHUT_DOWN_VISC, SAMPLE_INTERVAL  FROM SEQUENCE_INFO Where SEQUENCE_NAME = ?";
    static constexpr store::Param kLookupParams[] = {{"pSEQUENCE_NAME", store::ParamType::Text, 40}};
    static constexpr const char* kInsertSql =
        "INSERT INTO  SEQUENCE_INFO (SEQUENCE_NAME, TIME_BEFORE_READ, RAMP_SAMPLE_RATE, "
        "SAMPLE_POINTS_AVERAGE, "
        "SHUT_DOWN_ATIME, SHUT_DOWN_VISC, SAMPLE_INTERVAL) VALUES (?, ?, ?, ?, ?, ?, ?)";
    static constexpr store::Param kInsertParams[] = {
        {"pSEQUENCE_NAME", store::ParamType::Text, 40},
        {"pTIME_BEFORE_READ", store::ParamType::Double, 0},
        {"pRAMP_SAMPLE_RATE", store::ParamType::Double, 0},
        {"pSAMPLE_POINTS_AVERAGE", store::ParamType::Double, 0},
        {"pSHUT_DOWN_ATIME", store::ParamType::Double, 0},
        {"pSHUT_DOWN_VISC", store::ParamType::Double, 0},
        {"pSAMPLE_INTERVAL", store::ParamType::Double, 0},
    };
    static constexpr const char* kUpdateSql =
        "UPDATE SEQUENCE_INFO SET SEQUENCE_NAME = ?, TIME_BEFORE_READ = ?, RAMP_SAMPLE_RATE = ?, "
        "SAMPLE_POINTS_AVERAGE = ?, SHUT_DOWN_ATIME = ?, SHUT_DOWN_VISC = ?, SAMPLE_INTERVAL = ?  WHERE "
        "SEQUENCE_ID = ?";
    static constexpr store::Param kUpdateParams[] = {
        {"pSEQUENCE_NAME", store::ParamType::Text, 40},
        {"pTIME_BEFORE_READ", store::ParamType::Double, 0},
        {"pRAMP_SAMPLE_RATE", store::ParamType::Double, 0},
        {"pSAMPLE_POINTS_AVERAGE", store::ParamType::Double, 0},
        {"pSHUT_DOWN_ATIME", store::ParamType::Double, 0},
        {"pSHUT_DOWN_VISC", store::ParamType::Double, 0},
        {"pSAMPLE_INTERVAL", store::ParamType::Double, 0},
        {"pSEQUENCE_ID", store::ParamType::Double, 0},
    };
    static constexpr const char* kDeleteSql = "DELETE  FROM SEQUENCE_INFO  WHERE SEQUENCE_NAME = ?";
    static constexpr store::Param kDeleteParams[] = {{"pSEQUENCE_NAME", store::ParamType::Text, 40}};
    // Deleting a sequence also deletes its steps, its shear-rate ramp and its criteria, in the same
    // transaction as the sequence's row, so that a later sequence can never inherit them.
    static constexpr const char* kDeleteStepsSql =
        "DELETE FROM SEQUENCE_RAMP WHERE SEQUENCE_ID IN (SELECT SEQUENCE_ID FROM SEQUENCE_INFO WHERE "
        "SEQUENCE_NAME = ?)";
    static constexpr const char* kDeleteShearRampSql =
        "DELETE FROM SEQUENCE_RAMP_DEFINE WHERE SEQUENCE_ID IN (SELECT SEQUENCE_ID FROM SEQUENCE_INFO WHERE "
        "SEQUENCE_NAME = ?)";

    static constexpr double kDefaultTimeBeforeRead_s = 20;
    static constexpr double kDefaultRampSampleRate_s = 2;
    static constexpr double kDefaultSamplePointsAverage = 5;
    static constexpr double kDefaultShutDownAtime_min = 20;
    static constexpr double kDefaultShutDownVisc_cP = 0;
    static constexpr int kDefaultSampleInterval_s = 60;

    clsSEQUENCE_INFO();

    double SEQUENCE_ID() const { return number(SequenceId); }
    void setSEQUENCE_ID(double value) { set(SequenceId, value); }
    QString SEQUENCE_NAME() const { return text(SequenceName); }
    void setSEQUENCE_NAME(const QString& value) { set(SequenceName, value); }
    double TIME_BEFORE_READ() const { return number(TimeBeforeRead); }
    void setTIME_BEFORE_READ(double value) { set(TimeBeforeRead, value); }
    double RAMP_SAMPLE_RATE() const { return number(RampSampleRate); }
    void setRAMP_SAMPLE_RATE(double value) { set(RampSampleRate, value); }
    double SAMPLE_POINTS_AVERAGE() const { return number(SamplePointsAverage); }
    void setSAMPLE_POINTS_AVERAGE(double value) { set(SamplePointsAverage, value); }
    double SHUT_DOWN_ATIME() const { return number(ShutDownAtime); }
    void setSHUT_DOWN_ATIME(double value) { set(ShutDownAtime, value); }
    double SHUT_DOWN_VISC() const { return number(ShutDownVisc); }
    void setSHUT_DOWN_VISC(double value) { set(ShutDownVisc, value); }
    int SAMPLE_INTERVAL() const { return integer(SampleInterval); }
    // Rounded to the nearest integer, half to even (60.5 -> 60, 61.5 -> 62).
    void setSAMPLE_INTERVAL(double value);

    // Re-runs the names statement; JustName and the snapshot stay as the last ConnectX left them.
    void Refresh() override;
    // Reads every row named SEQUENCE_NAME; the first becomes the current row.
    void GetSeqDetail();
    void AddNew() override;
    // Writes the current row to the row whose key is SEQUENCE_ID.
    void Update() override;
    // Removes every sequence named SEQUENCE_NAME together with its steps and shear-rate ramp, all or nothing.
    void Delete() override;

    // The sequence names read by the last ConnectX, one column, in name order, addressed (column, row).
    RecordTable JustName() const { return names_; }

  protected:
    QVariant defaultValue(int field) const override;
    void prepareStatements(const QSqlDatabase& db) override;
    void runInitialSelection() override;

  private:
    enum FieldIndex {
        SequenceId,
        SequenceName,
        TimeBeforeRead,
        RampSampleRate,
        SamplePointsAverage,
        ShutDownAtime,
        ShutDownVisc,
        SampleInterval
    };
    static constexpr store::Param kDeleteChildrenParams[] = {{"pSEQUENCE_NAME", store::ParamType::Text, 40}};

    RecordTable names_;
    store::Statement namesList_;
    store::Statement lookup_;
    store::Statement insert_;
    store::Statement update_;
    store::Statement delete_;
    store::Statement deleteSteps_;
    store::Statement deleteShearRamp_;
};
