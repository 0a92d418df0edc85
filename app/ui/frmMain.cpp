#include "app/ui/frmMain.h"

#include "analysis/RampFitDisplay.h"
#include "analysis/ui/OpenTestView.h"
#include "analysis/ui/TestChart2D.h"
#include "analysis/ui/frmOpenTest.h"
#include "app/ui/frmAbout.h"
#include "common/Messenger.h"
#include "common/Settings.h"
#include "common/VbFormat.h"
#include "instrument/ui/frmMDIRealTime.h"
#include "sequence/ui/frmSetup.h"
#include "store/StoreError.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTableWidget>

#include <algorithm>

namespace {

// The window's inner size as designed; the layout ratios are taken against it.
constexpr int kDesignWidth = 1016;
constexpr int kDesignHeight = 716;
// Below this the captions no longer fit their controls.
constexpr int kMinimumWidth = 900;
constexpr int kMinimumHeight = 640;

// The results header is as high as its three-line cells need, and each column at least as wide as its
// header's longest line.
constexpr int kResultsColumnWidth = 62;

constexpr const char* kHelpFileName = "R8830help.chm";

constexpr const char* kExitQuestion = "Are you sure to exit?";
constexpr const char* kExitTitle = "Exit Check";

const char* const kChartTypes2D[] = {"Visc, Temp Vs Time",   "Shr. Stress Vs. Shr. Rate",
                                     "Visc Vs. Sample Temp", "Visc. Vs. Shear Rate",
                                     "Shr. Stress Vs. Time", "Visc Vs. Time"};
const char* const kChartTypes3D[] = {"Visc Vs. Rate, Time", "Visc Vs. Rate, Temp", "Visc Vs. Temp, Time"};

QString qs(const char* text) {
    return QString::fromUtf8(text);
}


}  // namespace

