// The main window's controls and menus, their places as designed, and how they follow a resize.
#include "app/ui/frmMain.h"

#include "analysis/RampFitDisplay.h"
#include "analysis/ui/ChartView.h"
#include "analysis/ui/OpenTestView.h"
#include "analysis/ui/TestChart2D.h"
#include "analysis/ui/TestChart3D.h"
#include "common/Settings.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

namespace {

// The results header is as high as its three-line cells need, and each column at least as wide as its
// header's longest line.
constexpr int kResultsColumnWidth = 62;

QString qs(const char* text) {
    return QString::fromUtf8(text);
}

void place(QWidget* w, const char* name, const QString& tip, int x, int y, int width, int height) {
    w->setObjectName(QString::fromLatin1(name));
    if (!tip.isEmpty()) w->setToolTip(tip);
    w->setGeometry(x, y, width, height);
}

QPushButton* button(QWidget* parent, const char* name, const char* caption, const char* tip, int x, int y,
                    int width, int height) {
    auto* b = new QPushButton(qs(caption), parent);
    place(b, name, qs(tip), x, y, width, height);
    return b;
}

QGroupBox* frame(QWidget* parent, const char* name, const char* caption, int x, int y) {
    auto* f = new QGroupBox(qs(caption), parent);
    place(f, name, {}, x, y, 180, 52);
    return f;
}

QRadioButton* option(QGroupBox* f, const char* name, const char* caption, const char* tip, bool first) {
    auto* o = new QRadioButton(qs(caption), f);
    if (first)
        place(o, name, qs(tip), 10, 22, 66, 24);
    else
        place(o, name, qs(tip), 82, 22, 94, 24);
    return o;
}

}  // namespace

