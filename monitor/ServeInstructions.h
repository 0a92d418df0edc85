#pragma once

#include "store/DatabaseLocation.h"

#include <QString>

// What the main window's File > "Lab monitor..." shows: how to start r7716-cli serve for the database the
// window has open, and where a browser then finds it. The desktop program starts no server itself.
namespace monitor {

struct ServeInstructions {
    QString localCommand;  // this machine only, no token
    QString localAddress;
    QString labCommands;  // the lab's network, with a token file
    QString labAddress;
    // The whole text the window shows.
    QString text() const;
};

// program: the r7716-cli to run; workingDir: the station's folder; host: this machine's name.
ServeInstructions serveInstructions(const store::DatabaseLocation& database, const QString& program,
                                    const QString& workingDir, const QString& host);

// A word for a POSIX shell: as it is when it holds nothing the shell would change, else in single quotes.
QString shellWord(const QString& word);

}  // namespace monitor
