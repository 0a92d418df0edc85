#pragma once

#include "link/UnitExchange.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

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
    PortFailed,  // the port could not be read or written
};

// Throws away what is waiting, sends the data request, waits kFirstWait_s, then reads and waits kStepWait_s
// until the port has nothing waiting. A port failure ends it; what came before is kept but not judged.
class Exchange : public UnitExchange {
  public:
    Next start(UnitPort& port) override;
    Next step(UnitPort& port) override;

    const QByteArray& transfer() const { return transfer_; }
    // Records ended so far.
    int recordsReceived() const { return records_; }
    const std::optional<UnitPortError>& portFailure() const { return portFailure_; }
    // After the exchange: PortFailed after a port failure, else the judgement of the transfer.
    Outcome outcome() const;
    // What the operator is told for the outcome; empty for Complete.
    QString message() const;

  private:
    Next failed(const UnitPortError& error);

    QByteArray transfer_;
    std::optional<UnitPortError> portFailure_;
    bool firstReadDone_ = false;
    int records_ = 0;
};

// The whole exchange waiting on the port (tests through a real terminal). Port failures are thrown
// (UnitPortError).
QByteArray fetch(UnitPort& port);

Outcome judge(const QByteArray& transfer);

// The message for an outcome other than Complete (empty for Complete); portFailure describes the port's
// failure for PortFailed.
QString messageFor(Outcome outcome, const QString& portFailure = {});

// The records of a complete transfer: every text before a byte 3, split at its commas, each field's leading
// number. A record with fewer than nine fields is skipped (counted in *skipped when given); the byte 2 and
// anything after the last byte 3 are ignored.
QList<DataRecord> parseRecords(const QByteArray& transfer, int* skipped = nullptr);

}  // namespace DataDownload
