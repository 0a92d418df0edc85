#pragma once

#include "simulator/UnitFirmware.h"

#include <QList>
#include <QString>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

// Serves simulated units on pseudo-terminals, one per unit, so that the program talks to them through its
// ordinary serial ports. The units run on the wall clock times `speed` (1 = real time, 10 = ten simulated
// seconds a second).
//
// Each pseudo-terminal is raw (no echo, no line editing, 8 bits) and the server keeps its own handle on the
// slave side, so the terminal stays up while no program has it open. A unit's port can be made to vanish
// for a while (as a pulled USB adapter does); it then comes back as a new pseudo-terminal, and an optional
// stable link (a symlink, like /dev/serial/by-id/...) is pointed at it again.
//
// Thread-safe: serviceOnce() may run in one thread while another calls the other members.
class PtyUnitServer {
  public:
    using Listener = std::function<void(int unitNumber, const QString& event)>;

    explicit PtyUnitServer(double speed = 1.0);
    ~PtyUnitServer();
    PtyUnitServer(const PtyUnitServer&) = delete;
    PtyUnitServer& operator=(const PtyUnitServer&) = delete;

    // Opens the pseudo-terminal of unit n and returns its slave device path. With linkPath, also creates the
    // symlink linkPath -> slave (replacing a link already there). Throws std::runtime_error on failure.
    QString addUnit(int unitNumber, const UnitFirmware::Options& options, const QString& linkPath = {});

    // The path the program should open for unit n: its link when it has one, else its slave device.
    QString portPath(int unitNumber) const;
    QString slavePath(int unitNumber) const;
    QList<int> unitNumbers() const;

    // Waits up to timeout_ms for bytes from the program, hands them to the units, advances the units by the
    // wall time since the last call times speed, and writes what they have to say.
    void serviceOnce(int timeout_ms);

    // Runs f(UnitFirmware&) on unit n under the server's lock; false when there is no such unit.
    bool withUnit(int unitNumber, const std::function<void(UnitFirmware&)>& f);

    // The port of unit n disappears now and comes back after that many wall-clock seconds.
    void vanish(int unitNumber, double seconds);

    void setListener(Listener listener);
    double speed() const { return speed_; }

  private:
    struct Unit;
    bool openTerminal(Unit& unit, QString* error);
    void closeTerminal(Unit& unit);
    void pointLink(const Unit& unit);
    void report(int unitNumber, const QString& event);

    double speed_;
    mutable std::mutex mutex_;
    std::map<int, std::unique_ptr<Unit>> units_;
    std::chrono::steady_clock::time_point last_;
    Listener listener_;
};
