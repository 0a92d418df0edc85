#include "sequence/ui/frmInsertStep.h"

#include "common/Messenger.h"
#include "common/VbFormat.h"
#include "sequence/SequenceRules.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmInsertStep::frmInsertStep(Messenger& messenger, const InsertStepRequest& request, QWidget* parent)
    : QDialog(parent), messenger_(messenger), unitSystem_(request.unitSystem) {
    setWindowTitle(QStringLiteral("Insert Step"));
    setModal(true);

    lblHeading = new QLabel(QStringLiteral("Please input test parameters:"), this);
    txtStepNo = new QLineEdit(this);
    txtStepNo->setReadOnly(true);
    cmbBeforeAfter = new QComboBox(this);
    txtTime = new QLineEdit(this);
    txtTime->setToolTip(QStringLiteral("Enter a number >0 and <6300"));
    lblTemp = new QLabel(QStringLiteral("Temperature (F):"), this);
    txtTemp = new QLineEdit(this);
    txtTempError = new QLineEdit(this);
    txtShearrate = new QLineEdit(this);
    cmdOk = new QPushButton(QStringLiteral("&OK"), this);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdOk->setDefault(true);
    // Clicking Cancel must not first trip the shear-rate field's check on leaving it.
    cmdCancel->setFocusPolicy(Qt::NoFocus);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Step No:"), txtStepNo);
    form->addRow(QStringLiteral("Insert"), cmbBeforeAfter);
    form->addRow(QStringLiteral("Step time (Min):"), txtTime);
    form->addRow(lblTemp, txtTemp);
    form->addRow(QStringLiteral("Temp Error(F):"), txtTempError);
    form->addRow(QStringLiteral("Shear rate (1/S):"), txtShearrate);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblHeading);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(cmdOk, &QPushButton::clicked, this, &frmInsertStep::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmInsertStep::cmdCancel_Click);
    connect(txtShearrate, &QLineEdit::editingFinished, this, &frmInsertStep::txtShearrate_LostFocus);
    connect(cmbBeforeAfter, &QComboBox::currentIndexChanged, this,
            [this](int index) { Before = index != 1; });

    Form_Load(request);
}

void frmInsertStep::Form_Load(const InsertStepRequest& request) {
    CancelInp = false;
    txtStepNo->setText(request.stepNoText);
    cmbBeforeAfter->clear();
    cmbBeforeAfter->addItems({QStringLiteral("before"), QStringLiteral("after")});
    cmbBeforeAfter->setCurrentIndex(0);
    Before = true;
    lblTemp->setText(InsertStepRules::tempLabel(request.unitSystem));
}

InsertStepAnswer frmInsertStep::ask(Messenger& messenger, const InsertStepRequest& request, QWidget* parent) {
    frmInsertStep dialog(messenger, request, parent);
    dialog.exec();
    return dialog.answer();
}

InsertStepAnswer frmInsertStep::answer() const {
    InsertStepAnswer a;
    a.time = time;
    a.Temp = Temp;
    a.ShearRate = ShearRate;
    a.TempError = TempError;
    a.Before = Before;
    a.CancelInp = CancelInp;
    return a;
}

void frmInsertStep::txtShearrate_LostFocus() {
    if (checking_ || !isVisible()) return;
    if (const auto refusal = InsertStepRules::checkShearRateOnLeave(txtShearrate->text())) {
        checking_ = true;
        messenger_.info(refusal->text, refusal->title);
        checking_ = false;
        txtShearrate->setFocus();
    }
}

void frmInsertStep::cmdOk_Click() {
    const InsertStepRules::Texts texts{txtTime->text(), txtTemp->text(), txtTempError->text(),
                                       txtShearrate->text()};
    if (const auto refusal = InsertStepRules::checkOk(texts, unitSystem_)) {
        checking_ = true;
        messenger_.info(refusal->refusal.text, refusal->refusal.title);
        checking_ = false;
        switch (refusal->field) {
            case InsertStepRules::Field::Time:
                txtTime->setFocus();
                break;
            case InsertStepRules::Field::Temp:
                txtTemp->setFocus();
                break;
            case InsertStepRules::Field::ShearRate:
                txtShearrate->setFocus();
                break;
        }
        return;
    }
    time = vb::Val(texts.time);
    Temp = vb::Val(texts.temp);
    ShearRate = vb::Val(texts.shearRate);
    TempError = vb::Val(texts.tempError);
    CancelInp = false;
    accept();
}

void frmInsertStep::cmdCancel_Click() {
    reject();
}

void frmInsertStep::reject() {
    CancelInp = true;
    QDialog::reject();
}
