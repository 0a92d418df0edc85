#pragma once

#include "common/InitialSettings.h"
#include "common/UnitSystem.h"

#include <QObject>
#include <QString>

// The installation's hardware settings for one run of a program: built once at start-up next to the
// connection and handed to whoever needs the units' ports or the unit system. It reads "initial.txt"
// once (load), writes it (save) and announces every change, so no window reads the file again on its own.
class Settings : public QObject {
    Q_OBJECT

  public:
    explicit Settings(QString path = QString::fromLatin1(InitialSettings::kFileName),
                      QObject* parent = nullptr);

    // Reads the file. Called once at start-up; what was read stays until save() or setUnitSystem().
    const InitialSettings::ReadResult& load();

    // The file as last read or written.
    const InitialSettings::ReadResult& lastRead() const { return read_; }
    QString path() const { return path_; }

    // The unit system in force: the file's, CGS when it gives none valid, or what setUnitSystem chose.
    UnitSystem unitSystem() const { return unitSystem_; }
    // One sentence saying why the unit system fell back to CGS at load; empty when the file gave a valid one.
    QString unitSystemProblem() const;

    // Port of unit 1 to 8 as the file gives it (0 none); 0 for a unit outside 1..8 or beyond what was read.
    int port(int unit) const;
    // True when the file gave unit's port (the file may end early).
    bool hasPort(int unit) const;

    // Changes the unit system for the rest of the run without writing the file (the setup window's
    // option applies at once; its Save writes it).
    void setUnitSystem(UnitSystem system);

    // Writes the file and adopts what it holds. The old file stays untouched when the new one cannot be
    // written whole; then false, with the system's reason in error when given.
    bool save(const InitialSettings& values, QString* error = nullptr);

  signals:
    // The unit system in force changed.
    void unitSystemChanged(UnitSystem system);
    // The settings were written anew (ports or unit system).
    void saved();

  private:
    QString path_;
    InitialSettings::ReadResult read_;
    UnitSystem unitSystem_ = UnitSystem::CGS;
};
