// The main window's side of opening a saved test, re-reading it on activation and the setup window.
#include "MainWindowFixture.h"

#include "analysis/ui/TestChart2D.h"
#include "analysis/ui/frmOpenTest.h"
#include "sequence/ui/frmSetup.h"

#include <gtest/gtest.h>

#include "support/QStringPrinter.h"
#include "support/ScriptedMessenger.h"
#include "support/StoredTestBuilder.h"
#include "support/TempWorkDir.h"

#include <QAction>
#include <QApplication>
#include <QChart>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QLineSeries>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlQuery>
#include <QTabBar>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

namespace {

const QString kNotFound = QStringLiteral("Your test sequence name is not found.  Please try again.");

using stored_test::rampsOneAndThree;
constexpr int kReadingCount = 12;
constexpr int kOrdinaryCount = 4;

class MainWindowOpenTest : public MainWindowFixture {
  protected:
    QStringList notFoundMessages() const {
        QStringList found;
        for (const auto& s : messenger.shown)
            if (s.text == kNotFound) found << s.text;
        return found;
    }
};

TEST_F(MainWindowOpenTest, OpeningAStoredTestFillsTheResultsAdditivesAndTheDefaultChart) {
    for (bool viaMenu : {false, true}) {
        SCOPED_TRACE(viaMenu ? "File menu" : "button");
        TempWorkDir caseDir;
        frmMain& w = start();
        const double id = store(rampsOneAndThree(QStringLiteral("Borate 250F")));
        store(rampsOneAndThree(QStringLiteral("Other")));

        openByName(QStringLiteral("Borate 250F"), viaMenu);

        EXPECT_FALSE(w.OpenTestDialog()->isVisible());
        EXPECT_EQ(w.Session().name(), QStringLiteral("Borate 250F"));
        EXPECT_EQ(w.Session().testId(), id);
        EXPECT_EQ(w.Session().test().testInfoRow.size(), 12);
        EXPECT_NEAR(w.Session().test().radiusRatio, 1.8415 / 1.5987, 1e-9);
        EXPECT_GT(w.Session().test().shearRateFactor, 0);

        // Rows 1 and 3 hold the worked ramp's fit, row 2 (two points) stays empty.
        ASSERT_EQ(w.MSFlexGrid1->rowCount(), 3);
        for (int row : {1, 3}) {
            SCOPED_TRACE(row);
            EXPECT_EQ(result(row, 0), row == 1 ? QStringLiteral(" 1") : QStringLiteral(" 3"));
            EXPECT_EQ(result(row, 2), QStringLiteral("150"));
            EXPECT_EQ(result(row, 3), QStringLiteral("400"));
            EXPECT_EQ(result(row, 4), QStringLiteral("0.6990"));
            EXPECT_EQ(result(row, 6), QStringLiteral("1.0000"));
            EXPECT_FALSE(result(row, 11).isEmpty());
        }
        for (int col = 0; col < 12; ++col) EXPECT_TRUE(result(2, col).isEmpty()) << col;
        for (int col = 0; col < 12; ++col)
            EXPECT_EQ(w.MSFlexGrid1->horizontalHeaderItem(col)->textAlignment() & Qt::AlignHorizontal_Mask,
                      int(Qt::AlignLeft));

        ASSERT_EQ(w.MSFlexGrid2->rowCount(), 2);
        EXPECT_EQ(additiveRow(1), (QStringList{"Guar WG-19", " 30", "lb/Mgal", "G-2417"}));
        EXPECT_EQ(additiveRow(2), (QStringList{"Breaker", "-.5", "gal/Mgal", "B-1"}));

        EXPECT_EQ(w.cmbChartType->currentIndex(), 0);
        EXPECT_FALSE(w.cmdOverlap->isEnabled());
        EXPECT_EQ(w.Pesgo1->MainTitle(), QStringLiteral("Viscosity & Temperature Vs. Time"));
        EXPECT_EQ(w.Pesgo1->SubTitle(), QStringLiteral("Borate 250F"));
        EXPECT_TRUE(w.Pesgo1->chart()->title().contains(QStringLiteral("Borate 250F")));
        EXPECT_EQ(w.Pesgo1->SeriesCount(), 3);
        EXPECT_EQ(w.Pesgo1->PointCount(), kReadingCount);
        EXPECT_EQ(w.Pesgo1->Series(TestChart2D::Viscosity)->count(), kReadingCount);
        EXPECT_TRUE(notFoundMessages().isEmpty());
        window.reset();
    }
}

TEST_F(MainWindowOpenTest, ANameNotListedExactlyIsNotFoundTheDialogStaysAndTheOpenTestIsKept) {
    struct Case {
        const char* what;
        QString typed;
        bool message;
    };
    const std::vector<Case> cases = {
        {"letter case differs", QStringLiteral("borate 250f"), true},
        {"an empty name box", QString(), false},
    };
    frmMain& w = start();
    const double id = store(rampsOneAndThree(QStringLiteral("Borate 250F")));
    openByName(QStringLiteral("Borate 250F"));
    ASSERT_EQ(w.Session().testId(), id);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        messenger.shown.clear();
        bool stayed = false;
        withOpenDialog([&](frmOpenTest& d) {
            d.txtSeqName->setText(c.typed);
            QTest::mouseClick(d.cmdOk, Qt::LeftButton);
            stayed = d.isVisible();
            // The table is down to its header while the dialog is up.
            EXPECT_EQ(w.MSFlexGrid1->rowCount(), 0);
        });

        EXPECT_TRUE(stayed);
        if (c.message) {
            ASSERT_EQ(messenger.shown.size(), 1);
            EXPECT_EQ(messenger.shown[0].kind, ScriptedMessenger::Kind::Info);
            EXPECT_EQ(messenger.shown[0].text, kNotFound);
        } else {
            EXPECT_TRUE(messenger.shown.isEmpty());
        }
        EXPECT_EQ(w.Session().name(), QStringLiteral("Borate 250F"));
        EXPECT_EQ(w.Session().testId(), id);
        EXPECT_EQ(w.Pesgo1->SubTitle(), QStringLiteral("Borate 250F"));
        // Back in the main window the open test's rows show again.
        activateMain();
        EXPECT_EQ(w.MSFlexGrid1->rowCount(), 3);
        EXPECT_EQ(result(1, 4), QStringLiteral("0.6990"));
    }
}

