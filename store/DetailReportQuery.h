#pragma once

#include "store/RecordBase.h"

#include <QVariantList>

#include <array>
#include <vector>

class clsConnection;

// The two selections of the detail data report: the test's TEST_INFO row by its key, and its readings
// listed ramp by ramp, step by step and in time order within a step, with three computed columns.
namespace detail_report_query {

inline constexpr const char* kTestInfoSql =
    "SELECT TEST_ID, TEST_NAME, FLUID_ID, TEST_TIME, RESEARCHER_NAME, ROTOR_NO, BOB_NO, BOB_RADIUS, "
    "BOB_EFF_LENGTH, PRETEST_PH, POSTTEST_PH, SAFETY FROM TEST_INFO WHERE TEST_ID = ?";
inline constexpr const char* kReadingsSql =
    "SELECT TEST_RESULT_ID, TEST_ID, RAMP_NO, RAMP_STEP_NO, RESULT_TIME/60.0, RESULT_SAMPLE_TEMP, "
    "RESULT_PRESS, RESULT_SHEAR_RATE, RESULT_SHEAR_STRESS, RESULT_TYPE_ID, RESULT_BATH_TEMP, "
    "(RESULT_SHEAR_STRESS/(0.0000001+RESULT_SHEAR_RATE)*100.0) AS VISCOSITY, "
    "(RESULT_SHEAR_STRESS/5.11) AS FANNDIAL FROM TEST_RESULT WHERE TEST_ID = ? "
    "ORDER BY RAMP_NO, RAMP_STEP_NO, RESULT_TIME";
inline constexpr store::Param kTestIdParams[] = {{"pTEST_ID", store::ParamType::Double, 0}};

// Columns of a reading row, in select order.
enum Column : int {
    TEST_RESULT_ID,
    TEST_ID,
    RAMP_NO,
    RAMP_STEP_NO,
    RESULT_TIME_MIN,  // RESULT_TIME / 60.0
    RESULT_SAMPLE_TEMP,
    RESULT_PRESS,
    RESULT_SHEAR_RATE,
    RESULT_SHEAR_STRESS,
    RESULT_TYPE_ID,
    RESULT_BATH_TEMP,
    VISCOSITY,  // cP; the added 1e-7 keeps a stopped rotor from dividing by zero
    FANNDIAL,   // degrees of a FANN 35 dial with F1 spring: 5.11 dyn/cm2 per degree
    ColumnCount
};

// A Null value reads as NaN (shown as nothing).
using Row = std::array<double, ColumnCount>;

struct Result {
    bool found = false;        // false when no TEST_INFO row has the key
    QVariantList testInfoRow;  // the twelve columns of kTestInfoSql as stored (TEST_TIME as a date and time)
    std::vector<Row> readings;
};

// Runs both selections on the connection; failures come out as StoreError.
Result Read(clsConnection& connection, double testId);

}  // namespace detail_report_query
