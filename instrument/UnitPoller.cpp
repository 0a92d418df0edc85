#include "instrument/UnitPoller.h"

void UnitPoller::countTick() {
    ++tickCount_;
    if (tickCount_ % kWatchdogTicks != 0) return;
    if (noReplyFlag_)
        texts_.activeFlag = kNoResponseText;
    else
        noReplyFlag_ = true;
}

QList<StatusDisplay::Effects> UnitPoller::readReplies(bool discard) {
    const QByteArray bytes = port_.readAll();
    QList<StatusDisplay::Effects> effects;
    if (discard) {
        parser_.clear();
        return effects;
    }
    for (const StatusReply& reply : parser_.feed(bytes)) {
        effects.append(display_.apply(reply));
        // The state label keeps "No Response" (or whatever it showed) for a code without a text of its own.
        const QString activeFlag = texts_.activeFlag;
        texts_ = display_.texts();
        if (StatusDisplay::stateText(reply.status()).isEmpty()) texts_.activeFlag = activeFlag;
        if (reply.complete()) {
            noReplyFlag_ = false;
            ++completeReplies_;
        }
    }
    return effects;
}
