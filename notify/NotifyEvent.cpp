#include "notify/NotifyEvent.h"

#include <QSysInfo>
#include <QUuid>

#include <array>

namespace {

constexpr std::array<const char*, event_kind::kCount> kNames = {
    "test-started",
    "test-ended",
    "test-stopped",
    "shut-down-low-viscosity",
    "start-refused-pressure",
    "unit-silent",
    "unit-back",
    "port-lost",
    "port-back",
    "readings-waiting",
    "readings-stored",
    "ramp-not-reached",
    "run-interrupted",
    "export-failed",
    "notify-test",
};

}  // namespace

namespace event_kind {

QString text(EventKind kind) {
    return QString::fromLatin1(kNames[static_cast<std::size_t>(kind)]);
}

std::optional<EventKind> fromText(const QString& text) {
    for (std::size_t i = 0; i < kNames.size(); ++i)
        if (text == QLatin1String(kNames[i])) return static_cast<EventKind>(i);
    return std::nullopt;
}

QString allNames() {
    QStringList names;
    for (const char* name : kNames) names << QString::fromLatin1(name);
    return names.join(QStringLiteral(", "));
}

}  // namespace event_kind

NotifyEvent NotifyEvent::make(EventKind kind, const QString& text) {
    NotifyEvent e;
    e.kind = kind;
    e.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    e.station = QSysInfo::machineHostName();
    e.time = QDateTime::currentDateTime();
    e.text = text;
    return e;
}

QString NotifyEvent::title() const {
    const QString where = unit > 0 ? QStringLiteral("R7716 Unit %1").arg(unit) : QStringLiteral("R7716");
    return where + QStringLiteral(": ") + event_kind::text(kind);
}

QJsonObject NotifyEvent::toJson() const {
    return {
        {QStringLiteral("event"), event_kind::text(kind)},
        {QStringLiteral("id"), id},
        {QStringLiteral("station"), station},
        {QStringLiteral("unit"), unit},
        {QStringLiteral("test"), test},
        {QStringLiteral("sequence"), sequence},
        {QStringLiteral("time"), time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODateWithMs)},
        {QStringLiteral("text"), text},
    };
}

std::optional<NotifyEvent> NotifyEvent::fromJson(const QJsonObject& json) {
    const std::optional<EventKind> kind =
        event_kind::fromText(json.value(QStringLiteral("event")).toString());
    if (!kind) return std::nullopt;
    NotifyEvent e;
    e.kind = *kind;
    e.id = json.value(QStringLiteral("id")).toString();
    e.station = json.value(QStringLiteral("station")).toString();
    e.unit = json.value(QStringLiteral("unit")).toInt();
    e.test = json.value(QStringLiteral("test")).toString();
    e.sequence = json.value(QStringLiteral("sequence")).toString();
    e.time = QDateTime::fromString(json.value(QStringLiteral("time")).toString(), Qt::ISODateWithMs);
    e.text = json.value(QStringLiteral("text")).toString();
    if (e.id.isEmpty()) return std::nullopt;
    return e;
}
