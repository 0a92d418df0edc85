#include "store/RunJournal.h"

#include "store/RecordBase.h"
#include "store/RecordingLock.h"
#include "store/Schema.h"
#include "store/SqlDialect.h"
#include "store/StoreError.h"
#include "store/Transaction.h"
#include "store/clsConnection.h"

#include <QSqlQuery>
#include <QStringList>

#include <algorithm>
#include <array>

namespace run_journal {

namespace {

using Reason = EndReason;
constexpr std::array<std::pair<Reason, const char*>, 9> kReasonTexts{{
    {Reason::SequenceEnd, "sequence end"},
    {Reason::Stop, "stop"},
    {Reason::ViscosityShutDown, "viscosity shut-down"},
    {Reason::PressureRefusal, "pressure refusal"},
    {Reason::WindowClosed, "window closed"},
    {Reason::Exit, "exit"},
    {Reason::NotResumed, "not resumed"},
    {Reason::TestDeleted, "test deleted"},
    {Reason::SequenceShortened, "sequence shortened"},
}};

constexpr const char* kColumns =
    "J.RUN_ID, J.TEST_ID, T.TEST_NAME, J.UNIT_NO, J.STATION, J.SEQUENCE_ID, J.SEQUENCE_NAME, J.STARTED_TIME, "
    "J.LAST_SEEN_TIME, J.ENDED_TIME, J.END_REASON, J.RUN_CONTEXT, J.RUN_GAPS";
constexpr const char* kFrom = " FROM RUN_JOURNAL J LEFT JOIN TEST_INFO T ON T.TEST_ID = J.TEST_ID ";

QSqlQuery exec(clsConnection& connection, const QString& sql, const QVariantList& values = {}) {
    QSqlQuery query(connection.ADOConnection());
    query.setForwardOnly(true);
    if (!query.prepare(sql)) throw store::dialect::failure(query);
    for (const QVariant& v : values) query.addBindValue(v);
    if (!query.exec()) throw store::dialect::failure(query);
    return query;
}

// Gaps as the row keeps them: "from,to" pairs of RESULT_TIME seconds, separated by ";".
QString gapsText(const std::vector<Gap>& gaps) {
    QStringList parts;
    for (const Gap& g : gaps)
        parts << QString::number(g.from_s, 'g', 17) + u',' + QString::number(g.to_s, 'g', 17);
    return parts.join(u';');
}

std::vector<Gap> gapsFrom(const QString& text) {
    std::vector<Gap> gaps;
    for (const QString& part : text.split(u';', Qt::SkipEmptyParts)) {
        const QStringList ends = part.split(u',');
        bool fromOk = false, toOk = false;
        if (ends.size() != 2) continue;
        const Gap g{ends[0].toDouble(&fromOk), ends[1].toDouble(&toOk)};
        if (fromOk && toOk && g.to_s > g.from_s) gaps.push_back(g);
    }
    return gaps;
}

QDateTime timeOf(const QVariant& value) {
    return value.isNull() ? QDateTime() : store::toDateTime(value, "RUN_JOURNAL time");
}

std::vector<Run> read(QSqlQuery query) {
    std::vector<Run> runs;
    while (query.next()) {
        Run& r = runs.emplace_back();
        r.runId = query.value(0).toLongLong();
        r.testId = query.value(1).toDouble();
        r.testName = query.value(2).toString();
        r.unit = query.value(3).toInt();
        r.station = query.value(4).toString();
        r.sequenceId = query.value(5).toDouble();
        r.sequenceName = query.value(6).toString();
        r.started = timeOf(query.value(7));
        r.lastSeen = timeOf(query.value(8));
        r.ended = timeOf(query.value(9));
        r.endReason = reasonOf(query.value(10).toString());
        r.context = query.value(11).toString();
        r.gaps = gapsFrom(query.value(12).toString());
    }
    store::throwIfFailed(query);
    return runs;
}

std::vector<Run> select(clsConnection& connection, const QString& where, const QVariantList& values) {
    return read(exec(connection,
                     QStringLiteral("SELECT ") + QLatin1String(kColumns) + QLatin1String(kFrom) + where +
                         QStringLiteral(" ORDER BY J.RUN_ID DESC"),
                     values));
}

// Not ended, its test still stored, and nobody holds the test's recording lock.
bool isInterrupted(clsConnection& connection, const Run& r) {
    return !r.isEnded() && !r.testName.isEmpty() &&
           !store::RecordingLock::recorderOf(connection, static_cast<int>(r.testId));
}

}  // namespace

QString reasonText(EndReason reason) {
    for (const auto& [r, text] : kReasonTexts)
        if (r == reason) return QString::fromLatin1(text);
    return {};
}

EndReason reasonOf(const QString& text) {
    for (const auto& [r, t] : kReasonTexts)
        if (text == QLatin1String(t)) return r;
    return text.isEmpty() ? EndReason::None : EndReason::Stop;
}

const store::TableSchema& table() {
    using K = store::dialect::ColumnKind;
    static const store::TableSchema schema{
        "RUN_JOURNAL",
        {{"RUN_ID", K::Key},
         {"TEST_ID", K::Number},
         {"UNIT_NO", K::Number},
         {"STATION", K::Text},
         {"SEQUENCE_ID", K::Number},
         {"SEQUENCE_NAME", K::Text},
         {"STARTED_TIME", K::DateTime},
         {"LAST_SEEN_TIME", K::DateTime},
         {"ENDED_TIME", K::DateTime},
         {"END_REASON", K::Text},
         {"RUN_CONTEXT", K::Text},
         {"RUN_GAPS", K::Text}},
        "RUN_JOURNAL_BY_TEST",
        "CREATE INDEX RUN_JOURNAL_BY_TEST ON RUN_JOURNAL (TEST_ID, RUN_ID)",
        {},
        {}};
    return schema;
}

qint64 begin(clsConnection& connection, const Run& run) {
    store::Transaction transaction(connection);
    exec(
        connection,
        QStringLiteral("INSERT INTO RUN_JOURNAL (TEST_ID, UNIT_NO, STATION, SEQUENCE_ID, SEQUENCE_NAME, "
                       "STARTED_TIME, LAST_SEEN_TIME, RUN_CONTEXT, RUN_GAPS) VALUES (?, ?, ?, ?, ?, ?, ?, ?, "
                       "?)"),
        {run.testId, run.unit, run.station, run.sequenceId, run.sequenceName, store::storedTime(run.started),
         store::storedTime(run.started), run.context, QString()});
    // Under the write lock: no other program has begun a run of this test on this unit since.
    QSqlQuery key = exec(
        connection, QStringLiteral("SELECT MAX(RUN_ID) FROM RUN_JOURNAL WHERE TEST_ID = ? AND UNIT_NO = ?"),
        {run.testId, run.unit});
    const qint64 runId = key.next() ? key.value(0).toLongLong() : 0;
    store::throwIfFailed(key);
    key.finish();
    transaction.commit();
    return runId;
}

void save(clsConnection& connection, const Save& s) {
    exec(connection,
         QStringLiteral("UPDATE RUN_JOURNAL SET RUN_CONTEXT = ?, LAST_SEEN_TIME = ? WHERE RUN_ID = ?"),
         {s.context, store::storedTime(s.at), s.runId});
    if (s.end != EndReason::None) end(connection, s.runId, s.end, s.at);
}

void end(clsConnection& connection, qint64 runId, EndReason reason, const QDateTime& when) {
    exec(connection,
         QStringLiteral(
             "UPDATE RUN_JOURNAL SET END_REASON = ?, ENDED_TIME = ? WHERE RUN_ID = ? AND END_REASON "
             "IS NULL"),
         {reasonText(reason), store::storedTime(when), runId});
}

void resumed(clsConnection& connection, qint64 runId, const Gap& gap, const QDateTime& when) {
    store::Transaction transaction(connection);
    const std::optional<Run> r = run(connection, runId);
    if (!r)
        throw StoreError(StoreError::kEngine, QStringLiteral("The run %1 is not in the journal.").arg(runId));
    std::vector<Gap> gaps = r->gaps;
    if (gap.to_s > gap.from_s) gaps.push_back(gap);
    exec(connection,
         QStringLiteral("UPDATE RUN_JOURNAL SET END_REASON = NULL, ENDED_TIME = NULL, LAST_SEEN_TIME = ?, "
                        "RUN_GAPS = ? WHERE RUN_ID = ?"),
         {store::storedTime(when), gapsText(gaps), runId});
    transaction.commit();
}

std::vector<Run> runs(clsConnection& connection, bool interruptedOnly) {
    std::vector<Run> all = select(connection, {}, {});
    if (interruptedOnly)
        all.erase(std::remove_if(all.begin(), all.end(),
                                 [&](const Run& r) { return !isInterrupted(connection, r); }),
                  all.end());
    return all;
}

std::optional<Run> run(clsConnection& connection, qint64 runId) {
    std::vector<Run> found = select(connection, QStringLiteral("WHERE J.RUN_ID = ?"), {runId});
    if (found.empty()) return std::nullopt;
    return found.front();
}

std::optional<Run> interrupted(clsConnection& connection, const QString& testName, int unit) {
    for (const Run& r : select(
             connection, QStringLiteral("WHERE T.TEST_NAME = ? AND J.UNIT_NO = ? AND J.END_REASON IS NULL"),
             {testName, unit}))
        if (isInterrupted(connection, r)) return r;
    return std::nullopt;
}

std::optional<Run> openRunOf(clsConnection& connection, const QString& testName) {
    std::vector<Run> found =
        select(connection, QStringLiteral("WHERE T.TEST_NAME = ? AND J.END_REASON IS NULL"), {testName});
    if (found.empty()) return std::nullopt;
    return found.front();
}

std::vector<Run> runsOfTest(clsConnection& connection, double testId) {
    if (!store::dialect::tableNames(connection.ADOConnection()).contains(table().name)) return {};
    std::vector<Run> found = select(connection, QStringLiteral("WHERE J.TEST_ID = ?"), {testId});
    std::reverse(found.begin(), found.end());
    return found;
}

qint64 copy(clsConnection& connection, const Run& r, double testId) {
    Run copied = r;
    copied.testId = testId;
    const qint64 runId = begin(connection, copied);
    exec(connection,
         QStringLiteral(
             "UPDATE RUN_JOURNAL SET LAST_SEEN_TIME = ?, ENDED_TIME = ?, END_REASON = ?, RUN_GAPS = ? "
             "WHERE RUN_ID = ?"),
         {store::storedTime(r.lastSeen), store::storedTime(r.ended),
          r.isEnded() ? QVariant(reasonText(r.endReason)) : QVariant(), gapsText(r.gaps), runId});
    return runId;
}

std::vector<Gap> gapsOf(clsConnection& connection, double testId) {
    std::vector<Gap> gaps;
    for (const Run& r : runsOfTest(connection, testId)) gaps.insert(gaps.end(), r.gaps.begin(), r.gaps.end());
    std::sort(gaps.begin(), gaps.end(), [](const Gap& a, const Gap& b) { return a.from_s < b.from_s; });
    return gaps;
}

void removeOfTestsNamed(clsConnection& connection, const QString& testName) {
    exec(connection,
         QStringLiteral(
             "DELETE FROM RUN_JOURNAL WHERE TEST_ID IN (SELECT TEST_ID FROM TEST_INFO WHERE TEST_NAME = ?)"),
         {testName});
}

}  // namespace run_journal