frmMain::frmMain(Messenger& messenger, Settings& settings, QWidget* parent)
    : QMainWindow(parent),
      messenger_(messenger),
      settings_(settings),
      openUrl_([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(qs(kCaption));
    createControls();
    createMenus();
    const int menuHeight = menuBar()->sizeHint().height();
    setMinimumSize(kMinimumWidth, kMinimumHeight + menuHeight);
    resize(kDesignWidth, kDesignHeight + menuHeight);
    Form_Load();
}

frmMain::~frmMain() {
    // The windows that borrowed the connection go before it; the unit windows close their ports.
    delete realTime_;
    delete setup_;
    delete fOpen;
}

void frmMain::createControls() {
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("frmMainClient"));
    setCentralWidget(central);

    auto place = [](QWidget* w, const char* name, const QString& tip, int x, int y, int width, int height) {
        w->setObjectName(QString::fromLatin1(name));
        if (!tip.isEmpty()) w->setToolTip(tip);
        w->setGeometry(x, y, width, height);
    };
    auto button = [&](const char* name, const char* caption, const char* tip, int x, int y, int width,
                      int height) {
        auto* b = new QPushButton(qs(caption), central);
        place(b, name, qs(tip), x, y, width, height);
        return b;
    };
    auto frame = [&](const char* name, const char* caption, int x, int y) {
        auto* f = new QGroupBox(qs(caption), central);
        place(f, name, {}, x, y, 180, 52);
        return f;
    };
    auto option = [&](QGroupBox* f, const char* name, const char* caption, const char* tip, bool first) {
        auto* o = new QRadioButton(qs(caption), f);
        if (first)
            place(o, name, qs(tip), 10, 22, 66, 24);
        else
            place(o, name, qs(tip), 82, 22, 94, 24);
        return o;
    };

    // The chart on top, the chart choices beside it.
    Pesgo1 = new TestChart2D(central);
    place(Pesgo1, "Pesgo1", {}, 8, 8, 812, 380);

    // The 3D view needs an OpenGL context; until it is built the place shows the empty 3D chart's titles.
    Pe3doa1 = new QLabel(central);
    place(Pe3doa1, "Pe3doa1", {}, 8, 8, 812, 380);
    Pe3doa1->setFrameShape(QFrame::StyledPanel);
    Pe3doa1->setAlignment(Qt::AlignCenter);
    Pe3doa1->setAutoFillBackground(true);
    Pe3doa1->setText(
        QStringLiteral("<b>Viscosity Vs. Shear Rate &amp; Sample Temp</b><br><br>Time (Min)"
                       "<br>Shear Rate (1/S)<br>Viscosity (cP)"));
    Pe3doa1->hide();

    Label2 = new QLabel(qs("Select Chart Type:"), central);
    place(Label2, "Label2", {}, 828, 8, 180, 20);
    cmbChartType = new QComboBox(central);
    place(cmbChartType, "cmbChartType",
          qs("Select different chart types by select corresponding pulldown items"), 828, 30, 180, 26);

    Frame2 = frame("Frame2", "DIM Scale:", 828, 64);
    opt2D = option(Frame2, "opt2D", "2D", "Click here for 2D graphics", true);
    opt3D = option(Frame2, "opt3D", "3D", "Click here for 3D graphics", false);
    framData = frame("framData", "Data", 828, 122);
    optAllData = option(framData, "optAllData", "All", "Click here to chart all data", true);
    optNoRampData =
        option(framData, "optNoRampData", "No Ramp", "Click here to select data without ramps", false);
    framX = frame("framX", "X Scale:", 828, 180);
    optXlog = option(framX, "optXlog", "Log", "Click here to select log chart scale", true);
    optXNormal = option(framX, "optXNormal", "Normal", "Click here to select normal chart scale", false);
    framY = frame("framY", "Y Scale:", 828, 238);
    optYLog = option(framY, "optYLog", "Log", "Click here to select log chart scale", true);
    optYNormal = option(framY, "optYNormal", "Normal", "Click here to select normal chart scale", false);
    optAllData->setChecked(true);
    optXNormal->setChecked(true);
    optYNormal->setChecked(true);

    cmdPrintChart = button("cmdPrintChart", "Print Chart", "Click here to print the chart shown at top", 828,
                           300, 180, 36);
    cmdOverlap = button("cmdOverlap", "Overlap Charts", "", 828, 344, 180, 36);
    cmdOverlap->setToolTip(qs("Click here to overlap another test on graphs.  Charts can not be overlapped "
                              "when chart type is ") +
                           QStringLiteral("\"") + qs("Visc Temp Vs. Time") + QStringLiteral("\"."));

    // The results of the open test, one row per shear ramp.
    MSFlexGrid1 = new QTableWidget(0, ramp_display::kColumnCount, central);
    place(MSFlexGrid1, "MSFlexGrid1", qs("This table lists the test results."), 8, 396, 1000, 180);
    MSFlexGrid1->verticalHeader()->hide();
    // Rows one text line high, so that the ramps of a usual test show without scrolling.
    MSFlexGrid1->verticalHeader()->setDefaultSectionSize(MSFlexGrid1->fontMetrics().lineSpacing() + 6);
    MSFlexGrid1->horizontalHeader()->setDefaultSectionSize(kResultsColumnWidth);
    MSFlexGrid1->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    MSFlexGrid1->horizontalHeader()->setMinimumHeight(MSFlexGrid1->fontMetrics().lineSpacing() * 3 + 8);
    MSFlexGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);

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

    // Commands: four columns, three rows, beside the additives.
    constexpr int kX0 = 420, kW = 141, kH = 36, kGap = 8, kY0 = 584;
    auto slot = [&](int col, int row, int& x, int& y) {
        x = kX0 + col * (kW + kGap);
        y = kY0 + row * (kH + kGap);
    };
    int x = 0, y = 0;
    slot(0, 0, x, y);
    cmdOpen = button("cmdOpen", "&Open Saved Test", "Click here to open saved test", x, y, kW, kH);
    slot(1, 0, x, y);
    cmdSetup = button("cmdSetup", "&Setup", "Setup test procedures, comport, etc.", x, y, kW, kH);
    slot(2, 0, x, y);
    cmdRealTime = button("cmdRealTime", "Real &Time Test", "Click here to run real time test", x, y, kW, kH);
    slot(3, 0, x, y);
    cmdCalibrate = button("cmdCalibrate", "&Calibrate", "Click here to calibrate R8830", x, y, kW, kH);
    slot(0, 1, x, y);
    cmdReport = button("cmdReport", "Brief Print", "Click here to generate brief report", x, y, kW, kH);
    slot(1, 1, x, y);
    cmdBriefPrint =
        button("cmdBriefPrint", "Brief Save", "Click here to generate brief report", x, y, kW, kH);
    slot(2, 1, x, y);
    cmdExportExcel =
        button("cmdExportExcel", "Brief Excel", "Click here to generate brief report", x, y, kW, kH);
    slot(3, 1, x, y);
    cmdExcelDetail = button("cmdExcelDetail", "Detail Excel", "Click here to generate report", x, y, kW, kH);
    slot(0, 2, x, y);
    cmdDetailReport = button("cmdDetailReport", "D&etail Re&port",
                             "Click here to generate report or export data to other format", x, y, kW, kH);
    slot(1, 2, x, y);
    cmdHalliburton =
        button("cmdHalliburton", "Halliburton Report", "Click here to generate brief report", x, y, kW, kH);
    slot(2, 2, x, y);
    cmdRelated =
        button("cmdRelated", "Edit Test Info", "Click here to edit test related infomation", x, y, kW, kH);
    slot(3, 2, x, y);
    cmdExit = button("cmdExit", "&Exit", "Click here to exit Tavikdaq", x, y, kW, kH);

    connect(cmdOpen, &QPushButton::clicked, this, &frmMain::cmdOpen_Click);
    connect(cmdSetup, &QPushButton::clicked, this, &frmMain::cmdSetup_Click);
    connect(cmdRealTime, &QPushButton::clicked, this, &frmMain::cmdRealTime_Click);
    connect(optAllData, &QRadioButton::clicked, this, &frmMain::optAllData_Click);
    connect(optNoRampData, &QRadioButton::clicked, this, &frmMain::optNoRampData_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmMain::cmdExit_Click);
    connect(cmdRelated, &QPushButton::clicked, this, &frmMain::cmdRelated_Click);
    connect(opt2D, &QRadioButton::clicked, this, &frmMain::opt2D_Click);
    connect(opt3D, &QRadioButton::clicked, this, &frmMain::opt3D_Click);
    connect(cmbChartType, &QComboBox::activated, this, &frmMain::cmbChartType_Click);
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
    MenuFile->addSeparator();
    MenuFileExit = item(MenuFile, "MenuFileExit", "E&xit");

    MenuReport = menuBar()->addMenu(qs("Reports..."));
    MenuReport->setObjectName(QStringLiteral("MenuReport"));
    MenuReportDetail = item(MenuReport, "MenuReportDetail", "Detail Report");
    MenuBriefReport = item(MenuReport, "MenuBriefReport", "Breif Report");

    MenuHelp = menuBar()->addMenu(qs("&Help"));
    MenuHelp->setObjectName(QStringLiteral("MenuHelp"));
    MenuHelpContent = item(MenuHelp, "MenuHelpContent", "&Content");
    MenuHelpAbout = item(MenuHelp, "MenuHelpAbout", "&About");

    connect(MenuFileOpen, &QAction::triggered, this, &frmMain::MenuFileOpen_Click);
    connect(MenuSetup, &QAction::triggered, this, &frmMain::MenuSetup_Click);
    connect(MenuFileRealTimeTest, &QAction::triggered, this, &frmMain::MenuFileRealTimeTest_Click);
    connect(MenuFileExit, &QAction::triggered, this, &frmMain::MenuFileExit_Click);
    connect(MenuHelpContent, &QAction::triggered, this, &frmMain::MenuHelpContent_Click);
    connect(MenuHelpAbout, &QAction::triggered, this, &frmMain::MenuHelpAbout_Click);
}

