#include "instrument/RealTimeHost.h"

#include "common/UnitSystem.h"
#include "common/VbFormat.h"
#include "instrument/BobInfo.h"

namespace RealTimeHost {

QString errorText(const AddError& error) {
    return error.description + QStringLiteral(" - ") + vb::Format(error.number, QStringLiteral("0"));
}

QString unitText(int unit) {
    return QStringLiteral("Unit") + vb::Str(unit);
}

QString realTimeCaption(int unit) {
    return unitText(unit) + QStringLiteral(" Real Time Test");
}

QString simpleTestCaption(int unit) {
    return unitText(unit) + QStringLiteral("  Simple Test");
}

int unitFromInstName(const QString& caption) {
    for (int unit = 1; unit <= kUnitCount; ++unit)
        if (caption == unitText(unit)) return unit;
    return 0;
}

Availability readAvailability(const InitialSettings::ReadResult& read) {
    Availability a;
    for (int i = 0; i < kUnitCount && i < read.numbers.size(); ++i) a.unitEnabled[i] = read.numbers[i] != 0;
    a.problem = read.problem();
    if (a.problem.isEmpty() && !unitSystemFromNumber(read.settings.systemOfUnits))
        a.problem =
            QStringLiteral("The settings file \"%1\" gives %2 as the unit system; it should be 1, 2 or 3.")
                .arg(QString::fromLatin1(InitialSettings::kFileName),
                     vb::Format(read.settings.systemOfUnits, QStringLiteral("0")));
    return a;
}

std::optional<int> portOfUnit(int unit, AddError& error, const InitialSettings::ReadResult& read) {
    if (unit < 1 || unit > kUnitCount) {
        error = {QStringLiteral("There is no unit %1.").arg(vb::Format(unit, QStringLiteral("0"))),
                 kInputPastEnd};
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

std::optional<QString> bobOfUnit(int unit, AddError& error, const QString& path) {
    const BobInfo::ReadResult read = BobInfo::read(path);
    if (read.ok() && unit >= 1 && unit <= read.names.size()) return read.names[unit - 1];
    if (read.ok()) {
        error.description = QStringLiteral("There is no unit %1.").arg(vb::Format(unit, QStringLiteral("0")));
        error.number = BobInfo::kInputPastEnd;
    } else {
        error.description = read.description;
        error.number = read.number;
    }
    return std::nullopt;
}

}  // namespace RealTimeHost
