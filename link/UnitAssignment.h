#pragma once

#include "common/InitialSettings.h"

#include <QString>

#include <optional>

// Which serial port and which bob a unit has, as everything that opens a unit's port takes them: line n of
// "initial.txt" and line n of "BOBINFO.TXT". A failure comes with the number the host window's
// "Form_Load Error" shows.
namespace UnitAssignment {

// Numbers of the failures of reading "initial.txt".
constexpr int kFileNotFound = 53;
constexpr int kInputPastEnd = 62;
constexpr int kFileAccess = 75;
constexpr int kTypeMismatch = 13;

struct LookupError {
    QString description;
    int number = 0;
};

// A port object that cannot be made at all.
inline const QString kCreateObjectErrorText =
    QStringLiteral("Problem starting this unit, please check server or see system administrator.");

// "<description> - <number>".
QString errorText(const LookupError& error);
// "Unit" followed by the number written with its sign blank: "Unit 1".
QString unitText(int unit);

// Line n of "initial.txt": the port of unit n; the file need hold only as many numbers. Nothing, and the
// failure in error, when it could not be read that far.
std::optional<int> portOfUnit(int unit, LookupError& error, const InitialSettings::ReadResult& read);
// Line n of "BOBINFO.TXT": the bob of unit n. The file must hold all eight names.
std::optional<QString> bobOfUnit(int unit, LookupError& error,
                                 const QString& path = QStringLiteral("BOBINFO.TXT"));

}  // namespace UnitAssignment
