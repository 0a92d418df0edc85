#include "instrument/ui/UnitWindow.h"

#include "common/Messenger.h"
#include "instrument/RealTimeHost.h"
#include "instrument/UnitWindowLogic.h"
#include "instrument/ui/UnitWindowKit.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

UnitWindow::UnitWindow(Messenger& messenger, const QString& exitToolTip, QWidget* parent)
    : QWidget(parent), messenger_(messenger) {
    lblInstName = new QLabel(this);
    QFont big = lblInstName->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.3);
    lblInstName->setFont(big);
    lblActiveFlag = new QLabel(QStringLiteral("INACTIVE"), this);
    lblActiveFlag->setFont(big);
    lblActiveFlag->setFrameShape(QFrame::Panel);
    lblActiveFlag->setFrameShadow(QFrame::Sunken);
    lblActiveFlag->setAlignment(Qt::AlignCenter);
    lblActiveFlag->setMinimumWidth(
        lblActiveFlag->fontMetrics().horizontalAdvance(QStringLiteral("Stand-alone Test")) + 24);

    txtSampleTemp = unit_window::readout(this);
    txtSpeed = unit_window::readout(this);
    txtShearRate = unit_window::readout(this);
    txtShearStress = unit_window::readout(this);
    txtVisc = unit_window::readout(this);
    txtPressure = unit_window::readout(this);

    cmdExit = new QPushButton(QStringLiteral("&Exit"), this);
    cmdExit->setToolTip(exitToolTip);
    connect(cmdExit, &QPushButton::clicked, this, &UnitWindow::cmdExit_Click);

    StatusBar1 = new UnitStatusBar(this);
    connect(StatusBar1, &UnitStatusBar::panelClicked, this, &UnitWindow::panelClicked);

    Timer1 = new QTimer(this);
    Timer1->setInterval(UnitWindowLogic::kTickInterval_ms);
    connect(Timer1, &QTimer::timeout, this, &UnitWindow::Timer1_Timer);
}

UnitWindow::~UnitWindow() = default;

void UnitWindow::setPage(QWidget* page) {
    scroll_ = new QScrollArea(this);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    scroll_->setWidget(page);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(scroll_, 1);
    layout->addWidget(StatusBar1);
}

QString UnitWindow::panelText(int index) const {
    const QLabel* p = StatusBar1->panel(index);
    return p ? p->text() : QString();
}

QString UnitWindow::panelText(const QString& key) const {
    const QLabel* p = StatusBar1->panel(key);
    return p ? p->text() : QString();
}

void UnitWindow::Timer1_Timer() {
    // A message shown inside a tick lets the timer fire again; that tick waits for the next one.
    if (inTick_) return;
    inTick_ = true;
    logic().setUnitName(lblInstName->text());
    tickLogic();
    showUnit();
    inTick_ = false;
}

void UnitWindow::tickLogic() {
    logic().tick();
}

void UnitWindow::showUnit() {
    UnitWindowLogic& l = logic();
    const UnitDisplayTexts& t = l.texts();
    if (!t.activeFlag.isEmpty() && lblActiveFlag->text() != t.activeFlag)
        lblActiveFlag->setText(t.activeFlag);
    using unit_window::show;
    show(txtSampleTemp, t.sampleTemp);
    show(bathTempBox_, t.bathTemp);
    show(txtSpeed, t.speed);
    show(txtShearRate, t.shearRate);
    show(txtShearStress, t.shearStress);
    show(txtVisc, t.visc);
    show(txtPressure, t.pressure);

    const UnitStatusBarTexts& s = l.statusBar();
    StatusBar1->setPanelText(1, s.startTime);
    StatusBar1->setPanelText(2, l.messagePanelText());
    StatusBar1->setPanelAlarm(2, l.failures().needsAcknowledging());
    StatusBar1->setPanelText(3, s.elapsedTime);
    StatusBar1->setPanelText(4, s.sequence);

    if (cmdExit->isEnabled() != l.exitEnabled()) cmdExit->setEnabled(l.exitEnabled());
    if (Timer1->interval() != l.timerInterval_ms()) Timer1->setInterval(l.timerInterval_ms());
}

void UnitWindow::panelClicked(int index) {
    if (index != 2 || !logic().failures().needsAcknowledging()) return;
    logic().acknowledgeFailures();
    showUnit();
}

void UnitWindow::cmdExit_Click() {
    const QString refusal = logic().closeRefusal(true);
    if (!refusal.isEmpty()) {
        messenger_.info(refusal);
        return;
    }
    exitRequested_ = true;
    unit_window::closeWindow(this);
    exitRequested_ = false;
}

void UnitWindow::closeEvent(QCloseEvent* event) {
    if (!unloaded_ && !exitRequested_) {
        const QString refusal = logic().closeRefusal(false);
        if (!refusal.isEmpty()) {
            messenger_.info(refusal);
            event->ignore();
            return;
        }
    }
    if (!unloaded_ && !confirmClose()) {
        event->ignore();
        return;
    }
    event->accept();
    if (unloaded_) return;
    unloaded_ = true;
    Timer1->stop();
    unloading();
    logic().closePort();
    emit Unloaded(RealTimeHost::unitFromInstName(lblInstName->text()));
}