void frmMain::createControls() {
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("frmMainClient"));
    setCentralWidget(central);

    // The chart on top (the 3D chart takes the 2D chart's place), the chart choices beside it.
    Charts = new ChartView(messenger_, central);
    place(Charts, "Charts", {}, 8, 8, 812, 380);
    Pesgo1 = Charts->Pesgo1();
    Pesgo1->setObjectName(QStringLiteral("Pesgo1"));
    Pe3doa1 = Charts->Pe3doa1();
    Pe3doa1->setObjectName(QStringLiteral("Pe3doa1"));

    Label2 = new QLabel(qs("Select Chart Type:"), central);
    place(Label2, "Label2", {}, 828, 8, 180, 20);
    cmbChartType = new QComboBox(central);
    place(cmbChartType, "cmbChartType",
          qs("Select different chart types by select corresponding pulldown items"), 828, 30, 180, 26);

    Frame2 = frame(central, "Frame2", "DIM Scale:", 828, 64);
    opt2D = option(Frame2, "opt2D", "2D", "Click here for 2D graphics", true);
    opt3D = option(Frame2, "opt3D", "3D", "Click here for 3D graphics", false);
    framData = frame(central, "framData", "Data", 828, 122);
    optAllData = option(framData, "optAllData", "All", "Click here to chart all data", true);
    optNoRampData =
        option(framData, "optNoRampData", "No Ramp", "Click here to select data without ramps", false);
    framX = frame(central, "framX", "X Scale:", 828, 180);
    optXlog = option(framX, "optXlog", "Log", "Click here to select log chart scale", true);
    optXNormal = option(framX, "optXNormal", "Normal", "Click here to select normal chart scale", false);
    framY = frame(central, "framY", "Y Scale:", 828, 238);
    optYLog = option(framY, "optYLog", "Log", "Click here to select log chart scale", true);
    optYNormal = option(framY, "optYNormal", "Normal", "Click here to select normal chart scale", false);
    opt2D->setChecked(true);
    optAllData->setChecked(true);
    optXNormal->setChecked(true);
    optYNormal->setChecked(true);

    cmdPrintChart = button(central, "cmdPrintChart", "Print Chart",
                           "Click here to print the chart shown at top", 828, 300, 180, 36);
    cmdOverlap = button(central, "cmdOverlap", "Overlap Charts", "", 828, 344, 180, 36);
    cmdOverlap->setToolTip(qs("Click here to overlap another test on graphs.  Charts can not be overlapped "
                              "when chart type is ") +
                           QStringLiteral("\"") + qs("Visc Temp Vs. Time") + QStringLiteral("\"."));

    // The results of the open test, one row per shear ramp.
    MSFlexGrid1 = new QTableWidget(0, ramp_display::kColumnCount, central);
    place(MSFlexGrid1, "MSFlexGrid1", qs("This table lists the test results."), 8, 396, 1000, 146);
    MSFlexGrid1->verticalHeader()->hide();
    // Rows one text line high, so that the ramps of a usual test show without scrolling.
    MSFlexGrid1->verticalHeader()->setDefaultSectionSize(MSFlexGrid1->fontMetrics().lineSpacing() + 6);
    MSFlexGrid1->horizontalHeader()->setDefaultSectionSize(kResultsColumnWidth);
    MSFlexGrid1->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    MSFlexGrid1->horizontalHeader()->setMinimumHeight(MSFlexGrid1->fontMetrics().lineSpacing() * 3 + 8);
    MSFlexGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);

    lstCriteria = new QListWidget(central);
    place(lstCriteria, "lstCriteria",
          qs("The acceptance criteria of the open test (Test > Acceptance Criteria)"), 8, 544, 1000, 34);
    lstCriteria->setSelectionMode(QAbstractItemView::NoSelection);

    // The additives of the open test.
    MSFlexGrid2 = new QTableWidget(0, 4, central);
    place(MSFlexGrid2, "MSFlexGrid2", {}, 8, 584, 404, 124);
    MSFlexGrid2->verticalHeader()->hide();
    MSFlexGrid2->verticalHeader()->setDefaultSectionSize(MSFlexGrid2->fontMetrics().lineSpacing() + 6);
    MSFlexGrid2->setEditTriggers(QAbstractItemView::NoEditTriggers);
    MSFlexGrid2->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    open_test_view::ShowAdditives(MSFlexGrid2, {});
    // Names are the longest texts: their column takes what the other three leave.
    MSFlexGrid2->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    MSFlexGrid2->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);

    createCommandButtons(central);

    // The chart view keeps the type list, the scale frames and the overlap button in step with what it
    // shows; its list's item 0, a dimension and the data options re-run the open operation.
    Charts->BindControls({cmbChartType, framX, framY, cmdOverlap});
    Charts->SetOpenOperation([this] { reOpenForCharts(); });

    connect(optAllData, &QRadioButton::clicked, this, &frmMain::optAllData_Click);
    connect(optNoRampData, &QRadioButton::clicked, this, &frmMain::optNoRampData_Click);
    connect(opt2D, &QRadioButton::clicked, this, &frmMain::opt2D_Click);
    connect(opt3D, &QRadioButton::clicked, this, &frmMain::opt3D_Click);
    connect(cmbChartType, &QComboBox::activated, this, &frmMain::cmbChartType_Click);
    connect(optXlog, &QRadioButton::clicked, this, &frmMain::optXlog_Click);
    connect(optXNormal, &QRadioButton::clicked, this, &frmMain::optXNormal_Click);
    connect(optYLog, &QRadioButton::clicked, this, &frmMain::optYLog_Click);
    connect(optYNormal, &QRadioButton::clicked, this, &frmMain::optYNormal_Click);
    connect(cmdOverlap, &QPushButton::clicked, this, &frmMain::cmdOverlap_Click);
    connect(cmdPrintChart, &QPushButton::clicked, this, &frmMain::PrintChart);
}

