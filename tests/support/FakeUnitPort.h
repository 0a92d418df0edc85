#pragma once

#include "link/UnitPort.h"

#include <QList>
#include <QQueue>

#include <optional>

// A UnitPort for tests: records what was sent and every delay, and plays scripted arrivals. Bytes put with
// arrive() are waiting at once; each delay() call delivers the next chunk of `script` (an empty chunk is a
// silent wait). Can fail to open, or lose its device while open.
class FakeUnitPort : public UnitPort {
  public:
    QList<QByteArray> sent;
    QList<double> delays;
    QQueue<QByteArray> script;
    QByteArray input;
    std::optional<UnitPortError> openFailure;
    bool lost = false;
    int openedPort = 0;

    void arrive(const QByteArray& bytes) { input.append(bytes); }
    QByteArray allSent() const {
        QByteArray all;
        for (const QByteArray& s : sent) all.append(s);
        return all;
    }

    void open(int portNumber) override {
        if (openFailure) throw *openFailure;
        open_ = true;
        openedPort = portNumber;
    }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    void send(const QByteArray& bytes) override {
        require();
        sent.append(bytes);
    }
    QByteArray readAll() override {
        require();
        QByteArray data;
        data.swap(input);
        return data;
    }
    int waitingCount() override {
        require();
        return static_cast<int>(input.size());
    }
    void delay(double seconds) override {
        delays.append(seconds);
        if (!script.isEmpty()) input.append(script.dequeue());
    }
    bool isDeviceLost() const override { return open_ && lost; }
    QString deviceName() const override { return QStringLiteral("fake"); }
    QString lastError() const override { return lost ? QStringLiteral("fake: device lost") : QString(); }

  private:
    void require() {
        if (!open_) throw UnitPortError(QStringLiteral("Port not open"), UnitPortErrorNumber::kNotOpen);
        if (lost) throw UnitPortError(QStringLiteral("fake: device lost"), UnitPortErrorNumber::kDeviceLost);
    }
    bool open_ = false;
};
