#pragma once

#include "analysis/RampFit.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QString>

#include <span>

// The Halliburton file: every reading of the open test in fixed columns, read by another company's
// system. Named after the test, in the working directory.
namespace reports {

// The data line of one reading. testStart: TEST_TIME of the test; shearRateFactor: 1/s per rpm of the
// rotor for the test's bob (0 when unknown: the RPM1 field is then left blank).
QString HalliburtonLine(const Reading& reading, const QDateTime& testStart, double shearRateFactor);

// The whole file: header and one line per reading, each ending in carriage return and line feed.
QByteArray HalliburtonBytes(const QDateTime& testStart, double shearRateFactor,
                            std::span<const Reading> readings);

// The file's name for a test: the test name and ".txt". A name that cannot be a file name as it stands
// is made safe (SafeFileName) and gets "~" and eight hex digits computed from the whole test name before
// ".txt" ("..": "_~5ec1f7e7.txt"), so the file always lands in the working directory itself and two tests
// never share a file. A name that needed no change keeps its own file name.
struct HalliburtonName {
    QString fileName;
    bool changed = false;  // the file name is not the test name as it stands
};
HalliburtonName HalliburtonFileName(const QString& testName);

struct HalliburtonOutcome {
    QString path;  // the file written (absolute)
    bool nameChanged = false;
    QString error;  // the failure's description; empty when the file was written
};

// Writes (or overwrites) the file of the test in `directory`: whole or not at all, and a symbolic link of
// that name is replaced by the file, never followed.
HalliburtonOutcome WriteHalliburtonFile(const QDir& directory, const QString& testName,
                                        const QDateTime& testStart, double shearRateFactor,
                                        std::span<const Reading> readings);

}  // namespace reports
