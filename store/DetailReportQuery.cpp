#include "store/DetailReportQuery.h"

#include "store/clsConnection.h"

#include <limits>

namespace detail_report_query {

namespace {

constexpr int kTestInfoColumns = 12;
constexpr int kTestTimeColumn = 3;

}  // namespace

Result Read(clsConnection& connection, double testId) {
    connection.reconnectIfLost();
    const QSqlDatabase db = connection.ADOConnection();
    Result result;

    store::Statement info;
    info.prepare(db, kTestInfoSql, kTestIdParams);
    info.run({testId});
    if (info.query().next()) {
        result.found = true;
        for (int column = 0; column < kTestInfoColumns; ++column) {
            QVariant value = info.query().value(column);
            if (column == kTestTimeColumn && !value.isNull() && value.typeId() != QMetaType::QDateTime) {
                const QDateTime time = store::parseStoredTime(value.toString());
                value = time.isValid() ? QVariant(time) : value;
            }
            result.testInfoRow.append(value);
        }
    }
    store::throwIfFailed(info.query());
    info.finish();
    if (!result.found) return result;

    store::Statement readings;
    readings.prepare(db, kReadingsSql, kTestIdParams);
    readings.run({testId});
    QSqlQuery& query = readings.query();
    constexpr double kNull = std::numeric_limits<double>::quiet_NaN();
    while (query.next()) {
        Row& row = result.readings.emplace_back();
        for (int column = 0; column < ColumnCount; ++column) {
            const QVariant value = query.value(column);
            row[column] = value.typeId() == QMetaType::Double ? *static_cast<const double*>(value.constData())
                                                              : store::readNumber(value, kNull, "reading");
        }
    }
    store::throwIfFailed(query);
    readings.finish();
    return result;
}

}  // namespace detail_report_query
