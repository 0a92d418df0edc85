#pragma once

#include "link/StatusParser.h"
#include "link/UnitCommands.h"
#include "simulator/SimulatedUnitPort.h"
#include "simulator/UnitFirmware.h"

#include <optional>

// A simulated unit on its port, with the program's status parser: what a unit window has.
struct SimBench {
    explicit SimBench(UnitFirmware::Options options = quiet()) : unit(options), port(unit) { port.open(1); }

    // Exact readings: no noise, instant line.
    static UnitFirmware::Options quiet() {
        UnitFirmware::Options o;
        o.noise = 0;
        return o;
    }

    // One window tick: read and parse what has come, ask again, let a second pass.
    QList<StatusReply> tick() {
        const QList<StatusReply> replies = parser.feed(port.readAll());
        port.send(UnitCommands::statusQuery());
        port.delay(1.0);
        return replies;
    }
    // The unit's state now, as the program sees it.
    StatusReply status() {
        parser.clear();
        port.readAll();
        port.send(UnitCommands::statusQuery());
        port.delay(0.1);
        const QList<StatusReply> replies = parser.feed(port.readAll());
        return replies.isEmpty() ? StatusReply{} : replies.back();
    }
    void run(double seconds) { port.delay(seconds); }

    UnitFirmware unit;
    SimulatedUnitPort port;
    StatusParser parser;
};