void frmMain::createCommandButtons(QWidget* central) {
    // Four columns, three rows, beside the additives.
    constexpr int kX0 = 420, kW = 141, kH = 36, kGap = 8, kY0 = 584;
    auto at = [&](int col, int row, const char* name, const char* caption, const char* tip) {
        return button(central, name, caption, tip, kX0 + col * (kW + kGap), kY0 + row * (kH + kGap), kW, kH);
    };
    cmdOpen = at(0, 0, "cmdOpen", "&Open Saved Test", "Click here to open saved test");
    cmdSetup = at(1, 0, "cmdSetup", "&Setup", "Setup test procedures, comport, etc.");
    cmdRealTime = at(2, 0, "cmdRealTime", "Real &Time Test", "Click here to run real time test");
    cmdCalibrate = at(3, 0, "cmdCalibrate", "&Calibrate", "Click here to calibrate R8830");
    cmdReport = at(0, 1, "cmdReport", "Brief Print", "Click here to generate brief report");
    cmdBriefPrint = at(1, 1, "cmdBriefPrint", "Brief Save", "Click here to generate brief report");
    cmdExportExcel = at(2, 1, "cmdExportExcel", "Brief Excel", "Click here to generate brief report");
    cmdExcelDetail = at(3, 1, "cmdExcelDetail", "Detail Excel", "Click here to generate report");
    cmdDetailReport = at(0, 2, "cmdDetailReport", "D&etail Re&port",
                         "Click here to generate report or export data to other format");
    cmdHalliburton = at(1, 2, "cmdHalliburton", "Halliburton Report", "Click here to generate brief report");
    cmdRelated = at(2, 2, "cmdRelated", "Edit Test Info", "Click here to edit test related infomation");
    cmdExit = at(3, 2, "cmdExit", "&Exit", "Click here to exit Tavikdaq");

    connect(cmdOpen, &QPushButton::clicked, this, &frmMain::cmdOpen_Click);
    connect(cmdSetup, &QPushButton::clicked, this, &frmMain::cmdSetup_Click);
    connect(cmdRealTime, &QPushButton::clicked, this, &frmMain::cmdRealTime_Click);
    connect(cmdCalibrate, &QPushButton::clicked, this, &frmMain::cmdCalibrate_Click);
    connect(cmdRelated, &QPushButton::clicked, this, &frmMain::cmdRelated_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmMain::cmdExit_Click);
}

