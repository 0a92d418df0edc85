// r7716-cli's instrument commands: status, send-sequence, sequence-body and retrieve, against simulated units
// behind the same port factory the host window takes (and, in tests/simulator/pty, through a
// pseudo-terminal).

#include "cli/Cli.h"

#include "instrument/SequenceBody.h"
#include "link/UnitCommands.h"
#include "sequence/SequenceStore.h"
#include "simulator/SimulatedUnitPort.h"
#include "store/clsConnection.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedMessenger.h"
#include "support/TempWorkDir.h"

#include <QFile>
#include <QTextStream>

#include <gtest/gtest.h>

namespace {

struct Outcome {
    int status;
    QString out;
    QString err;
    QStringList lines() const { return out.split(u'\n', Qt::SkipEmptyParts); }
};

void writeFile(const QString& name, const QByteArray& bytes) {
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class CliUnitsTest : public ::testing::Test {
  protected:
    CliUnitsTest() {
        writeFile("initial.txt", " 5 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 1 \r\n");
        UnitFirmware::Options options;
        options.noise = 0;
        options.pressure_psi = 280;
        unit = std::make_unique<UnitFirmware>(options);
    }

    Outcome run(const QStringList& arguments) {
        Outcome o;
        QTextStream out(&o.out);
        QTextStream err(&o.err);
        o.status = cli::run(arguments, out, err, [this](int portNumber) -> std::unique_ptr<UnitPort> {
            portsMade.append(portNumber);
            auto port = std::make_unique<SimulatedUnitPort>(*unit);
            if (unplugged) port->unplug();
            return port;
        });
        out.flush();
        err.flush();
        return o;
    }

    void storeSequence(const StoredSequence& sequence) {
        ScriptedMessenger messenger;
        clsConnection connection(&messenger);
        connection.OpenDB();
        ASSERT_TRUE(connection.IsOpen());
        SequenceStore(connection).add(sequence);
    }

    // The worked example of a sequence body: 2 ramps, 3 steps.
    static StoredSequence example(const QString& name) {
        StoredSequence s;
        s.name = name;
        s.steps = {{30, 150, 5, 100, 0}, {60, 250, 10, 100, 1}};
        s.shearRates_1ps = {100, 200, 300};
        s.settings = {20, 2, 5, 20, 0, 60};
        return s;
    }

    TempWorkDir dir;
    std::unique_ptr<UnitFirmware> unit;
    QList<int> portsMade;
    bool unplugged = false;
};

TEST_F(CliUnitsTest, StatusPrintsEachFieldOfOneReplyByName) {
    const Outcome o = run({"status", "1"});
    EXPECT_EQ(o.status, cli::kOk) << o.err.toStdString();
    EXPECT_EQ(o.lines(),
              (QStringList{"status_code\t0", "state\tInActive", "sample_temp_F\t75", "bath_temp_F\t75",
                           "set_point_F\t0", "motor_speed_rpm\t0.00", "shear_stress_dyn_cm2\t1.5",
                           "pressure_psi\t280", "shear_rate_1ps\t0.0"}));
    EXPECT_EQ(portsMade, QList<int>{5}) << "unit 1's port is line 1 of initial.txt";
    EXPECT_EQ(unit->commandLog(), QList<QByteArray>{QByteArray(1, UnitCommands::kStatusQuery)});
    EXPECT_FALSE(QFile::exists("R7716.mdb")) << "the unit alone answers; no database is opened";
}

TEST_F(CliUnitsTest, StatusWaitsThroughASplitReplyButFailsWhenNothingWellFormedArrives) {
    unit->injectFault(UnitFirmware::Fault::SplitReply);
    EXPECT_EQ(run({"status", "1"}).status, cli::kOk);

    struct Case {
        const char* name;
        UnitFirmware::Fault fault;
    };
    const Case cases[] = {{"silent", UnitFirmware::Fault::NoAnswer},
                          {"malformed", UnitFirmware::Fault::MalformedReply},
                          {"no terminator", UnitFirmware::Fault::DroppedTerminator},
                          {"a decimal temperature", UnitFirmware::Fault::DotInTemperature}};
    for (const Case& c : cases) {
        unit->clearFaults();
        unit->injectFault(c.fault, UnitFirmware::kForever);
        const double before = unit->now_s();
        const Outcome o = run({"status", "1"});
        EXPECT_EQ(o.status, cli::kUnitError) << c.name;
        EXPECT_TRUE(o.out.isEmpty()) << c.name;
        EXPECT_EQ(o.err, "r7716-cli: no well-formed status reply from Unit 1 within 2 s.\n") << c.name;
        EXPECT_NEAR(unit->now_s() - before, 2.0, 1e-6) << c.name << ": waits 2 s, no longer";
    }
}

TEST_F(CliUnitsTest, StatusWithoutAUsablePortSaysWhy) {
    struct Case {
        const char* name;
        QByteArray initial;  // empty: no file
        bool unplugged;
        const char* unitArg;
        const char* errorEnd;
    };
    const Case cases[] = {
        {"no settings file", {}, false, "1", " - 53\n"},
        {"a unit without a port", " 5 \r\n 0 \r\n", false, "2",
         "Unit 2 has no serial port in \"initial.txt\" (its line is 0).\n"},
        {"a settings file too short", " 5 \r\n", false, "3", " - 62\n"},
        {"a device that is not there", " 5 \r\n", true, "1",
         "the port of Unit 1 cannot be opened: simulated unit on port 5: no such device - 8001\n"},
    };
    for (const Case& c : cases) {
        QFile::remove("initial.txt");
        if (!c.initial.isEmpty()) writeFile("initial.txt", c.initial);
        unplugged = c.unplugged;
        const Outcome o = run({"status", c.unitArg});
        EXPECT_EQ(o.status, cli::kUnitError) << c.name;
        EXPECT_TRUE(o.err.startsWith("r7716-cli: ")) << c.name;
        EXPECT_TRUE(o.err.endsWith(c.errorEnd)) << c.name << ": " << o.err.toStdString();
    }
}

TEST_F(CliUnitsTest, AWrongUnitCommandLineIsAUsageError) {
    const QStringList cases[] = {
        {"status"},
        {"status", "0"},
        {"status", "9"},
        {"status", "one"},
        {"status", "1", "2"},
        {"send-sequence", "1"},
        {"send-sequence", "x", "Name"},
        {"sequence-body"},
        {"sequence-body", "a", "b"},
        {"retrieve", "1"},
        {"retrieve", "1", ""},
        {"retrieve", "1", "T", "--info"},
        {"retrieve", "1", "T", "--tick-ms", "10"},
    };
    for (const QStringList& arguments : cases) {
        const Outcome o = run(arguments);
        EXPECT_EQ(o.status, cli::kUsage) << arguments.join(' ').toStdString();
        EXPECT_TRUE(o.err.contains("--help' for usage.")) << o.err.toStdString();
    }
    for (const char* command : {"status", "send-sequence", "sequence-body", "retrieve"}) {
        const Outcome o = run({command, "--help"});
        EXPECT_EQ(o.status, cli::kOk);
        EXPECT_TRUE(o.out.startsWith(QStringLiteral("Usage: r7716-cli ") + command)) << o.out.toStdString();
    }
    EXPECT_TRUE(portsMade.isEmpty());
}

TEST_F(CliUnitsTest, SequenceBodyWritesExactlyTheBytesOfTheDownload) {
    storeSequence(example("Worked example"));
    StoredSequence raised = example("Raised interval");
    raised.settings = {20, 5, 4, 20, 0, 10};  // 5 s x 4 points need 20 s
    storeSequence(raised);

    Outcome o = run({"sequence-body", "Worked example"});
    EXPECT_EQ(o.status, cli::kOk) << o.err.toStdString();
    EXPECT_EQ(o.out,
              "0201 000030 150 005 00100.0000 02 000060 250 010 00100.0000 w0301 00100.000002 "
              "00200.000003 00300.0000020 002 05 20 000.0 060 05x\x1a");
    o = run({"sequence-body", "--", "Raised interval"});
    EXPECT_TRUE(o.out.endsWith("020 005 04 20 000.0 020 05x\x1a")) << o.out.toStdString();
    EXPECT_TRUE(portsMade.isEmpty());

    o = run({"sequence-body", "Not stored"});
    EXPECT_EQ(o.status, cli::kUnitError);
    EXPECT_TRUE(o.out.isEmpty());
    EXPECT_EQ(o.err, "r7716-cli: no sequence named \"Not stored\" is stored.\n");
}

TEST_F(CliUnitsTest, SendSequenceReportsWhatTheStatusBarWouldShow) {
    storeSequence(example("Worked example"));
    Outcome o = run({"send-sequence", "1", "Worked example"});
    EXPECT_EQ(o.status, cli::kOk) << o.err.toStdString();
    EXPECT_EQ(o.out, "Sequence Send Success.\n");
    ASSERT_TRUE(unit->sequence().has_value());
    ASSERT_EQ(unit->commandLog().size(), 2);
    EXPECT_EQ(unit->commandLog()[1] + char(26), SequenceBody::build(example("Worked example")));

    unit->injectFault(UnitFirmware::Fault::NoAnswer, UnitFirmware::kForever);
    o = run({"send-sequence", "1", "Worked example"});
    EXPECT_EQ(o.status, cli::kUnitError);
    EXPECT_EQ(o.out, "Sequence Send Error. Please resend.\n");
}

TEST_F(CliUnitsTest, SendSequenceRefusesWhatCannotBeSentBeforeTouchingThePort) {
    StoredSequence huge = example("Builder's 120 steps");
    huge.steps.clear();
    for (int i = 0; i < 120; ++i) huge.steps.append({1, 100, 5, 100, 0});
    storeSequence(huge);
    struct Case {
        const char* name;
        const char* error;
    };
    const Case cases[] = {
        {"", "r7716-cli: Please select a valid sequence first.\n"},
        {"Missing", "r7716-cli: no sequence named \"Missing\" is stored.\n"},
        {"Builder's 120 steps", nullptr},
    };
    for (const Case& c : cases) {
        const Outcome o = run({"send-sequence", "1", c.name});
        EXPECT_EQ(o.status, cli::kUnitError) << c.name;
        EXPECT_TRUE(o.out.isEmpty()) << c.name;
        if (c.error) EXPECT_EQ(o.err, c.error) << c.name;
    }
    const Outcome o = run({"sequence-body", "Builder's 120 steps"});
    EXPECT_TRUE(o.err.contains("120 temperature steps")) << o.err.toStdString();
    EXPECT_TRUE(portsMade.isEmpty());
    EXPECT_TRUE(unit->commandLog().isEmpty());
}

TEST_F(CliUnitsTest, RetrieveStoresWhatTheUnitRanByItselfOrNothingAtAll) {
    StoredSequence s = example("Three minutes");
    s.steps = {{3, 75, 30, 100, 0}};
    storeSequence(s);
    ASSERT_EQ(run({"send-sequence", "1", "Three minutes"}).status, cli::kOk);
    ASSERT_TRUE(unit->startDownloadedSequence());
    unit->advance(600);
    const int held = static_cast<int>(unit->records().size());
    ASSERT_GE(held, 3);
    writeFile("info.txt", "FLUID_ID=Borate\nADDITIVE=Guar|35|lb/Mgal|L-1\n");
    writeFile("bad.txt", "COLOUR=blue\n");
    using F = UnitFirmware::Fault;
    struct Case {
        QStringList arguments;  // after "retrieve 1"
        std::optional<F> fault;
        int status;
        int stored;  // printed on standard output; -1 nothing printed
        const char* error;
    };
    const Case cases[] = {
        {{"Silent"}, F::DataSilence, cli::kUnitError, -1, "No response from R7716, please check connection."},
        {{"Cut"}, F::DataCut, cli::kUnitError, -1, "Communication error from R7716, please"},
        {{"Bad info", "--info", "bad.txt"}, {}, cli::kUsage, -1, "r7716-cli: bad.txt:1: unknown key"},
        {{"Whole", "--info", "info.txt"}, {}, cli::kOk, held, ""},
        {{"WHOLE"}, {}, cli::kUnitError, -1, "Duplicate test name. Please input unique test name."},
        {{"Short record"}, F::DataShortRecord, cli::kOk, held - 1, "1 record from R7716 had fewer than nine"},
    };
    for (const Case& c : cases) {
        if (c.fault) unit->injectFault(*c.fault);
        const Outcome o = run(QStringList{"retrieve", "1"} + c.arguments);
        const std::string name = c.arguments[0].toStdString();
        EXPECT_EQ(o.status, c.status) << name << ": " << o.err.toStdString();
        EXPECT_EQ(o.out, c.stored < 0 ? QString() : QString::number(c.stored) + '\n') << name;
        EXPECT_TRUE(o.err.contains(c.error)) << name << ": " << o.err.toStdString();
    }
}

}  // namespace
