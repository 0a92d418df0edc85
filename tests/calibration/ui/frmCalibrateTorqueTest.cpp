// The calibration window against a simulated unit: a whole run with its refusals mid-run, the plot, the
// result and the export. R7716_SCREENSHOTS=<dir> saves both tabs mid-run there.

#include "calibration/ui/frmCalibrateTorque.h"

#include "common/Settings.h"
#include "support/FakeUnitPort.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedMessenger.h"
#include "support/TempWorkDir.h"
#include "support/ui/SimulatedUnits.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QTabBar>

#include <gtest/gtest.h>

namespace {

void writeFile(const char* name, const QByteArray& bytes) {
    QFile f(QString::fromLatin1(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

void screenshot(QWidget& window, const char* name) {
    const QByteArray dir = qgetenv("R7716_SCREENSHOTS");
    QCoreApplication::processEvents();
    if (!dir.isEmpty()) window.grab().save(QString::fromLocal8Bit(dir) + u'/' + QString::fromLatin1(name));
}

TEST(frmCalibrateTorque, RunsACalibrationRefusingReturnAndUnitChangeUntilItEnds) {
    TempWorkDir dir;
    writeFile("initial.txt", " 0 \r\n 3 \r\n 0 \r\n 0 \r\n 7 \r\n 0 \r\n 0 \r\n 0 \r\n 1 \r\n");
    writeFile("BOBINFO.TXT", "B5\r\nB5\r\nB5\r\nB5\r\nB5\r\nB5\r\nB5\r\nB5\r\n");
    Settings settings;
    settings.load();
    ScriptedMessenger messenger;
    SimulatedUnits units;
    frmCalibrateTorque w(settings, messenger, units.factory());
    w.calibration().setClock([&] { return units.unit(3).now_s(); });
    w.resize(1000, 560);
    w.show();
    ASSERT_EQ(w.cmbInstName->count(), 2);
    EXPECT_EQ(w.cmbInstName->itemText(1), "Unit  5");

    w.txtVisc->setText("50");
    w.txtChange->setText("0.8");
    w.cmdStart->click();
    EXPECT_EQ(w.panelText(2), TorqueCalibration::kInProgress);
    EXPECT_FALSE(w.cmdStart->isEnabled());
    const auto tick = [&] {
        units.advance(1.0);
        w.Timer1_Timer();
    };
    for (int k = 0; k < 30; ++k) tick();

    w.cmdReturn->click();
    EXPECT_FALSE(w.close());
    w.cmbInstName->setCurrentIndex(1);
    w.cmbInstName_Click();
    EXPECT_EQ(w.cmbInstName->currentIndex(), 0);
    EXPECT_EQ(messenger.texts(),
              QStringList({TorqueCalibration::kWaitBeforeExit, TorqueCalibration::kWaitBeforeExit,
                           TorqueCalibration::kCannotChangeUnit}));
    EXPECT_TRUE(w.isVisible());
    screenshot(w, "calibration-torque-tab.png");
    w.TabStrip1->setCurrentIndex(1);
    EXPECT_TRUE(w.Frame1[1]->isVisible() && !w.Frame1[0]->isVisible());
    screenshot(w, "calibration-pressure-tab.png");
    w.TabStrip1->setCurrentIndex(0);

    for (int k = 0; k < 40 && w.calibration().calibrating(); ++k) tick();
    EXPECT_EQ(w.panelText(2), TorqueCalibration::kFinished);
    EXPECT_TRUE(w.cmdStart->isEnabled());
    const QList<QAbstractSeries*> series = w.CWGraph1->chart()->series();
    EXPECT_EQ(static_cast<QLineSeries*>(series[0])->count(), 17);
    EXPECT_EQ(static_cast<QLineSeries*>(series[1])->count(), 2) << "the fitted line";
    EXPECT_TRUE(units.unit(3).calibration().resultReceived);
    screenshot(w, "calibration-finished.png");

    messenger.shown.clear();
    w.setSaveFileDialog([] { return std::optional<QString>("report.txt"); });
    w.cmdExport->click();
    QFile report("report.txt");
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    const QByteArray text = report.readAll();
    EXPECT_TRUE(text.contains("Instrument Unit:               Unit  2\r\n"));
    EXPECT_TRUE(text.contains("Cali Fluid Visc Change per 1C: 0.8\r\n"));
    EXPECT_EQ(text.count("\r\n"), 9 + 17 + 2);
    w.setSaveFileDialog([] { return std::optional<QString>(); });
    w.cmdExport->click();
    EXPECT_EQ(messenger.texts(), QStringList{"Cancel was selected."});
    EXPECT_TRUE(w.close());
}

TEST(frmCalibrateTorque, AStressThatOverflowedIsLeftOutOfThePlotAndNoLineIsDrawn) {
    TempWorkDir dir;
    writeFile("initial.txt", " 0 \r\n 3 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 1 \r\n");
    Settings settings;
    settings.load();
    ScriptedMessenger messenger;
    FakeUnitPort* port = nullptr;
    frmCalibrateTorque w(settings, messenger, [&](int) {
        auto made = std::make_unique<FakeUnitPort>();
        port = made.get();
        return made;
    });
    w.show();
    w.txtVisc->setText("50");
    w.cmdStart->click();
    ASSERT_TRUE(port);
    for (int k = 0; k < 16; ++k)
        port->arrive("\x08" + (k == 8 ? QByteArray("9E999") : QByteArray::number(10 * k)) + "," +
                     QByteArray::number(0.05 + 0.03 * k) + "\x1a");
    port->arrive("\x09\x1a");
    w.Timer1_Timer();
    screenshot(w, "calibration-refused.png");
    EXPECT_EQ(w.panelText(2), TorqueCalibration::kNotSent);
    EXPECT_EQ(messenger.shown.size(), 1);
    const QList<QAbstractSeries*> series = w.CWGraph1->chart()->series();
    EXPECT_EQ(static_cast<QLineSeries*>(series[0])->count(), 15);
    EXPECT_EQ(static_cast<QLineSeries*>(series[1])->count(), 0);
}

}  // namespace