void frmMain::createMenus() {
    auto item = [this](QMenu* menu, const char* name, const char* caption) {
        QAction* a = menu->addAction(qs(caption));
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    MenuFile = menuBar()->addMenu(qs("&File"));
    MenuFile->setObjectName(QStringLiteral("MenuFile"));
    MenuFileOpen = item(MenuFile, "MenuFileOpen", "&Open Saved Test");
    MenuSetup = item(MenuFile, "MenuSetup", "&Setup");
    MenuFileReport = item(MenuFile, "MenuFileReport", "Re&port...");
    MenuFileRealTimeTest = item(MenuFile, "MenuFileRealTimeTest", "Real &Time Test");
    MenuPrintChart = item(MenuFile, "MenuPrintChart", "Print Chart");
    MenuLabMonitor = item(MenuFile, "MenuLabMonitor", "Lab &monitor\u2026");
    MenuFile->addSeparator();
    MenuFileExit = item(MenuFile, "MenuFileExit", "E&xit");

    MenuReport = menuBar()->addMenu(qs("Reports..."));
    MenuReport->setObjectName(QStringLiteral("MenuReport"));
    MenuReportDetail = item(MenuReport, "MenuReportDetail", "Detail Report");
    MenuBriefReport = item(MenuReport, "MenuBriefReport", "Breif Report");
    MenuTestReport = item(MenuReport, "MenuTestReport", "Test Report\u2026");
    MenuReport->addSeparator();
    MenuExportCsv = item(MenuReport, "MenuExportCsv", "Export CSV");
    MenuExportJson = item(MenuReport, "MenuExportJson", "Export JSON\u2026");
    MenuReport->addSeparator();
    MenuExtendedResults = item(MenuReport, "MenuExtendedResults", "E&xtended Results");

    MenuTest = menuBar()->addMenu(qs("&Test"));
    MenuTest->setObjectName(QStringLiteral("MenuTest"));
    MenuReadings = item(MenuTest, "MenuReadings", "&Readings and Exclusions...");
    MenuCriteria = item(MenuTest, "MenuCriteria", "&Acceptance Criteria...");
    MenuTest->addSeparator();
    MenuCompare = item(MenuTest, "MenuCompare", "&Compare Tests...");

    MenuHelp = menuBar()->addMenu(qs("&Help"));
    MenuHelp->setObjectName(QStringLiteral("MenuHelp"));
    MenuHelpContent = item(MenuHelp, "MenuHelpContent", "&Content");
    MenuHelpAbout = item(MenuHelp, "MenuHelpAbout", "&About");

    connect(MenuFileOpen, &QAction::triggered, this, &frmMain::MenuFileOpen_Click);
    connect(MenuSetup, &QAction::triggered, this, &frmMain::MenuSetup_Click);
    connect(MenuFileRealTimeTest, &QAction::triggered, this, &frmMain::MenuFileRealTimeTest_Click);
    connect(MenuPrintChart, &QAction::triggered, this, &frmMain::PrintChart);
    connect(MenuFileExit, &QAction::triggered, this, &frmMain::MenuFileExit_Click);
    connect(MenuLabMonitor, &QAction::triggered, this, &frmMain::MenuLabMonitor_Click);
    connect(MenuReadings, &QAction::triggered, this, &frmMain::MenuReadings_Click);
    connect(MenuCriteria, &QAction::triggered, this, &frmMain::MenuCriteria_Click);
    connect(MenuCompare, &QAction::triggered, this, &frmMain::MenuCompare_Click);
    connect(MenuExtendedResults, &QAction::triggered, this, &frmMain::MenuExtendedResults_Click);
    connect(MenuHelpContent, &QAction::triggered, this, &frmMain::MenuHelpContent_Click);
    connect(MenuHelpAbout, &QAction::triggered, this, &frmMain::MenuHelpAbout_Click);
    connectReports();
}

void frmMain::connectReports() {
    // Which control runs which report: "Re&port..." of the File menu is the brief print, as cmdReport.
    const struct {
        QPushButton* button;
        QAction* menuItem;
        ReportAction action;
    } reports[] = {
        {cmdReport, MenuFileReport, &ReportActions::briefPrint},
        {nullptr, MenuBriefReport, &ReportActions::briefPrint},
        {cmdBriefPrint, nullptr, &ReportActions::briefSave},
        {cmdExportExcel, nullptr, &ReportActions::briefExcel},
        {cmdExcelDetail, nullptr, &ReportActions::detailExcel},
        {cmdHalliburton, nullptr, &ReportActions::halliburton},
        {cmdDetailReport, MenuReportDetail, &ReportActions::detailReport},
        {nullptr, MenuExportCsv, &ReportActions::exportCsv},
        {nullptr, MenuExportJson, &ReportActions::exportJson},
        {nullptr, MenuTestReport, &ReportActions::testReport},
    };
    for (const auto& r : reports) {
        const ReportAction action = r.action;
        if (r.button) connect(r.button, &QPushButton::clicked, this, [this, action] { runReport(action); });
        if (r.menuItem) connect(r.menuItem, &QAction::triggered, this, [this, action] { runReport(action); });
    }
}

void frmMain::BuildResultsHeader() {
    const QStringList cells = ramp_display::HeaderCells(settings_.unitSystem());
    MSFlexGrid1->setRowCount(0);
    MSFlexGrid1->setColumnCount(int(cells.size()));
    for (int c = 0; c < cells.size(); ++c) {
        // The header keeps the grid's carriage returns; the view breaks lines on line feeds.
        auto* item = new QTableWidgetItem(QString(cells[c]).replace(u'\r', u'\n'));
        item->setData(Qt::UserRole, cells[c]);
        item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        MSFlexGrid1->setHorizontalHeaderItem(c, item);
    }
    // Unit texts such as "dyn-s^n/cm2" must show whole.
    for (int c = 0; c < MSFlexGrid1->columnCount(); ++c)
        MSFlexGrid1->setColumnWidth(
            c, std::max(kResultsColumnWidth, MSFlexGrid1->horizontalHeader()->sectionSizeHint(c) + 4));
}

void frmMain::recordLayoutRatios() {
    layoutRatios_.clear();
    // Containers come before their contents, so that a resize sizes a frame before the options in it.
    std::vector<QWidget*> controls;
    for (QObject* child : centralWidget()->children())
        if (auto* w = qobject_cast<QWidget*>(child)) controls.push_back(w);
    for (QGroupBox* f : {Frame2, framData, framX, framY})
        for (QObject* child : f->children())
            if (auto* w = qobject_cast<QWidget*>(child)) controls.push_back(w);
    for (QWidget* w : controls) {
        const QSizeF inner = w->parentWidget() == centralWidget() ? QSizeF(kDesignWidth, kDesignHeight)
                                                                  : QSizeF(w->parentWidget()->size());
        const QRect g = w->geometry();
        layoutRatios_.push_back({w, float(g.x() / inner.width()), float(g.y() / inner.height()),
                                 float(g.width() / inner.width()), float(g.height() / inner.height())});
    }
}

void frmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void frmMain::Form_Resize() {
    const QSize inner = centralWidget()->size();
    if (inner.width() <= 1 || inner.height() <= 1) return;
    for (const LayoutRatio& r : layoutRatios_) {
        const QSize box =
            r.control->parentWidget() == centralWidget() ? inner : r.control->parentWidget()->size();
        r.control->setGeometry(qRound(r.left * box.width()), qRound(r.top * box.height()),
                               qRound(r.width * box.width()), qRound(r.height * box.height()));
    }
}
