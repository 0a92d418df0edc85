#pragma once

#include <QString>

// Which device a port number means. On Windows port n is COMn. Elsewhere it is line n of the optional file
// "serialports.txt" in the working directory (one device path per line, so a stable /dev/serial/by-id/...
// link can keep a unit on its adapter wherever the adapter is plugged in), and without such a line
// /dev/ttyS(n-1).
namespace SerialPortName {

inline const QString kPortListFile = QStringLiteral("serialports.txt");

// The device path of port number n (n >= 1); empty for a number below 1. listFile is read afresh on every
// call; a missing file, a short file or a blank line falls back to the default device. A line may name a
// device briefly ("ttyUSB0"); it is given as its path (deviceLocation). A file that cannot be read (or is
// larger than a settings file can be) gives no device: empty, with the reason in problem when given.
QString deviceForPort(int portNumber, const QString& listFile = kPortListFile, QString* problem = nullptr);

// Where a device named in a list or by the operator is: outside Windows a bare name such as "ttyS0" or
// "serial/by-id/usb-unit2" lies under /dev (as the serial port service itself resolves it); a path from
// the root or from the working directory ("./", "../") stays as it is. The one rule for opening a device and
// for checking that it is (still) there.
QString deviceLocation(const QString& name);

}  // namespace SerialPortName
