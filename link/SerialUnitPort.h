#pragma once

#include "link/UnitPort.h"

#include <QDeadlineTimer>
#include <QSerialPort>

// A unit's port on a real serial device (QSerialPort), for the unit windows and the calibration window.
//
// Works with or without a running event loop: reads pull whatever the device holds, writes are pushed out
// at once, and delay() waits on this port alone. A failing device (read, write or resource error, or the
// device node gone) makes the port "lost"; every later operation, and delay() about four times a second,
// tries to reopen the same device path, so a unit comes back by itself when its adapter is plugged in again.
// Every byte sent and received goes to the wire trace (WireTrace.h) when it is on.
class SerialUnitPort : public UnitPort {
  public:
    // The link settings of every unit: 19200 baud, no parity, 8 data bits, 1 stop bit.
    static inline const QString kSettings = QStringLiteral("19200,n,8,1");
    // Why opening failed when another program has the port open.
    static inline const QString kInUseText = QStringLiteral("the port is in use by another program");

    SerialUnitPort();
    ~SerialUnitPort() override;
    SerialUnitPort(const SerialUnitPort&) = delete;
    SerialUnitPort& operator=(const SerialUnitPort&) = delete;

    // Opens the device of port number n (SerialPortName::deviceForPort).
    void open(int portNumber) override;
    // Opens a device by its path or its bare name (SerialPortName::deviceLocation); open(n) resolves the
    // number and calls this.
    void openDevice(const QString& devicePath);
    void close() override;
    bool isOpen() const override { return open_; }

    void send(const QByteArray& bytes) override;
    QByteArray readAll() override;
    int waitingCount() override;
    void delay(double seconds) override;

    bool isDeviceLost() const override { return open_ && lost_; }
    QString deviceName() const override { return devicePath_; }
    QString lastError() const override { return lastError_; }

  private:
    void openAs(const QString& devicePath, int portNumber);
    bool openSerial(QString* failure, int* number);
    void requireUsable();
    void pullInput();
    void checkHealth();
    void markLost(const QString& why);
    bool tryReconnect();
    void takeArrived();
    QString traceName() const;

    QSerialPort serial_;
    QByteArray input_;  // received, not yet read by the window
    QString devicePath_;
    int portNumber_ = 0;  // 0 when opened by its device
    QString lastError_;
    bool open_ = false;  // the window's view: opened and not yet closed
    bool lost_ = false;  // the device failed or went away while open
    QDeadlineTimer nextReconnect_;
};

// Applies a settings text such as "19200,n,8,1" (baud, parity n/e/o/m/s, data bits, stop bits 1, 1.5 or 2)
// to a serial port. False, with the port unchanged, when the text is not of that form.
bool applySerialSettings(QSerialPort& port, const QString& settings);
