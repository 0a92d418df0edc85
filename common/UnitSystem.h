#pragma once

#include <QString>

#include <optional>

// The program-wide system of units in which values are shown. Stored values are always degF, psi, 1/s,
// dyn/cm2, seconds and dyn*s^n'/cm2; only the display converts. The numbers are those of line 9 of
// "initial.txt".
enum class UnitSystem { CGS = 1, EI = 2, SI = 3 };

// The unit system a number of the settings file stands for; nothing for any other number.
constexpr std::optional<UnitSystem> unitSystemFromNumber(int number) {
    switch (number) {
        case 1:
            return UnitSystem::CGS;
        case 2:
            return UnitSystem::EI;
        case 3:
            return UnitSystem::SI;
        default:
            return std::nullopt;
    }
}

constexpr int numberOfUnitSystem(UnitSystem system) {
    return static_cast<int>(system);
}

// Temperatures under SI: shown in degC, typed in degC and stored in degF.
constexpr double CelsiusFromFahrenheit(double temp_F) {
    return (temp_F - 32.0) / 1.8;
}
constexpr double FahrenheitFromCelsius(double temp_C) {
    return temp_C * 9.0 / 5.0 + 32.0;
}

// The unit system as command lines, settings files and web addresses name it: "cgs", "ei", "si" (any letter
// case); nothing for any other name.
inline std::optional<UnitSystem> unitSystemFromName(const QString& name) {
    const QString lower = name.toLower();
    if (lower == QLatin1String("cgs")) return UnitSystem::CGS;
    if (lower == QLatin1String("ei")) return UnitSystem::EI;
    if (lower == QLatin1String("si")) return UnitSystem::SI;
    return std::nullopt;
}

inline QString unitSystemName(UnitSystem system) {
    switch (system) {
        case UnitSystem::CGS:
            return QStringLiteral("cgs");
        case UnitSystem::EI:
            return QStringLiteral("ei");
        case UnitSystem::SI:
            return QStringLiteral("si");
    }
    return QStringLiteral("cgs");
}
