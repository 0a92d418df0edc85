#include "simulator/PortListFile.h"

#include "common/SettingsFile.h"

#include <QFile>
#include <QStringList>

PortListFile::PortListFile(QString path) : path_(std::move(path)) {
    const SettingsFile file = SettingsFile::read(path_);
    existed_ = file.status != SettingsFile::Status::Missing;
    if (file.ok())
        original_ = file.bytes;
    else if (existed_)
        problem_ = file.problem();
}

bool PortListFile::write(const std::map<int, QString>& paths) const {
    // What could not be read could not be put back.
    if (!problem_.isEmpty()) return false;
    QStringList lines = QString::fromLocal8Bit(original_).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    for (QString& line : lines)
        if (line.endsWith(u'\r')) line.chop(1);
    for (const auto& [port, path] : paths) {
        if (port < 1) continue;
        while (lines.size() < port) lines.append(QString());
        lines[port - 1] = path;
    }
    QFile f(path_);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    return f.write((lines.join(u'\n') + u'\n').toLocal8Bit()) >= 0;
}

void PortListFile::restore() const {
    if (!problem_.isEmpty()) return;  // never written
    if (!existed_) {
        QFile::remove(path_);
        return;
    }
    QFile f(path_);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(original_);
}
