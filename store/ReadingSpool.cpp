#include "store/ReadingSpool.h"

#include "store/DatabaseLocation.h"
#include "store/SqlDialect.h"
#include "store/StoreError.h"

#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>

namespace {

// The spool is written only by live runs, one short statement at a time: a run never waits long for it,
// a reading it cannot take waits in memory.
constexpr int kBusyTimeout_ms = 250;
constexpr const char* kCreateSql =
    "CREATE TABLE IF NOT EXISTS SPOOLED_READING (SEQ INTEGER PRIMARY KEY AUTOINCREMENT, "
    "DATABASE_NAME TEXT NOT NULL, WRITER TEXT NOT NULL, CLAIMED INTEGER NOT NULL DEFAULT 0, TEST_ID REAL, "
    "RAMP_NO REAL, RAMP_STEP_NO REAL, RESULT_TIME REAL, RESULT_SAMPLE_TEMP REAL, RESULT_PRESS REAL, "
    "RESULT_SHEAR_RATE REAL, RESULT_SHEAR_STRESS REAL, RESULT_TYPE_ID REAL, RESULT_BATH_TEMP REAL)";
// Added to the table of a spool file made before runs were journaled: a reading's run save, or a save alone.
constexpr const char* kRunColumns[][2] = {{"HAS_READING", "INTEGER NOT NULL DEFAULT 1"},
                                          {"RUN_ID", "INTEGER"},
                                          {"RUN_CONTEXT", "TEXT"},
                                          {"RUN_AT", "TEXT"},
                                          {"RUN_END", "TEXT"}};
constexpr const char* kIndexSql =
    "CREATE INDEX IF NOT EXISTS SPOOLED_READING_BY_DATABASE ON SPOOLED_READING (DATABASE_NAME, CLAIMED, SEQ)";
constexpr const char* kInsertSql =
    "INSERT INTO SPOOLED_READING (DATABASE_NAME, WRITER, CLAIMED, TEST_ID, RAMP_NO, RAMP_STEP_NO, "
    "RESULT_TIME, "
    "RESULT_SAMPLE_TEMP, RESULT_PRESS, RESULT_SHEAR_RATE, RESULT_SHEAR_STRESS, RESULT_TYPE_ID, "
    "RESULT_BATH_TEMP, HAS_READING, RUN_ID, RUN_CONTEXT, RUN_AT, RUN_END) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, "
    "?, "
    "?, ?, ?, ?, ?, ?, ?, ?)";
constexpr const char* kSelectColumns =
    "SELECT TEST_ID, RAMP_NO, RAMP_STEP_NO, RESULT_TIME, RESULT_SAMPLE_TEMP, RESULT_PRESS, "
    "RESULT_SHEAR_RATE, "
    "RESULT_SHEAR_STRESS, RESULT_TYPE_ID, RESULT_BATH_TEMP, HAS_READING, RUN_ID, RUN_CONTEXT, RUN_AT, "
    "RUN_END "
    "FROM SPOOLED_READING ";

QSqlQuery run(const QString& connectionName, const QString& statement, const QVariantList& values = {}) {
    QSqlQuery query(QSqlDatabase::database(connectionName, false));
    query.setForwardOnly(true);
    if (!query.prepare(statement)) throw store::dialect::failure(query);
    for (const QVariant& value : values) query.addBindValue(value);
    if (!query.exec()) throw store::dialect::failure(query);
    return query;
}

int firstNumber(QSqlQuery query) {
    return query.next() ? query.value(0).toInt() : 0;
}

}  // namespace

