// The main window's charts, overlap, reports, Edit Test Info and calibration, driven as the operator does.
#include "MainWindowFixture.h"

#include "../../reports/XlsxReader.h"
#include "analysis/ui/ChartView.h"
#include "analysis/ui/TestChart2D.h"
#include "analysis/ui/frmOverlapTest.h"
#include "calibration/ui/frmCalibrateTorque.h"
#include "common/VbFormat.h"
#include "support/QStringPrinter.h"
#include "testinfo/ui/frmViewRelatedInfo.h"

#include <QAction>
#include <QChart>
#include <QComboBox>
#include <QFileInfo>
#include <QLineSeries>
#include <QPrinter>
#include <QSqlQuery>
#include <QStatusBar>

namespace {

using stored_test::rampsOneAndThree;

class MainWindowActions : public MainWindowFixture {
  protected:
    frmMain& startWithTest() {
        frmMain& w = start();
        store(rampsOneAndThree(QStringLiteral("Borate 250F")));
        store(rampsOneAndThree(QStringLiteral("Other")));
        openByName(QStringLiteral("Borate 250F"));
        return w;
    }
    static QString textOf(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    // The brief report saved through "Brief Save", as its file holds it.
    QString briefSaved() {
        const QString path = dir.file(QStringLiteral("brief.txt"));
        window->Reports().saveFileName = [&](QWidget*, const QString&, const QString&, const QString&,
                                             const QString&) { return path; };
        QTest::mouseClick(window->cmdBriefPrint, Qt::LeftButton);
        return textOf(path);
    }
};

TEST_F(MainWindowActions, EachReportButtonAndMenuRunsItsReportOnTheOpenTest) {
    frmMain& w = startWithTest();
    ReportActions& reports = w.Reports();
    QString seam;  // the dialog the action reached, with what it was given
    int files = 0;
    reports.saveFileName = [&](QWidget*, const QString& caption, const QString& suggested, const QString&,
                               const QString&) {
        seam = caption;
        return dir.file(QStringLiteral("out%1.").arg(++files) + QFileInfo(suggested).suffix());
    };
    reports.printDialog = [&](QPrinter& printer, QWidget*) {
        seam = QStringLiteral("print ") + printer.docName();
        return false;
    };
    reports.printPreview = [&](QPrinter&, QWidget*, const std::function<void(QPrinter*)>&) {
        seam = QStringLiteral("preview");
    };
    reports.openUrl = [](const QUrl&) { return true; };
    w.Charts->SetPrintDialog([&](QPrinter& printer, QWidget*) {
        seam = QStringLiteral("print ") + printer.docName();
        return false;
    });
    const auto click = [](QPushButton* b) { return [b] { QTest::mouseClick(b, Qt::LeftButton); }; };
    const auto pick = [](QAction* a) { return [a] { a->trigger(); }; };

    struct Case {
        const char* what;
        std::function<void()> trigger;
        QString seam;
        QString noted;  // the file the status bar names; empty for no note
    };
    const QString briefPrint = QStringLiteral("print Borate 250F");
    const QString chartPrint = QStringLiteral("print R7716 chart - Borate 250F");
    const QString workbook = QStringLiteral("Save Workbook");
    const std::vector<Case> cases = {
        {"Brief Print", click(w.cmdReport), briefPrint, {}},
        {"File > Report...", pick(w.MenuFileReport), briefPrint, {}},
        {"Reports > Breif Report", pick(w.MenuBriefReport), briefPrint, {}},
        {"Brief Save", click(w.cmdBriefPrint), QStringLiteral("Save Brief Report"), dir.file("out1.txt")},
        {"Brief Excel", click(w.cmdExportExcel), workbook, dir.file("out2.xlsx")},
        {"Detail Excel", click(w.cmdExcelDetail), workbook, dir.file("out3.xlsx")},
        {"Halliburton Report", click(w.cmdHalliburton), {}, dir.file("Borate 250F.txt")},
        {"Detail Report", click(w.cmdDetailReport), QStringLiteral("preview"), {}},
        {"Reports > Detail Report", pick(w.MenuReportDetail), QStringLiteral("preview"), {}},
        {"Reports > Export CSV", pick(w.MenuExportCsv), QStringLiteral("Export CSV"), dir.file("out4.csv")},
        {"Reports > Export JSON", pick(w.MenuExportJson), QStringLiteral("Export JSON"),
         dir.file("out5.json")},
        {"Print Chart", click(w.cmdPrintChart), chartPrint, {}},
        {"File > Print Chart", pick(w.MenuPrintChart), chartPrint, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        seam.clear();
        w.statusBar()->clearMessage();
        c.trigger();
        EXPECT_EQ(seam, c.seam);
        const QString note = w.statusBar()->currentMessage();
        EXPECT_EQ(note.isEmpty(), c.noted.isEmpty()) << note.toStdString();
        EXPECT_TRUE(note.endsWith(c.noted)) << note.toStdString();
        if (!c.noted.isEmpty()) EXPECT_GT(QFileInfo(c.noted).size(), 0);
    }
    // Brief Excel wrote the brief workbook, Detail Excel the one with the readings block.
    const QVariant readingsHeader(QStringLiteral("Ramp NO"));
    EXPECT_FALSE(XlsxReader(dir.file("out2.xlsx")).cells.values().contains(readingsHeader));
    EXPECT_TRUE(XlsxReader(dir.file("out3.xlsx")).cells.values().contains(readingsHeader));
    // The three brief prints were cancelled in the print dialog; the chart prints say nothing.
    EXPECT_EQ(messenger.texts(), QStringList(3, QStringLiteral("Cancel was selected.")));
}

// The reports read the table the window shows: after a change of unit system, its cells.
TEST_F(MainWindowActions, AReportAfterAUnitSystemChangeHoldsTheResultsTheTableShows) {
    frmMain& w = startWithTest();
    EXPECT_TRUE(briefSaved().contains(QStringLiteral("150.0")));
    w.AppSettings().setUnitSystem(UnitSystem::SI);
    ASSERT_EQ(w.MSFlexGrid1->item(0, 2)->text(), QStringLiteral("66"));
    const QString brief = briefSaved();
    EXPECT_TRUE(brief.contains(QStringLiteral("066.0")));
    EXPECT_FALSE(brief.contains(QStringLiteral("150.0")));
}

TEST_F(MainWindowActions, AnOverlapAddsTheChosenTestAndIsKeptThroughActivationsUntilATestIsOpened) {
    frmMain& w = startWithTest();
    w.cmbChartType->setCurrentIndex(3);
    emit w.cmbChartType->activated(3);
    ASSERT_TRUE(w.cmdOverlap->isEnabled());

    whenModal<frmOverlapTest>(
        [](frmOverlapTest& d) {
            d.txtSeqName->setText(QStringLiteral("Other"));
            QTest::mouseClick(d.cmdOk, Qt::LeftButton);
        },
        [&] { QTest::mouseClick(w.cmdOverlap, Qt::LeftButton); });

    EXPECT_FALSE(w.OverlapDialog()->isVisible());
    ASSERT_EQ(w.Pesgo1->SeriesCount(), 2);
    EXPECT_EQ(w.Pesgo1->Series(0)->name(), QStringLiteral("Borate 250F"));
    EXPECT_EQ(w.Pesgo1->Series(1)->name(), QStringLiteral("Other"));

    // Coming back to the window no longer reads the open test again: the overlap stays.
    ASSERT_TRUE(QSqlQuery(w.Connection().ADOConnection())
                    .exec(QStringLiteral("DELETE FROM TEST_RESULT WHERE RAMP_NO = 3")));
    const QChart* drawn = w.Pesgo1->chart();
    activateMain();
    EXPECT_EQ(w.Pesgo1->chart(), drawn);
    EXPECT_EQ(w.MSFlexGrid1->rowCount(), 3);

    openByName(QStringLiteral("Other"));
    EXPECT_EQ(w.cmbChartType->currentIndex(), 0);
    EXPECT_EQ(w.Pesgo1->SubTitle(), QStringLiteral("Other"));
    EXPECT_FALSE(w.cmdOverlap->isEnabled());
    EXPECT_TRUE(messenger.shown.isEmpty());
}

TEST_F(MainWindowActions, EditTestInfoSavesAndTheTablesAndReportsShowTheNewValues) {
    frmMain& w = startWithTest();
    const QString kv = w.MSFlexGrid1->item(0, 7)->text();
    whenModal<frmViewRelatedInfo>(
        [](frmViewRelatedInfo& d) {
            EXPECT_EQ(d.windowTitle(), QStringLiteral("Test Related Information"));
            d.txtFluidId->setText(QStringLiteral("Linear 20"));
            d.txtBobRadius->setText(QStringLiteral("1.2276"));
            QTest::mouseClick(d.cmdok, Qt::LeftButton);
        },
        [&] { QTest::mouseClick(w.cmdRelated, Qt::LeftButton); });

    const QString newKv = w.MSFlexGrid1->item(0, 7)->text();
    EXPECT_NE(newKv, kv);
    const QString brief = briefSaved();
    EXPECT_TRUE(brief.contains(QStringLiteral("Linear 20")));
    EXPECT_TRUE(brief.contains(vb::Format(vb::Val(newKv), QStringLiteral("0.0000"))));
    EXPECT_EQ(w.Session().name(), QStringLiteral("Borate 250F"));
    EXPECT_TRUE(messenger.shown.isEmpty());
}

TEST_F(MainWindowActions, CalibrateShowsOneModelessCalibrationWindow) {
    frmMain& w = start();
    QTest::mouseClick(w.cmdCalibrate, Qt::LeftButton);
    frmCalibrateTorque* shown = w.CalibrateWindow();
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->isVisible() && shown->isWindow() && !shown->isModal());
    QTest::mouseClick(w.cmdCalibrate, Qt::LeftButton);
    EXPECT_EQ(w.CalibrateWindow(), shown);
}

}  // namespace
