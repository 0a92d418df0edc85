#pragma once

#include "cli/Cli.h"
#include "cli/CommandTable.h"

#include "common/UnitSystem.h"
#include "link/UnitPort.h"
#include "store/Reading.h"

#include <QString>

#include <memory>
#include <optional>

class Notifier;
class clsConnection;
struct OpenedTest;

// The functions behind r7716-cli's command table, and what several of them share.
namespace cli {

// Stored tests (StoredTestCommands.cpp).
int tests(const Invocation& call);
int results(const Invocation& call);
int initDemo(const Invocation& call);

// results with --model, --rates or --kpipe (ModelResults.cpp): the extended results' tables.
bool wantsModelResults(const Invocation& call);
int modelResults(const Invocation& call, const OpenedTest& test, UnitSystem unitSystem);

// Instrument units (InstrumentCommands.cpp).
int status(const Invocation& call);
int sendSequence(const Invocation& call);
int sequenceBody(const Invocation& call);
int retrieve(const Invocation& call);
// The port of the command's unit, opened; nothing (after a message) when "initial.txt" gives none or it
// cannot be opened.
std::unique_ptr<UnitPort> openUnitPort(const Invocation& call);

// A test run on a unit (RunCommand.cpp).
extern const char* const kRunHelp;
int runTest(const Invocation& call);
extern const char* const kResumeHelp;
int resumeRun(const Invocation& call);

// The run journal (JournalCommands.cpp).
extern const char* const kRunsHelp;
extern const char* const kEndRunHelp;
int runs(const Invocation& call);
int endRun(const Invocation& call);
// Why the test's run can be neither ended nor resumed now: a program records it (its message); nothing
// when none does.
std::optional<QString> recordedNow(clsConnection& database, const QString& testName);
// A stored reading as run prints it: its nine columns, tab-separated.
QString readingLine(const Reading& reading);

// Notifications (NotifyCommands.cpp): notify-test, and those of a run: the notifier of notify.txt beside
// the settings (none without the file; its bad lines named on err), and the wait for its deliveries at the
// end (what is left is named on err and waits on disk).
extern const char* const kNotifyTestHelp;
int notifyTest(const Invocation& call);
std::unique_ptr<Notifier> runNotifier(const Invocation& call);
void finishNotifications(const Invocation& call, Notifier* notifier, int wait_ms);

// Moving data between databases (CopyDbCommand.cpp).
extern const char* const kCopyDbHelp;
int copyDb(const Invocation& call);

// The unit system of the settings; a settings file that gives none valid is named on err once.
UnitSystem unitSystemOf(const Invocation& call);

// A stored text (a name, a value a unit sent) on one line of output: control characters (a tab, a line
// break, ESC, ...) come out escaped (printable_text::escaped), so they can neither break the line format nor
// reach the terminal.
QString field(const QString& value);
// Writes "r7716-cli: <problem>" to err and returns status.
int failure(QTextStream& err, const QString& problem, int status);

}  // namespace cli
