#include "instrument/ui/frmSimpleTest.h"

#include "common/Messenger.h"
#include "instrument/RealTimeHost.h"
#include "instrument/ui/UnitWindowKit.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

namespace {

void setText(QLineEdit* box, const QString& text) {
    if (box->text() != text) box->setText(text);
}

}  // namespace

frmSimpleTest::frmSimpleTest(std::unique_ptr<UnitPort> port, Messenger& messenger, QWidget* parent)
    : QWidget(parent), messenger_(messenger), logic_(std::move(port), messenger) {
    setWindowTitle(kCaption);
    createControls();
    Form_Load();
}

frmSimpleTest::~frmSimpleTest() {
    logic_.closePort();
}

void frmSimpleTest::createControls() {
    // Everything but the status bar lives on a page that scrolls when the window is made smaller than the
    // page can be laid out readably.
    auto* page = new QWidget;
    page_ = page;
    lblInstName = new QLabel(page);
    QFont big = lblInstName->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.3);
    lblInstName->setFont(big);
    lblActiveFlag = new QLabel(QStringLiteral("INACTIVE"), page);
    lblActiveFlag->setFont(big);
    lblActiveFlag->setFrameShape(QFrame::Panel);
    lblActiveFlag->setFrameShadow(QFrame::Sunken);
    lblActiveFlag->setAlignment(Qt::AlignCenter);
    lblActiveFlag->setMinimumWidth(
        lblActiveFlag->fontMetrics().horizontalAdvance(QStringLiteral("Stand-alone Test")) + 24);

    // The operator's set points.
    auto* setPoints = new QGroupBox(page);
    auto* sp = new QGridLayout(setPoints);
    cmbBobNo = new QComboBox(setPoints);
    txtTempSetPoint = new QLineEdit(QStringLiteral("70"), setPoints);
    txtSpeedSet = new QLineEdit(setPoints);
    for (QLineEdit* box : {txtTempSetPoint, txtSpeedSet}) {
        box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        box->setMaximumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 16);
    }
    auto* lblBob = new QLabel(QStringLiteral("Bob size"), setPoints);
    lblBob->setBuddy(cmbBobNo);
    auto* lblTemp = new QLabel(QStringLiteral("Temp Setpoint:"), setPoints);
    lblTemp->setBuddy(txtTempSetPoint);
    auto* lblSpeed = new QLabel(QStringLiteral("Moter Speed Setpoint:"), setPoints);
    lblSpeed->setBuddy(txtSpeedSet);
    sp->addWidget(lblBob, 0, 0, Qt::AlignRight);
    sp->addWidget(cmbBobNo, 0, 1);
    sp->addWidget(lblTemp, 1, 0, Qt::AlignRight);
    sp->addWidget(txtTempSetPoint, 1, 1);
    sp->addWidget(new QLabel(QStringLiteral("°F"), setPoints), 1, 2);
    sp->addWidget(lblSpeed, 2, 0, Qt::AlignRight);
    sp->addWidget(txtSpeedSet, 2, 1);
    sp->addWidget(new QLabel(QStringLiteral("Rpm"), setPoints), 2, 2);
    sp->setRowStretch(3, 1);

    // The unit's readings.
    auto* readings = new QGroupBox(page);
    auto* grid = new QGridLayout(readings);
    auto place = [&](int row, int column, const char* caption, QLineEdit* box, const char* unit) {
        auto* label = new QLabel(QString::fromUtf8(caption), readings);
        grid->addWidget(label, row, column * 3, Qt::AlignRight);
        grid->addWidget(box, row, column * 3 + 1);
        grid->addWidget(new QLabel(QString::fromUtf8(unit), readings), row, column * 3 + 2);
    };
    txtSampleTemp = unit_window::readout(readings);
    txtbathtemp = unit_window::readout(readings);
    txtPressure = unit_window::readout(readings);
    txtSpeed = unit_window::readout(readings);
    txtShearRate = unit_window::readout(readings);
    txtShearStress = unit_window::readout(readings);
    txtVisc = unit_window::readout(readings);
    place(0, 0, "Sample Temp :", txtSampleTemp, "°F");
    place(1, 0, "Bath Temp :", txtbathtemp, "°F");
    place(2, 0, "Pressure:", txtPressure, "Psi");
    place(0, 1, "Sample Cup Speed:", txtSpeed, "Rpm");
    place(1, 1, "Shear Rate:", txtShearRate, "1/s");
    place(2, 1, "Shear Stress:", txtShearStress, "dyn/cm2");
    place(3, 1, "Apparent Viscosity:", txtVisc, "cP");
    grid->setColumnMinimumWidth(3, 12);

    cmdStart = new QPushButton(QStringLiteral("Start"), page);
    cmdStart->setToolTip(QStringLiteral("Click here to Start Test"));
    cmdStop = new QPushButton(QStringLiteral("S&top"), page);
    cmdStop->setToolTip(QStringLiteral("Click here to Stop test "));
    cmdExit = new QPushButton(QStringLiteral("&Exit"), page);
    cmdExit->setToolTip(QStringLiteral("Click here to exit test"));

    StatusBar1 = new UnitStatusBar(this);
    Timer1 = new QTimer(this);

    auto* top = new QHBoxLayout;
    top->addWidget(lblInstName);
    top->addSpacing(12);
    top->addWidget(lblActiveFlag);
    top->addStretch(1);
    auto* middle = new QHBoxLayout;
    middle->addWidget(setPoints);
    middle->addWidget(readings, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdStart);
    buttons->addWidget(cmdStop);
    buttons->addWidget(cmdExit);
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(6, 6, 6, 2);
    pageLayout->addLayout(top);
    pageLayout->addLayout(middle, 1);
    pageLayout->addLayout(buttons);
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(page);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(scroll, 1);
    layout->addWidget(StatusBar1);

    connect(Timer1, &QTimer::timeout, this, &frmSimpleTest::Timer1_Timer);
    connect(cmdStart, &QPushButton::clicked, this, &frmSimpleTest::cmdStart_Click);
    connect(cmdStop, &QPushButton::clicked, this, &frmSimpleTest::cmdStop_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmSimpleTest::cmdExit_Click);
}

