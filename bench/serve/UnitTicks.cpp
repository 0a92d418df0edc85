#include "UnitTicks.h"

#include "common/Messenger.h"
#include "instrument/RealTimeUnit.h"
#include "instrument/TestRunEngine.h"
#include "instrument/UnitStatusWriter.h"
#include "sequence/SequenceStore.h"
#include "simulator/SimulatedUnitPort.h"
#include "store/ReadingWriter.h"
#include "store/clsConnection.h"
#include "testinfo/TestInfoFile.h"

#include <QElapsedTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

namespace {

const QString kSequence = QStringLiteral("Monitor bench");

// What a unit would show the operator goes to standard error; nobody answers a question in a benchmark.
class QuietMessenger : public Messenger {
  public:
    void info(const QString& text, const QString&, MsgIcon) override { say(text); }
    bool okCancel(const QString& text, const QString&, MsgIcon) override { return say(text), false; }
    bool yesNo(const QString& text, const QString&, MsgIcon) override { return say(text), false; }
    std::optional<QString> inputBox(const QString& text, const QString&, const QString&) override {
        say(text);
        return std::nullopt;
    }

  private:
    static void say(const QString& text) {
        std::fprintf(stderr, "bench_serve: shown: %s\n", qPrintable(text));
    }
};

// Quarter-minute ramps, each ending in a three-rate shear-rate ramp with its fit: a run's every kind of
// tick comes round within the benchmark's half minute.
StoredSequence benchSequence() {
    StoredSequence s;
    s.name = kSequence;
    s.settings = {.timeBeforeRead_s = 2,
                  .rampSampleRate_s = 1,
                  .samplePointsAverage = 2,
                  .shutDownATime_min = 60,
                  .shutDownVisc_cP = 0,
                  .sampleInterval_s = 2};
    // At the cell's own temperature: no ramp waits for the oven.
    for (int ramp = 0; ramp < 100; ++ramp) s.steps.append({0.25, 75, 10, 100, 1});
    s.shearRates_1ps = {170, 85, 42};
    return s;
}

struct Unit {
    explicit Unit(int number, QuietMessenger& messenger)
        : firmware(optionsOf(number)), logic(openPort(firmware, number), messenger) {}
    static std::unique_ptr<UnitPort> openPort(UnitFirmware& firmware, int number) {
        auto port = std::make_unique<SimulatedUnitPort>(firmware);
        port->open(number);
        return port;
    }
    static UnitFirmware::Options optionsOf(int number) {
        UnitFirmware::Options options;
        options.seed = quint32(number);
        options.pressure_psi = 300;
        return options;
    }
    UnitFirmware firmware;
    RealTimeUnit logic;
    std::unique_ptr<ReadingWriter> writer;
    std::unique_ptr<TestRunEngine> engine;
    double nextTick_s = 0;
};

}  // namespace

void runUnitTicks(const store::DatabaseLocation& location, int count, const std::atomic<int>& period,
                  TickTimes (&times)[2], const std::atomic<bool>& stop) {
    QuietMessenger messenger;
    clsConnection connection(&messenger);
    connection.setLocation(location);
    connection.OpenDB();
    if (!SequenceStore(connection).nameIsStored(kSequence)) SequenceStore(connection).add(benchSequence());
    QElapsedTimer clock;
    clock.start();
    const auto now_s = [&clock] { return clock.nsecsElapsed() / 1e9; };
    std::vector<std::unique_ptr<Unit>> units;
    for (int n = 1; n <= count; ++n) {
        auto& unit = units.emplace_back(std::make_unique<Unit>(n, messenger));
        unit->logic.InitialInst(connection);
        unit->logic.setClock([&firmware = unit->firmware] { return firmware.now_s(); });
        unit->logic.selectSequence(kSequence);
        unit->writer = makeReadingWriter(connection);
        unit->engine = std::make_unique<TestRunEngine>(unit->logic, connection, *unit->writer, messenger);
    }
    UnitStatusWriter status(location, QStringLiteral("r7716"), units.front()->logic.failures().log());
    QElapsedTimer tickTimer;
    while (!stop) {
        const auto next = std::min_element(units.begin(), units.end(), [](const auto& a, const auto& b) {
            return a->nextTick_s < b->nextTick_s;
        });
        Unit& unit = **next;
        if (const double wait_s = unit.nextTick_s - now_s(); wait_s > 0)
            std::this_thread::sleep_for(std::chrono::duration<double>(std::min(wait_s, 0.05)));
        if (unit.nextTick_s > now_s()) continue;
        unit.firmware.advance(std::max(0.0, now_s() - unit.firmware.now_s()));
        const int n = int(next - units.begin()) + 1;
        // The first tick that finds the unit answering starts its run, as Start would.
        if (!unit.engine->running() && unit.logic.poller().completeReplies() > 0) {
            const QString test = QStringLiteral("Bench unit %1").arg(n);
            const auto ask = [&test](const std::optional<QString>& bob) {
                return testinfo_file::parse({}, test, bob, {}).input;
            };
            if (unit.engine->start(ask, std::nullopt, n) != TestRunEngine::StartOutcome::Started)
                std::fprintf(stderr, "bench_serve: the run of unit %d did not start\n", n);
        }
        const std::size_t stored = unit.engine->results().readings().size();
        tickTimer.start();
        unit.engine->tick();
        status.offer(describeUnit(n, unit.logic, &unit.engine->context(), kSequence, unit.writer.get()));
        const double tick_ms = tickTimer.nsecsElapsed() / 1e6;
        if (const int p = period; p >= 0 && unit.engine->running()) {
            times[p].all_ms.push_back(tick_ms);
            if (unit.engine->results().readings().size() > stored) times[p].storing_ms.push_back(tick_ms);
        }
        unit.nextTick_s = std::max(unit.nextTick_s + unit.logic.timerInterval_ms() / 1000.0, now_s());
    }
    for (auto& unit : units)
        if (unit->engine->running()) unit->engine->shutDown();
}
