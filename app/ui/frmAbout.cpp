#include "app/ui/frmAbout.h"

#include "common/Version.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// A rotational rheometer in outline: the heated cup, the rotor in it, the bob on its shaft.
QPixmap rheometerPicture() {
    QPixmap pixmap(96, 112);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 40), 2));
    // Head and shaft.
    p.setBrush(QColor(90, 110, 140));
    p.drawRoundedRect(18, 4, 60, 18, 4, 4);
    p.setBrush(QColor(160, 160, 160));
    p.drawRect(45, 22, 6, 26);
    // Cup, with the fluid in it.
    p.setBrush(QColor(200, 200, 205));
    QPainterPath cup;
    cup.moveTo(14, 40);
    cup.lineTo(14, 100);
    cup.quadTo(14, 108, 22, 108);
    cup.lineTo(74, 108);
    cup.quadTo(82, 108, 82, 100);
    cup.lineTo(82, 40);
    p.drawPath(cup);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(230, 160, 60));
    p.drawRect(17, 58, 62, 47);
    // Rotor and bob.
    p.setPen(QPen(QColor(40, 40, 40), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(30, 46, 36, 52);
    p.setBrush(QColor(120, 120, 125));
    p.drawRect(38, 48, 20, 44);
    return pixmap;
}

}  // namespace

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About"));
    setModal(true);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(rheometerPicture());

    auto* title = new QLabel(QStringLiteral("<b>R7716 HPHT Automatic Rheometer</b>"), this);
    lblVersion = new QLabel(QLatin1String(kVersionCaption) + QLatin1String(r7716::kVersion), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblPromotion = new QLabel(QString::fromLatin1(kPromotion), this);
    lblPromotion->setObjectName(QStringLiteral("lblPromotion"));
    lblPromotion->setWordWrap(true);
    lblPromotion->setTextInteractionFlags(Qt::TextSelectableByMouse);

    Command1 = new QPushButton(QStringLiteral("&OK"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, &frmAbout::Command1_Click);

    auto* texts = new QVBoxLayout;
    texts->addWidget(title);
    texts->addWidget(lblVersion);
    texts->addSpacing(8);
    texts->addWidget(lblPromotion);
    texts->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(Image1, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(texts, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    auto* all = new QVBoxLayout(this);
    all->addLayout(top);
    all->addLayout(buttons);
    setFixedWidth(420);
    setFixedHeight(sizeHint().height());
}

void frmAbout::Command1_Click() {
    accept();
}
