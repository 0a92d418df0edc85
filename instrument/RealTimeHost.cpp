#include "instrument/RealTimeHost.h"

#include "common/UnitSystem.h"
#include "common/VbFormat.h"

namespace RealTimeHost {

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

QString portOpenFailureText(int portNumber, const AddError& error) {
    return QStringLiteral("Port %1 could not be opened: %2")
        .arg(vb::Format(portNumber, QStringLiteral("0")), errorText(error));
}

QString portObjectFailureText(int portNumber, const QString& reason) {
    return QStringLiteral("No port object could be made for port %1%2")
        .arg(vb::Format(portNumber, QStringLiteral("0")),
             reason.isEmpty() ? QString() : QStringLiteral(": ") + reason);
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

}  // namespace RealTimeHost
