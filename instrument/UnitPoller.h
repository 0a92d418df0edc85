#pragma once

#include "instrument/StatusDisplay.h"
#include "link/StatusParser.h"
#include "link/UnitPort.h"

#include <QList>
#include <QString>

// The fixed frame of a unit window's timer tick, shared by the sequence-test and the simple-test window:
// the no-reply watchdog, then reading what the unit sent and either parsing it into the display or throwing
// it away. The window then sends the tick's command and does its own steps.
//
// The watchdog: every fifth tick "No Response" is shown when the flag raised at the previous check is still
// up; otherwise the flag is raised. Only a whole, well-formed status reply lowers it, so a unit that is
// silent and one that answers garbage both show "No Response".
class UnitPoller {
  public:
    static inline const QString kNoResponseText = QStringLiteral("No Response");
    static constexpr int kWatchdogTicks = 5;

    UnitPoller(UnitPort& port, StatusDisplay::Window window) : port_(port), display_(window) {}

    // Step 1 of a tick: counts it and runs the watchdog.
    void countTick();
    // Step 2: reads everything the unit sent. With discard the text and the receive buffer are thrown away;
    // otherwise the status replies are parsed and shown. Returns each parsed reply's effect on the window,
    // in order. Throws UnitPortError when the port cannot be read.
    QList<StatusDisplay::Effects> readReplies(bool discard);

    // What the display boxes show.
    const UnitDisplayTexts& texts() const { return texts_; }
    StatusDisplay& display() { return display_; }
    const StatusDisplay& display() const { return display_; }
    StatusParser& parser() { return parser_; }

    int tickCount() const { return tickCount_; }
    // Whole, well-formed status replies parsed so far.
    qint64 completeReplies() const { return completeReplies_; }
    bool noReplyFlag() const { return noReplyFlag_; }

  private:
    UnitPort& port_;
    StatusParser parser_;
    StatusDisplay display_;
    UnitDisplayTexts texts_;
    int tickCount_ = 0;
    qint64 completeReplies_ = 0;
    bool noReplyFlag_ = false;
};
