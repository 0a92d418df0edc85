#include "cli/StreamMessenger.h"

#include <QTextStream>

void StreamMessenger::write(const QString& text, const QString& title) {
    lastText_ = text;
    // Message boxes break lines with CR LF; a terminal wants LF alone.
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    if (!title.isEmpty()) stream_ << title << ": ";
    stream_ << lines << '\n';
    stream_.flush();
}

void StreamMessenger::info(const QString& text, const QString& title, MsgIcon) {
    write(text, title);
}

bool StreamMessenger::okCancel(const QString& text, const QString& title, MsgIcon) {
    write(text, title);
    return true;
}

bool StreamMessenger::yesNo(const QString& text, const QString& title, MsgIcon) {
    write(text, title);
    return true;
}

std::optional<QString> StreamMessenger::inputBox(const QString& prompt, const QString& title,
                                                 const QString&) {
    write(prompt, title);
    return std::nullopt;
}
