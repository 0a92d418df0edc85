#pragma once

#include <QByteArray>
#include <QLoggingCategory>
#include <QString>

// The wire trace for field support: every byte that a unit's serial port sends and receives, one line per
// write or read with the time and the port, and the port's opening, closing and loss. Off by default;
// QT_LOGGING_RULES="r7716.wire=true" turns it on, and the lines go where Qt's messages go (the program's
// standard error), e.g.
//   r7716.wire: 2026-12-08T22:30:49.123 port 3 (/dev/ttyUSB0) sent: <07><1A>
Q_DECLARE_LOGGING_CATEGORY(lcWire)

namespace wire_trace {

// The bytes as one line of text: printable ASCII as it is, every other byte (and "<" itself) as its two
// hex digits in angle brackets, so that "1,250,...<1A>" shows the status reply's terminator.
QString printable(const QByteArray& bytes);

// Traces one event of a port ("sent", "received", "opened", ...) with its bytes, when the trace is on.
void write(const QString& port, const char* event, const QByteArray& bytes = QByteArray());

}  // namespace wire_trace
