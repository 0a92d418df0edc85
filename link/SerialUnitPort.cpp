#include "link/SerialUnitPort.h"

#include "common/VbFormat.h"
#include "link/SerialPortName.h"
#include "link/WireTrace.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <limits>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace {

constexpr int kReconnectInterval_ms = 250;
// A device that keeps delivering could keep one read busy forever; a read takes what is there now.
constexpr int kMaxPullsPerRead = 64;

int errorNumber(QSerialPort::SerialPortError error) {
    return UnitPortErrorNumber::kBase + static_cast<int>(error);
}

// The port service says "Permission error while locking the device" (or the system's "busy") when another
// program holds the port; to an operator that reads like missing rights. Where we may use the device, a
// permission failure can only mean that it is taken.
bool isHeldByAnother(QSerialPort::SerialPortError error, const QString& devicePath) {
    if (error != QSerialPort::PermissionError) return false;
#ifdef Q_OS_WIN
    return true;  // Windows reports a port opened elsewhere as access denied
#else
    return ::access(QFile::encodeName(devicePath).constData(), R_OK | W_OK) == 0;
#endif
}

bool isDeviceFailure(QSerialPort::SerialPortError error) {
    return error == QSerialPort::ReadError || error == QSerialPort::WriteError ||
           error == QSerialPort::ResourceError;
}

}  // namespace

bool applySerialSettings(QSerialPort& port, const QString& settings) {
    const QStringList parts = settings.split(u',');
    if (parts.size() != 4) return false;
    bool ok = false;
    const int baud = parts[0].trimmed().toInt(&ok);
    if (!ok || baud <= 0) return false;

    QSerialPort::Parity parity;
    const QString p = parts[1].trimmed().toLower();
    if (p == u"n")
        parity = QSerialPort::NoParity;
    else if (p == u"e")
        parity = QSerialPort::EvenParity;
    else if (p == u"o")
        parity = QSerialPort::OddParity;
    else if (p == u"m")
        parity = QSerialPort::MarkParity;
    else if (p == u"s")
        parity = QSerialPort::SpaceParity;
    else
        return false;

    const int bits = parts[2].trimmed().toInt(&ok);
    if (!ok || bits < 5 || bits > 8) return false;

    QSerialPort::StopBits stop;
    const QString s = parts[3].trimmed();
    if (s == u"1")
        stop = QSerialPort::OneStop;
    else if (s == u"1.5")
        stop = QSerialPort::OneAndHalfStop;
    else if (s == u"2")
        stop = QSerialPort::TwoStop;
    else
        return false;

    port.setBaudRate(baud);
    port.setParity(parity);
    port.setDataBits(static_cast<QSerialPort::DataBits>(bits));
    port.setStopBits(stop);
    port.setFlowControl(QSerialPort::NoFlowControl);
    return true;
}

SerialUnitPort::SerialUnitPort() = default;

SerialUnitPort::~SerialUnitPort() {
    close();
}

void SerialUnitPort::open(int portNumber) {
    if (portNumber < 1)
        throw UnitPortError(
            QStringLiteral("Invalid port number ") + vb::Format(portNumber, QStringLiteral("0")),
            UnitPortErrorNumber::kInvalidPortNumber);
    QString problem;
    const QString device = SerialPortName::deviceForPort(portNumber, SerialPortName::kPortListFile, &problem);
    if (!problem.isEmpty()) {
        lastError_ = problem;
        throw UnitPortError(problem, UnitPortErrorNumber::kInvalidPortNumber);
    }
    openAs(device, portNumber);
}

void SerialUnitPort::openDevice(const QString& devicePath) {
    openAs(devicePath, 0);
}

void SerialUnitPort::openAs(const QString& devicePath, int portNumber) {
    if (open_)
        throw UnitPortError(QStringLiteral("Port already open (") + devicePath_ + u')',
                            UnitPortErrorNumber::kAlreadyOpen);
    devicePath_ = SerialPortName::deviceLocation(devicePath);
    portNumber_ = portNumber;
    input_.clear();
    QString failure;
    int number = 0;
    if (!openSerial(&failure, &number)) {
        lastError_ = failure;
        throw UnitPortError(failure, number);
    }
    open_ = true;
    lost_ = false;
    lastError_.clear();
    wire_trace::write(traceName(), "opened");
}

QString SerialUnitPort::traceName() const {
    if (portNumber_ < 1) return devicePath_;
    return QStringLiteral("port ") + vb::Format(portNumber_, QStringLiteral("0")) + QStringLiteral(" (") +
           devicePath_ + u')';
}