ReadingSpool::ReadingSpool(const QString& path, const QString& database)
    : path_(path),
      database_(database),
      connectionName_(QStringLiteral("ReadingSpool-") + QUuid::createUuid().toString(QUuid::WithoutBraces)) {
    try {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName_);
        store::dialect::configure(db, store::DatabaseLocation::file(path), store::dialect::Access::ReadWrite,
                                  kBusyTimeout_ms);
        if (!db.open()) throw store::dialect::openFailure(db);
        // As durable as the database itself: a spooled reading survives a crash and a power cut.
        store::dialect::prepareForWriting(db);
        run(connectionName_, QString::fromLatin1(kCreateSql));
        QSet<QString> present;
        for (QSqlQuery columns = run(connectionName_, QStringLiteral("PRAGMA table_info(SPOOLED_READING)"));
             columns.next();)
            present.insert(columns.value(1).toString().toUpper());
        for (const auto& [name, type] : kRunColumns)
            if (!present.contains(QLatin1String(name)))
                run(connectionName_, QStringLiteral("ALTER TABLE SPOOLED_READING ADD COLUMN %1 %2")
                                         .arg(QLatin1String(name), QLatin1String(type)));
        run(connectionName_, QString::fromLatin1(kIndexSql));
    } catch (const StoreError& error) {
        QSqlDatabase::removeDatabase(connectionName_);
        throw error.withNote(QStringLiteral("(the reading spool %1)").arg(path));
    }
}

ReadingSpool::~ReadingSpool() {
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
        if (db.isOpen()) db.close();
    }
    QSqlDatabase::removeDatabase(connectionName_);
}

void ReadingSpool::append(const Entry& e, const QString& writer, bool claimed) {
    const Reading& r = e.reading;
    const std::optional<run_journal::Save>& s = e.save;
    run(connectionName_, QString::fromLatin1(kInsertSql),
        {database_, writer, claimed ? 1 : 0, e.testId, r.rampNo, r.rampStepNo, r.time_s, r.sampleTemp_F,
         r.pressure_psi, r.shearRate_1ps, r.shearStress_dyncm2, r.typeId, r.bathTemp_F, e.hasReading ? 1 : 0,
         s ? QVariant(s->runId) : QVariant(), s ? QVariant(s->context) : QVariant(),
         s ? QVariant(s->at.toString(Qt::ISODateWithMs)) : QVariant(),
         s ? QVariant(run_journal::reasonText(s->end)) : QVariant()});
}

int ReadingSpool::count() const {
    return firstNumber(run(connectionName_,
                           QStringLiteral("SELECT COUNT(*) FROM SPOOLED_READING WHERE DATABASE_NAME = ?"),
                           {database_}));
}

int ReadingSpool::countOf(const QString& writer) const {
    return firstNumber(run(connectionName_,
                           QStringLiteral("SELECT COUNT(*) FROM SPOOLED_READING WHERE DATABASE_NAME = ? AND "
                                          "WRITER = ? AND HAS_READING = 1"),
                           {database_, writer}));
}

std::vector<ReadingSpool::Entry> ReadingSpool::nextBatch(int max, bool* unanswered) {
    const auto claimedRows = [this] {
        QSqlQuery query = run(connectionName_,
                              QString::fromLatin1(kSelectColumns) +
                                  QStringLiteral("WHERE DATABASE_NAME = ? AND CLAIMED = 1 ORDER BY SEQ"),
                              {database_});
        std::vector<Entry> rows;
        while (query.next()) {
            Entry& e = rows.emplace_back();
            const auto v = [&](int column) { return query.value(column).toDouble(); };
            e.testId = v(0);
            e.reading = {v(1), v(2), v(3), v(4), v(5), v(6), v(7), v(8), v(9)};
            e.hasReading = query.value(10).toInt() != 0;
            if (!query.value(11).isNull())
                e.save =
                    run_journal::Save{query.value(11).toLongLong(), query.value(12).toString(),
                                      QDateTime::fromString(query.value(13).toString(), Qt::ISODateWithMs),
                                      run_journal::reasonOf(query.value(14).toString())};
        }
        return rows;
    };
    std::vector<Entry> rows = claimedRows();
    *unanswered = !rows.empty();
    if (!rows.empty()) return rows;
    // One statement, so that the claim is whole or not made.
    run(connectionName_,
        QStringLiteral("UPDATE SPOOLED_READING SET CLAIMED = 1 WHERE SEQ IN (SELECT SEQ FROM SPOOLED_READING "
                       "WHERE DATABASE_NAME = ? ORDER BY SEQ LIMIT ?)"),
        {database_, max});
    return claimedRows();
}

void ReadingSpool::removeClaimed() {
    run(connectionName_,
        QStringLiteral("DELETE FROM SPOOLED_READING WHERE DATABASE_NAME = ? AND CLAIMED = 1"), {database_});
}
