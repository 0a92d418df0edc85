#pragma once

#include "common/CalibrationRecord.h"

#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

class clsConnection;

namespace store {
struct TableSchema;
}

// The torque calibrations of the units, one row per finished calibration run in UNIT_CALIBRATION (a table
// of its own beside the six): written by the calibration window and `r7716-cli calibrate` when a run
// ends, read by the test report to name the calibration a unit had when it recorded a test. A row belongs
// to a station's unit, not to a test, so deleting a test leaves it; copy-db copies the rows the target
// lacks.
namespace store::unit_calibration {

const TableSchema& table();

// What the calibration window and `r7716-cli calibrate` say when a finished run could not be stored (the
// unit has its result all the same); %1 is the database's reason.
inline constexpr const char* kNotKeptMessage =
    "The calibration was not kept in the database, so test reports cannot name it:\n%1";

// Stores a finished calibration in a transaction of its own. Throws StoreError.
void add(clsConnection& connection, const CalibrationRecord& record);

// Every stored calibration, oldest first; none on a database open read-only that has no such table.
std::vector<CalibrationRecord> all(clsConnection& connection);

// The last calibration of the unit on the station that reached the unit (sent) at or before `at`: the one
// the unit measured with from then on. Nothing when none is stored.
std::optional<CalibrationRecord> inEffect(clsConnection& connection, const QString& station, int unit,
                                          const QDateTime& at);

// Copies the calibrations that `to` does not hold (the same station, unit and time) from `from`, in one
// transaction of `to`. Returns how many were copied.
int copyMissing(clsConnection& from, clsConnection& to);

}  // namespace store::unit_calibration
