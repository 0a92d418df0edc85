#pragma once

#include "instrument/UnitPort.h"

#include <QByteArray>
#include <QList>
#include <QString>

// One record of a unit's stored test, as the unit sends it in answer to the data request.
struct DataRecord {
    int rampNo = 0;  // RAMP_NO
    int stepNo = 0;  // RAMP_STEP_NO
    int time_s = 0;  // RESULT_TIME, the unit's own seconds
    double sampleTemp_F = 0;
    double bathTemp_F = 0;
    double pressure_psi = 0;
    double shearRate_1ps = 0;
    double shearStress = 0;  // dyn/cm2 as the unit sends it (no bob factor applied)
    int typeId = 0;          // RESULT_TYPE_ID: 0 temperature ramp, 1 shear-rate ramp

    bool operator==(const DataRecord&) const = default;
};

// The data download of a sequence-test window ("Retrieve Last Result"), on the wire: the exchange, the
// judgement of what came back, and the records. Storing them is the window's.
namespace DataDownload {

constexpr char kRecordEnd = 3;
constexpr char kTransferEnd = 2;
constexpr double kFirstWait_s = 2.0;
constexpr double kStepWait_s = 0.5;

inline const QString kTitle = QStringLiteral("Communication Error");
inline const QString kNoResponseText = QStringLiteral("No response from R7716, please check connection.");
inline const QString kCommunicationErrorText =
    QStringLiteral("Communication error from R7716, please download data again.");

enum class Outcome {
    Complete,    // ends in byte 2: store the records
    NoResponse,  // nothing came
    Incomplete,  // something came but not its end: ask for a new download
};

// Throws away what is waiting, sends the data request, waits kFirstWait_s, then reads and waits kStepWait_s
// until the port has nothing waiting. Port failures propagate (UnitPortError) to the window; whatever was
// collected before a failure is lost with it, which the window reports as a failed download.
QByteArray fetch(UnitPort& port);

Outcome judge(const QByteArray& transfer);

// The message for an outcome other than Complete (empty for Complete).
QString messageFor(Outcome outcome);

// The records of a complete transfer: every text before a byte 3, split at its commas, each field's leading
// number. A record with fewer than nine fields is skipped (counted in *skipped when given); the byte 2 and
// anything after the last byte 3 are ignored.
QList<DataRecord> parseRecords(const QByteArray& transfer, int* skipped = nullptr);

}  // namespace DataDownload
