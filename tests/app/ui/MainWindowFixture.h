#pragma once
// A main window on a fresh working directory, and the operator's ways of driving it: opening a stored test
// through the open-test dialog, answering a modal window, coming back to the window from another one.
#include "app/ui/frmMain.h"
#include "common/Settings.h"

#include "analysis/ui/frmOpenTest.h"

#include <gtest/gtest.h>

#include "support/ScriptedMessenger.h"
#include "support/StoredTestBuilder.h"
#include "support/TempWorkDir.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

class MainWindowFixture : public testing::Test {
  protected:
    void writeInitial(int unitSystem) {
        QFile f(QStringLiteral("initial.txt"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(" 1 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n ") +
                QByteArray::number(unitSystem) + " \r\n");
    }
    frmMain& start(int unitSystem = 1) {
        writeInitial(unitSystem);
        window = std::make_unique<frmMain>(messenger, settings);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        messenger.shown.clear();  // the new database's notice
        return *window;
    }
    double store(const stored_test::Test& test) { return stored_test::store(window->Connection(), test); }
    void TearDown() override {
        window.reset();
        for (QWidget* w : QApplication::topLevelWidgets()) w->hide();
    }

    // Shows the open-test dialog the way the operator does and runs `inside` while it is up, modal. A
    // dialog still up afterwards is cancelled, so that a failed check never leaves the test waiting.
    void withOpenDialog(const std::function<void(frmOpenTest&)>& inside, bool viaMenu = false) {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            frmOpenTest* d = window->OpenTestDialog();
            if (QApplication::activeModalWidget() != d) return;
            ran = true;
            inside(*d);
            if (d->isVisible()) QTest::mouseClick(d->cmdCancel, Qt::LeftButton);
        });
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [] {
            if (QWidget* m = QApplication::activeModalWidget()) m->hide();
        });
        guard.start(10000);
        if (viaMenu)
            window->MenuFileOpen->trigger();
        else
            QTest::mouseClick(window->cmdOpen, Qt::LeftButton);
        EXPECT_TRUE(ran) << "the open-test dialog was not shown modal";
    }
    void openByName(const QString& name, bool viaMenu = false) {
        withOpenDialog(
            [&](frmOpenTest& d) {
                d.txtSeqName->setText(name);
                QTest::mouseClick(d.cmdOk, Qt::LeftButton);
            },
            viaMenu);
    }

    // Runs `drive` on the modal window of type Window once it shows (after `trigger`); a window the drive
    // left open is closed and fails the test.
    template <typename Window>
    void whenModal(const std::function<void(Window&)>& drive, const std::function<void()>& trigger) {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            if (auto* shown = qobject_cast<Window*>(QApplication::activeModalWidget())) {
                ran = true;
                drive(*shown);
            }
            if (QWidget* open = QApplication::activeModalWidget()) {
                ADD_FAILURE() << "a modal window is still open";
                open->hide();
            }
        });
        trigger();
        EXPECT_TRUE(ran) << "the window was not shown modal";
    }

    // Activates the main window as returning to it from another window does, and lets the re-read run.
    void activateMain() {
        QWidget other;
        other.setWindowTitle(QStringLiteral("another window"));
        other.show();
        other.activateWindow();
        QTest::qWait(50);
        other.hide();
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get(), 2000)) {
            // Without a window manager the activation may not come: deliver it as Qt would.
            QEvent activate(QEvent::WindowActivate);
            QApplication::sendEvent(window.get(), &activate);
        }
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }

    QString result(int gridRow, int col) const {
        const QTableWidgetItem* item = window->MSFlexGrid1->item(gridRow - 1, col);
        return item ? item->text() : QString();
    }
    QString header(int col) const {
        return window->MSFlexGrid1->horizontalHeaderItem(col)->data(Qt::UserRole).toString();
    }
    QStringList additiveRow(int gridRow) const {
        QStringList cells;
        for (int c = 0; c < window->MSFlexGrid2->columnCount(); ++c) {
            const QTableWidgetItem* item = window->MSFlexGrid2->item(gridRow - 1, c);
            cells << (item ? item->text() : QString());
        }
        return cells;
    }
    TempWorkDir dir;
    ScriptedMessenger messenger;
    Settings settings;
    std::unique_ptr<frmMain> window;
};
