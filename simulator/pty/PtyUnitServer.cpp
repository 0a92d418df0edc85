#include "simulator/pty/PtyUnitServer.h"

#include <QFile>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace {

constexpr std::size_t kReadChunk = 4096;

QString systemError(const char* what) {
    return QString::fromLatin1(what) + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
}

}  // namespace

struct PtyUnitServer::Unit {
    int number = 0;
    UnitFirmware firmware;
    int master = -1;
    int hold = -1;  // our own handle on the slave side
    QString slave;
    QString link;
    QByteArray pendingOut;
    bool vanished = false;
    std::chrono::steady_clock::time_point backAt;

    Unit(int n, const UnitFirmware::Options& options) : number(n), firmware(options) {}
};

PtyUnitServer::PtyUnitServer(double speed)
    : speed_(speed > 0 ? speed : 1.0), last_(std::chrono::steady_clock::now()) {}

PtyUnitServer::~PtyUnitServer() {
    std::lock_guard lock(mutex_);
    for (auto& [number, unit] : units_) {
        closeTerminal(*unit);
        if (!unit->link.isEmpty()) QFile::remove(unit->link);
    }
}

bool PtyUnitServer::openTerminal(Unit& unit, QString* error) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0) {
        *error = systemError("posix_openpt");
        return false;
    }
    char name[256];
    if (grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name) != 0) {
        *error = systemError("grantpt/unlockpt/ptsname");
        ::close(master);
        return false;
    }
    const int hold = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (hold < 0) {
        *error = systemError("open slave");
        ::close(master);
        return false;
    }
    termios raw{};
    if (tcgetattr(hold, &raw) == 0) {
        cfmakeraw(&raw);
        cfsetispeed(&raw, B19200);
        cfsetospeed(&raw, B19200);
        raw.c_cflag |= CLOCAL | CREAD;
        tcsetattr(hold, TCSANOW, &raw);
    }
    unit.master = master;
    unit.hold = hold;
    unit.slave = QString::fromLocal8Bit(name);
    unit.pendingOut.clear();
    return true;
}

void PtyUnitServer::closeTerminal(Unit& unit) {
    if (unit.hold >= 0) ::close(unit.hold);
    if (unit.master >= 0) ::close(unit.master);
    unit.hold = unit.master = -1;
    unit.pendingOut.clear();
}

void PtyUnitServer::pointLink(const Unit& unit) {
    if (unit.link.isEmpty()) return;
    QFile::remove(unit.link);
    QFile::link(unit.slave, unit.link);
}

QString PtyUnitServer::addUnit(int unitNumber, const UnitFirmware::Options& options,
                               const QString& linkPath) {
    std::lock_guard lock(mutex_);
    if (units_.count(unitNumber)) throw std::runtime_error("unit served twice");
    auto unit = std::make_unique<Unit>(unitNumber, options);
    QString error;
    if (!openTerminal(*unit, &error)) throw std::runtime_error(error.toStdString());
    unit->link = linkPath;
    pointLink(*unit);
    const QString path = unit->slave;
    units_[unitNumber] = std::move(unit);
    return path;
}

QString PtyUnitServer::portPath(int unitNumber) const {
    std::lock_guard lock(mutex_);
    const auto it = units_.find(unitNumber);
    if (it == units_.end()) return {};
    return it->second->link.isEmpty() ? it->second->slave : it->second->link;
}

QString PtyUnitServer::slavePath(int unitNumber) const {
    std::lock_guard lock(mutex_);
    const auto it = units_.find(unitNumber);
    return it == units_.end() ? QString() : it->second->slave;
}

QList<int> PtyUnitServer::unitNumbers() const {
    std::lock_guard lock(mutex_);
    QList<int> numbers;
    for (const auto& [number, unit] : units_) numbers.append(number);
    return numbers;
}

bool PtyUnitServer::withUnit(int unitNumber, const std::function<void(UnitFirmware&)>& f) {
    std::lock_guard lock(mutex_);
    const auto it = units_.find(unitNumber);
    if (it == units_.end()) return false;
    f(it->second->firmware);
    return true;
}

void PtyUnitServer::setListener(Listener listener) {
    std::lock_guard lock(mutex_);
    listener_ = std::move(listener);
}

void PtyUnitServer::report(int unitNumber, const QString& event) {
    if (listener_) listener_(unitNumber, event);
}

void PtyUnitServer::vanish(int unitNumber, double seconds) {
    std::lock_guard lock(mutex_);
    const auto it = units_.find(unitNumber);
    if (it == units_.end()) return;
    Unit& unit = *it->second;
    closeTerminal(unit);
    if (!unit.link.isEmpty()) QFile::remove(unit.link);
    unit.vanished = true;
    unit.backAt = std::chrono::steady_clock::now() +
                  std::chrono::milliseconds(static_cast<long long>(std::max(0.0, seconds) * 1000.0));
    report(unitNumber, QStringLiteral("port gone"));
}

void PtyUnitServer::serviceOnce(int timeout_ms) {
    std::lock_guard lock(mutex_);
    std::vector<pollfd> fds;
    std::vector<Unit*> polled;
    for (auto& [number, unit] : units_) {
        if (unit->master < 0) continue;
        short events = POLLIN;
        if (!unit->pendingOut.isEmpty()) events |= POLLOUT;
        fds.push_back({unit->master, events, 0});
        polled.push_back(unit.get());
    }
    if (fds.empty()) {
        ::usleep(static_cast<useconds_t>(std::max(0, timeout_ms)) * 1000);
    } else {
        ::poll(fds.data(), fds.size(), std::max(0, timeout_ms));
    }

    // Bytes from the program.
    for (std::size_t i = 0; i < fds.size(); ++i) {
        if (!(fds[i].revents & POLLIN)) continue;
        char buffer[kReadChunk];
        while (true) {
            const ssize_t n = ::read(polled[i]->master, buffer, sizeof buffer);
            if (n <= 0) break;
            polled[i]->firmware.receive(QByteArray(buffer, static_cast<qsizetype>(n)));
        }
    }

    // Simulated time.
    const auto now = std::chrono::steady_clock::now();
    const double elapsed = std::chrono::duration<double>(now - last_).count();
    last_ = now;
    for (auto& [number, unit] : units_) {
        unit->firmware.advance(elapsed * speed_);
        if (unit->vanished) {
            unit->firmware.takeOutput();  // said into a cut cable
            if (now >= unit->backAt) {
                QString error;
                if (openTerminal(*unit, &error)) {
                    unit->vanished = false;
                    pointLink(*unit);
                    report(number, QStringLiteral("port back at ") + unit->slave);
                } else {
                    unit->backAt = now + std::chrono::seconds(1);
                    report(number, QStringLiteral("port not back: ") + error);
                }
            }
            continue;
        }
        // What the unit says, as far as the terminal takes it.
        unit->pendingOut.append(unit->firmware.takeOutput());
        if (!unit->pendingOut.isEmpty()) {
            const ssize_t n = ::write(unit->master, unit->pendingOut.constData(),
                                      static_cast<std::size_t>(unit->pendingOut.size()));
            if (n > 0) unit->pendingOut.remove(0, n);
        }
    }
}
