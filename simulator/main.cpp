// r7716-sim: serves simulated instrument units on pseudo-terminals and lists them in "serialports.txt", so
// that the program (or any terminal program) can talk to them as to units on serial ports.

#include "common/VbFormat.h"
#include "common/Version.h"
#include "simulator/PortListFile.h"
#include "simulator/SimCommandLine.h"
#include "simulator/pty/PtyUnitServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <poll.h>
#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <map>

namespace {

// Set by the stop signals; a signal handler can reach nothing else.
volatile std::sig_atomic_t stopRequested = 0;

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

// Opens a terminal for every unit asked for and injects the faults asked for; paths gets the path the
// program should open for each unit. Returns the problem, empty when every unit is served.
QString serve(PtyUnitServer& server, const SimOptions& options, std::map<int, QString>& paths) {
    try {
        for (const int n : options.units) {
            UnitFirmware::Options unit;
            unit.seed = options.seed + static_cast<quint32>(n - 1);
            unit.pressure_psi = options.pressure_psi;
            unit.startRunOnDownload = options.autostart;
            const QString number = vb::Format(n, QStringLiteral("0"));
            const QString link =
                options.linkDir.isEmpty()
                    ? QString()
                    : QDir(options.linkDir).absoluteFilePath(QStringLiteral("r7716-unit") + number);
            const QString slave = server.addUnit(n, unit, link);
            paths[n] = link.isEmpty() ? slave : link;
            say(QStringLiteral("unit ") + number + QStringLiteral(": ") + slave +
                (link.isEmpty() ? QString() : QStringLiteral(" (link ") + link + u')'));
        }
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    }
    for (const SimOptions::FaultRequest& fault : options.faults) {
        if (!server.withUnit(fault.unit, [&](UnitFirmware& u) { u.injectFault(fault.kind, fault.count); }))
            return QStringLiteral("--fault names a unit not served");
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));
    const SimCommandLine line = SimCommandLine::parse(arguments);
    switch (line.action) {
        case SimCommandLine::Action::ShowHelp:
            std::fputs(SimCommandLine::usage().toLocal8Bit().constData(), stdout);
            return 0;
        case SimCommandLine::Action::ShowVersion:
            say(QStringLiteral("r7716-sim ") + QLatin1String(r7716::kVersion));
            return 0;
        case SimCommandLine::Action::Fail:
            return fail(line.problem);
        case SimCommandLine::Action::Serve:
            break;
    }
    const SimOptions& options = line.options;

    // A stop signal only raises a flag; the loop below, which wakes every few milliseconds, then ends
    // cleanly and restores the port list.
    struct sigaction stop {};
    stop.sa_handler = [](int) { stopRequested = 1; };
    sigemptyset(&stop.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &stop, nullptr);

    PtyUnitServer server(options.speed);
    server.setListener([](int unit, const QString& event) {
        say(QStringLiteral("unit ") + vb::Format(unit, QStringLiteral("0")) + QStringLiteral(": ") + event);
    });
    std::map<int, QString> paths;
    if (const QString problem = serve(server, options, paths); !problem.isEmpty()) return fail(problem);

    QString speedText = vb::Format(options.speed, QStringLiteral("0.###"));
    if (speedText.endsWith(u'.')) speedText.chop(1);
    PortListFile portList(options.portsFile);
    if (!portList.write(paths))
        return fail(portList.problem().isEmpty() ? QStringLiteral("cannot write ") + options.portsFile
                                                 : portList.problem());
    say(QStringLiteral("ports listed in ") + QFileInfo(options.portsFile).absoluteFilePath() +
        QStringLiteral("; speed x") + speedText + QStringLiteral("; type quit to end"));

    bool quit = false;
    bool stdinOpen = true;
    QByteArray typed;
    while (!quit && !stopRequested) {
        server.serviceOnce(10);
        pollfd typing{stdinOpen ? STDIN_FILENO : -1, POLLIN, 0};
        if (::poll(&typing, 1, 0) <= 0) continue;
        if (typing.revents & (POLLIN | POLLHUP)) {
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
    return 0;
}
