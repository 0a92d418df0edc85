// r7716-sim's command line: what each option sets, and the message for each wrong one.

#include "simulator/SimCommandLine.h"
#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

using Action = SimCommandLine::Action;

TEST(SimCommandLine, EveryOptionSetsWhatItNames) {
    const SimCommandLine none = SimCommandLine::parse({});
    EXPECT_EQ(none.action, Action::Serve);
    EXPECT_EQ(none.options.units, QList<int>{1});

    const SimCommandLine all = SimCommandLine::parse(
        {"--units", "5,2,5", "--speed", "2.5", "--seed", "7", "--pressure", "250", "--autostart", "--links",
         "L", "--ports-file", "p.txt", "--fault", "2:SPLIT:3", "--fault", "1:noend"});
    ASSERT_EQ(all.action, Action::Serve) << all.problem.toStdString();
    const SimOptions& o = all.options;
    EXPECT_EQ(o.units, (QList<int>{5, 2}));
    EXPECT_EQ(o.speed, 2.5);
    EXPECT_EQ(o.seed, 7u);
    EXPECT_EQ(o.pressure_psi, 250.0);
    EXPECT_TRUE(o.autostart);
    EXPECT_EQ(o.linkDir, "L");
    EXPECT_EQ(o.portsFile, "p.txt");
    ASSERT_EQ(o.faults.size(), 2);
    EXPECT_EQ(o.faults[0].unit, 2);
    EXPECT_EQ(o.faults[0].kind, UnitFirmware::Fault::SplitReply);
    EXPECT_EQ(o.faults[0].count, 3);
    EXPECT_EQ(o.faults[1].kind, UnitFirmware::Fault::DataCut);
    EXPECT_EQ(o.faults[1].count, UnitFirmware::kForever);
}

TEST(SimCommandLine, HelpAndVersionAreAnsweredWhateverFollows) {
    EXPECT_EQ(SimCommandLine::parse({"--help", "--bogus"}).action, Action::ShowHelp);
    EXPECT_EQ(SimCommandLine::parse({"-h"}).action, Action::ShowHelp);
    EXPECT_EQ(SimCommandLine::parse({"--units", "2", "--version"}).action, Action::ShowVersion);
}

TEST(SimCommandLine, AWrongOptionIsRefusedWithItsReason) {
    const struct {
        QStringList arguments;
        const char* problem;
    } cases[] = {
        {{"--speed"}, "--speed needs a value"},
        {{"--units", "0"}, "bad unit number: 0"},
        {{"--units", "13"}, "bad unit number: 13"},
        {{"--units", ","}, "no unit to serve"},
        {{"--speed", "0"}, "bad speed: 0"},
        {{"--seed", "-1"}, "bad seed: -1"},
        {{"--pressure", "high"}, "bad pressure: high"},
        {{"--fault", "1:sticky"}, "bad fault: 1:sticky"},
        {{"--fault", "1:split:x"}, "bad fault count: 1:split:x"},
        {{"units"}, "unknown option units (see --help)"},
    };
    for (const auto& c : cases) {
        const SimCommandLine line = SimCommandLine::parse(c.arguments);
        EXPECT_EQ(line.action, Action::Fail) << c.problem;
        EXPECT_EQ(line.problem, QString::fromLatin1(c.problem));
    }
}

}  // namespace
