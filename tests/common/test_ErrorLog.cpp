#include "common/ErrorLog.h"

#include "common/VbFormat.h"

#include <gtest/gtest.h>

#include "support/QStringPrinter.h"
#include "support/ScriptedMessenger.h"
#include "support/TempWorkDir.h"

#include <QDir>
#include <QFile>

namespace {

const QDateTime kWhen(QDate(2026, 8, 12), QTime(15, 43, 10));

QByteArray logBytes() {
    QFile f(QString::fromLatin1(kErrorLogFileName));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

TEST(ErrorLog, TheCauseStartsAtTheNextPrintZoneAfterTheTime) {
    const QString cause =
        QStringLiteral("Pressure is not applied to perform high temperature test.  Instrument No. ") +
        vb::Str(3);
    const QString line = ErrorLogLine(kWhen, cause);
    const QString stamp = QStringLiteral("Time: ") + vb::GeneralDate(kWhen);

    ASSERT_TRUE(line.startsWith(stamp)) << line.toStdString();
    const qsizetype causeAt = line.indexOf(QStringLiteral("Cause: "), stamp.size());
    ASSERT_GE(causeAt, stamp.size());
    EXPECT_EQ(causeAt % 14, 0) << line.toStdString();
    EXPECT_LT(causeAt - stamp.size(), 14);
    EXPECT_EQ(line.mid(stamp.size(), causeAt - stamp.size()), QString(causeAt - stamp.size(), u' '));
    EXPECT_EQ(line.mid(causeAt), QStringLiteral("Cause: ") + cause);
    EXPECT_TRUE(line.endsWith(QStringLiteral("Instrument No.  3")));
}

TEST(ErrorLog, AnEntryIsOneLineEndedByCrLfInANewFile) {
    TempWorkDir dir;
    ScriptedMessenger messenger;
    const QString cause = QStringLiteral(
                              " Shut down due to viscosity average below preset shut down viscosity. "
                              "Instrument No. ") +
                          vb::Str(2);

    EXPECT_TRUE(LogError(cause, messenger, kWhen));

    EXPECT_EQ(logBytes(), (ErrorLogLine(kWhen, cause) + QStringLiteral("\r\n")).toUtf8());
    EXPECT_TRUE(messenger.shown.isEmpty());
}

TEST(ErrorLog, EntriesAreAppendedInOrderAfterWhatTheLogHeld) {
    TempWorkDir dir;
    {
        QFile f(QString::fromLatin1(kErrorLogFileName));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("an older entry\r\n");
    }
    ScriptedMessenger messenger;
    const QDateTime later = kWhen.addSecs(61);

    EXPECT_TRUE(LogError(QStringLiteral("first"), messenger, kWhen));
    EXPECT_TRUE(LogError(QStringLiteral("second"), messenger, later));

    const QList<QByteArray> lines = logBytes().split('\n');
    ASSERT_EQ(lines.size(), 4);  // three lines and the empty rest after the last line end
    EXPECT_EQ(lines[0], "an older entry\r");
    EXPECT_EQ(lines[1], (ErrorLogLine(kWhen, QStringLiteral("first")) + u'\r').toUtf8());
    EXPECT_EQ(lines[2], (ErrorLogLine(later, QStringLiteral("second")) + u'\r').toUtf8());
    EXPECT_TRUE(lines[1].startsWith("Time: "));
    EXPECT_TRUE(lines[2].startsWith("Time: "));
    EXPECT_TRUE(lines[3].isEmpty());
}

TEST(ErrorLog, ALongCauseIsWrittenWholeOnItsOneLine) {
    TempWorkDir dir;
    ScriptedMessenger messenger;
    QString cause;
    for (int i = 0; i < 500; ++i)
        cause += QStringLiteral("cause %1; ").arg(vb::Format(i, QStringLiteral("000")));

    ASSERT_TRUE(LogError(cause, messenger, kWhen));

    const QByteArray bytes = logBytes();
    EXPECT_EQ(bytes.count('\n'), 1);
    EXPECT_TRUE(bytes.endsWith((cause + QStringLiteral("\r\n")).toUtf8()));
}

TEST(ErrorLog, ALogThatCannotBeWrittenIsReportedWithTheLostEntryAndDoesNotThrow) {
    TempWorkDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QString::fromLatin1(kErrorLogFileName)));
    ScriptedMessenger messenger;
    const QString cause =
        QStringLiteral("Pressure is not applied to perform high temperature test.  Instrument No.  5");

    bool written = true;
    EXPECT_NO_THROW(written = LogError(cause, messenger, kWhen));

    EXPECT_FALSE(written);
    ASSERT_EQ(messenger.shown.size(), 1);
    const auto& shown = messenger.shown.front();
    EXPECT_EQ(shown.kind, ScriptedMessenger::Kind::Info);
    EXPECT_EQ(shown.icon, MsgIcon::Exclamation);
    EXPECT_TRUE(shown.text.contains(QDir(dir.path()).absoluteFilePath(QStringLiteral("TavikErr.log"))));
    EXPECT_TRUE(shown.text.contains(QStringLiteral("directory"), Qt::CaseInsensitive))
        << shown.text.toStdString();
    EXPECT_TRUE(shown.text.contains(ErrorLogLine(kWhen, cause)));
}

}  // namespace
