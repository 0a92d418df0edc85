// r7716-cli delete: a stored test removed with its readings and additives, as the open-test dialog's Delete
// removes it, through the same record class (which refuses a test that a run is recording).

#include "cli/DeleteCommand.h"

#include "cli/Commands.h"
#include "store/StoreError.h"
#include "store/clsTEST_INFO.h"

#include <QTextStream>

#undef EOF

namespace cli {

const char* const kDeleteHelp =
    "Usage: r7716-cli delete [--] NAME\n"
    "\n"
    "Deletes the stored test NAME (the exact name, letter case included) with its readings and additives\n"
    "in one transaction, as the Delete button of \"Open Saved Test\" does. A test that a unit window or an\n"
    "r7716-cli run (on this station or, on a lab server, any other) is recording is not deleted: the\n"
    "message names the unit and the station recording it. Use -- before a NAME that begins with a dash.\n"
    "\n"
    "Exit status 0 when the test was deleted; 1, with the message on standard error and nothing deleted,\n"
    "when it is being recorded or the database fails; 2 when no test of that name is stored.\n";

int deleteTest(const Invocation& call) {
    clsTEST_INFO info;
    info.ConnectX(call.database());
    info.setTEST_NAME(call.name());
    info.GetTestDetail();
    if (info.EOF())
        return failure(call.err, QStringLiteral("no test named \"%1\" is stored.").arg(field(call.name())),
                       kNotFound);
    try {
        info.Delete();
    } catch (const StoreError& error) {
        if (error.number() != StoreError::kBeingRecorded) throw;
        return failure(call.err, error.description(), kDatabaseError);
    }
    call.out << "Deleted the test \"" << field(call.name()) << "\".\n";
    return kOk;
}

}  // namespace cli
