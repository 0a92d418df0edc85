#include "link/BobFile.h"

#include "common/VbFormat.h"
#include "common/WholeFile.h"

#include <QFileInfo>

namespace BobFile {

Outcome setUnitBob(int unit, const QString& bob, const QString& path) {
    Outcome outcome;
    if (unit < 1 || unit > BobInfo::kUnitCount) {
        outcome.problem = QStringLiteral("there is no unit %1 in \"%2\"")
                              .arg(vb::Format(unit, QStringLiteral("0")), BobInfo::kFileName);
        return outcome;
    }
    BobInfo::ReadResult read = BobInfo::read(path);
    if (read.number == BobInfo::kFileNotFound) {
        read.names = QStringList(BobInfo::kUnitCount, kDefaultBob);
    } else if (!read.ok()) {
        outcome.problem = read.description;
        return outcome;
    }
    read.names[unit - 1] = bob;

    QByteArray bytes;
    for (const QString& name : read.names) bytes.append(name.toLatin1() + "\r\n");
    // Written without asking in the working directory: a link of that name is replaced, never followed.
    if (const QString failure = writeWholeFile(path, bytes, WholeFileWriter::Links::Replace);
        !failure.isEmpty()) {
        outcome.problem =
            QStringLiteral("%1 cannot be written (%2)").arg(QFileInfo(path).absoluteFilePath(), failure);
        return outcome;
    }
    outcome.ok = true;
    return outcome;
}

}  // namespace BobFile