TEST_F(MainWindowOpenTest, ATestWithoutReadingsOpensWithHeaderOnlyAndTheEmptyChart) {
    frmMain& w = start();
    stored_test::Test empty;
    empty.name = QStringLiteral("Not run");
    empty.additives = {{QStringLiteral("KCl"), 2, QStringLiteral("%"), QStringLiteral("K-1")}};
    const double id = store(empty);

    openByName(QStringLiteral("Not run"));

    EXPECT_FALSE(w.OpenTestDialog()->isVisible());
    EXPECT_EQ(w.Session().testId(), id);
    EXPECT_EQ(w.MSFlexGrid1->rowCount(), 0);
    EXPECT_EQ(w.MSFlexGrid2->rowCount(), 1);
    EXPECT_EQ(w.Pesgo1->PointCount(), 0);
    EXPECT_EQ(w.Pesgo1->SubTitle(), QStringLiteral("Not run"));
    EXPECT_TRUE(messenger.shown.isEmpty());
}

TEST_F(MainWindowOpenTest, NoRampLeavesTheRampReadingsOutOfTheChartButKeepsEveryFit) {
    frmMain& w = start();
    store(rampsOneAndThree(QStringLiteral("Borate 250F")));
    openByName(QStringLiteral("Borate 250F"));
    ASSERT_EQ(w.Pesgo1->PointCount(), kReadingCount);

    QTest::mouseClick(w.optNoRampData, Qt::LeftButton, {}, QPoint(6, w.optNoRampData->height() / 2));

    EXPECT_TRUE(w.optNoRampData->isChecked());
    EXPECT_EQ(w.Pesgo1->PointCount(), kOrdinaryCount);
    EXPECT_EQ(w.Pesgo1->SubTitle(), QStringLiteral("Borate 250F"));
    ASSERT_EQ(w.MSFlexGrid1->rowCount(), 3);
    EXPECT_EQ(result(1, 4), QStringLiteral("0.6990"));
    EXPECT_EQ(result(3, 4), QStringLiteral("0.6990"));

    // A test opened under "No Ramp" is charted without its ramps from the start.
    store(rampsOneAndThree(QStringLiteral("Second")));
    openByName(QStringLiteral("Second"));
    EXPECT_EQ(w.Pesgo1->PointCount(), kOrdinaryCount);

    QTest::mouseClick(w.optAllData, Qt::LeftButton, {}, QPoint(6, w.optAllData->height() / 2));
    EXPECT_EQ(w.Pesgo1->PointCount(), kReadingCount);
    EXPECT_EQ(w.Session().name(), QStringLiteral("Second"));
    EXPECT_TRUE(messenger.shown.isEmpty());
}

