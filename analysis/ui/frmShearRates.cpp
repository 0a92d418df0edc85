#include "analysis/ui/frmShearRates.h"

#include "analysis/ChosenRates.h"
#include "common/Messenger.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmShearRates::frmShearRates(Messenger& messenger, const std::vector<double>& rates, QWidget* parent)
    : QDialog(parent), messenger_(messenger), rates_(rates) {
    setObjectName(QStringLiteral("frmShearRates"));
    setWindowTitle(QString::fromLatin1(kCaption));
    Label1 =
        new QLabel(QStringLiteral("Shear rates (1/s) besides 40, 100 and 170, separated by commas:"), this);
    txtRates = new QLineEdit(ChosenRates::listText(rates), this);
    txtRates->setObjectName(QStringLiteral("txtRates"));
    txtRates->setPlaceholderText(QStringLiteral("e.g. 511, 1022"));
    cmdOk = new QPushButton(QStringLiteral("OK"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(txtRates);
    layout->addLayout(buttons);
    resize(460, sizeHint().height());

    connect(cmdOk, &QPushButton::clicked, this, &frmShearRates::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmShearRates::cmdOk_Click() {
    const ChosenRates typed = ChosenRates::parseList(txtRates->text());
    if (!typed.problems.isEmpty()) {
        messenger_.info(typed.problems.first(), QString::fromLatin1(kCaption), MsgIcon::Exclamation);
        return;
    }
    if (const QString error = ChosenRates::write(typed.rates); !error.isEmpty()) {
        messenger_.info(QStringLiteral("The shear rates could not be saved to \"%1\": %2")
                            .arg(QString::fromLatin1(ChosenRates::kFileName), error),
                        QString::fromLatin1(kCaption), MsgIcon::Critical);
        return;
    }
    rates_ = typed.rates;
    accept();
}
