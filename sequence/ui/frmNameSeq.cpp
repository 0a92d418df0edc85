#include "sequence/ui/frmNameSeq.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

frmNameSeq::frmNameSeq(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Naming the Test"));
    lblHeading = new QLabel(QStringLiteral("Please select available test sequence name:"), this);
    lstSeqName = new QListWidget(this);
    cmdOk = new QPushButton(QStringLiteral("&OK"), this);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdOk->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblHeading);
    layout->addWidget(lstSeqName);
    layout->addLayout(buttons);

    connect(cmdOk, &QPushButton::clicked, this, &frmNameSeq::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmNameSeq::cmdCancel_Click);
}

void frmNameSeq::fillNames(const QStringList& names) {
    lstSeqName->clear();
    lstSeqName->addItems(names);
    if (lstSeqName->count() > 0) lstSeqName->setCurrentRow(0);
}

QString frmNameSeq::selectedName() const {
    const QListWidgetItem* item = lstSeqName->currentItem();
    return item ? item->text() : QString();
}

void frmNameSeq::cmdOk_Click() {
    emit SelectedTestName();
}

void frmNameSeq::cmdCancel_Click() {
    hide();
}