TEST_F(MainWindowOpenTest, ChoosingTheDefaultChartTypeDrawsTheOpenTestAgainInTheUnitSystemNowSet) {
    frmMain& w = start();
    store(rampsOneAndThree(QStringLiteral("Borate 250F")));
    openByName(QStringLiteral("Borate 250F"));
    const QChart* drawn = w.Pesgo1->chart();
    w.AppSettings().setUnitSystem(UnitSystem::EI);

    emit w.cmbChartType->activated(0);

    EXPECT_NE(w.Pesgo1->chart(), drawn);
    EXPECT_EQ(w.Pesgo1->SubTitle(), QStringLiteral("Borate 250F"));
    EXPECT_EQ(header(5), QStringLiteral("K' \rlbf-s^n/ft2"));
    EXPECT_FALSE(w.cmdOverlap->isEnabled());
    EXPECT_TRUE(messenger.shown.isEmpty());
}

TEST_F(MainWindowOpenTest, TheDataOptionsWithNoTestOpenChangeNothing) {
    frmMain& w = start();
    QTest::mouseClick(w.optNoRampData, Qt::LeftButton, {}, QPoint(6, w.optNoRampData->height() / 2));
    EXPECT_EQ(w.Session().testId(), 0);
    EXPECT_EQ(w.MSFlexGrid1->rowCount(), 0);
    EXPECT_TRUE(w.Pesgo1->SubTitle().isEmpty());
    EXPECT_TRUE(messenger.shown.isEmpty());
}

// Each activation reads the open test again, so that what changed elsewhere shows; a read that finds
// nothing new draws nothing.
TEST_F(MainWindowOpenTest, ActivationShowsWhatChangedElsewhereAndRedrawsNothingOtherwise) {
    frmMain& w = start();
    store(rampsOneAndThree(QStringLiteral("Borate 250F")));
    openByName(QStringLiteral("Borate 250F"));
    ASSERT_EQ(w.MSFlexGrid1->rowCount(), 3);

    // Nothing changed: the same chart stays.
    const QChart* drawn = w.Pesgo1->chart();
    activateMain();
    EXPECT_EQ(w.Pesgo1->chart(), drawn);
    EXPECT_EQ(w.MSFlexGrid1->rowCount(), 3);

    // The unit system changed in another window: the table follows, the chart stays.
    w.AppSettings().setUnitSystem(UnitSystem::SI);
    activateMain();
    EXPECT_EQ(w.Pesgo1->chart(), drawn);
    EXPECT_EQ(header(2), QString::fromUtf8("Temp\r(C°)"));
    EXPECT_EQ(header(3), QStringLiteral("Press\r(kPa)"));
    EXPECT_EQ(result(1, 2), QStringLiteral("66"));
    EXPECT_EQ(result(1, 3), QStringLiteral("2758"));

    EXPECT_TRUE(messenger.shown.isEmpty());
}

TEST_F(MainWindowOpenTest, ActivationDoesNotReReadUnderTheModalOpenDialog) {
    frmMain& w = start();
    store(rampsOneAndThree(QStringLiteral("Borate 250F")));
    openByName(QStringLiteral("Borate 250F"));
    const QChart* drawn = w.Pesgo1->chart();

    withOpenDialog([&](frmOpenTest&) {
        ASSERT_TRUE(QSqlQuery(w.Connection().ADOConnection())
                        .exec(QStringLiteral("DELETE FROM TEST_RESULT WHERE RAMP_NO = 3")));
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(&w, &activate);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        EXPECT_EQ(w.Pesgo1->chart(), drawn);
        EXPECT_EQ(w.MSFlexGrid1->rowCount(), 3);
    });

    activateMain();
    EXPECT_NE(w.Pesgo1->chart(), drawn);
    EXPECT_EQ(w.MSFlexGrid1->rowCount(), 2);
}

// A database failure on an activation re-read is said once: its message box would otherwise activate the
// window again, and again.
TEST_F(MainWindowOpenTest, AFailedReReadIsReportedOnceUntilTheOperatorAsksAgain) {
    frmMain& w = start();
    store(rampsOneAndThree(QStringLiteral("Borate 250F")));
    openByName(QStringLiteral("Borate 250F"));
    {
        QSqlQuery q(w.Connection().ADOConnection());
        ASSERT_TRUE(q.exec(QStringLiteral("ALTER TABLE TEST_RESULT RENAME TO TEST_RESULT_AWAY")));
    }

    for (int i = 0; i < 3; ++i) activateMain();

    ASSERT_EQ(messenger.shown.size(), 1) << messenger.texts().join(" / ").toStdString();
    EXPECT_EQ(messenger.shown[0].icon, MsgIcon::Critical);
    EXPECT_TRUE(messenger.shown[0].text.contains(QStringLiteral("Error #: ")));
    // What was shown stays.
    EXPECT_EQ(w.MSFlexGrid1->rowCount(), 3);
    EXPECT_EQ(w.Session().name(), QStringLiteral("Borate 250F"));

    {
        QSqlQuery q(w.Connection().ADOConnection());
        ASSERT_TRUE(q.exec(QStringLiteral("ALTER TABLE TEST_RESULT_AWAY RENAME TO TEST_RESULT")));
    }
    // The operator's own re-read works again.
    QTest::mouseClick(w.optNoRampData, Qt::LeftButton, {}, QPoint(6, w.optNoRampData->height() / 2));
    EXPECT_EQ(w.Pesgo1->PointCount(), kOrdinaryCount);
    EXPECT_EQ(messenger.shown.size(), 1);
}

