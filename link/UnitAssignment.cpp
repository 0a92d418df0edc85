#include "link/UnitAssignment.h"

#include "common/ErrorText.h"
#include "common/VbFormat.h"
#include "link/BobInfo.h"

namespace UnitAssignment {

namespace {

QString noSuchUnit(int unit) {
    return QStringLiteral("There is no unit %1.").arg(vb::Format(unit, QStringLiteral("0")));
}

}  // namespace

QString errorText(const LookupError& error) {
    return numberedErrorText(error.description, error.number);
}

QString unitText(int unit) {
    return QStringLiteral("Unit") + vb::Str(unit);
}

std::optional<int> portOfUnit(int unit, LookupError& error, const InitialSettings::ReadResult& read) {
    if (unit < 1 || unit > InitialSettings::kUnitCount) {
        error = {noSuchUnit(unit), kInputPastEnd};
        return std::nullopt;
    }
    if (unit <= read.numbers.size()) return read.numbers[unit - 1];
    error.description = read.problem();
    switch (read.status) {
        case InitialSettings::ReadStatus::FileMissing:
            error.number = kFileNotFound;
            break;
        case InitialSettings::ReadStatus::FileUnreadable:
            error.number = kFileAccess;
            break;
        case InitialSettings::ReadStatus::NotANumber:
            error.number = kTypeMismatch;
            break;
        default:
            error.number = kInputPastEnd;
            break;
    }
    return std::nullopt;
}

std::optional<QString> bobOfUnit(int unit, LookupError& error, const QString& path) {
    const BobInfo::ReadResult read = BobInfo::read(path);
    if (read.ok() && unit >= 1 && unit <= read.names.size()) return read.names[unit - 1];
    if (read.ok()) {
        error.description = noSuchUnit(unit);
        error.number = BobInfo::kInputPastEnd;
    } else {
        error.description = read.description;
        error.number = read.number;
    }
    return std::nullopt;
}

}  // namespace UnitAssignment