void frmSimpleTest::Form_Load() {
    for (const SimpleTestLogic::Bob& bob : SimpleTestLogic::kBobs)
        cmbBobNo->addItem(QString::fromLatin1(bob.name));
    cmbBobNo->setCurrentIndex(0);
    logic_.selectBob(0);
    connect(cmbBobNo, &QComboBox::currentIndexChanged, this, &frmSimpleTest::cmbBobNo_Click);
    Timer1->setInterval(SimpleTestLogic::kTickInterval_ms);
    Timer1->start();
}

void frmSimpleTest::openPort(int portNumber) {
    logic_.openPort(portNumber);
}

QString frmSimpleTest::panelText(int index) const {
    const QLabel* p = StatusBar1->panel(index);
    return p ? p->text() : QString();
}

void frmSimpleTest::cmbBobNo_Click() {
    logic_.selectBob(cmbBobNo->currentIndex());
}

void frmSimpleTest::Timer1_Timer() {
    // A message shown inside a tick lets the timer fire again; that tick waits for the next one.
    if (inTick_) return;
    inTick_ = true;
    logic_.tick();
    showUnit();
    inTick_ = false;
}

void frmSimpleTest::showUnit() {
    const UnitDisplayTexts& t = logic_.texts();
    if (!t.activeFlag.isEmpty() && lblActiveFlag->text() != t.activeFlag)
        lblActiveFlag->setText(t.activeFlag);
    setText(txtSampleTemp, t.sampleTemp);
    setText(txtbathtemp, t.bathTemp);
    setText(txtSpeed, t.speed);
    setText(txtShearRate, t.shearRate);
    setText(txtShearStress, t.shearStress);
    setText(txtVisc, t.visc);
    setText(txtPressure, t.pressure);
    StatusBar1->setPanelText(1, logic_.startTimeText());
    StatusBar1->setPanelText(3, logic_.elapsedTimeText());
    if (cmdExit->isEnabled() != logic_.exitEnabled()) cmdExit->setEnabled(logic_.exitEnabled());
    if (Timer1->interval() != logic_.timerInterval_ms()) Timer1->setInterval(logic_.timerInterval_ms());
}

void frmSimpleTest::cmdStart_Click() {
    logic_.setUnitNumber(RealTimeHost::unitFromInstName(lblInstName->text()));
    logic_.setMessageTitle(windowTitle());
    switch (logic_.start(txtTempSetPoint->text(), txtSpeedSet->text())) {
        case SimpleTestLogic::StartOutcome::InvalidTemperature:
            txtTempSetPoint->setFocus();
            break;
        case SimpleTestLogic::StartOutcome::InvalidSpeed:
            txtSpeedSet->setFocus();
            break;
        case SimpleTestLogic::StartOutcome::Started:
            Timer1->setInterval(logic_.timerInterval_ms());
            Timer1->start();
            break;
        default:
            break;
    }
    showUnit();
}

void frmSimpleTest::cmdStop_Click() {
    logic_.shutDown();
    showUnit();
}

void frmSimpleTest::cmdExit_Click() {
    const QString refusal = logic_.closeRefusal(true);
    if (!refusal.isEmpty()) {
        messenger_.info(refusal);
        return;
    }
    exitRequested_ = true;
    unit_window::closeWindow(this);
    exitRequested_ = false;
}

void frmSimpleTest::closeEvent(QCloseEvent* event) {
    if (unloaded_) {
        event->accept();
        return;
    }
    if (!exitRequested_) {
        const QString refusal = logic_.closeRefusal(false);
        if (!refusal.isEmpty()) {
            messenger_.info(refusal);
            event->ignore();
            return;
        }
    }
    event->accept();
    unloaded_ = true;
    Timer1->stop();
    logic_.closePort();
    emit Unloaded(RealTimeHost::unitFromInstName(lblInstName->text()));
}

QSize frmSimpleTest::sizeHint() const {
    const QSize page = page_->sizeHint();
    return {page.width(), page.height() + StatusBar1->sizeHint().height()};
}
