// r7716-sim: serves simulated instrument units on pseudo-terminals and lists them in "serialports.txt", so
// that the program (or any terminal program) can talk to them as to units on serial ports.

#include "common/VbFormat.h"
#include "simulator/PortListFile.h"
#include "simulator/PtyUnitServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <optional>

namespace {

const char kUsage[] =
    "Usage: r7716-sim [options]\n"
    "Serves simulated R7716 units on pseudo-terminals and writes their device paths into\n"
    "serialports.txt in the working directory: line n holds the port of unit n, so give unit n\n"
    "port n in initial.txt. Lines of other units are kept; the file is restored on exit.\n"
    "\n"
    "Options:\n"
    "  --units LIST        units to serve, e.g. 1,2,5 (default 1; 1 to 12)\n"
    "  --speed X           simulated seconds per real second (default 1)\n"
    "  --seed N            noise seed of unit 1; unit n uses N+n-1 (default 1)\n"
    "  --pressure PSI      pressure applied to every unit (default 300)\n"
    "  --autostart         start a downloaded sequence at once (else type \"<unit> start\")\n"
    "  --fault UNIT:KIND[:COUNT]\n"
    "                      inject a fault into the next COUNT status replies (default all);\n"
    "                      KIND: noanswer, split, malformed, dot, noterm, malfunction\n"
    "  --links DIR         serve unit n through the stable link DIR/r7716-unit<n>, which survives\n"
    "                      a vanished port, and list the links instead of the devices\n"
    "  --ports-file PATH   the file to write (default serialports.txt)\n"
    "  --help              this text\n"
    "\n"
    "Console, one command a line:\n"
    "  <unit> show | start | stop | zero | pressure <psi> | clear\n"
    "  <unit> fault <kind> [count] | vanish <seconds>\n"
    "  quit\n";

std::optional<UnitFirmware::Fault> faultByName(const QString& name) {
    const QString n = name.toLower();
    if (n == u"noanswer") return UnitFirmware::Fault::NoAnswer;
    if (n == u"split") return UnitFirmware::Fault::SplitReply;
    if (n == u"malformed") return UnitFirmware::Fault::MalformedReply;
    if (n == u"dot") return UnitFirmware::Fault::DotInTemperature;
    if (n == u"noterm") return UnitFirmware::Fault::DroppedTerminator;
    if (n == u"malfunction") return UnitFirmware::Fault::Malfunction;
    return std::nullopt;
}

void say(const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

int fail(const QString& text) {
    std::fputs(("r7716-sim: " + text + "\n").toLocal8Bit().constData(), stderr);
    return 2;
}

QString show(const UnitFirmware& u) {
    const auto f = [](double v, const char* p) { return vb::Format(v, QString::fromLatin1(p)); };
    return QStringLiteral("status ") + f(u.statusCode(), "0") + QStringLiteral(", sample ") +
           f(u.sampleTemp_F(), "0.0") + QStringLiteral(" F, bath ") + f(u.bathTemp_F(), "0.0") +
           QStringLiteral(" F, set point ") + f(u.setPoint_F(), "0") + QStringLiteral(" F, ") +
           f(u.motorSpeed_rpm(), "0.0") + QStringLiteral(" rpm, ") + f(u.shearRate_1ps(), "0.0") +
           QStringLiteral(" 1/s, ") + f(u.pressure_psi(), "0") + QStringLiteral(" psi, ") +
           f(u.records().size(), "0") + QStringLiteral(" records") +
           (u.sequence() ? QStringLiteral(", sequence loaded") : QString());
}

void console(PtyUnitServer& server, const QString& line, bool* quit) {
    const QStringList w = line.simplified().split(u' ', Qt::SkipEmptyParts);
    if (w.isEmpty()) return;
    if (w[0] == u"quit" || w[0] == u"exit") {
        *quit = true;
        return;
    }
    bool ok = false;
    const int unit = w[0].toInt(&ok);
    if (!ok || w.size() < 2) {
        say(QStringLiteral("? ") + line);
        return;
    }
    const QString cmd = w[1].toLower();
    if (cmd == u"vanish") {
        server.vanish(unit, w.size() > 2 ? vb::Val(w[2]) : 10.0);
        return;
    }
    const bool known = server.withUnit(unit, [&](UnitFirmware& u) {
        if (cmd == u"show") {
            say(QStringLiteral("unit ") + w[0] + QStringLiteral(": ") + show(u));
        } else if (cmd == u"start") {
            say(u.startDownloadedSequence() ? QStringLiteral("started")
                                            : QStringLiteral("no sequence downloaded"));
        } else if (cmd == u"stop") {
            u.receive(QByteArray("\x06\x1a", 2));
        } else if (cmd == u"zero") {
            u.receive(QByteArray("\x08\x1a", 2));
        } else if (cmd == u"pressure" && w.size() > 2) {
            u.setPressure(vb::Val(w[2]));
        } else if (cmd == u"clear") {
            u.clearFaults();
        } else if (cmd == u"fault" && w.size() > 2 && faultByName(w[2])) {
            u.injectFault(*faultByName(w[2]),
                          w.size() > 3 ? static_cast<int>(vb::Val(w[3])) : UnitFirmware::kForever);
        } else {
            say(QStringLiteral("? ") + line);
        }
    });
    if (!known) say(QStringLiteral("no unit ") + w[0]);
}

}  // namespace

int main(int argc, char** argv) {
    QList<int> units{1};
    double speed = 1.0;
    quint32 seed = 1;
    double pressure = 300.0;
    bool autostart = false;
    QString linkDir;
    QString portsFile = QStringLiteral("serialports.txt");
    QList<std::tuple<int, UnitFirmware::Fault, int>> faults;

    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        auto value = [&]() -> std::optional<QString> {
            if (i + 1 >= argc) return std::nullopt;
            return QString::fromLocal8Bit(argv[++i]);
        };
        if (a == u"--help" || a == u"-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (a == u"--autostart") {
            autostart = true;
        } else if (a == u"--units" || a == u"--speed" || a == u"--seed" || a == u"--pressure" ||
                   a == u"--fault" || a == u"--links" || a == u"--ports-file") {
            const auto v = value();
            if (!v) return fail(a + QStringLiteral(" needs a value"));
            bool ok = true;
            if (a == u"--units") {
                units.clear();
                for (const QString& part : v->split(u',', Qt::SkipEmptyParts)) {
                    const int n = part.trimmed().toInt(&ok);
                    if (!ok || n < 1 || n > 12) return fail(QStringLiteral("bad unit number: ") + part);
                    if (!units.contains(n)) units.append(n);
                }
                if (units.isEmpty()) return fail(QStringLiteral("no unit to serve"));
            } else if (a == u"--speed") {
                speed = v->toDouble(&ok);
                if (!ok || !(speed > 0)) return fail(QStringLiteral("bad speed: ") + *v);
            } else if (a == u"--seed") {
                seed = v->toUInt(&ok);
                if (!ok) return fail(QStringLiteral("bad seed: ") + *v);
            } else if (a == u"--pressure") {
                pressure = v->toDouble(&ok);
                if (!ok) return fail(QStringLiteral("bad pressure: ") + *v);
            } else if (a == u"--fault") {
                const QStringList p = v->split(u':');
                const int unit = p.value(0).toInt(&ok);
                const auto kind = faultByName(p.value(1));
                if (!ok || !kind) return fail(QStringLiteral("bad fault: ") + *v);
                const int count = p.size() > 2 ? p[2].toInt(&ok) : UnitFirmware::kForever;
                if (!ok) return fail(QStringLiteral("bad fault count: ") + *v);
                faults.append({unit, *kind, count});
            } else if (a == u"--links") {
                linkDir = *v;
            } else {
                portsFile = *v;
            }
        } else {
            return fail(QStringLiteral("unknown option ") + a + QStringLiteral(" (see --help)"));
        }
    }

