#pragma once

#include "common/InitialSettings.h"
#include "link/UnitAssignment.h"

#include <QString>

#include <array>
#include <optional>

// The rules of the multi-unit host window frmMDIRealTime that need no window: which units may be added, the
// captions of the unit windows, which unit a window is, and the port and bob of a unit as the add handlers
// take them from the settings ("initial.txt") and "BOBINFO.TXT".
namespace RealTimeHost {

constexpr int kUnitCount = InitialSettings::kUnitCount;

inline const QString kCaption = QStringLiteral("R7716 Real Time Test & Monitoring");
inline const QString kFormLoadErrorTitle = QStringLiteral("Form_Load Error");
// A port object that cannot be made at all: the program cannot go on.
constexpr int kCreateObjectErrorNumber = 429;
inline const QString kCreateObjectErrorTitle = QStringLiteral(" CreateObject Error");
using UnitAssignment::kCreateObjectErrorText;

// Numbers of the failures of reading "initial.txt" when a unit is added.
using UnitAssignment::kFileAccess;
using UnitAssignment::kFileNotFound;
using UnitAssignment::kInputPastEnd;
using UnitAssignment::kTypeMismatch;

// A failure of an add handler, as "Form_Load Error" shows it.
using AddError = UnitAssignment::LookupError;

// "<description> - <number>"; "Unit" followed by the number written with its sign blank: "Unit 1".
using UnitAssignment::errorText;
using UnitAssignment::unitText;
// What the diagnostic log says of a unit whose port did not open ("Port 3 could not be opened: /dev/ttyS2:
// No such file or directory - 8002"), and of a port object that could not be made at all.
QString portOpenFailureText(int portNumber, const AddError& error);
QString portObjectFailureText(int portNumber, const QString& reason);
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

// The port and the bob of a unit, as the add handlers take them.
using UnitAssignment::bobOfUnit;
using UnitAssignment::portOfUnit;

}  // namespace RealTimeHost
