#include "link/SerialPortName.h"

#include "common/VbFormat.h"

#include <QFile>
#include <QTextStream>

namespace SerialPortName {

namespace {

QString defaultDevice(int portNumber) {
#ifdef Q_OS_WIN
    return QStringLiteral("COM") + vb::Format(portNumber, QStringLiteral("0"));
#else
    return QStringLiteral("/dev/ttyS") + vb::Format(portNumber - 1, QStringLiteral("0"));
#endif
}

}  // namespace

QString deviceLocation(const QString& name) {
#ifdef Q_OS_WIN
    return name;
#else
    if (name.isEmpty() || name.startsWith(u'/') || name.startsWith(QStringLiteral("./")) ||
        name.startsWith(QStringLiteral("../")))
        return name;
    return QStringLiteral("/dev/") + name;
#endif
}

QString deviceForPort(int portNumber, const QString& listFile) {
    if (portNumber < 1) return {};
    QFile file(listFile);
    if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        QTextStream in(&file);
        int lineNumber = 0;
        while (!in.atEnd()) {
            const QString line = in.readLine().trimmed();
            if (++lineNumber == portNumber) {
                if (!line.isEmpty()) return deviceLocation(line);
                break;
            }
        }
    }
    return defaultDevice(portNumber);
}

}  // namespace SerialPortName
