#pragma once

#include <QDateTime>
#include <QString>

// The diagnostic log "R7716-diag.log" beside the database: one line for every failure that happened where
// no operator was asked (a timer tick of a unit window, a background exchange), so that nothing that went
// wrong during a long test disappears. Each line: ISO date and time, where (e.g. "Unit 3"), what failed.
// Appending never throws; a log that cannot be written is reported by the return value and lastError(),
// and the caller shows that once.
class DiagnosticLog {
  public:
    static constexpr const char* kFileName = "R7716-diag.log";

    // dir: the folder of the database (the working directory for the embedded database).
    explicit DiagnosticLog(const QString& dir = QString());

    QString path() const { return path_; }

    // The line as written, without its line end: "2026-12-08T22:30:49.123<TAB>Unit 3<TAB>what".
    static QString line(const QDateTime& when, const QString& where, const QString& what);

    bool append(const QString& where, const QString& what);
    bool append(const QDateTime& when, const QString& where, const QString& what);
    // The reason the last append failed; empty after a successful one.
    QString lastError() const { return lastError_; }

  private:
    QString path_;
    QString lastError_;
};