void frmMain::Form_Load() {
    openDatabase();
    createDialogs();
    // The open test and its readings are read through the session's records; a database that is unusable
    // must not keep the operator from the setup and real-time windows.
    session_->connectRecords();
    recordLayoutRatios();
    centreOnScreen();
    readInitialSettings();
    // A unit system chosen in the setup window shows in the results table at once.
    connect(&settings_, &Settings::unitSystemChanged, this, &frmMain::showResults);
    opt2D_Click();
    BuildResultsHeader();
    DrawStartChart();
    cmdOverlap->setEnabled(false);
}

void frmMain::openDatabase() {
    connection_ = std::make_unique<clsConnection>(&messenger_);
    // The arguments name the data source for the record; the database is "R7716.mdb" in the working
    // directory, or the server that "database.txt" there names.
    connection_->OpenDB(QStringLiteral("R7716"), QStringLiteral("Admin"), QString(), QString());
    session_ = std::make_unique<OpenTestSession>(*connection_, settings_, messenger_);
    // A lab-wide database is named in the caption, so that nobody mistakes whose data the window shows.
    if (connection_->isServer())
        setWindowTitle(windowTitle() + QStringLiteral(" - ") + connection_->displayName());
    if (connection_->IsReadOnly()) setWindowTitle(windowTitle() + QStringLiteral(" (read-only)"));
}

