#include "simulator/SimulatedUnitPort.h"

#include "common/VbFormat.h"

QString SimulatedUnitPort::deviceName() const {
    return QStringLiteral("simulated unit on port ") + vb::Format(portNumber_, QStringLiteral("0"));
}

void SimulatedUnitPort::open(int portNumber) {
    if (portNumber < 1)
        throw UnitPortError(
            QStringLiteral("Invalid port number ") + vb::Format(portNumber, QStringLiteral("0")),
            UnitPortErrorNumber::kInvalidPortNumber);
    if (open_) throw UnitPortError(QStringLiteral("Port already open"), UnitPortErrorNumber::kAlreadyOpen);
    portNumber_ = portNumber;
    if (!plugged_) {
        lastError_ = deviceName() + QStringLiteral(": no such device");
        throw UnitPortError(lastError_, UnitPortErrorNumber::kBase + 1);
    }
    unit_.takeOutput();  // what the unit said before anyone listened is gone
    open_ = true;
    lastError_.clear();
}

void SimulatedUnitPort::close() {
    open_ = false;
}

void SimulatedUnitPort::unplug() {
    plugged_ = false;
    lastError_ = deviceName() + QStringLiteral(": the device is no longer present");
}

void SimulatedUnitPort::requireUsable() {
    if (!open_) throw UnitPortError(QStringLiteral("Port not open"), UnitPortErrorNumber::kNotOpen);
    if (!plugged_) {
        unit_.takeOutput();  // the line is cut: nothing reaches us
        throw UnitPortError(lastError_, UnitPortErrorNumber::kDeviceLost);
    }
    lastError_.clear();
}

void SimulatedUnitPort::send(const QByteArray& bytes) {
    requireUsable();
    unit_.receive(bytes);
}

QByteArray SimulatedUnitPort::readAll() {
    requireUsable();
    return unit_.takeOutput();
}

int SimulatedUnitPort::waitingCount() {
    requireUsable();
    return unit_.outputWaiting();
}

void SimulatedUnitPort::delay(double seconds) {
    unit_.advance(seconds);
}
