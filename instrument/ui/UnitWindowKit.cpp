#include "instrument/ui/UnitWindowKit.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMdiSubWindow>

namespace unit_window {

QLineEdit* readout(QWidget* parent, int width_chars) {
    auto* box = new QLineEdit(parent);
    box->setReadOnly(true);
    box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    box->setFocusPolicy(Qt::NoFocus);
    const int width = box->fontMetrics().horizontalAdvance(QString(width_chars, QLatin1Char('0'))) + 16;
    box->setMinimumWidth(width);
    box->setMaximumWidth(width * 2);
    return box;
}

void show(QLineEdit* box, const QString& text) {
    if (box && box->text() != text) box->setText(text);
}

void closeWindow(QWidget* window) {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget()))
        sub->close();
    else
        window->close();
}

}  // namespace unit_window

UnitStatusBar::UnitStatusBar(QWidget* parent) : QStatusBar(parent) {
    setSizeGripEnabled(false);
    for (int i = 0; i < 4; ++i) {
        panels_[i] = new QLabel(this);
        panels_[i]->setFrameShape(QFrame::StyledPanel);
        panels_[i]->setFrameShadow(QFrame::Sunken);
        panels_[i]->setMinimumWidth(40);
        panels_[i]->installEventFilter(this);
        addWidget(panels_[i], kStretch[i]);
    }
    // The time panels always have room for their whole text.
    const int timeWidth =
        panels_[0]->fontMetrics().horizontalAdvance(QStringLiteral("Elapsed Time: 00:00:00")) + 12;
    panels_[0]->setMinimumWidth(timeWidth);
    panels_[2]->setMinimumWidth(timeWidth);
    panels_[3]->setMinimumWidth(
        panels_[3]->fontMetrics().horizontalAdvance(QStringLiteral("Sequence Send Success.")) + 12);
    panels_[0]->setObjectName(kStartTimeKey);
    panels_[2]->setObjectName(kElapsedTimeKey);
}

QLabel* UnitStatusBar::panel(int index) const {
    if (index < 1 || index > 4) return nullptr;
    return panels_[index - 1];
}

QLabel* UnitStatusBar::panel(const QString& key) const {
    if (key == kStartTimeKey) return panels_[0];
    if (key == kElapsedTimeKey) return panels_[2];
    return nullptr;
}

void UnitStatusBar::setPanelText(int index, const QString& text) {
    QLabel* p = panel(index);
    if (!p || p->text() == text) return;
    p->setText(text);
    p->setToolTip(text);  // the whole text, when a narrow window cuts it short
}

void UnitStatusBar::setPanelAlarm(int index, bool alarm) {
    QLabel* p = panel(index);
    if (!p || alarms_[index - 1] == alarm) return;
    alarms_[index - 1] = alarm;
    p->setStyleSheet(alarm
                         ? QStringLiteral("QLabel { background: #b00000; color: white; font-weight: bold; }")
                         : QString());
    p->setCursor(alarm ? Qt::PointingHandCursor : Qt::ArrowCursor);
    // A marked panel takes most of the bar, so that its reason can be read, not only its first words.
    removeWidget(p);
    insertWidget(index - 1, p, alarm ? kAlarmStretch : kStretch[index - 1]);
    p->show();
}

bool UnitStatusBar::panelAlarm(int index) const {
    return panel(index) && alarms_[index - 1];
}

bool UnitStatusBar::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease)
        for (int i = 0; i < 4; ++i)
            if (watched == panels_[i]) emit panelClicked(i + 1);
    return QStatusBar::eventFilter(watched, event);
}
