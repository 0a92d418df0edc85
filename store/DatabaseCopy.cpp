#include "store/DatabaseCopy.h"

#include "store/CriteriaStore.h"
#include "store/NewTest.h"
#include "store/ReadingExclusions.h"
#include "store/ReadingWriter.h"
#include "store/RunJournal.h"
#include "store/SqlDialect.h"
#include "store/TestAudit.h"
#include "store/Transaction.h"
#include "store/UnitCalibrations.h"
#include "store/clsConnection.h"
#include "store/clsSEQUENCE_INFO.h"
#include "store/clsSEQUENCE_RAMP.h"
#include "store/clsSEQUENCE_RAMP_DEFINE.h"
#include "store/clsTEST_ADDITIVE.h"
#include "store/clsTEST_INFO.h"
#include "store/clsTEST_RESULT.h"

#include <QSet>

#include <algorithm>

#undef EOF  // the record classes' EOF(), not the C library's macro

namespace store {

namespace {

// The names of a list's column, and the same folded to one letter case.
QStringList namesOf(const RecordTable& list, const QString& column) {
    QStringList names;
    const int c = list.columnIndex(column);
    for (int row = 0; row < list.rowCount(); ++row) names << list.value(c, row).toString();
    return names;
}

QSet<QString> folded(const QStringList& names) {
    QSet<QString> set;
    for (const QString& name : names) set.insert(name.toCaseFolded());
    return set;
}

// Every row of a child record's last lookup, as All() gives it.
QList<QVariantList> rowsOf(RecordBase& record) {
    QList<QVariantList> rows;
    for (record.MoveFirst(); !record.EOF(); record.MoveNext()) rows << record.All();
    return rows;
}

class Copier {
  public:
    Copier(clsConnection& from, clsConnection& to) : from_(from), to_(to) {}

    CopyStep copyTest(const QString& name);
    CopyStep copySequence(const QString& name);

    QSet<QString> testsHeld;
    QSet<QString> sequencesHeld;

  private:
    // What a test has beyond its three tables: its excluded readings (by their place among its readings,
    // since the copy's readings get keys of their own), its criteria and its record of changes.
    struct TestRecords {
        std::vector<std::pair<std::size_t, exclusions::Exclusion>> exclusions;
        std::vector<criteria::Criterion> criteria;
        std::vector<audit::Entry> changes;
    };
    TestRecords readRecords(double sourceId, const clsTEST_RESULT& readings);
    void writeRecords(double targetId, const QString& name, const TestRecords& records);

