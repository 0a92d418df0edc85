#include "instrument/TickFailures.h"

#include "common/VbFormat.h"

namespace {

QString times(int count) {
    return vb::Format(count, QStringLiteral("0")) +
           (count == 1 ? QStringLiteral(" time") : QStringLiteral(" times"));
}

}  // namespace

TickFailures::TickFailures() : clock_([] { return QDateTime::currentDateTime(); }) {}

void TickFailures::write(const QString& what) {
    if (log_.append(clock_(), where_.isEmpty() ? QStringLiteral("unit window") : where_, what))
        logError_.clear();
    else
        logError_ = log_.lastError().isEmpty() ? log_.path() : log_.lastError();
}

void TickFailures::writeRepeats(Streak& streak) {
    if (streak.unwrittenRepeats == 0) return;
    write(streak.last + QStringLiteral(" (repeated ") + times(streak.unwrittenRepeats) + u')');
    streak.unwrittenRepeats = 0;
}

void TickFailures::failed(TickFailureKind kind, const QString& what) {
    Streak& streak = kinds_[index(kind)];
    if (streak.count == 0) {
        streak.first = what;
        streak.since = clock_();
    }
    ++streak.count;
    const bool repeat = kind != TickFailureKind::Storage && streak.count > 1 && what == streak.last;
    if (!repeat) {
        writeRepeats(streak);
        streak.last = what;
        write(what);
    } else if (++streak.unwrittenRepeats >= kRepeatLogInterval) {
        writeRepeats(streak);
    }
}

void TickFailures::clear(TickFailureKind kind) {
    Streak& streak = kinds_[index(kind)];
    if (streak.count == 0) return;  // the usual tick: nothing to clear
    writeRepeats(streak);
    streak = Streak{};
}

void TickFailures::tickSucceeded() {
    clear(TickFailureKind::Link);
    clear(TickFailureKind::Other);
}

void TickFailures::acknowledge() {
    const Streak& streak = kinds_[index(TickFailureKind::Storage)];
    if (streak.count == 0) return;
    write(QStringLiteral("The operator has seen that ") + times(streak.count) +
          QStringLiteral(" a reading was not stored"));
    clear(TickFailureKind::Storage);
}

void TickFailures::flush() {
    for (Streak& streak : kinds_) writeRepeats(streak);
}

QString TickFailures::statusText() const {
    QString text;
    const Streak& storage = kinds_[index(TickFailureKind::Storage)];
    if (storage.count > 0) {
        const QString format = storage.since.date() == clock_().date()
                                   ? QStringLiteral("HH:mm:ss")
                                   : QStringLiteral("yyyy-MM-dd HH:mm:ss");
        const QString when = storage.since.toString(format);
        text = storage.first +
               (storage.count == 1
                    ? QStringLiteral(" (at ") + when + u')'
                    : QStringLiteral(" (") + times(storage.count) + QStringLiteral(" since ") + when + u')') +
               kSeenHint;
    } else {
        for (TickFailureKind kind : {TickFailureKind::Link, TickFailureKind::Other}) {
            const Streak& streak = kinds_[index(kind)];
            if (streak.count > 0) {
                text = streak.first;
                break;
            }
        }
    }
    if (!text.isEmpty() && !logError_.isEmpty())
        text += QStringLiteral(" - the diagnostic log cannot be written: ") + logError_;
    return text;
}

QString TickFailures::shownFailure() const {
    for (TickFailureKind kind : {TickFailureKind::Storage, TickFailureKind::Link, TickFailureKind::Other})
        if (const Streak& streak = kinds_[index(kind)]; streak.count > 0) return streak.first;
    return {};
}
