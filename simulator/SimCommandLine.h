#pragma once

#include "simulator/UnitFirmware.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// What r7716-sim is asked to serve, as its command line gives it.
struct SimOptions {
    struct FaultRequest {
        int unit;
        UnitFirmware::Fault kind;
        int count;  // UnitFirmware::kForever for every reply
    };

    QList<int> units{1};
    double speed = 1.0;  // simulated seconds per real second
    quint32 seed = 1;    // noise seed of unit 1; unit n uses seed + n - 1
    double pressure_psi = 300.0;
    bool autostart = false;
    QString linkDir;  // empty: serve the devices themselves, without stable links
    QString portsFile = QStringLiteral("serialports.txt");
    QList<FaultRequest> faults;
};

// The command line of r7716-sim, read without touching a terminal. Its options are one table: an option is
// one entry (name, value name, help, what it sets), and the help text is made from the same table.
struct SimCommandLine {
    enum class Action { Serve, ShowHelp, ShowVersion, Fail };

    Action action = Action::Serve;
    SimOptions options;
    QString problem;  // for Fail: what is wrong, without the program's name

    // Reads the arguments after the program's name.
    static SimCommandLine parse(const QStringList& arguments);
    // The text of --help.
    static QString usage();
};

// A fault by the name the command line and the console use ("noanswer", "split", ...), any letter case.
std::optional<UnitFirmware::Fault> faultByName(const QString& name);