    clsConnection& from_;
    clsConnection& to_;
};

Copier::TestRecords Copier::readRecords(double sourceId, const clsTEST_RESULT& readings) {
    TestRecords records;
    const std::vector<exclusions::Exclusion> excluded = exclusions::ofTest(from_, sourceId);
    const auto& rows = readings.rTestResult();
    for (std::size_t i = 0; i < rows.size(); ++i)
        for (const exclusions::Exclusion& e : excluded)
            if (e.resultId == rows[i][TestResultColumn::TEST_RESULT_ID]) records.exclusions.push_back({i, e});
    records.criteria = criteria::ofTest(from_, sourceId);
    records.changes = audit::ofTest(from_, sourceId);
    return records;
}

void Copier::writeRecords(double targetId, const QString& name, const TestRecords& records) {
    // The copy's readings were stored in the order of the source's, and come back in it.
    clsTEST_RESULT stored;
    stored.setTest_Id(static_cast<int>(targetId));
    stored.ConnectX(to_);
    std::vector<exclusions::Exclusion> excluded;
    for (const auto& [index, e] : records.exclusions) {
        if (index >= stored.rTestResult().size()) continue;
        excluded.push_back(e);
        excluded.back().resultId = stored.rTestResult()[index][TestResultColumn::TEST_RESULT_ID];
    }
    exclusions::copyTo(to_, targetId, excluded);
    criteria::copyToTest(to_, targetId, records.criteria);
    for (audit::Entry entry : records.changes) {
        entry.testId = targetId;
        audit::append(to_, entry);
    }
    audit::append(
        to_, audit::change(targetId, name, QString::fromLatin1(audit::kCopied), from_.displayName(), {}));
}

CopyStep Copier::copyTest(const QString& name) {
    CopyStep step{CopyStep::Kind::Test, name};
    if (testsHeld.contains(name.toCaseFolded())) return step;

    clsTEST_INFO source;
    source.ConnectX(from_);
    source.setTEST_NAME(name);
    source.GetTestDetail();
    const int sourceId = static_cast<int>(source.Test_Id());
    // A test without a time (Null) reads back as the time of reading: it is given no time in the copy either.
    const RecordTable found = source.UsedName();
    const bool noTime = found.value(found.columnIndex(QStringLiteral("TEST_TIME")), 0).isNull();

    clsTEST_RESULT readings;
    readings.setTest_Id(sourceId);
    readings.ConnectX(from_);
    std::vector<Reading> values;
    values.reserve(readings.rTestResult().size());
    for (const clsTEST_RESULT::Row& row : readings.rTestResult()) values.push_back(ReadingOfRow(row));

    clsTEST_ADDITIVE additive;
    additive.setTESTId(sourceId);
    additive.ConnectX(from_);
    QList<NewAdditive> additives;
    for (const QVariantList& a : rowsOf(additive))
        additives.append({a[2].toString(), a[3].toDouble(), a[4].toString(), a[5].toString()});

    const TestRecords records = readRecords(sourceId, readings);
    const std::vector<run_journal::Run> runs = run_journal::runsOfTest(from_, sourceId);

    clsTEST_INFO target;
    target.ConnectX(to_);
    target.setAll(source.All());
    try {
        Transaction transaction(to_);
        const double targetId = StoreNewTest(to_, target, additives, values);
        if (noTime) {
            target.setTEST_TIME(clsTEST_INFO::noTestTime());
            target.Update();
        }
        writeRecords(targetId, name, records);
        for (const run_journal::Run& run : runs) run_journal::copy(to_, run, targetId);
        transaction.commit();
    } catch (const StoreError& error) {
        // Stored meanwhile by another program.
        if (error.number() != StoreError::kNameTaken && !dialect::isUniqueViolation(error)) throw;
        return step;
    }
    testsHeld.insert(name.toCaseFolded());
    step.copied = true;
    step.rows = static_cast<int>(values.size());
    step.moreRows = static_cast<int>(additives.size());
    return step;
}

CopyStep Copier::copySequence(const QString& name) {
    CopyStep step{CopyStep::Kind::Sequence, name};
    if (sequencesHeld.contains(name.toCaseFolded())) return step;

    clsSEQUENCE_INFO source;
    source.ConnectX(from_);
    source.setSEQUENCE_NAME(name);
    source.GetSeqDetail();
    const QVariantList settings = source.All();
    clsSEQUENCE_RAMP steps;
    steps.setSequenceId(source.SEQUENCE_ID());
    steps.ConnectX(from_);
    const QList<QVariantList> stepRows = rowsOf(steps);
    clsSEQUENCE_RAMP_DEFINE rates;
    rates.setSequenceId(source.SEQUENCE_ID());
    rates.ConnectX(from_);
    const QList<QVariantList> rateRows = rowsOf(rates);
    const std::vector<criteria::Criterion> sequenceCriteria =
        criteria::ofSequence(from_, name).value_or(std::vector<criteria::Criterion>{});

    try {
        Transaction transaction(to_);
        clsSEQUENCE_INFO target;
        target.ConnectX(to_);
        target.setAll(settings);
        target.AddNew();
        // The new key is learnt only by reading the row back.
        target.setSEQUENCE_NAME(name);
        target.GetSeqDetail();
        const double id = target.SEQUENCE_ID();
        clsSEQUENCE_RAMP targetSteps;
        targetSteps.ConnectX(to_);
        for (const QVariantList& row : stepRows) {
            targetSteps.setAll(row);
            targetSteps.setSequenceId(id);
            targetSteps.AddNew();
        }
        if (!sequenceCriteria.empty()) criteria::setForSequence(to_, name, sequenceCriteria);
        clsSEQUENCE_RAMP_DEFINE targetRates;
        targetRates.ConnectX(to_);
        for (const QVariantList& row : rateRows) {
            targetRates.setAll(row);
            targetRates.setSequenceId(id);
            targetRates.AddNew();
        }
        transaction.commit();
    } catch (const StoreError& error) {
        if (!dialect::isUniqueViolation(error)) throw;
        return step;
    }
    sequencesHeld.insert(name.toCaseFolded());
    step.copied = true;
    step.rows = static_cast<int>(stepRows.size());
    step.moreRows = static_cast<int>(rateRows.size());
    return step;
}

}  // namespace

CopyTotals CopyDatabase(clsConnection& from, clsConnection& to,
                        const std::function<void(const CopyStep&)>& report) {
    Copier copier(from, to);
    clsTEST_INFO tests;
    tests.ConnectX(to);
    copier.testsHeld = folded(namesOf(tests.UsedName(), QStringLiteral("TEST_NAME")));
    clsSEQUENCE_INFO sequences;
    sequences.ConnectX(to);
    copier.sequencesHeld = folded(namesOf(sequences.JustName(), QStringLiteral("SEQUENCE_NAME")));

    tests.ConnectX(from);
    QStringList testNames = namesOf(tests.UsedName(), QStringLiteral("TEST_NAME"));
    std::reverse(testNames.begin(), testNames.end());  // the list is newest first
    sequences.ConnectX(from);
    const QStringList sequenceNames = namesOf(sequences.JustName(), QStringLiteral("SEQUENCE_NAME"));

    CopyTotals totals;
    for (const QString& name : testNames) {
        const CopyStep step = copier.copyTest(name);
        ++(step.copied ? totals.testsCopied : totals.testsSkipped);
        report(step);
    }
    for (const QString& name : sequenceNames) {
        const CopyStep step = copier.copySequence(name);
        ++(step.copied ? totals.sequencesCopied : totals.sequencesSkipped);
        report(step);
    }
    totals.calibrationsCopied = unit_calibration::copyMissing(from, to);
    return totals;
}

}  // namespace store
