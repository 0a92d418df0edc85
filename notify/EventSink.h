#pragma once

#include "notify/NotifyEvent.h"

// Where a run's events go. raise() returns at once: whatever delivers an event does it elsewhere, so a
// receiver that hangs never holds up the tick that raised it.
class EventSink {
  public:
    virtual ~EventSink() = default;
    virtual void raise(const NotifyEvent& event) = 0;
};

// Raises nothing: a program without notifications configured.
class NoEvents : public EventSink {
  public:
    void raise(const NotifyEvent&) override {}
};
