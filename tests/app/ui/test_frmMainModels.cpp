// The extended results window of the main window: the models of the open test, in the unit system shown,
// with the shear rates of "rates.txt" and of its dialog.
#include "MainWindowFixture.h"

#include "analysis/ChosenRates.h"
#include "analysis/ui/frmExtendedResults.h"
#include "analysis/ui/frmShearRates.h"
#include "support/QStringPrinter.h"

#include <QAction>
#include <QLabel>
#include <QTabWidget>

#include <cmath>

namespace {

// Ramps of a crosslinked gel with a yield stress (tau0 30 dyn/cm2, K 3, n 0.55) thinning ramp by ramp;
// ramp 3 has two points only.
stored_test::Test yieldingGel(const QString& name) {
    stored_test::Test t;
    t.name = name;
    t.bobRadius_cm = 1.7245;
    const double rates[] = {511, 340, 170, 102, 51, 25.5};
    for (int ramp = 1; ramp <= 5; ++ramp) {
        const double t0 = ramp * 1200.0;
        t.readings.push_back(stored_test::ordinary(ramp, t0, 150 + 20 * ramp));
        const double thinning = std::exp(-0.15 * (ramp - 1));
        for (int step = 0; step < (ramp == 3 ? 2 : 6); ++step) {
            const double g = rates[step];
            const double wobble = 1 + 0.01 * std::sin(7.0 * ramp + step);
            t.readings.push_back(stored_test::rampPoint(ramp, step + 1, t0 + 60 + 30 * step, g,
                                                        (30 + 3 * thinning * std::pow(g, 0.55)) * wobble));
        }
    }
    return t;
}

class MainWindowModels : public MainWindowFixture {};

TEST_F(MainWindowModels, ExtendedResultsFollowTheOpenTestTheUnitSystemAndTheChosenRates) {
    frmMain& w = start();
    store(yieldingGel(QStringLiteral("XL gel")));
    store(stored_test::rampsOneAndThree(QStringLiteral("Other")));
    {
        QFile rates(QStringLiteral("rates.txt"));
        ASSERT_TRUE(rates.open(QIODevice::WriteOnly));
        rates.write("511\n5II\n");
    }
    openByName(QStringLiteral("XL gel"));
    const QStringList designRow = {w.MSFlexGrid1->item(0, 4)->text(), w.MSFlexGrid1->item(0, 11)->text()};

    w.MenuExtendedResults->trigger();
    frmExtendedResults* x = w.ExtendedResultsWindow();
    ASSERT_NE(x, nullptr);
    EXPECT_TRUE(x->isVisible());
    ASSERT_EQ(messenger.shown.size(), 1);  // the line of rates.txt that was left out
    EXPECT_TRUE(messenger.shown[0].text.contains(QStringLiteral("line 2: \"5II\" is left out")));
    EXPECT_EQ(x->lblTest->text(), QStringLiteral("Test: XL gel"));
    QTableWidget* power = x->grids[0];
    QTableWidget* hb = x->grids[2];
    ASSERT_EQ(hb->rowCount(), 5);
    EXPECT_EQ(hb->horizontalHeaderItem(4)->text(), QStringLiteral("τ0\n(dyn/cm2)"));
    EXPECT_NEAR(hb->item(0, 4)->text().toDouble(), 30, 3);
    EXPECT_EQ(hb->item(2, 4)->text(), QStringLiteral("2 ramp points; a fit needs at least 3"));
    EXPECT_EQ(hb->columnSpan(2, 4), hb->columnCount() - 4);
    EXPECT_EQ(hb->horizontalHeaderItem(hb->columnCount() - 1)->text(), QStringLiteral("Visc\n@511 1/S (cP)"));
    // The design's table beside it is as it was; the power law's tab adds K'pipe and 511 1/s to it.
    EXPECT_EQ(power->item(0, 4)->text(), designRow[0]);
    EXPECT_EQ(power->item(0, 12)->text(), designRow[1]);
    EXPECT_EQ(power->horizontalHeaderItem(9)->text(), QStringLiteral("K'pipe\ndyn-s^n/cm2"));

    settings.setUnitSystem(UnitSystem::SI);
    EXPECT_EQ(hb->horizontalHeaderItem(4)->text(), QStringLiteral("τ0\n(Pa)"));
    EXPECT_NEAR(hb->item(0, 4)->text().toDouble(), 3, 0.3);

    x->setRatesEditor([](const std::vector<double>& rates) {
        EXPECT_EQ(rates, std::vector<double>({511}));
        return std::optional<std::vector<double>>({511, 1022});
    });
    QTest::mouseClick(x->cmdRates, Qt::LeftButton);
    EXPECT_EQ(hb->horizontalHeaderItem(hb->columnCount() - 1)->text(),
              QStringLiteral("Visc\n@1022 1/S (cP)"));
    EXPECT_EQ(x->lblRates->text(),
              QStringLiteral("Viscosities at 40, 100 and 170 1/s and at 511, 1022 1/s."));

    if (const QByteArray shots = qgetenv("R7716_SCREENSHOT_DIR"); !shots.isEmpty()) {
        settings.setUnitSystem(UnitSystem::CGS);
        x->resize(1180, 330);
        for (int tab = 0; tab < x->tabModels->count(); ++tab) {
            x->tabModels->setCurrentIndex(tab);
            QTest::qWait(100);
            x->grab().save(
                QStringLiteral("%1/extended-results-%2.png").arg(QString::fromLocal8Bit(shots)).arg(tab));
        }
    }

    openByName(QStringLiteral("Other"));
    EXPECT_EQ(x->lblTest->text(), QStringLiteral("Test: Other"));
    EXPECT_EQ(hb->rowCount(), 3);
}

// The dialog checks what is typed and saves it to the file the window reads.
TEST_F(MainWindowModels, TheShearRateDialogSavesAGoodListAndNamesAWrongItem) {
    start();
    frmShearRates dialog(messenger, {511});
    EXPECT_EQ(dialog.txtRates->text(), QStringLiteral("511"));
    dialog.txtRates->setText(QStringLiteral("511, 1022, -1"));
    dialog.cmdOk_Click();
    ASSERT_EQ(messenger.shown.size(), 1);
    EXPECT_TRUE(messenger.shown[0].text.startsWith(QStringLiteral("\"-1\" is not a shear rate")));
    EXPECT_FALSE(QFile::exists(QStringLiteral("rates.txt")));
    dialog.txtRates->setText(QStringLiteral("511, 1022"));
    dialog.cmdOk_Click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(ChosenRates::read().rates, std::vector<double>({511, 1022}));
}

}  // namespace
