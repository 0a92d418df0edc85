#pragma once

#include "calibration/CalibrationFit.h"
#include "common/CalibrationRecord.h"
#include "common/DiagnosticLog.h"
#include "link/BobInfo.h"
#include "link/CalibrationLink.h"
#include "link/UnitPortFactory.h"

#include <QList>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class Messenger;
class Settings;

// One torque calibration of a unit, as the calibration window and `r7716-cli calibrate` run it: the unit
// and bob, Start with its checks, the bob file, the tick that reads the unit's points, the fit and the
// result sent back, the pressure-effect start, and the refusals while a calibration runs. The caller's
// timer calls tick() about once a second; nothing here waits.
//
// A unit that sends nothing for the silence timeout ends the calibration: the port is closed and nothing is
// sent to the unit. Neither is a line that would spoil the unit's calibration (CalibrationLine::sendable).
// Every failure inside a tick goes to the diagnostic log; the first of each kind in a run
// is handed to the caller to show.
class TorqueCalibration {
  public:
    static inline const QString kInvalidViscosity = QStringLiteral("Invalid input of viscosity value.");
    static inline const QString kPortError =
        QStringLiteral("Error in opening the commport, please make sure the unit is not occupied.");
    static inline const QString kCannotChangeUnit =
        QStringLiteral("Calibrating current unit, can not change unit. ");
    static inline const QString kWaitBeforeExit =
        QStringLiteral("Please wait calibration finish before exit.");
    static inline const QString kInProgress = QStringLiteral("Calibration in Progress.");
    static inline const QString kFinished = QStringLiteral("Calibration Finished Successfully.");
    static inline const QString kPossibleProblem =
        QStringLiteral("Possible problem in calibration.  Please check bob shaft assembly.");
    static inline const QString kPressureEffectInProgress =
        QStringLiteral("Pressure effect calibration in progress.");
    static inline const QString kWaitBeforePressureEffect =
        QStringLiteral("Please wait calibration finish before starting the pressure effect calibration.");
    static inline const QString kNoUnit =
        QStringLiteral("No unit to calibrate: no unit has a serial port in \"%1\".");
    static inline const QString kAbandoned =
        QStringLiteral("Calibration abandoned: no answer from the unit.");
    static inline const QString kNotSent =
        QStringLiteral("Calibration failed: nothing was sent to the unit.");
    static inline const QString kOldCalibrationKept = QStringLiteral(
        "Nothing was sent to the unit: it keeps its old calibration. Please check the unit and calibrate "
        "again.");

    static constexpr double kMinViscosity_cP = 0.0001;
    static constexpr double kMaxViscosity_cP = 10000;
    static constexpr double kDefaultSilenceTimeout_s = 600;
    static constexpr int kTickInterval_ms = 1000;

    // An entry of the unit list.
    struct UnitEntry {
        QString text;  // "Unit  3"
        int unit = 0;
        int port = 0;
    };
    // "Unit", a blank, then the number with its sign blank: "Unit  3".
    static QString unitEntryText(int unit);
    // The units that have a port in the settings, in unit order.
    static QList<UnitEntry> unitEntries(const Settings& settings);

    struct TickReport {
        int newPoints = 0;
        bool ended = false;  // the calibration ended in this tick (end of data or silence)
        QString failure;     // a failure shown for the first time in this run; empty otherwise
    };

    TorqueCalibration(UnitPortFactory ports, Messenger& messenger, DiagnosticLog log = DiagnosticLog());
    ~TorqueCalibration();
    TorqueCalibration(const TorqueCalibration&) = delete;
    TorqueCalibration& operator=(const TorqueCalibration&) = delete;

    // Seconds on a monotonic clock; a clock of the simulated unit in tests.
    void setClock(std::function<double()> now_s) { clock_ = std::move(now_s); }
    void setSilenceTimeout(double seconds) { silenceTimeout_s_ = seconds; }
    double silenceTimeout() const { return silenceTimeout_s_; }
    void setBobFilePath(const QString& path) { bobFile_ = path; }
    // Told of every run that ended with the unit's end message, its line sent or not (an abandoned run is
    // not a calibration): the program keeps it in its database. Runs in tick().
    void setFinishedSink(std::function<void(const CalibrationRecord&)> sink) { finished_ = std::move(sink); }

    // The unit list's selection. Refused, with its message, while calibrating. An idle port open on
    // another unit (after a pressure-effect start) is closed, so that Start opens the new unit's port.
    bool selectUnit(const UnitEntry& entry);
    const std::optional<UnitEntry>& unit() const { return unit_; }

    // cmdStart: checks the viscosity as typed, opens the port (or keeps the one a pressure-effect start
    // opened), writes the bob file, sends the calibration start. False, after a message, when it did not
    // start; nothing has been sent then.
    bool start(const QString& viscosityText, int bobIndex);
    // Timer1: reads what the unit sent, takes its points, finishes at its end or after the silence.
    TickReport tick();
    // Command1: opens the port if needed and sends the pressure-effect start; the port stays open.
    bool startPressureEffect();
    // cmdReturn and the close box: false, after the refusal, while calibrating.
    bool mayClose();
    void closePort();

    bool calibrating() const { return calibrating_; }
    UnitPort* port() { return port_.get(); }
    // Status panel 2.
    const QString& statusText() const { return statusText_; }

    int bobIndex() const { return bobIndex_; }
    const QList<double>& stresses() const { return stresses_; }  // bob-scaled, dyn/cm2
    const QList<double>& voltages() const { return voltages_; }  // Vdc
    double zeroStressVoltage() const { return zeroStressVoltage_; }
    // The line of the last finished run (none before one and during a run).
    const std::optional<CalibrationLine>& line() const { return line_; }
    // The quality value of the last finished run, for the report; none before one and during a run.
    std::optional<double> quality() const;
    // True when the last finished run's result reached the unit.
    bool resultSent() const { return resultSent_; }
    bool timedOut() const { return timedOut_; }
    int skippedMessages() const { return skipped_; }

  private:
    bool openPort();
    void takeMessage(const CalibrationLink::Message& message, TickReport& report);
    void finish();
    void tellFinished(const CalibrationLine& line, const QString& problem);
    void refuse(const CalibrationLine& line);
    void abandon();
    void failure(const QString& kind, const QString& text, TickReport& report);
    void endRun();
    QString where() const;
    double now() const { return clock_(); }

    UnitPortFactory ports_;
    Messenger& messenger_;
    DiagnosticLog log_;
    std::function<double()> clock_;
    double silenceTimeout_s_ = kDefaultSilenceTimeout_s;
    QString bobFile_ = BobInfo::kFileName;
    std::function<void(const CalibrationRecord&)> finished_;

    std::optional<UnitEntry> unit_;
    std::unique_ptr<UnitPort> port_;
    int portNumber_ = 0;  // of the open port
    CalibrationLink::Parser parser_;

    bool calibrating_ = false;
    QString statusText_;
    int bobIndex_ = 0;
    double bobFactor_ = 1;
    double viscosity_cP_ = 0;
    QList<double> stresses_, voltages_;
    double zeroStressVoltage_ = 0;
    std::optional<CalibrationLine> line_;
    bool resultSent_ = false;
    bool timedOut_ = false;
    int skipped_ = 0;
    double lastHeard_s_ = 0;
    QSet<QString> shownKinds_;
};
