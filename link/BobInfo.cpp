#include "link/BobInfo.h"

#include "common/SettingsFile.h"
#include "common/VbFormat.h"

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isLineEnd(char c) {
    return c == '\r' || c == '\n';
}

// Moves past one line end (CR LF, LF or CR) at pos, if there is one.
qsizetype skipLineEnd(const QByteArray& bytes, qsizetype pos) {
    if (pos < bytes.size() && bytes[pos] == '\r') ++pos;
    if (pos < bytes.size() && bytes[pos] == '\n') ++pos;
    return pos;
}

}  // namespace

QStringList BobInfo::items(const QByteArray& bytes, int count) {
    QStringList out;
    qsizetype pos = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;  // an editor's UTF-8 mark
    while (out.size() < count && pos < bytes.size()) {
        while (pos < bytes.size() && isBlank(bytes[pos])) ++pos;
        QByteArray item;
        if (pos < bytes.size() && bytes[pos] == '"') {
            ++pos;
            const qsizetype start = pos;
            while (pos < bytes.size() && bytes[pos] != '"' && !isLineEnd(bytes[pos])) ++pos;
            item = bytes.mid(start, pos - start);
            if (pos < bytes.size() && bytes[pos] == '"') ++pos;
            // Whatever follows the closing quote up to the separator is not part of any item.
            while (pos < bytes.size() && bytes[pos] != ',' && !isLineEnd(bytes[pos])) ++pos;
        } else {
            const qsizetype start = pos;
            while (pos < bytes.size() && bytes[pos] != ',' && !isLineEnd(bytes[pos])) ++pos;
            item = bytes.mid(start, pos - start);
            while (!item.isEmpty() && isBlank(item.back())) item.chop(1);
        }
        if (pos < bytes.size() && bytes[pos] == ',')
            ++pos;
        else
            pos = skipLineEnd(bytes, pos);
        out.append(QString::fromLatin1(item));
    }
    return out;
}

BobInfo::ReadResult BobInfo::read(const QString& path) {
    ReadResult result;
    const SettingsFile file = SettingsFile::read(path);
    const QString& where = file.path;
    switch (file.status) {
        case SettingsFile::Status::Read:
            break;
        case SettingsFile::Status::Missing:
            result.description = QStringLiteral("File not found: %1").arg(where);
            result.number = kFileNotFound;
            return result;
        case SettingsFile::Status::Unreadable:
            result.description =
                QStringLiteral("Path/File access error: %1 (%2)").arg(where, file.systemReason);
            result.number = kFileAccess;
            return result;
        case SettingsFile::Status::TooLarge:
            result.description = QStringLiteral("Path/File access error: ") + file.problem();
            result.number = kFileAccess;
            return result;
    }
    result.names = items(file.bytes, kUnitCount);
    if (result.names.size() < kUnitCount) {
        result.description = QStringLiteral("Input past end of file: %1 holds %2 of the %3 bob names")
                                 .arg(where, vb::Format(result.names.size(), QStringLiteral("0")),
                                      vb::Format(kUnitCount, QStringLiteral("0")));
        result.number = kInputPastEnd;
    }
    return result;
}
