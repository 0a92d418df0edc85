#include "link/WireTrace.h"

#include <QDateTime>

Q_LOGGING_CATEGORY(lcWire, "r7716.wire", QtWarningMsg)

namespace wire_trace {

QString printable(const QByteArray& bytes) {
    QString text;
    text.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7f && b != '<')
            text += QLatin1Char(c);
        else
            text += QStringLiteral("<%1>").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    }
    return text;
}

void write(const QString& port, const char* event, const QByteArray& bytes) {
    if (!lcWire().isDebugEnabled()) return;
    const QString when = QDateTime::currentDateTime().toString(Qt::ISODateWithMs);
    if (bytes.isEmpty())
        qCDebug(lcWire).noquote() << when << port << event;
    else
        qCDebug(lcWire).noquote().nospace()
            << when << ' ' << port << ' ' << event << ": " << printable(bytes);
}

}  // namespace wire_trace
