#include "store/UnitCalibrations.h"

#include "store/RecordBase.h"
#include "store/Schema.h"
#include "store/SqlDialect.h"
#include "store/StoreError.h"
#include "store/Transaction.h"
#include "store/clsConnection.h"

#include <QSet>
#include <QSqlQuery>

namespace store::unit_calibration {

namespace {

constexpr const char* kTable = "UNIT_CALIBRATION";
constexpr const char* kSelectSql =
    "SELECT STATION, UNIT_NO, CALIBRATION_TIME, BOB_NO, FLUID_VISC_CP, C0, C1, ZERO_STRESS_VOLTAGE, QUALITY, "
    "LINE_R2, POINT_COUNT, SENT, REMARK FROM UNIT_CALIBRATION";
constexpr const char* kInsertSql =
    "INSERT INTO UNIT_CALIBRATION (STATION, UNIT_NO, CALIBRATION_TIME, BOB_NO, FLUID_VISC_CP, C0, C1, "
    "ZERO_STRESS_VOLTAGE, QUALITY, LINE_R2, POINT_COUNT, SENT, REMARK) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
    "?, ?, ?)";

QSqlQuery exec(clsConnection& connection, const QString& sql, const QVariantList& values = {}) {
    QSqlQuery query(connection.ADOConnection());
    query.setForwardOnly(true);
    if (!query.prepare(sql)) throw dialect::failure(query);
    for (const QVariant& v : values) query.addBindValue(v);
    if (!query.exec()) throw dialect::failure(query);
    return query;
}

double number(const QVariant& value) {
    return readNumber(value, 0, "UNIT_CALIBRATION value");
}

std::vector<CalibrationRecord> select(clsConnection& connection, const QString& where,
                                      const QVariantList& values) {
    std::vector<CalibrationRecord> rows;
    connection.reconnectIfLost();
    const QSqlDatabase db = connection.ADOConnection();
    if (!dialect::tableNames(db).contains(QString::fromLatin1(kTable))) return rows;
    QSqlQuery q = exec(
        connection, QLatin1String(kSelectSql) + where + QStringLiteral(" ORDER BY CALIBRATION_ID"), values);
    while (q.next()) {
        CalibrationRecord& r = rows.emplace_back();
        r.station = q.value(0).toString();
        r.unit = static_cast<int>(number(q.value(1)));
        r.time = q.value(2).isNull() ? QDateTime() : toDateTime(q.value(2), "CALIBRATION_TIME");
        r.bob = q.value(3).toString();
        r.fluidViscosity_cP = number(q.value(4));
        r.c0 = number(q.value(5));
        r.c1 = number(q.value(6));
        r.zeroStressVoltage = number(q.value(7));
        r.quality = number(q.value(8));
        r.lineR2 = number(q.value(9));
        r.points = static_cast<int>(number(q.value(10)));
        r.sent = number(q.value(11)) != 0;
        r.remark = q.value(12).toString();
    }
    throwIfFailed(q);
    return rows;
}

void insert(clsConnection& connection, const CalibrationRecord& r) {
    exec(connection, QString::fromLatin1(kInsertSql),
         {r.station, r.unit, storedTime(r.time), r.bob, r.fluidViscosity_cP, r.c0, r.c1, r.zeroStressVoltage,
          r.quality, r.lineR2, r.points, r.sent ? 1 : 0, r.remark});
}

// What makes two rows the same calibration: a unit of a station finishes one run a second at most.
QString identity(const CalibrationRecord& r) {
    return r.station + u'\x1f' + QString::number(r.unit) + u'\x1f' + storedTime(r.time).toString();
}

}  // namespace

const TableSchema& table() {
    using K = dialect::ColumnKind;
    static const TableSchema schema{
        kTable,
        {{"CALIBRATION_ID", K::Key},
         {"STATION", K::Text},
         {"UNIT_NO", K::Number},
         {"CALIBRATION_TIME", K::DateTime},
         {"BOB_NO", K::Text},
         {"FLUID_VISC_CP", K::Number},
         {"C0", K::Number},
         {"C1", K::Number},
         {"ZERO_STRESS_VOLTAGE", K::Number},
         {"QUALITY", K::Number},
         {"LINE_R2", K::Number},
         {"POINT_COUNT", K::Number},
         {"SENT", K::Number},
         {"REMARK", K::Text}},
        "UNIT_CALIBRATION_BY_UNIT",
        "CREATE INDEX UNIT_CALIBRATION_BY_UNIT ON UNIT_CALIBRATION (STATION, UNIT_NO, CALIBRATION_TIME)",
        {},
        {}};
    return schema;
}

void add(clsConnection& connection, const CalibrationRecord& record) {
    connection.requireWritable();
    Transaction transaction(connection);
    insert(connection, record);
    transaction.commit();
}

std::vector<CalibrationRecord> all(clsConnection& connection) {
    return select(connection, {}, {});
}

std::optional<CalibrationRecord> inEffect(clsConnection& connection, const QString& station, int unit,
                                          const QDateTime& at) {
    std::optional<CalibrationRecord> last;
    // A unit is calibrated a few times a year: its rows are read whole and the time compared here, the same
    // on both engines.
    for (const CalibrationRecord& r : select(
             connection, QStringLiteral(" WHERE STATION = ? AND UNIT_NO = ? AND SENT = 1"), {station, unit}))
        if (r.time.isValid() && (!at.isValid() || r.time <= at) && (!last || r.time >= last->time)) last = r;
    return last;
}

int copyMissing(clsConnection& from, clsConnection& to) {
    const std::vector<CalibrationRecord> source = all(from);
    if (source.empty()) return 0;
    QSet<QString> held;
    for (const CalibrationRecord& r : all(to)) held.insert(identity(r));
    int copied = 0;
    Transaction transaction(to);
    for (const CalibrationRecord& r : source) {
        if (held.contains(identity(r))) continue;
        insert(to, r);
        held.insert(identity(r));
        ++copied;
    }
    transaction.commit();
    return copied;
}

}  // namespace store::unit_calibration
