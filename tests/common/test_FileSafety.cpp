// The bounded reader of settings files, the whole-file writer and the escaping of stored texts.

#include "common/PrintableText.h"
#include "common/SettingsFile.h"
#include "common/WholeFile.h"

#include <gtest/gtest.h>

#include "support/QStringPrinter.h"
#include "support/TempWorkDir.h"

#include <QDir>
#include <QFile>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

using Status = SettingsFile::Status;

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void put(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

TEST(SettingsFile, ReadsAtMostItsLimitWhateverThePathNames) {
    TempWorkDir dir;
    put("small.txt", "3\n0\n");
    put("limit.txt", QByteArray(SettingsFile::kMaxBytes, '1'));
    put("over.txt", QByteArray(SettingsFile::kMaxBytes + 1, '1'));
    QFile big("big.txt");  // 50 MB that are never read
    ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(50 << 20));
    big.close();
    QDir().mkdir("folder");
    const struct {
        const char* path;
        Status status;
        qsizetype bytes;
    } cases[] = {
        {"small.txt", Status::Read, 4},      {"limit.txt", Status::Read, SettingsFile::kMaxBytes},
        {"over.txt", Status::TooLarge, 0},   {"big.txt", Status::TooLarge, 0},
        {"missing.txt", Status::Missing, 0}, {"folder", Status::Unreadable, 0},
#ifdef Q_OS_UNIX
        {"/dev/zero", Status::TooLarge, 0},  // endless: refused after the limit, without growing
#endif
    };
    for (const auto& c : cases) {
        const SettingsFile file = SettingsFile::read(QString::fromLatin1(c.path));
        EXPECT_EQ(file.status, c.status) << c.path;
        EXPECT_EQ(file.bytes.size(), c.bytes) << c.path;
        EXPECT_EQ(file.problem().isEmpty(), c.status == Status::Read) << c.path;
    }
    EXPECT_TRUE(SettingsFile::read("big.txt").problem().contains("larger than 64 KiB"));
}

#ifdef Q_OS_UNIX
TEST(SettingsFile, AFifoNeverHoldsTheProgram) {
    TempWorkDir dir;
    ASSERT_EQ(::mkfifo("fifo", 0600), 0);
    // Nobody writes: empty at once, instead of waiting for a writer.
    EXPECT_EQ(SettingsFile::read("fifo").status, Status::Read);
    // A writer that never writes is given up after the quiet limit.
    QFile writer("fifo");
    ASSERT_TRUE(writer.open(QIODevice::ReadWrite));
    const SettingsFile silent = SettingsFile::read("fifo", SettingsFile::kMaxBytes, 100);
    EXPECT_EQ(silent.status, Status::Unreadable);
    EXPECT_TRUE(silent.problem().contains("nothing more came")) << silent.problem().toStdString();
}
#endif

TEST(PrintableText, ControlCharactersAreEscapedAndEverythingElseStaysAsItIs) {
    const std::pair<const char*, const char*> cases[] = {
        {"Gel 30# 250F", "Gel 30# 250F"}, {"a\\b", "a\\b"},
        {"\x1b[2Jgone", "\\x1b[2Jgone"},  {"two\r\nlines\tx", "two\\r\\nlines\\tx"},
        {"del\x7f", "del\\x7f"},          {"c1 \xc2\x9b", "c1 \\x9b"},
        {"ls\xe2\x80\xa8", "ls\\u2028"},  {"Viskosit\xc3\xa4t", "Viskosit\xc3\xa4t"},
    };
    for (const auto& [stored, shown] : cases) {
        EXPECT_EQ(printable_text::escaped(QString::fromUtf8(stored)), QString::fromUtf8(shown)) << shown;
        EXPECT_EQ(printable_text::nameProblem("test name", QString::fromUtf8(stored)).has_value(),
                  qstrcmp(stored, shown) != 0)
            << shown;
    }
    EXPECT_EQ(printable_text::excerpt(QString(100, u'x') + u'\n'), QString(20, u'x') + "...");
    EXPECT_EQ(printable_text::excerpt(QStringLiteral("root:\x1b\n")), QStringLiteral("root:??"));
}

TEST(WholeFile, AFailedWriteSaysWhyAndAWrittenOneKeepsThePermissionsAndFollowsAChosenLink) {
    TempWorkDir dir;
    QDir().mkdir("outside");
    put("outside/kept.txt", "old");
    QFile::setPermissions("outside/kept.txt", QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    const QFile::Permissions chosen = QFile::permissions("outside/kept.txt");
    ASSERT_TRUE(QFile::link("outside/kept.txt", "chosen.txt"));
#ifdef Q_OS_UNIX
    EXPECT_EQ(writeWholeFile("/dev/full", "data"), QStringLiteral("No space left on device"));
#endif
    EXPECT_FALSE(writeWholeFile("missing/x.txt", "data").isEmpty());
    {
        WholeFileWriter cancelled("chosen.txt");
        ASSERT_TRUE(cancelled.open());
        cancelled.device().write("half");
    }
    EXPECT_EQ(contents("outside/kept.txt"), "old");
    EXPECT_EQ(writeWholeFile("chosen.txt", "new"), QString());
    EXPECT_EQ(contents("outside/kept.txt"), "new");
    EXPECT_TRUE(QFileInfo("chosen.txt").isSymLink());
    EXPECT_EQ(QFile::permissions("outside/kept.txt"), chosen);
    EXPECT_TRUE(QDir("outside").entryList({".*.tmp"}, QDir::Files | QDir::Hidden).isEmpty());  // none left
}

}  // namespace
