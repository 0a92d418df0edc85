#include "calibration/TorqueCalibration.h"

#include "common/Messenger.h"
#include "common/Settings.h"
#include "common/VbFormat.h"
#include "link/BobFile.h"
#include "link/UnitAssignment.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QSysInfo>

#include <cmath>

namespace {

QString number(double value, const char* picture) {
    return vb::Format(value, QString::fromLatin1(picture));
}

// "<description> - <number>", as the port service reports a failure.
QString portFailure(const UnitPortError& e) {
    return UnitAssignment::errorText({e.description(), e.number()});
}

// Bytes of a message as readable text for the diagnostic log: control bytes as <n>.
QString printable(const QByteArray& bytes) {
    QString out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += b >= 0x20 && b < 0x7f ? QString(QChar(b)) : QStringLiteral("<%1>").arg(b);
    }
    return out;
}

}  // namespace

QString TorqueCalibration::unitEntryText(int unit) {
    return QStringLiteral("Unit ") + vb::Str(unit);
}

QList<TorqueCalibration::UnitEntry> TorqueCalibration::unitEntries(const Settings& settings) {
    QList<UnitEntry> entries;
    for (int unit = 1; unit <= InitialSettings::kUnitCount; ++unit)
        if (const int port = settings.port(unit); port != 0)
            entries.append({unitEntryText(unit), unit, port});
    return entries;
}

TorqueCalibration::TorqueCalibration(UnitPortFactory ports, Messenger& messenger, DiagnosticLog log)
    : ports_(std::move(ports)), messenger_(messenger), log_(std::move(log)) {
    auto timer = std::make_shared<QElapsedTimer>();
    timer->start();
    clock_ = [timer] { return static_cast<double>(timer->nsecsElapsed()) / 1e9; };
}

TorqueCalibration::~TorqueCalibration() {
    closePort();
}

QString TorqueCalibration::where() const {
    return unit_ ? UnitAssignment::unitText(unit_->unit) + QStringLiteral(" calibration")
                 : QStringLiteral("Calibration");
}

bool TorqueCalibration::selectUnit(const UnitEntry& entry) {
    if (calibrating_) {
        messenger_.info(kCannotChangeUnit);
        return false;
    }
    if (port_ && portNumber_ != entry.port) closePort();
    unit_ = entry;
    return true;
}

void TorqueCalibration::closePort() {
    if (port_) port_->close();
    port_.reset();
    portNumber_ = 0;
}

bool TorqueCalibration::openPort() {
    if (!unit_) {
        messenger_.info(kNoUnit.arg(QString::fromLatin1(InitialSettings::kFileName)));
        return false;
    }
    if (port_ && port_->isOpen() && portNumber_ == unit_->port) return true;
    closePort();
    port_ = ports_ ? ports_(unit_->port) : nullptr;
    if (!port_) {
        messenger_.info(kPortError + u'\n' + UnitAssignment::kCreateObjectErrorText);
        return false;
    }
    try {
        port_->open(unit_->port);
    } catch (const UnitPortError& e) {
        port_.reset();
        messenger_.info(kPortError + u'\n' + portFailure(e));
        return false;
    }
    portNumber_ = unit_->port;
    return true;
}

bool TorqueCalibration::start(const QString& viscosityText, int bobIndex) {
    if (calibrating_) return false;
    const double viscosity = vb::Val(viscosityText);
    if (viscosity < kMinViscosity_cP || viscosity > kMaxViscosity_cP) {
        messenger_.info(kInvalidViscosity);
        return false;
    }
    if (bobIndex < 0 || bobIndex >= static_cast<int>(kCalibrationBobs.size())) bobIndex = 0;
    if (!openPort()) return false;
    try {
        // Whatever the unit sent before (status replies after a pressure-effect start) is not a point.
        port_->readAll();
    } catch (const UnitPortError& e) {
        closePort();
        messenger_.info(kPortError + u'\n' + portFailure(e));
        return false;
    }
    // The bob file first: when it cannot be written the unit has not been asked to calibrate yet.
    const QString bob = QString::fromLatin1(kCalibrationBobs[static_cast<std::size_t>(bobIndex)].name);
    const BobFile::Outcome written = BobFile::setUnitBob(unit_->unit, bob, bobFile_);
    if (!written.ok) {
        closePort();
        messenger_.info(QStringLiteral("The calibration was not started: %1. Nothing was sent to the unit.")
                            .arg(written.problem));
        return false;
    }
    try {
        port_->send(CalibrationLink::calibrationStart(viscosity));
    } catch (const UnitPortError& e) {
        closePort();
        messenger_.info(kPortError + u'\n' + portFailure(e));
        return false;
    }
    bobIndex_ = bobIndex;
    viscosity_cP_ = viscosity;
    bobFactor_ = kCalibrationBobs[static_cast<std::size_t>(bobIndex)].factor;
    stresses_.clear();
    voltages_.clear();
    zeroStressVoltage_ = 0;
    line_.reset();
    resultSent_ = false;
    timedOut_ = false;
    skipped_ = 0;
    shownKinds_.clear();
    parser_.clear();
    lastHeard_s_ = now();
    calibrating_ = true;
    statusText_ = kInProgress;
    return true;
}

void TorqueCalibration::failure(const QString& kind, const QString& text, TickReport& report) {
    if (!log_.append(where(), text) && !shownKinds_.contains(QStringLiteral("log"))) {
        shownKinds_.insert(QStringLiteral("log"));
        if (report.failure.isEmpty())
            report.failure = QStringLiteral("%1 cannot be written: %2").arg(log_.path(), log_.lastError());
    }
    if (shownKinds_.contains(kind)) return;
    shownKinds_.insert(kind);
    if (report.failure.isEmpty()) report.failure = text;
}

