#pragma once

#include <QString>

// "<description> - <number>": how a failure with a number is shown wherever the program names one (the
// host's "Form_Load Error", a unit window's status bar, the command line).
QString numberedErrorText(const QString& description, int number);
