#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include <optional>

// What a notification tells: something happened to a test on a unit of a station.
enum class EventKind {
    TestStarted,           // "test-started"
    TestEnded,             // "test-ended": the sequence ended
    TestStopped,           // "test-stopped": Stop, the window closed, the program ended
    ShutDownLowViscosity,  // "shut-down-low-viscosity"
    StartRefusedPressure,  // "start-refused-pressure"
    UnitSilent,            // "unit-silent": no status reply for a minute while recording
    UnitBack,              // "unit-back": a silent unit answers again
    PortLost,              // "port-lost"
    PortBack,              // "port-back"
    ReadingsWaiting,       // "readings-waiting": the database has taken no reading for a minute
    ReadingsStored,        // "readings-stored": the waiting readings went through
    RampNotReached,        // "ramp-not-reached": a ramp's time passed outside its start error band
    RunInterrupted,        // "run-interrupted": found at start-up
    ExportFailed,          // "export-failed": a file of autoexport.txt could not be written at a run's end
    NotifyTest,            // "notify-test": r7716-cli notify-test
};

namespace event_kind {
constexpr int kCount = static_cast<int>(EventKind::NotifyTest) + 1;
// The kind's name as notify.txt filters and the JSON field "event" give it ("test-ended").
QString text(EventKind kind);
std::optional<EventKind> fromText(const QString& text);
// Every name, in the enum's order, for messages.
QString allNames();
}  // namespace event_kind

struct NotifyEvent {
    EventKind kind = EventKind::NotifyTest;
    QString id;        // unique; a receiver that sees an id twice has seen the event twice
    QString station;   // the host name of the station
    int unit = 0;      // 1 to 8; 0 when no unit is concerned
    QString test;      // the test's name; empty when none
    QString sequence;  // the sequence's name; empty when none
    QDateTime time;    // when it happened (local time with its offset in the JSON)
    QString text;      // one line for a person

    // A new event of this station, now, with a fresh id.
    static NotifyEvent make(EventKind kind, const QString& text);

    // The e-mail subject and the desktop message title: "R7716 Unit 2: test-ended".
    QString title() const;
    // The one object a webhook receives; the same object in the queue on disk.
    QJsonObject toJson() const;
    static std::optional<NotifyEvent> fromJson(const QJsonObject& json);
};
