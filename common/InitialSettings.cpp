#include "common/InitialSettings.h"

#include "common/PrintableText.h"
#include "common/SettingsFile.h"
#include "common/VbFormat.h"
#include "common/WholeFile.h"

#include <QFileInfo>

namespace {

QString count(int n) {
    return vb::Format(n, QStringLiteral("0"));
}

bool isSeparator(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ',' || c == '\f' || c == '\v';
}

// What item i (0-based) of the file stands for, for the operator.
QString itemMeaning(int index) {
    if (index < InitialSettings::kUnitCount)
        return QStringLiteral("the serial port of unit %1").arg(count(index + 1));
    return QStringLiteral("the unit system");
}

// An item of the file as a message quotes it: printable, on one line, at most kMaxQuotedChars long.
QString quoted(const QByteArray& item) {
    return printable_text::excerpt(QString::fromLocal8Bit(item.left(InitialSettings::kMaxQuotedChars + 1)),
                                   InitialSettings::kMaxQuotedChars);
}

QString missingItems(int numbersRead) {
    if (numbersRead >= InitialSettings::kUnitCount) return QStringLiteral("the unit system is missing");
    if (numbersRead == InitialSettings::kUnitCount - 1)
        return QStringLiteral("the serial port of unit 8 and the unit system are missing");
    return QStringLiteral("the serial ports of units %1 to 8 and the unit system are missing")
        .arg(count(numbersRead + 1));
}

}  // namespace

int InitialSettings::port(int unit) const {
    if (unit < 1 || unit > kUnitCount) return 0;
    return ports[unit - 1];
}

QByteArray InitialSettings::toBytes() const {
    QByteArray bytes;
    auto put = [&bytes](int value) { bytes += (vb::Str(value) + QStringLiteral(" \r\n")).toLatin1(); };
    for (int p : ports) put(p);
    put(systemOfUnits);
    return bytes;
}

bool InitialSettings::write(QString* error, const QString& path) const {
    const QString reason = writeWholeFile(path, toBytes());
    if (error) *error = reason;
    return reason.isEmpty();
}

InitialSettings::ReadResult InitialSettings::parse(const QByteArray& bytes) {
    ReadResult result;
    result.status = ReadStatus::TooFewNumbers;
    qsizetype pos = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;  // an editor's UTF-8 mark
    while (result.numbers.size() < kNumberCount) {
        while (pos < bytes.size() && isSeparator(bytes[pos])) ++pos;
        if (pos >= bytes.size()) break;
        const qsizetype start = pos;
        while (pos < bytes.size() && !isSeparator(bytes[pos])) ++pos;
        const QByteArray item = bytes.mid(start, pos - start);
        bool ok = false;
        const int value = item.toInt(&ok, 10);
        if (!ok) {
            result.status = ReadStatus::NotANumber;
            result.offendingText = quoted(item);
            break;
        }
        const int index = int(result.numbers.size());
        result.numbers.append(value);
        if (index < kUnitCount)
            result.settings.ports[index] = value;
        else
            result.settings.systemOfUnits = value;
    }
    if (result.numbers.size() == kNumberCount) result.status = ReadStatus::Complete;
    return result;
}

InitialSettings::ReadResult InitialSettings::read(const QString& path) {
    const SettingsFile file = SettingsFile::read(path, kMaxFileBytes);
    ReadResult result;
    switch (file.status) {
        case SettingsFile::Status::Read:
            result = parse(file.bytes);
            break;
        case SettingsFile::Status::Missing:
            result.status = ReadStatus::FileMissing;
            break;
        case SettingsFile::Status::Unreadable:
            result.status = ReadStatus::FileUnreadable;
            result.systemReason = file.systemReason;
            break;
        case SettingsFile::Status::TooLarge:
            result.status = ReadStatus::TooLarge;
            break;
    }
    result.path = file.path;
    return result;
}

QString InitialSettings::ReadResult::problem() const {
    const QString fileName = path.isEmpty() ? QString::fromLatin1(kFileName) : QFileInfo(path).fileName();
    const QString name = QStringLiteral("\"%1\"").arg(fileName);
    const int k = int(numbers.size());
    switch (status) {
        case ReadStatus::Complete:
            return {};
        case ReadStatus::FileMissing:
            return QStringLiteral("The settings file %1 was not found (looked for %2).").arg(name, path);
        case ReadStatus::FileUnreadable:
            return QStringLiteral("The settings file %1 could not be read: %2.").arg(path, systemReason);
        case ReadStatus::TooLarge:
            return QStringLiteral(
                       "The file %1 is not a settings file: it holds more than %2 bytes, where the nine "
                       "numbers of the settings take a few hundred. It was not read.")
                .arg(name, count(int(kMaxFileBytes)));
        case ReadStatus::TooFewNumbers:
            if (k == 0)
                return QStringLiteral(
                           "The settings file %1 holds no numbers; it needs nine (the serial ports of units "
                           "1 to 8, then the unit system).")
                    .arg(name);
            return QStringLiteral(
                       "The settings file %1 holds only %2 of its nine numbers (the serial ports of units 1 "
                       "to 8, then the unit system): %3.")
                .arg(name, count(k), missingItems(k));
        case ReadStatus::NotANumber:
            return QStringLiteral(
                       "Item %1 of the settings file %2, \"%3\", is not a whole number; it should be "
                       "%4.")
                .arg(count(k + 1), name, offendingText, itemMeaning(k));
    }
    return {};
}
