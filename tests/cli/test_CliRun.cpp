// r7716-cli run against a simulated unit behind the port factory, on the unit's simulated time: the whole
// sequence stored and printed, and each way the command refuses or fails.

#include "cli/Cli.h"

#include "analysis/OpenTest.h"
#include "common/ErrorLog.h"
#include "common/VbFormat.h"
#include "instrument/TestRunEngine.h"
#include "instrument/UnitCommands.h"
#include "sequence/SequenceStore.h"
#include "simulator/SimulatedUnitPort.h"
#include "store/clsConnection.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedMessenger.h"
#include "support/StoredTestBuilder.h"
#include "support/TempWorkDir.h"
#include "testinfo/TestInfoEntry.h"

#include <QFile>
#include <QTextStream>

#include <gtest/gtest.h>

namespace {

void writeFile(const QString& name, const QByteArray& bytes) {
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

struct Outcome {
    int status;
    QString out;
    QString err;
};

// A working directory with unit 2 on port 6 (bob XB1) and one stored sequence.
struct RunDir {
    explicit RunDir(double rampTemp_F = 75, double pressure_psi = 300) {
        writeFile("initial.txt", " 0 \r\n 6 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 1 \r\n");
        writeFile("BOBINFO.TXT", "B5\r\nXB1\r\nB5\r\nB5\r\nB5\r\nB5\r\nB5\r\nB5\r\n");
        UnitFirmware::Options options;
        options.noise = 0;
        options.pressure_psi = pressure_psi;
        unit = std::make_unique<UnitFirmware>(options);
        StoredSequence s;
        s.name = QStringLiteral("Short");
        s.settings = {3, 2, 5, 1000, 0, 30};
        s.steps = {{1, 75, 5, 100, 1}, {0.5, rampTemp_F, 5, 100, 0}};
        s.shearRates_1ps = {100, 50, 25};
        SequenceStore(database()).add(s);
    }
    clsConnection& database() {
        if (!connection) {
            connection = std::make_unique<clsConnection>(&messenger);
            connection->OpenDB();
        }
        return *connection;
    }
    Outcome run(const QStringList& arguments) {
        Outcome o;
        QTextStream out(&o.out), err(&o.err);
        o.status = cli::run(arguments, out, err, [this](int) { return std::make_unique<SimulatedUnitPort>(*unit); });
        return o;
    }

    TempWorkDir dir;
    ScriptedMessenger messenger;
    std::unique_ptr<clsConnection> connection;
    std::unique_ptr<UnitFirmware> unit;
};

QString line(const Reading& r) {
    QStringList cells;
    for (double v : {r.rampNo, r.rampStepNo, r.time_s, r.sampleTemp_F, r.bathTemp_F, r.pressure_psi, r.shearRate_1ps,
                     r.shearStress_dyncm2, r.typeId})
        cells << vb::Format(v, QString());
    return cells.join(u'\t');
}

TEST(CliRun, RunsTheSequenceToItsEndPrintingEachReadingAsStoredWithTheTestInformationOfItsFile) {
    RunDir d;
    writeFile("info.txt", "FLUID_ID=Borate 35\nADDITIVE=Guar|35|lb/Mgal|G-1\n");
    const Outcome o = d.run({"run", "2", "Short", "Gel A", "--info", "info.txt"});
    ASSERT_EQ(o.status, cli::kOk) << o.err.toStdString();
    EXPECT_TRUE(o.err.endsWith("The sequence has ended.\n")) << o.err.toStdString();

    const OpenedTest test = OpenStoredTest(d.database(), "Gel A", ChartDataOption::All, UnitSystem::CGS);
    QStringList stored;
    for (const Reading& r : test.readings) stored << line(r);
    EXPECT_EQ(o.out.split(u'\n', Qt::SkipEmptyParts), stored);
    EXPECT_EQ(stored.size(), 4);
    EXPECT_EQ(test.bobRadius_cm, 1.7245) << "the unit's bob of BOBINFO.TXT";
    EXPECT_EQ(test.testInfoRow.value(2).toString(), "Borate 35");
    EXPECT_EQ(test.additives.size(), 1);
    EXPECT_TRUE(d.unit->commandLog().last().startsWith(UnitCommands::kStop));
}

TEST(CliRun, RefusalsAndFailuresExitWithTheirStatusAndMessage) {
    struct Case {
        const char* name;
        QStringList arguments;
        int status;
        QString message;
        double rampTemp_F = 75;
        double pressure_psi = 300;
        bool silent = false;
        bool storedAlready = false;
    };
    const Case cases[] = {
        {"too little pressure", {"run", "2", "Short", "T"}, 1, TestRunEngine::kPressureText, 211, 99},
        {"sequence not stored", {"run", "2", "Long", "T"}, 2, "no sequence named \"Long\" is stored."},
        {"name stored already", {"run", "2", "Short", "t"}, 1, TestInfoEntry::kDuplicateName, 75, 300, false, true},
        {"empty name", {"run", "2", "Short", ""}, 1, TestInfoEntry::kEmptyName},
        {"silent unit", {"run", "2", "Short", "T"}, 1, "Unit 2 has sent no status reply for 10 s.", 75, 300, true},
        {"unknown key", {"run", "2", "Short", "T", "--info", "bad.txt"}, cli::kUsage, "unknown key \"COLOUR\""},
        {"tick of 0 ms", {"run", "2", "Short", "T", "--tick-ms", "0"}, cli::kUsage, "--tick-ms takes"},
    };
    for (const Case& c : cases) {
        RunDir d(c.rampTemp_F, c.pressure_psi);
        writeFile("bad.txt", "COLOUR=blue\n");
        if (c.silent) d.unit->injectFault(UnitFirmware::Fault::NoAnswer, UnitFirmware::kForever);
        if (c.storedAlready) stored_test::store(d.database(), {QStringLiteral("T")});
        const Outcome o = d.run(c.arguments);
        EXPECT_EQ(o.status, c.status) << c.name;
        EXPECT_TRUE(o.err.contains(c.message)) << c.name << ": " << o.err.toStdString();
        EXPECT_TRUE(o.out.isEmpty()) << c.name;
        QFile log(QString::fromLatin1(kErrorLogFileName));
        EXPECT_EQ(log.exists(), c.pressure_psi < 100) << c.name;
    }
}

}  // namespace
