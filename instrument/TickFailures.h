#pragma once

#include "common/DiagnosticLog.h"

#include <QDateTime>
#include <QString>

#include <array>
#include <functional>

// What failed inside a timer tick of a unit window.
enum class TickFailureKind {
    Link,     // the unit's port: not open, device gone, a send or read refused
    Storage,  // a reading could not be stored in the database
    Other,    // anything else the tick or the run step raised
};

// Keeps a unit window's tick failures from vanishing while polling goes on: every failure is written to
// the diagnostic log beside the database, and the first failure of a kind is what the status bar names.
//
// A link or other failure shows while it lasts: the next tick that runs to its end clears it, and the
// window's own message (jogging, ...) shows again. A reading that could not be stored shows until the
// operator says it was seen, however many ticks went well since: during an unattended run it must still be
// there when someone comes back.
//
// The same link or other failure on tick after tick (a unit whose adapter was pulled over a weekend) is
// written once when it starts, then as a count every kRepeatLogInterval repeats and when it ends, so the
// log records every occurrence without a line a second. Every storage failure gets its own line.
class TickFailures {
  public:
    static constexpr int kRepeatLogInterval = 600;
    static inline const QString kConnectionLostPrefix = QStringLiteral("Connection lost: ");
    static inline const QString kSeenHint = QStringLiteral(" (click here when seen)");

    TickFailures();

    // Who failed, as the log names it ("Unit 3").
    void setWhere(const QString& where) { where_ = where; }
    const QString& where() const { return where_; }
    void setLog(const DiagnosticLog& log) { log_ = log; }
    const DiagnosticLog& log() const { return log_; }
    void setClock(std::function<QDateTime()> clock) { clock_ = std::move(clock); }

    // One failure of a tick, in words ("Port not open - 8010").
    void failed(TickFailureKind kind, const QString& what);
    // A tick ran to its end: link and other failures are over.
    void tickSucceeded();
    // The operator has seen the storage failure; it stops showing.
    void acknowledge();
    // Writes what repeats have not been written yet (the window unloads).
    void flush();

    // The status-bar text: an unseen storage failure first, else a link failure, else another one; empty
    // when nothing failed.
    QString statusText() const;
    // The failure statusText() names, as it first came: without the count, the time and the hint to click
    // (r7716-cli run prints it once, where nobody clicks). Empty when nothing failed.
    QString shownFailure() const;
    // True while a storage failure waits to be seen: the window shows it so that nobody can miss it.
    bool needsAcknowledging() const { return kinds_[index(TickFailureKind::Storage)].count > 0; }
    // Failures of the kind since it last cleared.
    int count(TickFailureKind kind) const { return kinds_[index(kind)].count; }
    // The reason the log could not be written; empty while it can.
    const QString& logError() const { return logError_; }

  private:
    struct Streak {
        QString first;  // the failure shown, as it first came
        QDateTime since;
        int count = 0;
        QString last;              // the text of the latest failure
        int unwrittenRepeats = 0;  // repeats of `last` not yet written
    };
    static int index(TickFailureKind kind) { return static_cast<int>(kind); }
    void write(const QString& what);
    void writeRepeats(Streak& streak);
    void clear(TickFailureKind kind);

    QString where_;
    DiagnosticLog log_;
    std::function<QDateTime()> clock_;
    std::array<Streak, 3> kinds_;
    QString logError_;
};
