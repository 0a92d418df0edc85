#pragma once

#include "instrument/UnitPort.h"

#include <QByteArray>
#include <QString>

#include <functional>

// The sequence download exchange of a sequence-test window ("Send Sequence to R7716"): announce, body, a
// fixed blocking wait, then one read that must end in "x". The window stops its timer around it and shows
// the result text in its status bar.
namespace SequenceDownload {

constexpr double kWait_s = 6.0;

inline const QString kNoSequenceText = QStringLiteral("Please select a valid sequence first.");
inline const QString kSuccessText = QStringLiteral("Sequence Send Success.");
inline const QString kErrorText = QStringLiteral("Sequence Send Error. Please resend.");

// The unit's answer to a sequence body: any text whose last character is "x"; nothing, or anything else,
// is a failed download.
bool isAcknowledged(const QByteArray& reply);

// The blocking wait after the body. The program waits on the port itself; tests advance a simulated unit.
using Wait = std::function<void(UnitPort& port, double seconds)>;
void portDelay(UnitPort& port, double seconds);

// Sends the announce and the body, waits kWait_s, reads everything and checks it. A port failure on the
// way counts as a failed download (false); nothing is thrown.
bool send(UnitPort& port, const QByteArray& body, const Wait& wait = portDelay);

// The status-bar text for the outcome.
inline const QString& resultText(bool acknowledged) {
    return acknowledged ? kSuccessText : kErrorText;
}

}  // namespace SequenceDownload
