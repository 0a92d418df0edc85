#include "store/CriteriaStore.h"

#include "common/VbFormat.h"
#include "store/FeatureRows.h"
#include "store/Transaction.h"
#include "store/clsConnection.h"

#include <cmath>

namespace store::criteria {

namespace {

constexpr const char* kTestTable = "TEST_CRITERION";
constexpr const char* kSequenceTable = "SEQUENCE_CRITERION";

bool positive(double value) {
    return std::isfinite(value) && value > 0;
}

QString number(double value) {
    return vb::Format(value, QString());
}

std::vector<Criterion> readCriteria(Statement& statement) {
    std::vector<Criterion> list;
    QSqlQuery& q = statement.query();
    while (q.next()) {
        Criterion& c = list.emplace_back();
        c.shearRate_1ps = feature_rows::numberOf(q.value(1));
        c.kind = feature_rows::numberOf(q.value(2)) == 1 ? LimitKind::Maximum : LimitKind::Minimum;
        c.limit_cP = feature_rows::numberOf(q.value(3));
        c.duration_min = feature_rows::numberOf(q.value(4));
        if (!q.value(5).isNull()) c.minTemp_F = feature_rows::numberOf(q.value(5));
        c.source =
            feature_rows::numberOf(q.value(6)) == 1 ? ViscositySource::Fitted : ViscositySource::Apparent;
    }
    throwIfFailed(q);
    statement.finish();
    return list;
}

std::optional<double> sequenceIdOf(clsConnection& connection, const QString& name) {
    connection.reconnectIfLost();
    Statement select;
    select.prepare(connection.ADOConnection(), kSequenceIdSql, kSequenceNameParams);
    select.run({name});
    std::optional<double> id;
    if (select.query().next()) id = feature_rows::numberOf(select.query().value(0));
    throwIfFailed(select.query());
    select.finish();
    return id;
}

QString firstProblem(const std::vector<Criterion>& criteria) {
    for (std::size_t i = 0; i < criteria.size(); ++i)
        if (const std::optional<QString> problem = problemOf(criteria[i]))
            return QStringLiteral("Criterion %1: %2")
                .arg(vb::Format(double(i + 1), QStringLiteral("0")), *problem);
    return {};
}

void writeAll(clsConnection& connection, const char* deleteSql, const char* insertSql, double ownerId,
              const std::vector<Criterion>& criteria) {
    Statement remove;
    feature_rows::write(connection, remove, deleteSql, kOwnerParams, {ownerId});
    for (std::size_t i = 0; i < criteria.size(); ++i) {
        const Criterion& c = criteria[i];
        Statement insert;
        feature_rows::write(
            connection, insert, insertSql, kInsertParams,
            {ownerId, double(i + 1), c.shearRate_1ps, double(int(c.kind)), c.limit_cP, c.duration_min,
             c.minTemp_F ? QVariant(*c.minTemp_F) : QVariant(), double(int(c.source))});
    }
}

}  // namespace

std::optional<QString> problemOf(const Criterion& c) {
    if (!positive(c.shearRate_1ps)) return QStringLiteral("the shear rate must be a number above 0 1/s.");
    if (!positive(c.limit_cP)) return QStringLiteral("the viscosity limit must be a number above 0 cP.");
    if (!positive(c.duration_min)) return QStringLiteral("the duration must be a number above 0 minutes.");
    if (c.minTemp_F && !std::isfinite(*c.minTemp_F))
        return QStringLiteral("the least temperature must be a number of degrees F.");
    return std::nullopt;
}

QString specText(const Criterion& c) {
    QString text = number(c.shearRate_1ps) + u':' + number(c.limit_cP) + u':' + number(c.duration_min);
    if (c.minTemp_F) text += u':' + number(*c.minTemp_F);
    text += c.kind == LimitKind::Maximum ? QStringLiteral(" max") : QStringLiteral(" min");
    text += c.source == ViscositySource::Fitted ? QStringLiteral(" fitted") : QStringLiteral(" apparent");
    return text;
}

QString specText(const std::vector<Criterion>& criteria) {
    QStringList texts;
    for (const Criterion& c : criteria) texts << specText(c);
    return texts.join(QStringLiteral("; "));
}

std::vector<Criterion> ofTest(clsConnection& connection, double testId) {
    Statement select;
    if (!feature_rows::select(connection, select, kOfTestSql, kOwnerParams, {testId}, kTestTable)) return {};
    return readCriteria(select);
}

std::optional<std::vector<Criterion>> ofSequence(clsConnection& connection, const QString& sequenceName) {
    const std::optional<double> id = sequenceIdOf(connection, sequenceName);
    if (!id) return std::nullopt;
    Statement select;
    if (!feature_rows::select(connection, select, kOfSequenceSql, kOwnerParams, {*id}, kSequenceTable))
        return std::vector<Criterion>{};
    return readCriteria(select);
}

QString setForTest(clsConnection& connection, double testId, const QString& testName,
                   const std::vector<Criterion>& criteria, const audit::Actor& actor) {
    if (const QString problem = firstProblem(criteria); !problem.isEmpty()) return problem;
    Transaction transaction(connection);
    feature_rows::requireStoredTest(connection, testId, testName);
    const std::vector<Criterion> before = ofTest(connection, testId);
    if (before == criteria) return {};
    writeAll(connection, kDeleteOfTestSql, kInsertOfTestSql, testId, criteria);
    audit::append(connection, audit::change(testId, testName, QString::fromLatin1(kWhat), specText(before),
                                            specText(criteria), actor));
    transaction.commit();
    return {};
}

QString setForSequence(clsConnection& connection, const QString& sequenceName,
                       const std::vector<Criterion>& criteria) {
    if (const QString problem = firstProblem(criteria); !problem.isEmpty()) return problem;
    Transaction transaction(connection);
    const std::optional<double> id = sequenceIdOf(connection, sequenceName);
    if (!id)
        throw StoreError(StoreError::kEngine,
                         QStringLiteral("The sequence \"%1\" is not stored.").arg(sequenceName));
    writeAll(connection, kDeleteOfSequenceSql, kInsertOfSequenceSql, *id, criteria);
    transaction.commit();
    return {};
}

void copyToTest(clsConnection& connection, double testId, const std::vector<Criterion>& criteria) {
    writeAll(connection, kDeleteOfTestSql, kInsertOfTestSql, testId, criteria);
}

}  // namespace store::criteria
