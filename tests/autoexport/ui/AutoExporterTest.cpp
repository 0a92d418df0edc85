// The exporter of a program with windows: a run's end hands the test to the export thread, which has the
// report's chart drawn on the window thread and writes every file while that thread goes on.

#include "autoexport/AutoExporter.h"
#include "autoexport/ui/GuiChartPicture.h"

#include "store/clsConnection.h"
#include "support/ScriptedMessenger.h"
#include "support/StoredTestBuilder.h"
#include "support/TempWorkDir.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

class Events : public EventSink {
  public:
    void raise(const NotifyEvent& event) override { kinds << event_kind::text(event.kind) + ' ' + event.test; }
    QStringList kinds;
};

NotifyEvent ended(const QString& test) {
    NotifyEvent e = NotifyEvent::make(EventKind::TestEnded, QStringLiteral("ended"));
    e.unit = 3;
    e.test = test;
    return e;
}

TEST(AutoExporter, ARunsEndWritesItsTestReportWithTheChartDrawnOnTheWindowThreadAndTellsOnlyAFailure) {
    TempWorkDir dir;
    ScriptedMessenger messenger;
    clsConnection connection(&messenger);
    connection.OpenDB();
    stored_test::store(connection, stored_test::rampsOneAndThree("Gel 7"));
    AutoExportSettings settings =
        AutoExportSettings::parse("folder out\nformats report json\n", dir.file("autoexport.txt"));
    Events next;
    {
        AutoExporter exporter(settings, connection.location(), UnitSystem::EI, dir.path(), &next,
                              autoexport::GuiChartPicture());
        exporter.raise(ended("Gel 7"));
        exporter.raise(ended("Not stored"));
        // The window thread stays free: it draws the chart when the export thread asks.
        ASSERT_TRUE(exporter.waitUntilDone(120000));
        EXPECT_EQ(exporter.failedExports(), 1);
    }
    EXPECT_EQ(next.kinds, QStringList({"test-ended Gel 7", "test-ended Not stored", "export-failed Not stored"}));
    QFile pdf(dir.file("out/Gel 7/Gel 7.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5) == "%PDF-");
    EXPECT_TRUE(QFile::exists(dir.file("out/Gel 7/Gel 7.json")));
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty()) GTEST_SKIP() << "pdftotext is not installed: the report's text is not read.";
    QProcess text;
    text.start(pdftotext, {pdf.fileName(), QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(60000));
    const QString pages = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(pages.contains(QStringLiteral("Visc, Temp Vs Time")));
    EXPECT_TRUE(pages.contains(QStringLiteral("Gel 7")));
    QFile log(dir.file("R7716-diag.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("Automatic export\tNot stored: the test is not stored"));
}

}  // namespace
