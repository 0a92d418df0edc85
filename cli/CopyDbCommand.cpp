// r7716-cli copy-db: moving tests and sequences between database files and the lab's server.

#include "cli/Commands.h"
#include "cli/StreamMessenger.h"
#include "common/VbFormat.h"
#include "store/DatabaseCopy.h"
#include "store/DatabaseLocation.h"
#include "store/StoreError.h"
#include "store/clsConnection.h"

#include <QFileInfo>
#include <QTextStream>

#include <optional>

namespace cli {

namespace {

QString counted(int n, const char* one, const char* many) {
    return vb::Format(n, QStringLiteral("0")) + u' ' + QLatin1String(n == 1 ? one : many);
}

// Opens one side of the copy; on failure its reason has been written to err.
bool open(clsConnection& connection, const store::DatabaseLocation& location, bool source,
          StreamMessenger& messenger, QTextStream& err) {
    // A source that does not exist is not created empty.
    if (source && location.engine == store::Engine::Sqlite && !QFileInfo::exists(location.filePath)) {
        failure(err, QStringLiteral("there is no database file %1.").arg(location.displayName()),
                kDatabaseError);
        return false;
    }
    connection.setLocation(location, source);
    connection.OpenDB();
    if (connection.IsOpen()) return true;
    if (messenger.lastText() != connection.LastError()) err << connection.LastError() << '\n';
    err.flush();
    return false;
}

}  // namespace

const char* const kCopyDbHelp =
    "Usage: r7716-cli copy-db --from SOURCE --to TARGET\n"
    "\n"
    "Copies every test (with its readings and additives) and every sequence (with its steps and shear\n"
    "rates) of SOURCE that TARGET does not hold yet by name, in any letter case; what TARGET holds is left\n"
    "as it is, so the command can be run again and copies only what is new. SOURCE and TARGET are each a\n"
    "database file (such as R7716.mdb; a missing TARGET file is created) or a PostgreSQL database given\n"
    "as in \"database.txt\", e.g. postgresql://r7716@labserver/rheology (the password from ~/.pgpass).\n"
    "SOURCE is only read. Each test and each sequence is copied in one transaction; so are, at the end,\n"
    "the units' stored calibrations that TARGET lacks.\n"
    "\n"
    "Prints one line per test and sequence (copied, or skipped because TARGET holds its name), then the\n"
    "counts. Exit status 1 when a database cannot be opened or a copy fails (what was copied before stays\n"
    "copied), 64 for a wrong command line.\n";

int copyDb(const Invocation& call) {
    if (!call.options.has("--from") || !call.options.has("--to")) {
        call.err << kProgram << ": copy-db needs --from SOURCE and --to TARGET.\n"
                 << "Run '" << kProgram << " copy-db --help' for usage.\n";
        call.err.flush();
        return kUsage;
    }
    std::optional<store::DatabaseLocation> from;
    std::optional<store::DatabaseLocation> to;
    try {
        from = store::DatabaseLocation::parse(call.options.value("--from"));
        to = store::DatabaseLocation::parse(call.options.value("--to"));
    } catch (const StoreError& error) {
        return failure(call.err, error.description(), kUsage);
    }
    StreamMessenger messenger(call.err);
    clsConnection source(&messenger);
    clsConnection target(&messenger);
    if (!open(source, *from, true, messenger, call.err) || !open(target, *to, false, messenger, call.err))
        return kDatabaseError;

    const auto report = [&](const store::CopyStep& step) {
        const bool test = step.kind == store::CopyStep::Kind::Test;
        call.out << (step.copied ? "copied " : "skipped ") << (test ? "test" : "sequence") << " \""
                 << field(step.name) << "\": ";
        if (!step.copied)
            call.out << "the target holds " << (test ? "a test" : "a sequence") << " of that name";
        else if (test)
            call.out << counted(step.rows, "reading", "readings") << ", "
                     << counted(step.moreRows, "additive", "additives");
        else
            call.out << counted(step.rows, "step", "steps") << ", "
                     << counted(step.moreRows, "shear rate", "shear rates");
        call.out << '\n';
        call.out.flush();
    };
    store::CopyTotals totals;
    try {
        totals = store::CopyDatabase(source, target, report);
    } catch (const StoreError& error) {
        call.out.flush();
        return failure(call.err,
                       QStringLiteral("the copy stopped: ") +
                           error.report().replace(QLatin1String("\r\n"), QLatin1String(" ")),
                       kDatabaseError);
    }
    const auto n = [](int count) { return vb::Format(count, QStringLiteral("0")); };
    call.out << "tests: " << n(totals.testsCopied) << " copied, " << n(totals.testsSkipped)
             << " skipped; sequences: " << n(totals.sequencesCopied) << " copied, "
             << n(totals.sequencesSkipped) << " skipped";
    if (totals.calibrationsCopied > 0)
        call.out << "; unit calibrations: " << n(totals.calibrationsCopied) << " copied";
    call.out << '\n';
    return kOk;
}

}  // namespace cli
