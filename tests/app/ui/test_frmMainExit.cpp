// Ending the program while unit windows record tests: the operator is asked before the recordings end.

#include "app/ui/frmMain.h"
#include "common/Settings.h"
#include "instrument/TestRunEngine.h"
#include "instrument/ui/frmMDIRealTime.h"
#include "instrument/ui/frmRealTime.h"
#include "sequence/SequenceStore.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedMessenger.h"
#include "support/TempWorkDir.h"
#include "support/ui/SimulatedUnits.h"
#include "testinfo/TestInfoFile.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

TEST(MainWindowExitTest, ExitAsksBeforeEndingARecordingAndNoKeepsItRunning) {
    TempWorkDir dir;
    const auto write = [](const char* name, const QByteArray& bytes) {
        QFile file(QString::fromLatin1(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    ASSERT_TRUE(write("initial.txt", " 1 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 1 \r\n"));
    ASSERT_TRUE(write("BOBINFO.TXT", QByteArray("B5\r\n").repeated(8)));
    ScriptedMessenger messenger;
    Settings settings;
    SimulatedUnits units;
    auto main = std::make_unique<frmMain>(messenger, settings);
    messenger.shown.clear();
    SequenceStore(main->Connection())
        .add({.name = "Long", .settings = {3, 2, 5, 1000, 0, 30}, .steps = {{600, 75, 5, 100, 0}}});

    main->cmdRealTime->click();
    frmMDIRealTime* host = main->RealTimeWindow();
    ASSERT_NE(host, nullptr);
    host->setPortFactory(units.factory());
    host->MenuAdd[1]->trigger();
    frmRealTime* unit = host->realTimeWindow(1);
    ASSERT_NE(unit, nullptr);
    unit->setTestInfoAsker([](const std::optional<QString>& bob) {
        return testinfo_file::parse({}, QStringLiteral("Exit test"), bob, {}).input;
    });
    ASSERT_TRUE(unit->unit().selectSequence("Long"));
    for (int i = 0; i < 3; ++i) {
        units.advance(1.0);
        unit->Timer1_Timer();
    }
    unit->cmdStart_Stop->click();
    ASSERT_TRUE(unit->engine()->running());
    ASSERT_EQ(host->unitsRecording(), QList<int>{1});

    messenger.answers << true << false;  // exit: yes; stop recording: no
    main->cmdExit->click();
    ASSERT_EQ(messenger.shown.size(), 2) << messenger.texts().join("\n").toStdString();
    EXPECT_TRUE(messenger.shown[1].text.startsWith("A test is running on unit 1. Stop recording and exit?"));
    EXPECT_TRUE(unit->engine()->running()) << "No keeps the program and the recording";

    messenger.answers << true << true;
    main->cmdExit->click();
    EXPECT_EQ(unit->engine()->end(), TestRunEngine::End::RecordingStopped);
    EXPECT_FALSE(main->isVisible());
    main.reset();
    for (QWidget* w : QApplication::topLevelWidgets()) w->hide();
}

}  // namespace
