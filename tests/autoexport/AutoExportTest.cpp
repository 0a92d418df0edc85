// autoexport.txt and the files of one stored test in the export folder.

#include "autoexport/AutoExportSettings.h"
#include "autoexport/ExportFiles.h"

#include "store/clsConnection.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedMessenger.h"
#include "support/StoredTestBuilder.h"
#include "support/TempWorkDir.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

struct SettingsCase {
    const char* text;
    QString folder;  // relative to the settings' folder; empty for none
    QList<ExportFormat> formats;
    QStringList problems;
};

TEST(AutoExportSettings, LinesSetTheFolderTheFormatsAndTheUnitsAndABadLineIsNamedAndLeftOut) {
    using F = ExportFormat;
    const SettingsCase cases[] = {
        {"# nothing\n", {}, {}, {}},
        {"folder exports # where\nformats csv report\nformats json csv\n",
         "exports",
         {F::TestReport, F::Json, F::Csv},
         {}},
        {"folder Lab Exports/2026\nformats halliburton\n", "Lab Exports/2026", {F::Halliburton}, {}},
        {"folder a\nfolder b\nformats pdf brief\ncolour blue\nformats detail\n",
         "a",
         {F::Detail},
         {"autoexport.txt line 2: a second \"folder\" line.",
          "autoexport.txt line 3: \"pdf\" is no format (report, json, csv, brief, detail, halliburton).",
          "autoexport.txt line 4: \"colour\" is no setting (folder, formats, units)."}},
        {"formats csv\n", {}, {F::Csv}, {"autoexport.txt: no \"folder\" line, so nothing is exported."}},
        {"folder x\nunits metric\n",
         "x",
         {},
         {"autoexport.txt line 2: \"units\" takes one of cgs, ei, si.",
          "autoexport.txt: no \"formats\" line, so nothing is exported."}},
    };
    const QString base = QStringLiteral("/lab/station");
    for (const SettingsCase& c : cases) {
        const AutoExportSettings s = AutoExportSettings::parse(c.text, base + "/autoexport.txt");
        EXPECT_EQ(s.folder, c.folder.isEmpty() ? QString() : base + "/" + c.folder) << c.text;
        EXPECT_EQ(s.formats, c.formats) << c.text;
        EXPECT_EQ(s.problems, c.problems) << c.text;
        EXPECT_EQ(s.active(), !c.folder.isEmpty() && !c.formats.isEmpty()) << c.text;
    }
    EXPECT_EQ(AutoExportSettings::parse("units EI\n", "/x/autoexport.txt").units, UnitSystem::EI);
}

// Every file of a test whose name could lead elsewhere lands in a folder of its own inside the export folder,
// and two names that make the same safe name get folders of their own.
TEST(AutoExportFiles, HostileTestNamesStayInsideTheExportFolderEachInAFolderOfItsOwn) {
    TempWorkDir dir;
    ScriptedMessenger messenger;
    clsConnection connection(&messenger);
    connection.OpenDB();
    const QStringList names = {"..", "...", "../../etc/passwd", "a/b", "CON", "<script>x</script>", "Gel 1"};
    for (const QString& name : names) stored_test::store(connection, stored_test::rampsOneAndThree(name));
    AutoExportSettings settings;
    settings.folder = dir.file("exports");
    settings.formats = {ExportFormat::Csv, ExportFormat::Brief, ExportFormat::Detail,
                        ExportFormat::Halliburton};
    QSet<QString> folders;
    for (const QString& name : names) {
        const autoexport::Outcome outcome =
            autoexport::ExportTest(connection, name, settings, UnitSystem::CGS, autoexport::ChartPicture());
        EXPECT_TRUE(outcome.found) << name.toStdString();
        EXPECT_TRUE(outcome.failures.isEmpty()) << outcome.failures.join(u'\n').toStdString();
        ASSERT_EQ(outcome.written.size(), 4) << name.toStdString();
        for (const QString& path : outcome.written) {
            const QString canonical = QFileInfo(path).canonicalFilePath();
            EXPECT_TRUE(canonical.startsWith(QFileInfo(settings.folder).canonicalFilePath() + "/")) << path.toStdString();
            EXPECT_EQ(QFileInfo(path).absolutePath(), autoexport::TestFolder(settings.folder, name)) << path.toStdString();
        }
        folders.insert(autoexport::TestFolder(settings.folder, name));
    }
    EXPECT_EQ(folders.size(), names.size());
    // Nothing was written beside the export folder.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden, QDir::Name),
              QStringList({"R7716.mdb", "R7716.mdb-shm", "R7716.mdb-wal", "exports"}));
}

TEST(AutoExportFiles, ALinkInPlaceOfATestsFolderIsRefusedAndAnUnknownTestIsNotFound) {
    TempWorkDir dir;
    ScriptedMessenger messenger;
    clsConnection connection(&messenger);
    connection.OpenDB();
    stored_test::store(connection, stored_test::rampsOneAndThree("Gel"));
    QDir().mkpath("exports");
    QDir().mkpath("elsewhere");
    ASSERT_TRUE(QFile::link(dir.file("elsewhere"), dir.file("exports/Gel")));
    AutoExportSettings settings;
    settings.folder = dir.file("exports");
    settings.formats = {ExportFormat::Csv};
    const autoexport::Outcome linked =
        autoexport::ExportTest(connection, "Gel", settings, UnitSystem::CGS, autoexport::ChartPicture());
    EXPECT_TRUE(linked.written.isEmpty());
    ASSERT_EQ(linked.failures.size(), 1);
    EXPECT_TRUE(linked.failures[0].contains("symbolic link")) << linked.failures[0].toStdString();
    EXPECT_TRUE(QDir("elsewhere").isEmpty());
    EXPECT_FALSE(autoexport::ExportTest(connection, "Nope", settings, UnitSystem::CGS, {}).found);
}

}  // namespace
