// The simple-test window: its controls, Start's focus on a bad set point, a run on the simulated unit and
// the refusal to close while the unit runs.

#include "instrument/ui/frmSimpleTest.h"

#include "instrument/ui/UnitWindowKit.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedMessenger.h"
#include "support/TempWorkDir.h"
#include "support/ui/SimulatedUnits.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class SimpleTestWindowTest : public ::testing::Test {
  protected:
    SimpleTestWindowTest() {
        window = std::make_unique<frmSimpleTest>(units.factory()(2), messenger);
        window->lblInstName->setText("Unit 2");
        window->openPort(2);
    }
    void ticks(int count) {
        for (int i = 0; i < count; ++i) {
            window->Timer1_Timer();
            units.advance(window->Timer1->interval() / 1000.0);
        }
    }

    TempWorkDir dir;
    ScriptedMessenger messenger;
    SimulatedUnits units;
    std::unique_ptr<frmSimpleTest> window;
};

TEST_F(SimpleTestWindowTest, LoadsWithTheSixBobsB5ChosenAndItsTimerPolling) {
    frmSimpleTest& w = *window;
    EXPECT_EQ(w.windowTitle(), "R7716 Rheometer Real Time Simple Test");
    QStringList bobs;
    for (int i = 0; i < w.cmbBobNo->count(); ++i) bobs << w.cmbBobNo->itemText(i);
    EXPECT_EQ(bobs, (QStringList{"B5", "B2", "B1", "XB5", "XB2", "XB1"}));
    EXPECT_EQ(w.cmbBobNo->currentText(), "B5");
    EXPECT_EQ(w.txtTempSetPoint->text(), "70");
    EXPECT_TRUE(w.txtSpeedSet->text().isEmpty());
    EXPECT_TRUE(w.Timer1->isActive());
    EXPECT_EQ(w.Timer1->interval(), 1000);
    EXPECT_EQ(w.cmdStart->text(), "Start");
    EXPECT_EQ(w.cmdStart->toolTip(), "Click here to Start Test");
    EXPECT_EQ(w.cmdStop->text(), "S&top");
    EXPECT_EQ(w.cmdStop->toolTip(), "Click here to Stop test ");
    EXPECT_EQ(w.cmdExit->text(), "&Exit");
    EXPECT_EQ(w.cmdExit->toolTip(), "Click here to exit test");
    w.cmbBobNo->setCurrentIndex(4);
    EXPECT_EQ(w.logic().bobIndex(), 4);
}

TEST_F(SimpleTestWindowTest, ABadSetPointIsRefusedWithTheFocusInItsBox) {
    frmSimpleTest& w = *window;
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    w.txtSpeedSet->setText("100");
    w.txtTempSetPoint->setText("451");
    w.cmdStart->click();
    EXPECT_TRUE(w.txtTempSetPoint->hasFocus());
    w.txtTempSetPoint->setText("100");
    w.txtSpeedSet->setText("601");
    w.cmdStart->click();
    EXPECT_TRUE(w.txtSpeedSet->hasFocus());
    EXPECT_EQ(messenger.texts(), (QStringList{"Invalid input for temperature setpoint ",
                                              "Invalid input for motor speed setpoint "}));
    EXPECT_FALSE(w.logic().started());
    EXPECT_TRUE(w.cmdExit->isEnabled());
}

TEST_F(SimpleTestWindowTest, ARunTurnsTheUnitAtTheTypedSpeedAndTheWindowStaysUntilItStops) {
    frmSimpleTest& w = *window;
    w.show();
    w.cmbBobNo->setCurrentIndex(1);  // B2
    w.txtTempSetPoint->setText("120");
    w.txtSpeedSet->setText("300");
    w.cmdStart->click();
    EXPECT_FALSE(w.cmdExit->isEnabled());
    EXPECT_TRUE(w.panelText(1).startsWith("Start Time: "));
    ticks(25);
    EXPECT_EQ(w.lblActiveFlag->text(), "Running Test");
    EXPECT_NEAR(w.txtSpeed->text().toDouble(), 300, 1);
    EXPECT_NEAR(w.txtShearRate->text().toDouble(), 300 * 0.443326, 1);
    EXPECT_TRUE(w.panelText(3).startsWith("Elapsed Time: 00:00:2")) << w.panelText(3).toStdString();
    EXPECT_NEAR(units.unit(2).motorSpeed_rpm(), 300, 0.5);

    QSignalSpy unloaded(&w, &frmSimpleTest::Unloaded);
    w.cmdExit_Click();  // disabled on screen, but refused anyway while the unit runs
    w.close();
    EXPECT_EQ(messenger.texts(),
              (QStringList{"Must stop test before exiting", "Function No Exit unless Units are Stopped"}));
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(unloaded.isEmpty());

    w.cmdStop->click();
    EXPECT_TRUE(w.cmdExit->isEnabled());
    ticks(3);
    EXPECT_EQ(w.lblActiveFlag->text(), "InActive");
    w.cmdExit->click();
    EXPECT_FALSE(w.isVisible());
    ASSERT_EQ(unloaded.size(), 1);
    EXPECT_EQ(unloaded[0][0].toInt(), 2);
    EXPECT_EQ(units.closed, std::set<int>{2});
}

}  // namespace
