#include "app/ui/frmLabMonitor.h"
#include "app/ui/frmMain.h"
#include "common/Settings.h"

#include "support/QStringPrinter.h"
#include "support/ScriptedMessenger.h"
#include "support/TempWorkDir.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

TEST(LabMonitorWindow, FileLabMonitorShowsTheServeCommandsForTheOpenDatabaseAndStartsNothing) {
    TempWorkDir dir;
    QFile initial(dir.file("initial.txt"));
    ASSERT_TRUE(initial.open(QIODevice::WriteOnly));
    initial.write(" 1 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 1 \r\n");
    initial.close();
    ScriptedMessenger messenger;
    Settings settings;
    frmMain window(messenger, settings);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    QString shown;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<frmLabMonitor*>(QApplication::activeModalWidget());
        if (!dialog) return;
        shown = dialog->txtInstructions->toPlainText();
        if (const QByteArray shots = qgetenv("R7716_SCREENSHOT_DIR"); !shots.isEmpty())
            dialog->grab().save(
                QDir(QString::fromLocal8Bit(shots)).filePath(QStringLiteral("lab-monitor.png")));
        QTest::mouseClick(dialog->cmdClose, Qt::LeftButton);
    });
    QTimer guard;  // a failing check above must not leave the test waiting on the dialog
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] {
        if (QWidget* m = QApplication::activeModalWidget()) m->close();
    });
    guard.start(5000);
    window.MenuLabMonitor->trigger();

    EXPECT_TRUE(shown.contains(QStringLiteral("cd %1 && ").arg(QDir::currentPath()))) << qPrintable(shown);
    EXPECT_TRUE(shown.contains(QStringLiteral("r7716-cli serve\n")));
    EXPECT_TRUE(shown.contains(QStringLiteral("http://127.0.0.1:8716/")));
    EXPECT_TRUE(shown.contains(QStringLiteral("--token-file monitor-token.txt")));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
