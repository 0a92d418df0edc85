#include "app/ui/TrayNotifier.h"

#include <QApplication>
#include <QStyle>

TrayNotifier::TrayNotifier() : available_(QSystemTrayIcon::isSystemTrayAvailable()) {
    icon_.setIcon(QApplication::windowIcon().isNull()
                      ? QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation)
                      : QApplication::windowIcon());
    icon_.setToolTip(QStringLiteral("R7716 HPHT Automatic Rheometer"));
    if (available_) icon_.show();
}

bool TrayNotifier::show(const QString& title, const QString& text) {
    if (!available_) return false;
    QMetaObject::invokeMethod(
        &icon_, [this, title, text] { icon_.showMessage(title, text, QSystemTrayIcon::Information); },
        Qt::QueuedConnection);
    return true;
}
