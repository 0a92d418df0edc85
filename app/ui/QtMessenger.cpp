#include "app/ui/QtMessenger.h"

#include <QApplication>
#include <QInputDialog>

namespace {

int ask(const QString& text, const QString& title, MsgIcon icon, QMessageBox::StandardButtons buttons,
        QMessageBox::StandardButton defaultButton) {
    QMessageBox box(QtMessenger::toQtIcon(icon), QtMessenger::titleOrDefault(title), text, buttons,
                    QApplication::activeWindow());
    box.setDefaultButton(defaultButton);
    return box.exec();
}

}  // namespace

QMessageBox::Icon QtMessenger::toQtIcon(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::None:
            return QMessageBox::NoIcon;
        case MsgIcon::Information:
            return QMessageBox::Information;
        case MsgIcon::Exclamation:
            return QMessageBox::Warning;
        case MsgIcon::Critical:
            return QMessageBox::Critical;
        case MsgIcon::Question:
            return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QString QtMessenger::titleOrDefault(const QString& title) {
    return title.isEmpty() ? QString::fromLatin1(kDefaultTitle) : title;
}

void QtMessenger::info(const QString& text, const QString& title, MsgIcon icon) {
    ask(text, title, icon, QMessageBox::Ok, QMessageBox::Ok);
}

bool QtMessenger::okCancel(const QString& text, const QString& title, MsgIcon icon) {
    return ask(text, title, icon, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok) == QMessageBox::Ok;
}

bool QtMessenger::yesNo(const QString& text, const QString& title, MsgIcon icon) {
    return ask(text, title, icon, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
}

std::optional<QString> QtMessenger::inputBox(const QString& prompt, const QString& title,
                                             const QString& defaultText) {
    bool ok = false;
    const QString text = QInputDialog::getText(QApplication::activeWindow(), titleOrDefault(title), prompt,
                                               QLineEdit::Normal, defaultText, &ok);
    if (!ok) return std::nullopt;
    return text;
}