void frmMain::createDialogs() {
    // Kept for the whole run: its name box keeps the chosen name between showings.
    fOpen = new frmOpenTest(*connection_, messenger_, this);
    connect(fOpen, &frmOpenTest::Selected, this, &frmMain::fOpen_Selected);
    // The overlap dialog is created and connected here, beside the open-test dialog, once overlap exists.
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

void frmMain::centreOnScreen() {
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!s) return;
    const QRect area = s->availableGeometry();
    // A screen smaller than the design gets a smaller window; the layout ratios fit the controls to it.
    resize(std::min(width(), area.width()), std::min(height(), area.height()));
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

void frmMain::readInitialSettings() {
    settings_.load();
    const QString problem = settings_.unitSystemProblem();
    if (problem.isEmpty()) return;
    messenger_.info(
        problem + QStringLiteral("\n\nResults are shown in the CGS unit system. Choose the ports and "
                                 "the unit system on the hardware tab of Setup and save them to "
                                 "write the file."),
        QString(), MsgIcon::Exclamation);
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

void frmMain::DrawStartChart() {
    Pesgo1->DrawStartChart();
}

void frmMain::opt2D_Click() {
    dimension_ = ChartDimension::TwoD;
    opt2D->setChecked(true);
    Pesgo1->show();
    Pe3doa1->hide();
    framX->show();
    framY->show();
    cmbChartType->clear();
    for (const char* type : kChartTypes2D) cmbChartType->addItem(qs(type));
    cmbChartType->setCurrentIndex(0);
}

void frmMain::opt3D_Click() {
    dimension_ = ChartDimension::ThreeD;
    opt3D->setChecked(true);
    Pe3doa1->show();
    Pesgo1->hide();
    framX->hide();
    framY->hide();
    cmbChartType->clear();
    for (const char* type : kChartTypes3D) cmbChartType->addItem(qs(type));
    cmbChartType->setCurrentIndex(0);
    cmdOverlap->setEnabled(false);
}

void frmMain::cmbChartType_Click() {
    // Without an open test there is nothing to chart: the list goes back to the default chart.
    if (!session_->isOpen()) {
        cmbChartType->setCurrentIndex(0);
        return;
    }
    // The default chart is drawn by the open operation.
    if (cmbChartType->currentIndex() == 0) draw(session_->reRead());
}

// ---- opening a saved test ------------------------------------------------------------------------

void frmMain::cmdOpen_Click() {
    fOpen->exec();
}

void frmMain::MenuFileOpen_Click() {
    cmdOpen_Click();
}

void frmMain::fOpen_Selected() {
    // The table is down to its header whatever follows.
    BuildResultsHeader();
    const OpenTestSession::Redraw redraw = session_->open(fOpen->txtSeqName->text(), fOpen->ListedNames());
    if (redraw == OpenTestSession::Redraw::Nothing) return;
    draw(redraw);
    fOpen->hide();
}

void frmMain::draw(OpenTestSession::Redraw redraw) {
    if (redraw == OpenTestSession::Redraw::Nothing) return;
    const OpenedTest& test = session_->test();
    // Opening returns to the first chart type, the default chart, on which nothing can be overlapped.
    cmbChartType->setCurrentIndex(0);
    cmdOverlap->setEnabled(false);
    Pesgo1->DrawTimeChart(test.chart, test.name);
    open_test_view::ShowAdditives(MSFlexGrid2, test.additives);
    showResults();
}

void frmMain::showResults() {
    BuildResultsHeader();
    if (session_->resultsShown()) open_test_view::ShowResults(MSFlexGrid1, session_->results());
}

void frmMain::optAllData_Click() {
    draw(session_->setDataOption(ChartDataOption::All));
}

void frmMain::optNoRampData_Click() {
    draw(session_->setDataOption(ChartDataOption::NoRamp));
}

bool frmMain::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) Form_Activate();
    return QMainWindow::event(event);
}

