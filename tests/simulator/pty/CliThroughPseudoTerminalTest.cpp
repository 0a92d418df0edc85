// r7716-cli reaching a unit through a real pseudo-terminal as r7716-sim serves it: the port named in
// "serialports.txt", the program's serial port code, the terminal driver and the simulated firmware.

#include "cli/Cli.h"

#include "link/SerialPortName.h"
#include "sequence/SequenceStore.h"
#include "simulator/PortListFile.h"
#include "simulator/pty/PtyUnitServer.h"
#include "store/clsConnection.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedMessenger.h"
#include "support/TempWorkDir.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

namespace {

struct Outcome {
    int status;
    QString out;
    QString err;
};

void writeFile(const QString& name, const QByteArray& bytes) {
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

TEST(CliThroughPseudoTerminal, StatusAndSendSequenceReachAUnitServedAsR7716SimServesIt) {
    int argc = 1;
    char name[] = "test_simulator_pty";
    char* argv[] = {name, nullptr};
    std::unique_ptr<QCoreApplication> app;
    if (!QCoreApplication::instance()) app = std::make_unique<QCoreApplication>(argc, argv);

    TempWorkDir dir;
    PtyUnitServer server(20.0);  // the 6 s acknowledgement wait passes quickly for the unit, not for us
    UnitFirmware::Options options;
    options.pressure_psi = 300;
    const QString device = server.addUnit(3, options);
    ASSERT_TRUE(PortListFile(SerialPortName::kPortListFile).write({{3, device}}));
    writeFile("initial.txt", " 0 \r\n 0 \r\n 3 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 1 \r\n");
    std::atomic<bool> stop{false};
    std::thread service([&] {
        while (!stop) server.serviceOnce(5);
    });

    Outcome status;
    {
        QTextStream out(&status.out), err(&status.err);
        status.status = cli::run({"status", "3"}, out, err);
    }
    {
        ScriptedMessenger messenger;
        clsConnection connection(&messenger);
        connection.OpenDB();
        StoredSequence s;
        s.name = "Through the terminal";
        s.steps = {{2, 125, 20, 100, 1}};
        s.shearRates_1ps = {100, 300};
        SequenceStore(connection).add(s);
    }
    Outcome sent;
    {
        QTextStream out(&sent.out), err(&sent.err);
        sent.status = cli::run({"send-sequence", "3", "Through the terminal"}, out, err);
    }
    bool loaded = false;
    server.withUnit(3, [&](UnitFirmware& u) { loaded = u.sequence().has_value(); });
    stop = true;
    service.join();

    EXPECT_EQ(status.status, cli::kOk) << status.err.toStdString();
    EXPECT_TRUE(status.out.contains("pressure_psi\t30")) << status.out.toStdString();
    EXPECT_EQ(sent.status, cli::kOk) << sent.err.toStdString();
    EXPECT_EQ(sent.out, "Sequence Send Success.\n");
    EXPECT_TRUE(loaded);
}

}  // namespace
