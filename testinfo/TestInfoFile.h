#pragma once

#include "testinfo/TestInfoInput.h"

#include <QString>

#include <optional>

// The test information of a test started without windows, from a text file of KEY=value lines:
//
//   FLUID_ID=Borate gel 35
//   BOB_NO=XB1
//   ADDITIVE=Guar|35| lb/Mgal|L-2231
//
// Keys: FLUID_ID, RESEARCHER_NAME, ROTOR_NO, BOB_NO, BOB_RADIUS, BOB_EFF_LENGTH, PRETEST_PH, POSTTEST_PH,
// SAFETY, each at most once, and up to 20 ADDITIVE=name|concentration|unit|lot lines in order. The value
// is everything after the first "=", blanks included; numbers must be numbers (blanks around them are
// allowed; an empty concentration is 0). Empty lines are skipped. A key not given keeps the dialog's
// initial text; BOB_NO brings its radius and length from the bob table as the dialog's lookup does, and
// BOB_RADIUS / BOB_EFF_LENGTH, when given, win over it whatever the line order.
namespace testinfo_file {

struct Result {
    std::optional<TestInfoInput> input;
    QString error;  // one line, naming the file and line, when input is empty
};

// testName: the new test's name (from the command line; checked by whoever stores the test).
// presetBob: the bob preset as a unit window presets the dialog (the unit's line of "BOBINFO.TXT"); nothing
// keeps the dialog's default B5. source: the file's name as messages show it.
Result parse(const QString& text, const QString& testName, const std::optional<QString>& presetBob,
             const QString& source);
// Reads the file (UTF-8) and parses it.
Result read(const QString& path, const QString& testName, const std::optional<QString>& presetBob);

}  // namespace testinfo_file
