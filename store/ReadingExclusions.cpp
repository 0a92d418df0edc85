#include "store/ReadingExclusions.h"

#include "common/VbFormat.h"
#include "store/FeatureRows.h"
#include "store/Transaction.h"
#include "store/clsConnection.h"

#include <algorithm>
#include <optional>

namespace store::exclusions {

namespace {

constexpr const char* kTable = "TEST_EXCLUSION";
constexpr const char* kExcluded = "reading %1 excluded from the fits";
constexpr const char* kIncluded = "reading %1 taken into the fits again";

QString key(double resultId) {
    return vb::Format(resultId, QStringLiteral("0"));
}

// "reading 812 (ramp 2, step 3, 41.5 min)": which reading a row of the record of changes is about; nothing
// when the test has no reading of that key.
std::optional<QString> describeReading(clsConnection& connection, double testId, double resultId) {
    Statement select;
    select.prepare(connection.ADOConnection(), kReadingSql, kDeleteParams);
    select.run({testId, resultId});
    std::optional<QString> text;
    if (select.query().next()) {
        const QSqlQuery& q = select.query();
        text = QStringLiteral("%1 (ramp %2, step %3, %4 min)")
                   .arg(key(resultId), vb::Format(feature_rows::numberOf(q.value(0)), QStringLiteral("0")),
                        vb::Format(feature_rows::numberOf(q.value(1)), QStringLiteral("0")),
                        vb::Format(feature_rows::numberOf(q.value(2)) / 60.0, QStringLiteral("0.0")));
    }
    throwIfFailed(select.query());
    select.finish();
    return text;
}

const Exclusion* find(const std::vector<Exclusion>& list, double resultId) {
    const auto it = std::find_if(list.begin(), list.end(),
                                 [resultId](const Exclusion& e) { return e.resultId == resultId; });
    return it == list.end() ? nullptr : &*it;
}

}  // namespace

std::vector<Exclusion> ofTest(clsConnection& connection, double testId) {
    Statement select;
    if (!feature_rows::select(connection, select, kByTestSql, kByTestParams, {testId}, kTable)) return {};
    std::vector<Exclusion> list;
    QSqlQuery& query = select.query();
    while (query.next())
        list.push_back({feature_rows::numberOf(query.value(0)), query.value(1).toString(),
                        query.value(2).toString(), feature_rows::timeOf(query.value(3))});
    throwIfFailed(query);
    select.finish();
    return list;
}

Outcome exclude(clsConnection& connection, double testId, const QString& testName,
                const QList<double>& resultIds, const QString& reason, const audit::Actor& actor) {
    Outcome outcome;
    if (reason.trimmed().isEmpty()) {
        outcome.refusal = QString::fromLatin1(kNoReason);
        return outcome;
    }
    Transaction transaction(connection);
    feature_rows::requireStoredTest(connection, testId, testName);
    const std::vector<Exclusion> stored = ofTest(connection, testId);
    const audit::Entry now = audit::change(testId, testName, {}, {}, {}, actor);
    for (const double id : resultIds) {
        if (find(stored, id) || outcome.changed.contains(id)) {
            outcome.unchanged.append(id);
            continue;
        }
        const std::optional<QString> reading = describeReading(connection, testId, id);
        if (!reading) {
            outcome.notOfTest.append(id);
            continue;
        }
        Statement insert;
        feature_rows::write(connection, insert, kInsertSql, kInsertParams,
                            {testId, id, reason, actor.user, storedTime(now.time)});
        audit::Entry entry = now;
        entry.what = QString::fromLatin1(kExcluded).arg(*reading);
        entry.newValue = reason;
        audit::append(connection, entry);
        outcome.changed.append(id);
    }
    transaction.commit();
    return outcome;
}

Outcome include(clsConnection& connection, double testId, const QString& testName,
                const QList<double>& resultIds, const audit::Actor& actor) {
    Outcome outcome;
    Transaction transaction(connection);
    feature_rows::requireStoredTest(connection, testId, testName);
    const std::vector<Exclusion> stored = ofTest(connection, testId);
    const audit::Entry now = audit::change(testId, testName, {}, {}, {}, actor);
    for (const double id : resultIds) {
        const Exclusion* exclusion = find(stored, id);
        if (!exclusion || outcome.changed.contains(id)) {
            (describeReading(connection, testId, id) ? outcome.unchanged : outcome.notOfTest).append(id);
            continue;
        }
        Statement remove;
        feature_rows::write(connection, remove, kDeleteSql, kDeleteParams, {testId, id});
        audit::Entry entry = now;
        entry.what =
            QString::fromLatin1(kIncluded).arg(describeReading(connection, testId, id).value_or(key(id)));
        entry.oldValue = exclusion->reason;
        audit::append(connection, entry);
        outcome.changed.append(id);
    }
    transaction.commit();
    return outcome;
}

QString describe(const Outcome& outcome, bool excluding) {
    if (!outcome.refusal.isEmpty()) return outcome.refusal;
    const auto keys = [](const QList<double>& ids) {
        QStringList texts;
        for (double id : ids) texts << key(id);
        return texts.join(QStringLiteral(", "));
    };
    const auto readings = [](const QList<double>& ids) {
        return ids.size() == 1 ? QStringLiteral("Reading") : QStringLiteral("Readings");
    };
    QStringList sentences;
    const qsizetype done = outcome.changed.size();
    sentences << QStringLiteral("%1 %2 %3.")
                     .arg(vb::Format(double(done), QStringLiteral("0")),
                          done == 1 ? QStringLiteral("reading") : QStringLiteral("readings"),
                          excluding ? QStringLiteral("excluded from the fits")
                                    : QStringLiteral("taken into the fits again"));
    if (!outcome.unchanged.isEmpty())
        sentences << QStringLiteral("%1 %2 %3.")
                         .arg(
                             readings(outcome.unchanged), keys(outcome.unchanged),
                             excluding ? QStringLiteral("excluded already") : QStringLiteral("not excluded"));
    if (!outcome.notOfTest.isEmpty())
        sentences << QStringLiteral("No reading of this test has the key %1.").arg(keys(outcome.notOfTest));
    return sentences.join(u' ');
}

void copyTo(clsConnection& connection, double testId, const std::vector<Exclusion>& exclusions) {
    for (const Exclusion& e : exclusions) {
        Statement insert;
        feature_rows::write(connection, insert, kInsertSql, kInsertParams,
                            {testId, e.resultId, e.reason, e.user, storedTime(e.time)});
    }
}

}  // namespace store::exclusions
