#pragma once

#include "link/BobInfo.h"

#include <QString>

// The calibration's rewrite of "BOBINFO.TXT": the calibrated unit's line gets the calibration bob, the
// other seven are copied, and the file is written as eight plain lines ending CR LF. The new file replaces
// the old one only when written whole, so a failed write leaves the old file as it was.
namespace BobFile {

// The default bob of a unit whose line has never been written.
inline const QString kDefaultBob = QStringLiteral("B5");

struct Outcome {
    bool ok = false;
    QString problem;  // why the file was not written, in words; empty when ok
};

// A missing file is created, with kDefaultBob for the other units; a file that cannot be read or holds
// fewer than eight names is left alone (it may hold what an operator wants kept).
Outcome setUnitBob(int unit, const QString& bob, const QString& path = BobInfo::kFileName);

}  // namespace BobFile