bool SerialUnitPort::openSerial(QString* failure, int* number) {
    serial_.setPortName(devicePath_);
    if (!serial_.open(QIODevice::ReadWrite)) {
        *failure = devicePath_ + QStringLiteral(": ") +
                   (isHeldByAnother(serial_.error(), devicePath_) ? kInUseText : serial_.errorString());
        *number = errorNumber(serial_.error());
        serial_.clearError();
        return false;
    }
    if (!applySerialSettings(serial_, kSettings)) {
        *failure =
            devicePath_ + QStringLiteral(": the settings ") + kSettings + QStringLiteral(" were refused");
        *number = errorNumber(QSerialPort::UnsupportedOperationError);
        serial_.close();
        return false;
    }
    // A unit that was talking before we opened may have left half a message in the driver.
    serial_.clear(QSerialPort::AllDirections);
    serial_.clearError();
    return true;
}

void SerialUnitPort::close() {
    if (open_) wire_trace::write(traceName(), "closed");
    if (serial_.isOpen()) serial_.close();
    input_.clear();
    serial_.clearError();
    open_ = false;
    lost_ = false;
}

void SerialUnitPort::markLost(const QString& why) {
    lastError_ = devicePath_ + QStringLiteral(": ") + why;
    wire_trace::write(traceName(), "lost");
    lost_ = true;
    if (serial_.isOpen()) serial_.close();
    serial_.clearError();
    nextReconnect_.setRemainingTime(kReconnectInterval_ms);
}

bool SerialUnitPort::tryReconnect() {
    if (!lost_) return true;
    if (!nextReconnect_.hasExpired()) return false;
    nextReconnect_.setRemainingTime(kReconnectInterval_ms);
    if (!QFileInfo::exists(devicePath_)) return false;
    QString failure;
    int number = 0;
    if (!openSerial(&failure, &number)) {
        lastError_ = failure;
        return false;
    }
    lost_ = false;
    lastError_.clear();
    wire_trace::write(traceName(), "reopened");
    return true;
}

void SerialUnitPort::checkHealth() {
    const QSerialPort::SerialPortError error = serial_.error();
    if (isDeviceFailure(error)) {
        markLost(serial_.errorString());
        return;
    }
    // Timeouts of a zero wait are no failure.
    if (error != QSerialPort::NoError) serial_.clearError();
#ifndef Q_OS_WIN
    // A device node that has gone is a lost device even before a read fails on it.
    if (!QFileInfo::exists(devicePath_)) markLost(QStringLiteral("the device is no longer present"));
#endif
}

void SerialUnitPort::requireUsable() {
    if (!open_) throw UnitPortError(QStringLiteral("Port not open"), UnitPortErrorNumber::kNotOpen);
    if (lost_ && !tryReconnect()) throw UnitPortError(lastError_, UnitPortErrorNumber::kDeviceLost);
}

void SerialUnitPort::pullInput() {
    for (int i = 0; i < kMaxPullsPerRead && serial_.waitForReadyRead(0); ++i) {
    }
    // Into our own buffer before the health check, which may close the device and drop its buffer.
    takeArrived();
    checkHealth();
}

void SerialUnitPort::takeArrived() {
    const QByteArray arrived = serial_.readAll();
    if (arrived.isEmpty()) return;
    wire_trace::write(traceName(), "received", arrived);
    input_.append(arrived);
}

void SerialUnitPort::send(const QByteArray& bytes) {
    requireUsable();
    if (serial_.write(bytes) != bytes.size()) {
        markLost(serial_.errorString());
        throw UnitPortError(lastError_, UnitPortErrorNumber::kDeviceLost);
    }
    wire_trace::write(traceName(), "sent", bytes);
    serial_.flush();
    checkHealth();
    if (lost_) throw UnitPortError(lastError_, UnitPortErrorNumber::kDeviceLost);
}

QByteArray SerialUnitPort::readAll() {
    requireUsable();
    pullInput();
    if (lost_ && input_.isEmpty()) throw UnitPortError(lastError_, UnitPortErrorNumber::kDeviceLost);
    QByteArray data;
    data.swap(input_);
    return data;
}

int SerialUnitPort::waitingCount() {
    requireUsable();
    pullInput();
    if (lost_ && input_.isEmpty()) throw UnitPortError(lastError_, UnitPortErrorNumber::kDeviceLost);
    return static_cast<int>(std::min<qsizetype>(input_.size(), std::numeric_limits<int>::max()));
}

void SerialUnitPort::delay(double seconds) {
    if (!(seconds > 0)) return;
    const qint64 total_ms = static_cast<qint64>(std::ceil(std::min(seconds, 86400.0) * 1000.0));
    const QDeadlineTimer deadline(total_ms);
    while (!deadline.hasExpired()) {
        const int remaining = static_cast<int>(std::max<qint64>(0, deadline.remainingTime()));
        if (open_ && !lost_ && serial_.isOpen()) {
            // Returns early when bytes arrive; they stay in the port for the next readAll.
            if (serial_.waitForReadyRead(std::min(remaining, kReconnectInterval_ms))) takeArrived();
            checkHealth();
        } else {
            QThread::msleep(static_cast<unsigned long>(std::min(remaining, kReconnectInterval_ms)));
            if (open_ && lost_) tryReconnect();
        }
    }
}
