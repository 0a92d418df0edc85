#pragma once

#include "link/UnitPort.h"
#include "simulator/UnitFirmware.h"

// A UnitPort wired to a simulated unit in the same process: what is sent reaches the firmware at once,
// readAll takes what the unit has put on the line by now, and delay() advances the unit's simulated clock
// instead of sleeping. Deterministic and fast, for tests and demonstrations.
//
// The cable can be pulled (unplug) and plugged back in (plugIn): an open port then reports its device lost
// and comes back by itself, as the real port does; a port opened while unplugged fails to open.
class SimulatedUnitPort : public UnitPort {
  public:
    explicit SimulatedUnitPort(UnitFirmware& unit) : unit_(unit) {}

    void open(int portNumber) override;
    void close() override;
    bool isOpen() const override { return open_; }
    void send(const QByteArray& bytes) override;
    QByteArray readAll() override;
    int waitingCount() override;
    void delay(double seconds) override;
    bool isDeviceLost() const override { return open_ && !plugged_; }
    QString deviceName() const override;
    QString lastError() const override { return lastError_; }

    void unplug();
    void plugIn() { plugged_ = true; }
    int portNumber() const { return portNumber_; }
    UnitFirmware& unit() { return unit_; }

  private:
    void requireUsable();

    UnitFirmware& unit_;
    bool open_ = false;
    bool plugged_ = true;
    int portNumber_ = 0;
    QString lastError_;
};
