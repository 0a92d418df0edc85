#include "link/SerialPortName.h"

#include "common/SettingsFile.h"
#include "common/VbFormat.h"

#include <QStringList>

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

QString deviceForPort(int portNumber, const QString& listFile, QString* problem) {
    if (portNumber < 1) return {};
    const SettingsFile file = SettingsFile::read(listFile);
    if (file.status == SettingsFile::Status::Unreadable || file.status == SettingsFile::Status::TooLarge) {
        // A list that cannot be read must not send a unit to another device than the one it names.
        if (problem) *problem = file.problem();
        return {};
    }
    const QStringList lines = QString::fromUtf8(file.bytes).split(u'\n');
    if (portNumber <= lines.size()) {
        const QString line = lines[portNumber - 1].trimmed();
        if (!line.isEmpty()) return deviceLocation(line);
    }
    return defaultDevice(portNumber);
}

}  // namespace SerialPortName
