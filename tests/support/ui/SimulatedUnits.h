#pragma once

#include "link/UnitPortFactory.h"
#include "simulator/SimulatedUnitPort.h"

#include <map>
#include <memory>
#include <set>

// Simulated units behind the host's port factory: one firmware per port number, made on first use, and a
// record of which ports were made, opened and closed.
class SimulatedUnits {
  public:
    // A simulated port that reports its closing.
    class Port : public SimulatedUnitPort {
      public:
        Port(UnitFirmware& unit, SimulatedUnits& owner, int portNumber)
            : SimulatedUnitPort(unit), owner_(owner), portNumber_(portNumber) {}
        void close() override {
            if (isOpen()) owner_.closed.insert(portNumber_);
            SimulatedUnitPort::close();
        }

      private:
        SimulatedUnits& owner_;
        int portNumber_;
    };

    UnitFirmware& unit(int portNumber) {
        auto& slot = units_[portNumber];
        if (!slot) {
            UnitFirmware::Options options;
            options.seed = static_cast<quint32>(portNumber);
            options.pressure_psi = 300;
            slot = std::make_unique<UnitFirmware>(options);
        }
        return *slot;
    }

    // Advances every unit's clock.
    void advance(double seconds) {
        for (auto& [number, firmware] : units_) firmware->advance(seconds);
    }

    UnitPortFactory factory() {
        return [this](int portNumber) -> std::unique_ptr<UnitPort> {
            made.insert(portNumber);
            auto port = std::make_unique<Port>(unit(portNumber), *this, portNumber);
            if (unplugged.count(portNumber)) port->unplug();
            return port;
        };
    }

    std::set<int> made;
    std::set<int> closed;
    std::set<int> unplugged;  // ports whose device is missing: opening them fails

  private:
    std::map<int, std::unique_ptr<UnitFirmware>> units_;
};
