#pragma once

#include "cli/Cli.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

// r7716-cli run in the test's process: its exit status and what it wrote on each stream.
struct CliOutcome {
    int status;
    QString out;
    QString err;
    QStringList lines() const { return out.split(u'\n', Qt::SkipEmptyParts); }
};

inline CliOutcome runCli(const QStringList& arguments) {
    CliOutcome o;
    QTextStream out(&o.out);
    QTextStream err(&o.err);
    o.status = cli::run(arguments, out, err);
    out.flush();
    err.flush();
    return o;
}
