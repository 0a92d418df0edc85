#pragma once

#include "store/Schema.h"

#include <QDateTime>
#include <QList>
#include <QString>

class clsConnection;

// The live status of every unit a program serves, one row per station and unit in UNIT_STATUS: what the
// lab monitor shows of units running anywhere in the lab. A row is replaced as the unit's status changes
// and removed when the program stops serving the unit; a row nobody replaces grows old, which is how a
// station that died shows.
namespace store {

// What a unit is doing, as its status row says.
enum class UnitActivity {
    Idle,
    TemperatureRamp,  // a test runs, in a temperature ramp
    ShearRateRamp,    // a test runs, in a shear-rate ramp
    NotAnswering,     // the unit is silent or answers garbage
    PortLost,         // the unit's port cannot be used (an adapter pulled out, a port that does not open)
};

// The stored word of an activity ("idle", "temperature-ramp", "shear-rate-ramp", "not-answering",
// "port-lost"), and back; an unknown word reads as NotAnswering.
QString activityText(UnitActivity activity);
UnitActivity activityFromText(const QString& text);

struct UnitStatusRow {
    QString station;  // the host name
    int unit = 0;     // 1 to 8
    UnitActivity activity = UnitActivity::Idle;
    QString stateText;  // what the unit window's state label shows ("Ramping", "No Response")
    QString program;    // who serves the unit ("r7716", "r7716-cli run")
    QString testName;   // empty when no test runs
    QString sequenceName;
    int rampNo = 0;
    int stepNo = 0;
    double sampleTemp_F = 0;
    double bathTemp_F = 0;
    double setPoint_F = 0;
    double pressure_psi = 0;
    double shearRate_1ps = 0;
    double shearStress_dyncm2 = 0;
    double viscosity_cP = 0;
    int readingsWaiting = 0;  // readings of the run that wait for the database (the spool)
    QDateTime time;           // when the status was taken (UTC)

    bool operator==(const UnitStatusRow&) const = default;
};

namespace unit_status {

const TableSchema& table();

// Replaces (or adds) the row of the status's station and unit. Throws StoreError.
void upsert(clsConnection& connection, const UnitStatusRow& status);
// The program no longer serves the unit. Throws StoreError.
void remove(clsConnection& connection, const QString& station, int unit);
// Every row, by station and unit; none when the table does not exist (a database open read-only that no
// program has served a unit from). Throws StoreError.
QList<UnitStatusRow> all(clsConnection& connection);

}  // namespace unit_status
}  // namespace store
