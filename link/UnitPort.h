#pragma once

#include <QByteArray>
#include <QString>

#include <stdexcept>

// A failure of a unit's serial port, with the port service's own description and number, as the host
// window shows them ("<description> - <number>").
class UnitPortError : public std::runtime_error {
  public:
    UnitPortError(const QString& description, int number)
        : std::runtime_error(description.toStdString()), description_(description), number_(number) {}

    const QString& description() const { return description_; }
    int number() const { return number_; }

  private:
    QString description_;
    int number_;
};

// Error numbers of our port service. Kept well away from 429, which the host window treats as a failure to
// create a component and answers by ending the program.
namespace UnitPortErrorNumber {
constexpr int kBase = 8000;
constexpr int kInvalidPortNumber = 8001;
constexpr int kNotOpen = 8010;
constexpr int kAlreadyOpen = 8011;
constexpr int kDeviceLost = 8012;
}  // namespace UnitPortErrorNumber

// One instrument unit's serial port as the unit windows use it. Reading is always by polling: nothing is
// signalled; a window reads on its timer ticks, and the waits of an exchange (sequence and data download)
// are timer intervals of the window, never a blocking call.
//
// An open port stays open for the life of its window. When its device goes away (a USB adapter pulled
// out) the port is "lost": it stays open, send and read fail, and the port reopens the same device by
// itself as soon as it is back.
class UnitPort {
  public:
    virtual ~UnitPort() = default;

    // Opens port number n (1 = the first serial port) with the link settings "19200,n,8,1".
    // Throws UnitPortError (bad number, no such device, device busy, already open).
    virtual void open(int portNumber) = 0;
    // Closes the port; nothing when it is closed. Never throws.
    virtual void close() = 0;
    // True from a successful open until close, also while the device is lost.
    virtual bool isOpen() const = 0;

    // Writes the whole text and returns at once. Throws UnitPortError when the port is not open or lost.
    virtual void send(const QByteArray& bytes) = 0;
    // Every byte received so far (possibly none); empties the input. Throws like send.
    virtual QByteArray readAll() = 0;
    // Number of received bytes waiting. Throws like send.
    virtual int waitingCount() = 0;

    // Blocks the caller for that long (monotonic clock), waiting on this port only: no events are
    // processed meanwhile. For programs without an event loop (r7716-cli, which waits out its ticks and an
    // exchange's waits here, and a simulated port, whose unit's time moves by it); the windows never call
    // it. Bytes that arrive meanwhile wait for readAll. Never throws.
    virtual void delay(double seconds) = 0;

    // True while the device of an open port is gone.
    virtual bool isDeviceLost() const = 0;
    // What the port is connected to, for messages ("/dev/ttyUSB0", "simulated unit").
    virtual QString deviceName() const = 0;
    // The last failure of the port service in words (empty when none).
    virtual QString lastError() const = 0;
};