    // Signals arrive as readable events, so that the loop ends cleanly and the port list is restored.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
    const int signalFd = signalfd(-1, &stopSignals, SFD_NONBLOCK | SFD_CLOEXEC);

    PtyUnitServer server(speed);
    server.setListener([](int unit, const QString& event) {
        say(QStringLiteral("unit ") + vb::Format(unit, QStringLiteral("0")) + QStringLiteral(": ") + event);
    });
    std::map<int, QString> paths;
    try {
        for (const int n : units) {
            UnitFirmware::Options options;
            options.seed = seed + static_cast<quint32>(n - 1);
            options.pressure_psi = pressure;
            options.startRunOnDownload = autostart;
            const QString link = linkDir.isEmpty()
                                     ? QString()
                                     : QDir(linkDir).absoluteFilePath(QStringLiteral("r7716-unit") +
                                                                      vb::Format(n, QStringLiteral("0")));
            const QString slave = server.addUnit(n, options, link);
            paths[n] = link.isEmpty() ? slave : link;
            say(QStringLiteral("unit ") + vb::Format(n, QStringLiteral("0")) + QStringLiteral(": ") + slave +
                (link.isEmpty() ? QString() : QStringLiteral(" (link ") + link + u')'));
        }
    } catch (const std::exception& e) {
        return fail(QString::fromLocal8Bit(e.what()));
    }
    for (const auto& [unit, kind, count] : faults) {
        const UnitFirmware::Fault k = kind;
        const int c = count;
        if (!server.withUnit(unit, [&](UnitFirmware& u) { u.injectFault(k, c); }))
            return fail(QStringLiteral("--fault names a unit not served"));
    }

    QString speedText = vb::Format(speed, QStringLiteral("0.###"));
    if (speedText.endsWith(u'.')) speedText.chop(1);
    PortListFile portList(portsFile);
    if (!portList.write(paths)) return fail(QStringLiteral("cannot write ") + portsFile);
    say(QStringLiteral("ports listed in ") + QFileInfo(portsFile).absoluteFilePath() +
        QStringLiteral("; speed x") + speedText + QStringLiteral("; type quit to end"));

    bool quit = false;
    bool stdinOpen = true;
    QByteArray typed;
    while (!quit) {
        server.serviceOnce(10);
        pollfd fds[2] = {{signalFd, POLLIN, 0}, {stdinOpen ? STDIN_FILENO : -1, POLLIN, 0}};
        if (::poll(fds, 2, 0) <= 0) continue;
        if (fds[0].revents & POLLIN) break;
        if (fds[1].revents & (POLLIN | POLLHUP)) {
            char buffer[512];
            const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (n <= 0) {
                stdinOpen = false;  // no console: run until a signal
                continue;
            }
            typed.append(buffer, static_cast<qsizetype>(n));
            qsizetype end;
            while ((end = typed.indexOf('\n')) >= 0) {
                console(server, QString::fromLocal8Bit(typed.left(end)), &quit);
                typed.remove(0, end + 1);
            }
        }
    }
    portList.restore();
    if (signalFd >= 0) ::close(signalFd);
    return 0;
}
