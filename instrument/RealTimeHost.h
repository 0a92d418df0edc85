#pragma once

#include "common/InitialSettings.h"

#include <QString>

#include <array>
#include <optional>

// The rules of the multi-unit host window frmMDIRealTime that need no window: which units may be added, the
// captions of the unit windows, which unit a window is, and the port and bob of a unit as the add handlers
// take them from the settings ("initial.txt") and "BOBINFO.TXT".
namespace RealTimeHost {

constexpr int kUnitCount = 8;

inline const QString kCaption = QStringLiteral("R7716 Real Time Test & Monitoring");
inline const QString kFormLoadErrorTitle = QStringLiteral("Form_Load Error");
// A port object that cannot be made at all: the program cannot go on.
constexpr int kCreateObjectErrorNumber = 429;
inline const QString kCreateObjectErrorTitle = QStringLiteral(" CreateObject Error");
inline const QString kCreateObjectErrorText =
    QStringLiteral("Problem starting this unit, please check server or see system administrator.");

// Numbers of the failures of reading "initial.txt" when a unit is added.
constexpr int kFileNotFound = 53;
constexpr int kInputPastEnd = 62;
constexpr int kFileAccess = 75;
constexpr int kTypeMismatch = 13;

// A failure of an add handler, as "Form_Load Error" shows it.
struct AddError {
    QString description;
    int number = 0;
};

// "<description> - <number>".
QString errorText(const AddError& error);

// "Unit" followed by the number written with its sign blank: "Unit 1".
QString unitText(int unit);
// "Unit 1 Real Time Test".
QString realTimeCaption(int unit);
// "Unit 1  Simple Test".
QString simpleTestCaption(int unit);
// The unit a window is, from its lblInstName caption ("Unit 1" ... "Unit 8"); 0 for any other text.
int unitFromInstName(const QString& caption);

// What the host learns from the settings when it opens.
struct Availability {
    std::array<bool, kUnitCount> unitEnabled{};  // unit n's two add items; false for a 0 line
    QString problem;                             // empty when the file was read whole
};
Availability readAvailability(const InitialSettings::ReadResult& read);

// Line n of "initial.txt": the port of unit n; the file need hold only as many numbers. Nothing, and the
// failure in error, when it could not be read that far.
std::optional<int> portOfUnit(int unit, AddError& error, const InitialSettings::ReadResult& read);
// Line n of "BOBINFO.TXT": the bob of unit n. The file must hold all eight names.
std::optional<QString> bobOfUnit(int unit, AddError& error,
                                 const QString& path = QStringLiteral("BOBINFO.TXT"));

}  // namespace RealTimeHost
