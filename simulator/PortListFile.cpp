#include "simulator/PortListFile.h"

#include <QFile>
#include <QStringList>

PortListFile::PortListFile(QString path) : path_(std::move(path)) {
    QFile f(path_);
    existed_ = f.open(QIODevice::ReadOnly);
    if (existed_) original_ = f.readAll();
}

bool PortListFile::write(const std::map<int, QString>& paths) const {
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
    if (!existed_) {
        QFile::remove(path_);
        return;
    }
    QFile f(path_);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(original_);
}
