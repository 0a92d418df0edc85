#include "common/Settings.h"

#include "common/VbFormat.h"

#include <QFileInfo>

Settings::Settings(QString path, QObject* parent) : QObject(parent), path_(std::move(path)) {
    read_.path = QFileInfo(path_).absoluteFilePath();
}

const InitialSettings::ReadResult& Settings::load() {
    read_ = InitialSettings::read(path_);
    const UnitSystem before = unitSystem_;
    unitSystem_ = read_.hasUnitSystem()
                      ? unitSystemFromNumber(read_.settings.systemOfUnits).value_or(UnitSystem::CGS)
                      : UnitSystem::CGS;
    if (unitSystem_ != before) emit unitSystemChanged(unitSystem_);
    return read_;
}

QString Settings::unitSystemProblem() const {
    if (!read_.hasUnitSystem()) return read_.problem();
    if (unitSystemFromNumber(read_.settings.systemOfUnits)) return {};
    return QStringLiteral(
               "The settings file \"%1\" gives %2 as the unit system, which is none of 1 (CGS), "
               "2 (EI) and 3 (SI).")
        .arg(QFileInfo(path_).fileName(), vb::Format(read_.settings.systemOfUnits, QStringLiteral("0")));
}

int Settings::port(int unit) const {
    return hasPort(unit) ? read_.settings.port(unit) : 0;
}

bool Settings::hasPort(int unit) const {
    return unit >= 1 && unit <= InitialSettings::kUnitCount && unit <= read_.numbers.size();
}

void Settings::setUnitSystem(UnitSystem system) {
    if (system == unitSystem_) return;
    unitSystem_ = system;
    emit unitSystemChanged(system);
}

bool Settings::save(const InitialSettings& values, QString* error) {
    if (!values.write(error, path_)) return false;
    read_ = InitialSettings::parse(values.toBytes());
    read_.path = QFileInfo(path_).absoluteFilePath();
    if (const auto system = unitSystemFromNumber(values.systemOfUnits)) setUnitSystem(*system);
    emit saved();
    return true;
}
