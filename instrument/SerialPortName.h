#pragma once

#include <QString>

// Which device a port number means. On Windows port n is COMn. Elsewhere it is line n of the optional file
// "serialports.txt" in the working directory (one device path per line, so a stable /dev/serial/by-id/...
// link can keep a unit on its adapter wherever the adapter is plugged in), and without such a line
// /dev/ttyS(n-1).
namespace SerialPortName {

inline const QString kPortListFile = QStringLiteral("serialports.txt");

// The device path of port number n (n >= 1); empty for a number below 1. listFile is read afresh on every
// call; a missing file, a short file or a blank line falls back to the default device.
QString deviceForPort(int portNumber, const QString& listFile = kPortListFile);

}  // namespace SerialPortName