TEST_F(MainWindowOpenTest, DeletingTheOpenTestKeepsItsResultsShown) {
    frmMain& w = start();
    store(rampsOneAndThree(QStringLiteral("Borate 250F")));
    openByName(QStringLiteral("Borate 250F"));
    messenger.answers.enqueue(true);  // "Are you sure to delete this test?"

    withOpenDialog([&](frmOpenTest& d) {
        d.txtSeqName->setText(QStringLiteral("Borate 250F"));
        QTest::mouseClick(d.cmdDelete, Qt::LeftButton);
        EXPECT_TRUE(d.ListedNames().isEmpty());
    });
    activateMain();

    EXPECT_EQ(w.Session().name(), QStringLiteral("Borate 250F"));
    ASSERT_EQ(w.MSFlexGrid1->rowCount(), 3);
    EXPECT_EQ(result(3, 4), QStringLiteral("0.6990"));
    // The chart can still be redrawn from what was read.
    QTest::mouseClick(w.optNoRampData, Qt::LeftButton, {}, QPoint(6, w.optNoRampData->height() / 2));
    EXPECT_EQ(w.Pesgo1->PointCount(), kOrdinaryCount);
    ASSERT_EQ(messenger.shown.size(), 1);  // the delete question only
    EXPECT_EQ(messenger.shown[0].kind, ScriptedMessenger::Kind::OkCancel);
}

TEST_F(MainWindowOpenTest, SetupHidesTheMainWindowAndReturningShowsTheResultsInTheUnitSystemChosen) {
    struct Case {
        const char* what;
        bool viaMenu;
        bool testOpen;
    };
    const std::vector<Case> cases = {
        {"button, a test open", false, true},
        {"menu, no test open", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempWorkDir caseDir;
        frmMain& w = start(1);
        store(rampsOneAndThree(QStringLiteral("Borate 250F")));
        if (c.testOpen) {
            openByName(QStringLiteral("Borate 250F"));
            ASSERT_EQ(result(1, 2), QStringLiteral("150"));
            ASSERT_EQ(result(1, 3), QStringLiteral("400"));
        }
        const QString kPrime = result(1, 5);

        if (c.viaMenu)
            w.MenuSetup->trigger();
        else
            QTest::mouseClick(w.cmdSetup, Qt::LeftButton);

        QPointer<frmSetup> setup = w.SetupWindow();
        ASSERT_NE(setup, nullptr);
        EXPECT_FALSE(w.isVisible());
        EXPECT_TRUE(setup->isVisible());
        EXPECT_FALSE(setup->isModal());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(setup.data()));
        setup->TabStrip1->setCurrentIndex(1);
        QTest::mouseClick(setup->OptSI, Qt::LeftButton, {}, QPoint(6, setup->OptSI->height() / 2));
        ASSERT_EQ(w.AppSettings().unitSystem(), UnitSystem::SI);
        QTest::mouseClick(setup->cmdReturn2, Qt::LeftButton);

        EXPECT_TRUE(w.isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(setup.isNull(), 2000);  // closed and gone
        EXPECT_EQ(w.SetupWindow(), nullptr);
        EXPECT_EQ(header(2), QString::fromUtf8("Temp\r(C°)"));
        EXPECT_EQ(header(3), QStringLiteral("Press\r(kPa)"));
        if (c.testOpen) {
            ASSERT_EQ(w.MSFlexGrid1->rowCount(), 3);
            EXPECT_EQ(result(1, 2), QStringLiteral("66"));
            EXPECT_EQ(result(1, 3), QStringLiteral("2758"));
            EXPECT_EQ(result(1, 5), kPrime);  // K' stays in dyn-s^n/cm2 under SI
            EXPECT_TRUE(result(2, 2).isEmpty());
        } else {
            EXPECT_EQ(w.MSFlexGrid1->rowCount(), 0);
        }
        window.reset();
    }
}

}  // namespace
