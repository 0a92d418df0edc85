#include "app/ui/frmMain.h"
#include "common/Settings.h"
#include "common/Version.h"

#include "analysis/RampFitDisplay.h"
#include "analysis/ui/TestChart2D.h"
#include "analysis/ui/TestChart3D.h"
#include "app/ui/frmAbout.h"

#include <gtest/gtest.h>

#include "WindowManagerClose.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedMessenger.h"
#include "support/TempWorkDir.h"

#include <QAbstractButton>
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLegendMarker>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QValueAxis>
#include <memory>
#include <vector>

namespace {

void writeFile(const QString& name, const QByteArray& bytes) {
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QStringList messagesAbout(const ScriptedMessenger& messenger, const QString& word) {
    QStringList found;
    for (const auto& s : messenger.shown)
        if (s.text.contains(word)) found << s.text;
    return found;
}

class MainWindowTest : public testing::Test {
  protected:
    // A complete settings file with the given unit system.
    void writeInitial(int unitSystem) {
        writeFile("initial.txt", QByteArray(" 1 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n ") +
                                     QByteArray::number(unitSystem) + " \r\n");
    }
    frmMain& start() {
        window = std::make_unique<frmMain>(messenger, settings);
        return *window;
    }
    void TearDown() override {
        window.reset();
        for (QWidget* w : QApplication::topLevelWidgets()) w->hide();
    }

    TempWorkDir dir;
    ScriptedMessenger messenger;
    Settings settings;
    std::unique_ptr<frmMain> window;
};

TEST_F(MainWindowTest, StartsWithTheEmptyDefaultChartAnEmptyResultsTableAndOverlapDisabled) {
    writeInitial(2);
    frmMain& w = start();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

    EXPECT_EQ(w.windowTitle(), QStringLiteral("R7716 HPHT Automatic Rheometer"));
    EXPECT_EQ(w.AppSettings().unitSystem(), UnitSystem::EI);
    EXPECT_EQ(w.Session().testId(), 0);
    EXPECT_FALSE(w.cmdOverlap->isEnabled());
    EXPECT_TRUE(messagesAbout(messenger, QStringLiteral("initial.txt")).isEmpty());

    // Results: the header only, worded for the unit system read.
    EXPECT_EQ(w.MSFlexGrid1->rowCount(), 0);
    ASSERT_EQ(w.MSFlexGrid1->columnCount(), 12);
    const QStringList header = ramp_display::HeaderCells(UnitSystem::EI);
    for (int c = 0; c < 12; ++c) {
        SCOPED_TRACE(c);
        EXPECT_EQ(w.MSFlexGrid1->horizontalHeaderItem(c)->data(Qt::UserRole).toString(), header[c]);
        EXPECT_EQ(w.MSFlexGrid1->horizontalHeaderItem(c)->text(), QString(header[c]).replace(u'\r', u'\n'));
    }
    EXPECT_EQ(w.MSFlexGrid2->rowCount(), 0);

    // 2D charting with its six chart types, the first selected.
    EXPECT_TRUE(w.opt2D->isChecked());
    EXPECT_TRUE(w.Pesgo1->isVisible());
    EXPECT_FALSE(w.Pe3doa1->isVisible());
    EXPECT_TRUE(w.framX->isVisible());
    EXPECT_TRUE(w.framY->isVisible());
    QStringList types;
    for (int i = 0; i < w.cmbChartType->count(); ++i) types << w.cmbChartType->itemText(i);
    EXPECT_EQ(types, (QStringList{"Visc, Temp Vs Time", "Shr. Stress Vs. Shr. Rate", "Visc Vs. Sample Temp",
                                  "Visc. Vs. Shear Rate", "Shr. Stress Vs. Time", "Visc Vs. Time"}));
    EXPECT_EQ(w.cmbChartType->currentIndex(), 0);

    // The empty start chart: viscosity on the left axis, both temperatures on the right.
    QChart* chart = w.Pesgo1->chart();
    EXPECT_EQ(w.Pesgo1->MainTitle(), QStringLiteral("Viscosity & Temperature Vs. Time"));
    EXPECT_TRUE(w.Pesgo1->SubTitle().isEmpty());
    ASSERT_EQ(chart->series().size(), 3);
    const QStringList names{"Viscosity", "Sample Temp.", "Bath Temp."};
    for (int i = 0; i < 3; ++i) {
        auto* series = chart->series()[i];
        EXPECT_EQ(series->name(), names[i]);
        const auto axes = series->attachedAxes();
        ASSERT_EQ(axes.size(), 2);
        const QAbstractAxis* y = axes[0]->orientation() == Qt::Vertical ? axes[0] : axes[1];
        const QAbstractAxis* x = axes[0]->orientation() == Qt::Vertical ? axes[1] : axes[0];
        EXPECT_EQ(x->titleText(), QStringLiteral("Time (Min)"));
        EXPECT_EQ(y->titleText(),
                  i == 0 ? QStringLiteral("Viscosity (cP)") : QString::fromUtf8("Temperature (°F)"));
        EXPECT_EQ(y->alignment(), i == 0 ? Qt::AlignLeft : Qt::AlignRight);
    }
}

TEST_F(MainWindowTest, EveryControlCarriesItsNameCaptionAndToolTip) {
    writeInitial(1);
    frmMain& w = start();
    struct Control {
        QWidget* member;
        const char* name;
        const char* caption;
        const char* tip;
    };
    const std::vector<Control> controls = {
        {w.cmdOpen, "cmdOpen", "&Open Saved Test", "Click here to open saved test"},
        {w.cmdSetup, "cmdSetup", "&Setup", "Setup test procedures, comport, etc."},
        {w.cmdRealTime, "cmdRealTime", "Real &Time Test", "Click here to run real time test"},
        {w.cmdCalibrate, "cmdCalibrate", "&Calibrate", "Click here to calibrate R8830"},
        {w.cmdRelated, "cmdRelated", "Edit Test Info", "Click here to edit test related infomation"},
        {w.cmdOverlap, "cmdOverlap", "Overlap Charts",
         "Click here to overlap another test on graphs.  Charts can not be overlapped when chart type is "
         "\"Visc Temp Vs. Time\"."},
        {w.cmdReport, "cmdReport", "Brief Print", "Click here to generate brief report"},
        {w.cmdBriefPrint, "cmdBriefPrint", "Brief Save", "Click here to generate brief report"},
        {w.cmdExportExcel, "cmdExportExcel", "Brief Excel", "Click here to generate brief report"},
        {w.cmdExcelDetail, "cmdExcelDetail", "Detail Excel", "Click here to generate report"},
        {w.cmdDetailReport, "cmdDetailReport", "D&etail Re&port",
         "Click here to generate report or export data to other format"},
        {w.cmdHalliburton, "cmdHalliburton", "Halliburton Report", "Click here to generate brief report"},
        {w.cmdPrintChart, "cmdPrintChart", "Print Chart", "Click here to print the chart shown at top"},
        {w.cmdExit, "cmdExit", "&Exit", "Click here to exit Tavikdaq"},
        {w.cmbChartType, "cmbChartType", "",
         "Select different chart types by select corresponding pulldown items"},
        {w.Label2, "Label2", "Select Chart Type:", ""},
        {w.Frame2, "Frame2", "DIM Scale:", ""},
        {w.opt2D, "opt2D", "2D", "Click here for 2D graphics"},
        {w.opt3D, "opt3D", "3D", "Click here for 3D graphics"},
        {w.framData, "framData", "Data", ""},
        {w.optAllData, "optAllData", "All", "Click here to chart all data"},
        {w.optNoRampData, "optNoRampData", "No Ramp", "Click here to select data without ramps"},
        {w.framX, "framX", "X Scale:", ""},
        {w.optXlog, "optXlog", "Log", "Click here to select log chart scale"},
        {w.optXNormal, "optXNormal", "Normal", "Click here to select normal chart scale"},
        {w.framY, "framY", "Y Scale:", ""},
        {w.optYLog, "optYLog", "Log", "Click here to select log chart scale"},
        {w.optYNormal, "optYNormal", "Normal", "Click here to select normal chart scale"},
        {w.MSFlexGrid1, "MSFlexGrid1", "", "This table lists the test results."},
        {w.MSFlexGrid2, "MSFlexGrid2", "", ""},
        {w.Pesgo1, "Pesgo1", "", ""},
        {w.Pe3doa1, "Pe3doa1", nullptr, ""},
    };
    for (const auto& c : controls) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(c.member, nullptr);
        EXPECT_EQ(w.findChild<QWidget*>(QString::fromLatin1(c.name)), c.member);
        EXPECT_EQ(c.member->toolTip(), QString::fromUtf8(c.tip));
        if (!c.caption) continue;
        QString caption;
        if (auto* b = qobject_cast<QAbstractButton*>(c.member))
            caption = b->text();
        else if (auto* g = qobject_cast<QGroupBox*>(c.member))
            caption = g->title();
        else if (auto* l = qobject_cast<QLabel*>(c.member))
            caption = l->text();
        EXPECT_EQ(caption, QString::fromUtf8(c.caption));
    }

    struct Item {
        QAction* member;
        const char* name;
        const char* caption;
    };
    struct Menu {
        QMenu* member;
        const char* name;
        const char* title;
        std::vector<Item> items;
    };
    const std::vector<Menu> menus = {
        {w.MenuFile,
         "MenuFile",
         "&File",
         {{w.MenuFileOpen, "MenuFileOpen", "&Open Saved Test"},
          {w.MenuSetup, "MenuSetup", "&Setup"},
          {w.MenuFileReport, "MenuFileReport", "Re&port..."},
          {w.MenuFileRealTimeTest, "MenuFileRealTimeTest", "Real &Time Test"},
          {w.MenuPrintChart, "MenuPrintChart", "Print Chart"},
          {w.MenuLabMonitor, "MenuLabMonitor", "Lab &monitor\u2026"},
          {w.MenuFileExit, "MenuFileExit", "E&xit"}}},
        {w.MenuReport,
         "MenuReport",
         "Reports...",
         {{w.MenuReportDetail, "MenuReportDetail", "Detail Report"},
          {w.MenuBriefReport, "MenuBriefReport", "Breif Report"},
          {w.MenuTestReport, "MenuTestReport", "Test Report\u2026"},
          {w.MenuExportCsv, "MenuExportCsv", "Export CSV"},
          {w.MenuExportJson, "MenuExportJson", "Export JSON\u2026"},
          {w.MenuExtendedResults, "MenuExtendedResults", "E&xtended Results"}}},
        {w.MenuTest,
         "MenuTest",
         "&Test",
         {{w.MenuReadings, "MenuReadings", "&Readings and Exclusions..."},
          {w.MenuCriteria, "MenuCriteria", "&Acceptance Criteria..."},
          {w.MenuCompare, "MenuCompare", "&Compare Tests..."}}},
        {w.MenuHelp,
         "MenuHelp",
         "&Help",
         {{w.MenuHelpContent, "MenuHelpContent", "&Content"}, {w.MenuHelpAbout, "MenuHelpAbout", "&About"}}},
    };
    QList<QAction*> bar = w.menuBar()->actions();
    ASSERT_EQ(bar.size(), int(menus.size()));
    for (std::size_t m = 0; m < menus.size(); ++m) {
        const Menu& menu = menus[m];
        SCOPED_TRACE(menu.name);
        EXPECT_EQ(bar[int(m)]->menu(), menu.member);
        EXPECT_EQ(menu.member->objectName(), QString::fromLatin1(menu.name));
        EXPECT_EQ(menu.member->title(), QString::fromUtf8(menu.title));
        QList<QAction*> items;
        for (QAction* a : menu.member->actions())
            if (!a->isSeparator()) items << a;
        ASSERT_EQ(items.size(), int(menu.items.size()));
        for (std::size_t i = 0; i < menu.items.size(); ++i) {
            SCOPED_TRACE(menu.items[i].name);
            EXPECT_EQ(items[int(i)], menu.items[i].member);
            EXPECT_EQ(items[int(i)]->objectName(), QString::fromLatin1(menu.items[i].name));
            EXPECT_EQ(items[int(i)]->text(), QString::fromUtf8(menu.items[i].caption));
        }
    }
}

// The settings file is required by the design; without a usable unit system the window still opens in
// CGS and says once what was wrong.
TEST_F(MainWindowTest, AMissingOrShortSettingsFileIsReportedOnceAndCgsIsAssumed) {
    struct Case {
        const char* what;
        std::optional<QByteArray> file;
        const char* expectedPart;
    };
    const std::vector<Case> cases = {
        {"missing", std::nullopt, "The settings file \"initial.txt\" was not found"},
        {"empty", QByteArray(""), "holds no numbers"},
        {"five numbers", QByteArray("1\n0\n0\n0\n0\n"), "holds only 5 of its nine numbers"},
        {"ports only", QByteArray("1 0 0 0 0 0 0 0"), "the unit system is missing"},
        {"a word for the unit system", QByteArray("1 0 0 0 0 0 0 0 SI"), "\"SI\", is not a whole number"},
        {"an unknown unit system", QByteArray("1 0 0 0 0 0 0 0 7"), "gives 7 as the unit system"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempWorkDir caseDir;
        ScriptedMessenger caseMessenger;
        if (c.file) writeFile("initial.txt", *c.file);

        Settings caseSettings;
        frmMain w(caseMessenger, caseSettings);

        EXPECT_EQ(w.AppSettings().unitSystem(), UnitSystem::CGS);
        const QStringList said = messagesAbout(caseMessenger, QStringLiteral("initial.txt"));
        ASSERT_EQ(said.size(), 1) << said.join(" / ").toStdString();
        EXPECT_TRUE(said[0].contains(QString::fromLatin1(c.expectedPart))) << said[0].toStdString();
        EXPECT_TRUE(said[0].contains(QStringLiteral("CGS unit system")));
        EXPECT_EQ(w.MSFlexGrid1->horizontalHeaderItem(2)->data(Qt::UserRole).toString(),
                  QString::fromUtf8("Temp\r(F°)"));
    }
}

TEST_F(MainWindowTest, TheUnitSystemOfTheSettingsFileWordsTheResultsHeader) {
    writeInitial(3);
    frmMain& w = start();
    EXPECT_EQ(w.AppSettings().unitSystem(), UnitSystem::SI);
    EXPECT_EQ(w.MSFlexGrid1->horizontalHeaderItem(3)->data(Qt::UserRole).toString(),
              QStringLiteral("Press\r(kPa)"));
    EXPECT_TRUE(messagesAbout(messenger, QStringLiteral("initial.txt")).isEmpty());
}

TEST_F(MainWindowTest, AnUnusableDatabaseIsReportedAndTheWindowStillOpens) {
    writeInitial(1);
    writeFile("R7716.mdb", QByteArray("This is not a database file at all.\r\n").repeated(200));

    frmMain& w = start();
    w.show();

    EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
    EXPECT_FALSE(w.Connection().IsOpen());
    const QStringList said =
        messagesAbout(messenger, QStringLiteral("clsConnection.OpenConnection: Error #: "));
    ASSERT_EQ(said.size(), 1) << messenger.texts().join(" / ").toStdString();
    EXPECT_TRUE(said[0].startsWith(QStringLiteral("clsConnection.OpenConnection: Error #: ")));
    EXPECT_EQ(said[0], w.Connection().LastError());
    // Nothing else about the database: the connection has said it.
    EXPECT_EQ(messenger.shown.size(), 1);
    EXPECT_FALSE(w.cmdOverlap->isEnabled());
    EXPECT_EQ(w.MSFlexGrid1->columnCount(), 12);
}

TEST_F(MainWindowTest, ExitAsksAndOnlyYesEndsTheProgramWithEveryOtherWindow) {
    enum class Via { Button, Menu, TitleBar };
    struct Case {
        const char* what;
        Via via;
        bool yes;
    };
    const std::vector<Case> cases = {
        {"button, No", Via::Button, false},      {"button, Yes", Via::Button, true},
        {"menu, No", Via::Menu, false},          {"menu, Yes", Via::Menu, true},
        {"title bar, No", Via::TitleBar, false}, {"title bar, Yes", Via::TitleBar, true},
    };
    writeInitial(1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedMessenger caseMessenger;
        Settings caseSettings;
        frmMain w(caseMessenger, caseSettings);
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        QWidget realTime;  // stands for a real-time window left open
        realTime.setWindowTitle(QStringLiteral("Real Time"));
        realTime.show();
        caseMessenger.shown.clear();
        caseMessenger.answers.enqueue(c.yes);

        switch (c.via) {
            case Via::Button:
                QTest::mouseClick(w.cmdExit, Qt::LeftButton);
                break;
            case Via::Menu:
                w.MenuFileExit->trigger();
                break;
            case Via::TitleBar:
                if (!sendWindowManagerClose(&w)) GTEST_SKIP() << "needs an X11 display";
                QTRY_VERIFY_WITH_TIMEOUT(!caseMessenger.shown.isEmpty(), 5000);
                QCoreApplication::processEvents();
                break;
        }

        ASSERT_EQ(caseMessenger.shown.size(), 1);
        const auto& asked = caseMessenger.shown.front();
        EXPECT_EQ(asked.kind, ScriptedMessenger::Kind::YesNo);
        EXPECT_EQ(asked.text, QStringLiteral("Are you sure to exit?"));
        EXPECT_EQ(asked.title, QStringLiteral("Exit Check"));
        EXPECT_EQ(asked.icon, MsgIcon::Exclamation);
        EXPECT_EQ(w.isVisible(), !c.yes);
        EXPECT_EQ(realTime.isVisible(), !c.yes);
    }
}

TEST_F(MainWindowTest, ACloseFromTheProgramItselfEndsWithoutAsking) {
    writeInitial(1);
    frmMain& w = start();
    w.show();
    messenger.shown.clear();

    EXPECT_TRUE(w.close());  // a question would fail the test: none is scripted

    EXPECT_TRUE(messenger.shown.isEmpty());
    EXPECT_FALSE(w.isVisible());
}

TEST_F(MainWindowTest, ResizingKeepsEveryControlAtTheSameRelativePlaceAndSize) {
    writeInitial(1);
    frmMain& w = start();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.resize(950, 700);
    QCoreApplication::processEvents();

    struct Relative {
        QWidget* control;
        QRectF place;
    };
    auto relativePlaces = [&] {
        std::vector<Relative> places;
        for (QWidget* c : w.centralWidget()->findChildren<QWidget*>()) {
            QWidget* box = c->parentWidget();
            if (box != w.centralWidget() && !qobject_cast<QGroupBox*>(box)) continue;  // parts of a control
            const QRectF g = c->geometry();
            const QSizeF s = box->size();
            places.push_back({c, QRectF(g.x() / s.width(), g.y() / s.height(), g.width() / s.width(),
                                        g.height() / s.height())});
        }
        return places;
    };
    const std::vector<Relative> before = relativePlaces();
    ASSERT_GE(before.size(), 31u);

    for (QSize size : {QSize(1400, 1000), QSize(920, 700), QSize(1250, 720)}) {
        SCOPED_TRACE(testing::Message() << size.width() << "x" << size.height());
        w.resize(size);
        QCoreApplication::processEvents();
        ASSERT_EQ(w.size(), size);
        const std::vector<Relative> after = relativePlaces();
        ASSERT_EQ(after.size(), before.size());
        for (std::size_t i = 0; i < before.size(); ++i) {
            SCOPED_TRACE(before[i].control->objectName().toStdString());
            // A pixel of rounding in the container and one in the control.
            const double tolX = 2.5 / before[i].control->parentWidget()->width();
            const double tolY = 2.5 / before[i].control->parentWidget()->height();
            EXPECT_NEAR(after[i].place.left(), before[i].place.left(), tolX);
            EXPECT_NEAR(after[i].place.top(), before[i].place.top(), tolY);
            EXPECT_NEAR(after[i].place.width(), before[i].place.width(), tolX);
            EXPECT_NEAR(after[i].place.height(), before[i].place.height(), tolY);
        }
    }
}

TEST_F(MainWindowTest, EditTestInfoWithNoTestOpenDoesNothing) {
    writeInitial(1);
    frmMain& w = start();
    w.show();
    messenger.shown.clear();

    QTest::mouseClick(w.cmdRelated, Qt::LeftButton);

    EXPECT_TRUE(messenger.shown.isEmpty());
    EXPECT_TRUE(w.isVisible());
    for (QWidget* t : QApplication::topLevelWidgets())
        if (t != &w) EXPECT_FALSE(t->isVisible()) << t->metaObject()->className();
}

TEST_F(MainWindowTest, ChoosingAChartTypeWithNoTestOpenReturnsToTheFirstType) {
    writeInitial(1);
    frmMain& w = start();
    w.cmbChartType->setCurrentIndex(3);
    emit w.cmbChartType->activated(3);
    EXPECT_EQ(w.cmbChartType->currentIndex(), 0);
}

TEST_F(MainWindowTest, ThreeDimensionsHideTheScalesAndDisableOverlapAndTwoDimensionsComeBack) {
    writeInitial(1);
    frmMain& w = start();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

    // A radio button takes a click on its mark or caption.
    const auto onMark = [](QWidget* option) { return QPoint(6, option->height() / 2); };
    QTest::mouseClick(w.opt3D, Qt::LeftButton, {}, onMark(w.opt3D));

    EXPECT_TRUE(w.opt3D->isChecked());
    EXPECT_TRUE(w.Pe3doa1->isVisible());
    EXPECT_FALSE(w.Pesgo1->isVisible());
    EXPECT_FALSE(w.framX->isVisible());
    EXPECT_FALSE(w.framY->isVisible());
    EXPECT_FALSE(w.cmdOverlap->isEnabled());
    QStringList types;
    for (int i = 0; i < w.cmbChartType->count(); ++i) types << w.cmbChartType->itemText(i);
    EXPECT_EQ(types, (QStringList{"Visc Vs. Rate, Time", "Visc Vs. Rate, Temp", "Visc Vs. Temp, Time"}));
    EXPECT_EQ(w.cmbChartType->currentIndex(), 0);

    QTest::mouseClick(w.opt2D, Qt::LeftButton, {}, onMark(w.opt2D));

    EXPECT_TRUE(w.Pesgo1->isVisible());
    EXPECT_FALSE(w.Pe3doa1->isVisible());
    EXPECT_TRUE(w.framX->isVisible());
    EXPECT_EQ(w.cmbChartType->count(), 6);
}

TEST_F(MainWindowTest, HelpOpensTheHelpFileOfTheWorkingDirectoryAndIsSilentWithoutIt) {
    writeInitial(1);
    frmMain& w = start();
    QList<QUrl> opened;
    w.setUrlOpener([&opened](const QUrl& url) {
        opened << url;
        return true;
    });
    messenger.shown.clear();

    w.MenuHelpContent->trigger();
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(messenger.shown.isEmpty());

    writeFile("R8830help.chm", "help");
    w.MenuHelpContent->trigger();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(dir.file("R8830help.chm")));
}

TEST_F(MainWindowTest, AboutShowsTheVersionModallyAndOkClosesIt) {
    writeInitial(1);
    frmMain& w = start();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* about = qobject_cast<frmAbout*>(QApplication::activeModalWidget());
        if (!about) return;
        seen = true;
        EXPECT_EQ(about->windowTitle(), QStringLiteral("About"));
        EXPECT_TRUE(about->isModal());
        // The version set in the build, as "Version 1.1.3" is shown.
        EXPECT_EQ(about->lblVersion->text(), QStringLiteral("Version ") + QLatin1String(r7716::kVersion));
        EXPECT_TRUE(about->lblPromotion->text().contains(QStringLiteral("sales@")));
        EXPECT_FALSE(about->Image1->pixmap().isNull());
        EXPECT_EQ(about->Command1->text(), QStringLiteral("&OK"));
        QTest::mouseClick(about->Command1, Qt::LeftButton);
    });
    QTimer guard;  // a failing check above must not leave the test waiting on the box
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] {
        if (QWidget* m = QApplication::activeModalWidget()) m->close();
    });
    guard.start(5000);

    w.MenuHelpAbout->trigger();

    EXPECT_TRUE(seen);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