bool frmMain::takesReRead() const {
    // Not while a dialog of ours is modal (the open-test dialog, a message box): the read would run under
    // it, and its message boxes would activate the window again.
    return isVisible() && QApplication::activeModalWidget() == nullptr;
}

void frmMain::Form_Activate() {
    if (!takesReRead() || !session_->queueActivationReRead()) return;
    // After the activation itself, so that the window shows active at once; a burst of activations reads
    // once.
    QMetaObject::invokeMethod(
        this, [this] { draw(session_->runQueuedActivationReRead(takesReRead())); }, Qt::QueuedConnection);
}

// ---- real-time host --------------------------------------------------------------------------------

void frmMain::cmdRealTime_Click() {
    if (!realTime_) {
        try {
            realTime_ = new frmMDIRealTime(*connection_, messenger_, settings_, this);
        } catch (const std::exception& error) {
            messenger_.info(
                QStringLiteral("The real-time window could not be opened.\n") + StoreError::describe(error),
                QString(), MsgIcon::Critical);
            return;
        }
        realTime_->setAttribute(Qt::WA_DeleteOnClose);
    }
    realTime_->show();
    realTime_->raise();
    realTime_->activateWindow();
}

void frmMain::MenuFileRealTimeTest_Click() {
    cmdRealTime_Click();
}

// ---- setup -----------------------------------------------------------------------------------------

void frmMain::cmdSetup_Click() {
    if (setup_) {
        setup_->show();
        setup_->raise();
        setup_->activateWindow();
        return;
    }
    frmSetup* setup = nullptr;
    try {
        setup = new frmSetup(*connection_, messenger_, settings_);
    } catch (const std::exception& error) {
        messenger_.info(QStringLiteral("The setup window could not be opened.\n") + StoreError::describe(error),
                        QString(), MsgIcon::Critical);
        return;
    }
    setup->setAttribute(Qt::WA_DeleteOnClose);
    setup_ = setup;
    connect(setup, &frmSetup::closed, this, &frmMain::setup_Closed);
    hide();
    setup->show();
}

frmSetup* frmMain::SetupWindow() const {
    return setup_.data();
}

void frmMain::MenuSetup_Click() {
    cmdSetup_Click();
}

void frmMain::setup_Closed() {
    show();
    raise();
    activateWindow();
    // A unit system chosen there shows already. The open test is read again whether or not the window
    // manager reports the activation.
    Form_Activate();
}

void frmMain::cmdRelated_Click() {
    // Edit Test Info works on the open test; with none open the click changes nothing.
    if (session_->testId() == 0) return;
}

void frmMain::MenuHelpContent_Click() {
    const QString path = QDir::current().absoluteFilePath(QString::fromLatin1(kHelpFileName));
    if (!QFileInfo::exists(path)) return;
    openUrl_(QUrl::fromLocalFile(path));
}

void frmMain::MenuHelpAbout_Click() {
    frmAbout about(this);
    about.exec();
}

bool frmMain::confirmExit() {
    return messenger_.yesNo(qs(kExitQuestion), qs(kExitTitle), MsgIcon::Exclamation);
}

void frmMain::cmdExit_Click() {
    if (confirmExit()) endProgram();
}

void frmMain::MenuFileExit_Click() {
    cmdExit_Click();
}

void frmMain::endProgram() {
    exitConfirmed_ = true;
    close();
}

void frmMain::closeEvent(QCloseEvent* event) {
    // Only the operator's own close (title bar, window menu) is questioned; a close from the program or
    // the system goes through.
    if (!exitConfirmed_ && event->spontaneous() && !confirmExit()) {
        event->ignore();
        return;
    }
    exitConfirmed_ = true;
    // The program ends with its main window, whatever other window is open; those windows are not asked.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != this && w->isVisible()) w->hide();
    event->accept();
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
