#pragma once

#include "store/RecordBase.h"
#include "store/TestAudit.h"

#include <QString>

#include <optional>
#include <vector>

class clsConnection;

// Acceptance criteria ("at least 200 cP at 100 1/s for 120 min at 250 degF"): saved with a sequence
// (table SEQUENCE_CRITERION) as the usual specification of its tests, and per test (TEST_CRITERION), where
// the operator edits them. A test's criteria are replaced as a whole, in one transaction with their row in
// the record of changes.
namespace store::criteria {

enum class LimitKind { Minimum = 0, Maximum = 1 };
// Whose viscosity a criterion judges: the apparent viscosity of the ordinary readings taken at its shear
// rate, or the viscosity each ramp's power-law fit gives at its shear rate.
enum class ViscositySource { Apparent = 0, Fitted = 1 };

struct Criterion {
    double shearRate_1ps = 100;
    LimitKind kind = LimitKind::Minimum;
    double limit_cP = 0;
    double duration_min = 0;
    std::optional<double> minTemp_F;  // the clock starts once the sample is this warm
    ViscositySource source = ViscositySource::Apparent;

    bool operator==(const Criterion&) const = default;
};

// Why the operator's values make no criterion (a rate, limit or duration that is not a positive number, a
// temperature that is not a number); nothing when they do.
std::optional<QString> problemOf(const Criterion& criterion);

// The criterion in the command line's form, "RATE:CP:MINUTES[:MIN_TEMP_F] min|max apparent|fitted"
// ("100:200:120:250 min fitted"); the record of changes keeps lists of them.
QString specText(const Criterion& criterion);
QString specText(const std::vector<Criterion>& criteria);

inline constexpr const char* kWhat = "acceptance criteria";

inline constexpr const char* kOfTestSql =
    "SELECT CRITERION_NO, SHEAR_RATE, LIMIT_KIND, LIMIT_CP, DURATION_MIN, MIN_TEMP_F, VISCOSITY_SOURCE FROM "
    "TEST_CRITERION WHERE TEST_ID = ? ORDER BY CRITERION_NO";
inline constexpr const char* kOfSequenceSql =
    "SELECT CRITERION_NO, SHEAR_RATE, LIMIT_KIND, LIMIT_CP, DURATION_MIN, MIN_TEMP_F, VISCOSITY_SOURCE FROM "
    "SEQUENCE_CRITERION WHERE SEQUENCE_ID = ? ORDER BY CRITERION_NO";
inline constexpr Param kOwnerParams[] = {{"pOWNER_ID", ParamType::Double, 0}};
inline constexpr const char* kDeleteOfTestSql = "DELETE FROM TEST_CRITERION WHERE TEST_ID = ?";
inline constexpr const char* kDeleteOfSequenceSql = "DELETE FROM SEQUENCE_CRITERION WHERE SEQUENCE_ID = ?";
inline constexpr const char* kInsertOfTestSql =
    "INSERT INTO TEST_CRITERION (TEST_ID, CRITERION_NO, SHEAR_RATE, LIMIT_KIND, LIMIT_CP, DURATION_MIN, "
    "MIN_TEMP_F, VISCOSITY_SOURCE) VALUES (?, ?, ?, ?, ?, ?, ?, ?)";
inline constexpr const char* kInsertOfSequenceSql =
    "INSERT INTO SEQUENCE_CRITERION (SEQUENCE_ID, CRITERION_NO, SHEAR_RATE, LIMIT_KIND, LIMIT_CP, "
    "DURATION_MIN, MIN_TEMP_F, VISCOSITY_SOURCE) VALUES (?, ?, ?, ?, ?, ?, ?, ?)";
inline constexpr Param kInsertParams[] = {
    {"pOWNER_ID", ParamType::Double, 0},           {"pCRITERION_NO", ParamType::Double, 0},
    {"pSHEAR_RATE", ParamType::Double, 0},         {"pLIMIT_KIND", ParamType::Double, 0},
    {"pLIMIT_CP", ParamType::Double, 0},           {"pDURATION_MIN", ParamType::Double, 0},
    {"pMIN_TEMP_F", ParamType::OptionalDouble, 0}, {"pVISCOSITY_SOURCE", ParamType::Double, 0},
};
inline constexpr const char* kSequenceIdSql = "SELECT SEQUENCE_ID FROM SEQUENCE_INFO WHERE SEQUENCE_NAME = ?";
inline constexpr Param kSequenceNameParams[] = {{"pSEQUENCE_NAME", ParamType::Text, 40}};

// The criteria of a test, in their order; none on a read-only database that has no such table.
std::vector<Criterion> ofTest(clsConnection& connection, double testId);
// The criteria saved with the sequence of this exact name; nothing when no such sequence is stored.
std::optional<std::vector<Criterion>> ofSequence(clsConnection& connection, const QString& sequenceName);

// Replaces the criteria of a test and records the change (nothing is written when they are the same).
// Returns why nothing was stored (a criterion that is none, naming it), empty when done. A test no longer
// stored raises StoreError (kTestGone), as does any failure of the database.
QString setForTest(clsConnection& connection, double testId, const QString& testName,
                   const std::vector<Criterion>& criteria,
                   const audit::Actor& actor = audit::Actor::current());
// Replaces the criteria saved with a sequence. As setForTest; a sequence not stored raises StoreError.
QString setForSequence(clsConnection& connection, const QString& sequenceName,
                       const std::vector<Criterion>& criteria);

// Stores the criteria of a test copied to another database, as part of the caller's transaction.
void copyToTest(clsConnection& connection, double testId, const std::vector<Criterion>& criteria);

}  // namespace store::criteria
