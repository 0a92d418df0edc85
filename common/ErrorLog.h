#pragma once

#include <QDateTime>
#include <QString>

class Messenger;

// The error log "TavikErr.log" in the working directory: one line per test that a unit window stopped or
// refused while nobody may have been watching. Written only, never read back.
inline constexpr const char* kErrorLogFileName = "TavikErr.log";

// The line as written, without its CR LF: "Time: ", the general date, blanks to the next 14-column print
// zone, "Cause: " and the cause.
QString ErrorLogLine(const QDateTime& when, const QString& cause);

// Appends one line stamped with the current time, creating the file when missing. A log that cannot be
// written must not stop the unit window that logs: the failure is shown to the operator, with the entry
// that was lost, and false is returned. Never throws.
bool LogError(const QString& cause, Messenger& messenger);
bool LogError(const QString& cause, Messenger& messenger, const QDateTime& when);
