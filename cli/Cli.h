#pragma once

#include "link/UnitPortFactory.h"

#include <QStringList>

class QTextStream;

// r7716-cli: the program's operations without windows, on "R7716.mdb" and "initial.txt" of the current
// working directory. Kept out of main() so that tests run the commands with their own streams.
namespace cli {

// Exit statuses.
inline constexpr int kOk = 0;
inline constexpr int kDatabaseError = 1;  // the database cannot be opened, or a statement failed
inline constexpr int kUnitError = 1;      // status, send-sequence, sequence-body: the unit, its port or the
                                          // sequence failed (no reply, no port, not sent, not stored)
inline constexpr int kNotFound = 2;       // results: no test of that exact name is stored
inline constexpr int kUsage = 64;         // unknown command, missing or extra argument

// Runs one command line (the arguments after the program's name); returns the exit status. Results go to
// out, messages and errors to err. Units are reached through their serial ports.
int run(const QStringList& arguments, QTextStream& out, QTextStream& err);
// As above, with the units' ports made by the given factory (simulated units in the tests).
int run(const QStringList& arguments, QTextStream& out, QTextStream& err, const UnitPortFactory& ports);

// True when the command line draws with the window system (a chart or report into a file), so that main()
// starts a GUI application before running it.
bool needsWindowSystem(const QStringList& arguments);

}  // namespace cli
