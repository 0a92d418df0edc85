#include "cli/Cli.h"
#include "cli/CliOutcome.h"

#include "store/clsConnection.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedMessenger.h"
#include "support/StoredTestBuilder.h"
#include "support/TempWorkDir.h"

#include <QFile>
#include <QTextStream>

#include <gtest/gtest.h>

namespace {

using Outcome = CliOutcome;

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class ReportCommandsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ScriptedMessenger messenger;
        clsConnection connection(&messenger);
        connection.OpenDB();
        stored_test::Test test;
        test.name = QStringLiteral("Gel/1");
        test.readings = stored_test::workedRamp(1, 60);
        stored_test::store(connection, test);
    }

    TempWorkDir dir;
};

TEST_F(ReportCommandsTest, WrongCommandLinesAndUnknownTestsGiveTheirExitStatus) {
    const struct {
        QStringList arguments;
        int status;
    } cases[] = {
        {{"brief"}, cli::kUsage},
        {{"brief", "a", "b"}, cli::kUsage},
        {{"brief", "Gel/1", "--detail"}, cli::kUsage},
        {{"excel", "Gel/1"}, cli::kUsage},
        {{"detail", "Gel/1"}, cli::kUsage},
        {{"csv", "Gel/1", "--out"}, cli::kUsage},
        {{"halliburton", "Gel/1", "--printed"}, cli::kUsage},
        {{"brief", "gel/1"}, cli::kNotFound},
        {{"excel", "--out", "x.xlsx", "Nope"}, cli::kNotFound},
        {{"halliburton", "Nope"}, cli::kNotFound},
        {{"csv", "Nope"}, cli::kNotFound},
    };
    for (const auto& c : cases)
        EXPECT_EQ(runCli(c.arguments).status, c.status) << c.arguments.join(' ').toStdString();
}

TEST_F(ReportCommandsTest, CommandsWriteTheSameBytesAsTheirFiles) {
    const Outcome toStdout = runCli({"brief", "--printed", "Gel/1"});
    ASSERT_EQ(runCli({"brief", "Gel/1", "--printed", "--out", "brief.txt"}).status, cli::kOk);
    EXPECT_EQ(toStdout.out.toUtf8(), contents(dir.file(QStringLiteral("brief.txt"))));
    EXPECT_TRUE(toStdout.out.contains(QStringLiteral("Bob Effective Length : 7.62\r\n")));

    const Outcome halliburton = runCli({"halliburton", "Gel/1"});
    EXPECT_EQ(halliburton.status, cli::kOk);
    EXPECT_TRUE(halliburton.out.startsWith(QStringLiteral("Gel_1~"))) << halliburton.out.toStdString();
    EXPECT_EQ(contents(dir.file(halliburton.out.trimmed())).count("\r\n"), 4);

    EXPECT_EQ(runCli({"excel", "Gel/1", "--detail", "--out=book.xlsx"}).status, cli::kOk);
    EXPECT_TRUE(contents(dir.file(QStringLiteral("book.xlsx"))).startsWith("PK"));
}

TEST_F(ReportCommandsTest, AFileThatCannotBeWrittenIsReportedWithTheSystemsReason) {
#ifdef Q_OS_UNIX
    const QStringList commands[] = {
        {"brief", "Gel/1", "--out", "/dev/full"},
        {"csv", "Gel/1", "--out", "/dev/full"},
    };
    for (const QStringList& command : commands) {
        const Outcome o = runCli(command);
        EXPECT_EQ(o.status, 1) << command.join(' ').toStdString();
        EXPECT_TRUE(o.err.contains(QStringLiteral("No space left on device"))) << o.err.toStdString();
    }
#else
    GTEST_SKIP() << "needs /dev/full";
#endif
}

}  // namespace