TorqueCalibration::TickReport TorqueCalibration::tick() {
    TickReport report;
    if (!calibrating_) return report;
    QByteArray bytes;
    try {
        bytes = port_->readAll();
    } catch (const UnitPortError& e) {
        failure(QStringLiteral("port %1").arg(e.number()),
                QStringLiteral("Reading the unit's port failed: %1").arg(portFailure(e)), report);
    }
    if (!bytes.isEmpty()) lastHeard_s_ = now();
    for (const CalibrationLink::Message& message : parser_.feed(bytes)) {
        takeMessage(message, report);
        if (!calibrating_) {
            report.ended = true;
            return report;
        }
    }
    if (now() - lastHeard_s_ >= silenceTimeout_s_) {
        abandon();
        report.ended = true;
    }
    return report;
}

void TorqueCalibration::takeMessage(const CalibrationLink::Message& message, TickReport& report) {
    using Kind = CalibrationLink::Message::Kind;
    switch (message.kind) {
        case Kind::End:
            finish();
            return;
        case Kind::Unreadable:
            ++skipped_;
            failure(QStringLiteral("unreadable"),
                    QStringLiteral(
                        "Skipped a message from the unit that is no data point: %1 (%2 skipped so far)")
                        .arg(printable(message.bytes), number(skipped_, "0")),
                    report);
            return;
        case Kind::Point:
            break;
    }
    const double stress = message.stress * bobFactor_;
    stresses_.append(stress);
    voltages_.append(message.voltage);
    if (std::fabs(stress) < 0.0001) zeroStressVoltage_ = message.voltage;
    ++report.newPoints;
}

void TorqueCalibration::finish() {
    const CalibrationLine line = fitCalibrationLine(voltages_, stresses_);
    line_ = line;
    if (!line.sendable()) {
        refuse(line);
        tellFinished(line, line.reason());
        return;
    }
    try {
        port_->send(CalibrationLink::calibrationResult(line.c0, line.c1, zeroStressVoltage_));
        resultSent_ = true;
    } catch (const UnitPortError& e) {
        endRun();
        statusText_ = kNotSent;
        log_.append(where(),
                    QStringLiteral("The calibration result could not be sent: %1").arg(portFailure(e)));
        messenger_.info(QStringLiteral("The calibration result could not be sent to the unit: %1. Please "
                                       "calibrate again.")
                            .arg(portFailure(e)));
        tellFinished(line, QStringLiteral("not sent: %1").arg(portFailure(e)));
        return;
    }
    endRun();
    tellFinished(line, line.reason());
    if (line.good()) {
        statusText_ = kFinished;
        return;
    }
    statusText_ = kPossibleProblem;
    messenger_.info(kPossibleProblem + QStringLiteral("\n(") + line.reason() + u')', QString(),
                    MsgIcon::Exclamation);
}

void TorqueCalibration::tellFinished(const CalibrationLine& line, const QString& problem) {
    if (!finished_ || !unit_) return;
    finished_({.station = QSysInfo::machineHostName(),
               .unit = unit_->unit,
               .time = QDateTime::currentDateTime(),
               .bob = QString::fromLatin1(kCalibrationBobs[static_cast<std::size_t>(bobIndex_)].name),
               .fluidViscosity_cP = viscosity_cP_,
               .c0 = line.c0,
               .c1 = line.c1,
               .zeroStressVoltage = zeroStressVoltage_,
               .quality = line.quality,
               .lineR2 = line.r2,
               .points = line.points,
               .sent = resultSent_,
               .remark = problem});
}

// A line that would spoil the unit's calibration stays here: the unit goes on with the one it holds.
void TorqueCalibration::refuse(const CalibrationLine& line) {
    endRun();
    statusText_ = kNotSent;
    log_.append(where(), QStringLiteral("The calibration result was not sent: %1.").arg(line.reason()));
    messenger_.info(
        kPossibleProblem + u'\n' + kOldCalibrationKept + QStringLiteral("\n(") + line.reason() + u')',
        QString(), MsgIcon::Exclamation);
}

std::optional<double> TorqueCalibration::quality() const {
    if (!line_) return std::nullopt;
    return line_->quality;
}

void TorqueCalibration::abandon() {
    timedOut_ = true;
    endRun();
    statusText_ = kAbandoned;
    const QString text =
        QStringLiteral(
            "%1 has sent nothing for %2 s. The calibration was abandoned and nothing "
            "was sent to the unit.")
            .arg(unit_ ? unit_->text : QStringLiteral("The unit"), number(silenceTimeout_s_, "0"));
    log_.append(where(), text);
    messenger_.info(text, QString(), MsgIcon::Exclamation);
}

void TorqueCalibration::endRun() {
    calibrating_ = false;
    parser_.clear();
    closePort();
}

bool TorqueCalibration::startPressureEffect() {
    if (calibrating_) {
        messenger_.info(kWaitBeforePressureEffect);
        return false;
    }
    if (!openPort()) return false;
    try {
        port_->send(CalibrationLink::pressureEffectStart());
    } catch (const UnitPortError& e) {
        messenger_.info(kPortError + u'\n' + portFailure(e));
        return false;
    }
    statusText_ = kPressureEffectInProgress;
    return true;
}

bool TorqueCalibration::mayClose() {
    if (!calibrating_) return true;
    messenger_.info(kWaitBeforeExit);
    return false;
}
