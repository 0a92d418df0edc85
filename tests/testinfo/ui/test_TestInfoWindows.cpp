#include "common/ui/CellEditor.h"
#include "common/ui/FlexGrid.h"
#include "store/clsConnection.h"
#include "store/clsTEST_ADDITIVE.h"
#include "store/clsTEST_INFO.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedMessenger.h"
#include "support/StoredTestBuilder.h"
#include "support/TempWorkDir.h"
#include "testinfo/ui/frmTestHistory.h"
#include "testinfo/ui/frmTestRelatedInfo.h"
#include "testinfo/ui/frmViewRelatedInfo.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class TestInfoWindows : public ::testing::Test {
  protected:
    void SetUp() override {
        connection.OpenDB();
        ASSERT_TRUE(connection.IsOpen());
        messenger.shown.clear();
        stored_test::Test t;
        t.name = QStringLiteral("Gel A");
        t.bobRadius_cm = 1.6;
        t.additives = {{QStringLiteral("Guar"), 35, QStringLiteral("lb/Mgal"), QStringLiteral("L1")}};
        gelId = stored_test::store(connection, t);
    }

    // Runs `drive` on the modal window once it shows; a window the drive left open fails the test.
    template <typename Window>
    static void whenShown(std::function<void(Window&)> drive) {
        QTimer::singleShot(0, [drive] {
            if (auto* window = qobject_cast<Window*>(QApplication::activeModalWidget());
                window && QTest::qWaitForWindowExposed(window))
                drive(*window);
            if (QWidget* open = QApplication::activeModalWidget()) {
                ADD_FAILURE() << "the window is still open";
                open->close();
            }
        });
    }

    static void typeInto(QLineEdit* box, const QString& text) {
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, text);
    }

    // Clicks an additive cell, types into its in-cell editor, and leaves it by clicking `next`.
    static void editCell(TestInfoDialogBase& w, int row, int col, const QString& text, QWidget* next) {
        QTest::mouseClick(w.MSFlexGrid1->viewport(), Qt::LeftButton, {},
                          w.MSFlexGrid1->cellRect(row, col).center());
        ASSERT_TRUE(w.txtOverlap->isVisible());
        w.txtOverlap->selectAll();
        QTest::keyClicks(w.txtOverlap, text);
        QTest::mouseClick(next, Qt::LeftButton);
    }

    TempWorkDir dir;
    ScriptedMessenger messenger;
    clsConnection connection{&messenger};
    double gelId = 0;
};

TEST_F(TestInfoWindows, EntryDialogCopiesFromAPickedTestChecksTheNameAndHandsBackWhatWasTyped) {
    whenShown<frmTestRelatedInfo>([](frmTestRelatedInfo& w) {
        EXPECT_EQ(w.windowTitle(), frmTestRelatedInfo::kCaption);
        EXPECT_EQ(w.txtBobRadius->text(), QStringLiteral("1.2276"));  // the preset XB2
        QTest::mouseClick(w.cmdPick, Qt::LeftButton);
        ASSERT_TRUE(w.Grid_TestName->isVisible());
        QTest::mouseClick(w.Grid_TestName->viewport(), Qt::LeftButton, {},
                          w.Grid_TestName->visualItemRect(w.Grid_TestName->item(0, 0)).center());
        EXPECT_FALSE(w.Grid_TestName->isVisible());
        EXPECT_EQ(w.txtBobRadius->text(), QStringLiteral("1.6"));
        EXPECT_EQ(w.MSFlexGrid1->TextMatrix(1, 0), QStringLiteral("Guar"));

        editCell(w, 2, 0, QStringLiteral("Clay"), w.txtFluidId);
        EXPECT_FALSE(w.txtOverlap->isVisible());
        typeInto(w.txtTestName, QStringLiteral("GEL A"));
        QTest::mouseClick(w.cmdok, Qt::LeftButton);
        EXPECT_TRUE(w.isVisible());
        typeInto(w.txtTestName, QStringLiteral("Run 1"));
        QTest::mouseClick(w.cmdok, Qt::LeftButton);
    });
    const auto input = askTestInfo(nullptr, connection, messenger, QStringLiteral("XB2"));
    EXPECT_EQ(messenger.texts(), QStringList{TestInfoEntry::kDuplicateName});
    ASSERT_TRUE(input);
    EXPECT_EQ(input->testName, QStringLiteral("Run 1"));
    EXPECT_EQ(input->bobNo, QStringLiteral("B5"));
    EXPECT_EQ(input->bobRadius_cm, 1.6);
    ASSERT_EQ(input->additives.size(), 2);
    EXPECT_EQ(input->additives[1].name, QStringLiteral("Clay"));
}

TEST_F(TestInfoWindows, ClosingTheEntryDialogByItsFrameCancels) {
    whenShown<frmTestRelatedInfo>([](frmTestRelatedInfo& w) {
        typeInto(w.txtTestName, QStringLiteral("Run 2"));
        w.close();
    });
    EXPECT_FALSE(askTestInfo(nullptr, connection, messenger, std::nullopt));
}

TEST_F(TestInfoWindows, ViewSavesEditsAndReturnLeavesTheTestAlone) {
    whenShown<frmViewRelatedInfo>([](frmViewRelatedInfo& w) {
        EXPECT_EQ(w.txtBobRadius->text(), QStringLiteral("1.6"));
        typeInto(w.txtFluidId, QStringLiteral("Linear 20"));
        editCell(w, 1, 1, QStringLiteral("40"), w.txtRotoNo);
        QTest::mouseClick(w.cmdok, Qt::LeftButton);
    });
    EXPECT_TRUE(editTestInfo(nullptr, connection, messenger, QStringLiteral("Gel A"), gelId));

    whenShown<frmViewRelatedInfo>([](frmViewRelatedInfo& w) {
        EXPECT_EQ(w.txtFluidId->text(), QStringLiteral("Linear 20"));
        EXPECT_EQ(w.MSFlexGrid1->TextMatrix(1, 1), QStringLiteral(" 40"));
        // The record of the save: the fluid and the additives, each with its old and new value.
        bool shown = false;
        QTimer::singleShot(0, [&shown] {
            auto* history = qobject_cast<frmTestHistory*>(QApplication::activeModalWidget());
            if (!history) return;
            shown = true;
            ASSERT_EQ(history->grdHistory->rowCount(), 2);
            EXPECT_EQ(history->grdHistory->item(0, 3)->text(), QStringLiteral("FLUID_ID"));
            EXPECT_EQ(history->grdHistory->item(0, 5)->text(), QStringLiteral("Linear 20"));
            EXPECT_EQ(history->grdHistory->item(1, 3)->text(), QStringLiteral("additives"));
            history->accept();
        });
        QTest::mouseClick(w.cmdHistory, Qt::LeftButton);
        EXPECT_TRUE(shown);
        typeInto(w.txtFluidId, QStringLiteral("Not saved"));
        QTest::mouseClick(w.cmdCancel, Qt::LeftButton);
    });
    EXPECT_FALSE(editTestInfo(nullptr, connection, messenger, QStringLiteral("Gel A"), gelId));

    clsTEST_INFO info;
    info.ConnectX(connection);
    info.setTEST_NAME(QStringLiteral("Gel A"));
    info.GetTestDetail();
    EXPECT_EQ(info.Fluid_ID(), QStringLiteral("Linear 20"));
    EXPECT_TRUE(messenger.shown.isEmpty());
}

}  // namespace
