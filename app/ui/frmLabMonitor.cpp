#include "app/ui/frmLabMonitor.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmLabMonitor::frmLabMonitor(const monitor::ServeInstructions& instructions, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(kCaption);
    txtInstructions = new QPlainTextEdit(instructions.text(), this);
    txtInstructions->setReadOnly(true);
    txtInstructions->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    txtInstructions->setLineWrapMode(QPlainTextEdit::NoWrap);
    cmdCopy = new QPushButton(QStringLiteral("&Copy"), this);
    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    cmdClose->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdCopy);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtInstructions);
    layout->addLayout(buttons);
    connect(cmdCopy, &QPushButton::clicked, this, &frmLabMonitor::cmdCopy_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
    resize(1100, 320);
}

void frmLabMonitor::cmdCopy_Click() {
    QGuiApplication::clipboard()->setText(txtInstructions->toPlainText());
}
