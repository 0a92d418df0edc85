#include "instrument/ui/frmSimpleTest.h"

#include "instrument/ui/UnitWindowKit.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

frmSimpleTest::frmSimpleTest(std::unique_ptr<UnitPort> port, Messenger& messenger, QWidget* parent)
    : UnitWindow(messenger, QStringLiteral("Click here to exit test"), parent),
      logic_(std::move(port), messenger) {
    setWindowTitle(kCaption);
    createControls();
    Form_Load();
}

frmSimpleTest::~frmSimpleTest() = default;

void frmSimpleTest::createControls() {
    // Everything but the status bar lives on a page that scrolls when the window is made smaller than the
    // page can be laid out readably.
    auto* page = new QWidget;
    page_ = page;

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
    txtbathtemp = unit_window::readout(readings);
    setBathTempBox(txtbathtemp);
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
    setPage(page);

    connect(cmdStart, &QPushButton::clicked, this, &frmSimpleTest::cmdStart_Click);
    connect(cmdStop, &QPushButton::clicked, this, &frmSimpleTest::cmdStop_Click);
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

void frmSimpleTest::cmbBobNo_Click() {
    logic_.selectBob(cmbBobNo->currentIndex());
}

void frmSimpleTest::cmdStart_Click() {
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

QSize frmSimpleTest::sizeHint() const {
    const QSize page = page_->sizeHint();
    return {page.width(), page.height() + StatusBar1->sizeHint().height()};
}
