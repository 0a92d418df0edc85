#include "store/UnitStatusStore.h"

#include "store/SqlDialect.h"
#include "store/clsConnection.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>

#include <array>

namespace store {

namespace {

struct ActivityWord {
    UnitActivity activity;
    const char* word;
};
constexpr std::array<ActivityWord, 5> kActivityWords{{
    {UnitActivity::Idle, "idle"},
    {UnitActivity::TemperatureRamp, "temperature-ramp"},
    {UnitActivity::ShearRateRamp, "shear-rate-ramp"},
    {UnitActivity::NotAnswering, "not-answering"},
    {UnitActivity::PortLost, "port-lost"},
}};

// The columns after the key, in the order every statement below names them.
constexpr std::array<const char*, 19> kColumns{
    "STATION",   "UNIT_NO",          "STATE",       "STATE_TEXT",    "PROGRAM",
    "TEST_NAME", "SEQUENCE_NAME",    "RAMP_NO",     "RAMP_STEP_NO",  "SAMPLE_TEMP",
    "BATH_TEMP", "SET_POINT",        "PRESSURE",    "SHEAR_RATE",    "SHEAR_STRESS",
    "VISCOSITY", "READINGS_WAITING", "STATUS_TIME", "UPDATED_BY_PID"};

QString columnList() {
    QStringList names;
    for (const char* name : kColumns) names << QLatin1String(name);
    return names.join(QStringLiteral(", "));
}

// Milliseconds and a zone marker: stations of one lab may keep different local times.
QString storedUtc(const QDateTime& time) {
    return time.toUTC().toString(Qt::ISODateWithMs);
}

}  // namespace

QString activityText(UnitActivity activity) {
    for (const ActivityWord& each : kActivityWords)
        if (each.activity == activity) return QLatin1String(each.word);
    return QStringLiteral("not-answering");
}

UnitActivity activityFromText(const QString& text) {
    for (const ActivityWord& each : kActivityWords)
        if (text == QLatin1String(each.word)) return each.activity;
    return UnitActivity::NotAnswering;
}

namespace unit_status {

const TableSchema& table() {
    using K = dialect::ColumnKind;
    static const TableSchema schema{
        "UNIT_STATUS",
        {{"UNIT_STATUS_ID", K::Key},  {"STATION", K::Text},         {"UNIT_NO", K::Number},
         {"STATE", K::Text},          {"STATE_TEXT", K::Text},      {"PROGRAM", K::Text},
         {"TEST_NAME", K::Text},      {"SEQUENCE_NAME", K::Text},   {"RAMP_NO", K::Number},
         {"RAMP_STEP_NO", K::Number}, {"SAMPLE_TEMP", K::Number},   {"BATH_TEMP", K::Number},
         {"SET_POINT", K::Number},    {"PRESSURE", K::Number},      {"SHEAR_RATE", K::Number},
         {"SHEAR_STRESS", K::Number}, {"VISCOSITY", K::Number},     {"READINGS_WAITING", K::Number},
         {"STATUS_TIME", K::Text},    {"UPDATED_BY_PID", K::Number}},
        // One row per station and unit: the upsert's conflict target.
        "UNIT_STATUS_BY_UNIT",
        "CREATE UNIQUE INDEX UNIT_STATUS_BY_UNIT ON UNIT_STATUS (STATION, UNIT_NO)",
        {},
        {}};
    return schema;
}

void upsert(clsConnection& connection, const UnitStatusRow& status) {
    connection.reconnectIfLost();
    connection.requireWritable();
    QStringList markers, updates;
    for (const char* name : kColumns) {
        markers << QStringLiteral("?");
        if (QLatin1String(name) != QLatin1String("STATION") &&
            QLatin1String(name) != QLatin1String("UNIT_NO"))
            updates << QStringLiteral("%1 = excluded.%1").arg(QLatin1String(name));
    }
    // Both engines take the same upsert (SQLite 3.24 and later, PostgreSQL 9.5 and later).
    const QString sql =
        QStringLiteral(
            "INSERT INTO UNIT_STATUS (%1) VALUES (%2) ON CONFLICT (STATION, UNIT_NO) "
            "DO UPDATE SET %3")
            .arg(columnList(), markers.join(QStringLiteral(", ")), updates.join(QStringLiteral(", ")));
    QSqlQuery query(connection.ADOConnection());
    if (!query.prepare(sql)) throw dialect::failure(query);
    const QVariantList values{status.station,
                              double(status.unit),
                              activityText(status.activity),
                              status.stateText,
                              status.program,
                              status.testName,
                              status.sequenceName,
                              double(status.rampNo),
                              double(status.stepNo),
                              status.sampleTemp_F,
                              status.bathTemp_F,
                              status.setPoint_F,
                              status.pressure_psi,
                              status.shearRate_1ps,
                              status.shearStress_dyncm2,
                              status.viscosity_cP,
                              double(status.readingsWaiting),
                              storedUtc(status.time),
                              double(QCoreApplication::applicationPid())};
    for (int i = 0; i < values.size(); ++i) query.bindValue(i, values[i]);
    if (!query.exec()) throw dialect::failure(query);
}

void remove(clsConnection& connection, const QString& station, int unit) {
    connection.reconnectIfLost();
    connection.requireWritable();
    QSqlQuery query(connection.ADOConnection());
    if (!query.prepare(QStringLiteral("DELETE FROM UNIT_STATUS WHERE STATION = ? AND UNIT_NO = ?")))
        throw dialect::failure(query);
    query.bindValue(0, station);
    query.bindValue(1, double(unit));
    if (!query.exec()) throw dialect::failure(query);
}

QList<UnitStatusRow> all(clsConnection& connection) {
    connection.reconnectIfLost();
    const QSqlDatabase db = connection.ADOConnection();
    if (!dialect::tableNames(db).contains(table().name)) return {};
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT %1 FROM UNIT_STATUS ORDER BY STATION, UNIT_NO").arg(columnList())))
        throw dialect::failure(query);
    QList<UnitStatusRow> rows;
    while (query.next()) {
        UnitStatusRow& row = rows.emplaceBack();
        int c = 0;
        row.station = query.value(c++).toString();
        row.unit = query.value(c++).toInt();
        row.activity = activityFromText(query.value(c++).toString());
        row.stateText = query.value(c++).toString();
        row.program = query.value(c++).toString();
        row.testName = query.value(c++).toString();
        row.sequenceName = query.value(c++).toString();
        row.rampNo = query.value(c++).toInt();
        row.stepNo = query.value(c++).toInt();
        row.sampleTemp_F = query.value(c++).toDouble();
        row.bathTemp_F = query.value(c++).toDouble();
        row.setPoint_F = query.value(c++).toDouble();
        row.pressure_psi = query.value(c++).toDouble();
        row.shearRate_1ps = query.value(c++).toDouble();
        row.shearStress_dyncm2 = query.value(c++).toDouble();
        row.viscosity_cP = query.value(c++).toDouble();
        row.readingsWaiting = query.value(c++).toInt();
        row.time = QDateTime::fromString(query.value(c++).toString(), Qt::ISODateWithMs);
    }
    if (query.lastError().type() != QSqlError::NoError) throw dialect::failure(query);
    return rows;
}

}  // namespace unit_status
}  // namespace store
