#include "store/clsTEST_INFO.h"

#include "store/FeatureRows.h"
#include "store/RecordingLock.h"
#include "store/RunJournal.h"
#include "store/TestAudit.h"
#include "store/Transaction.h"

namespace {

using K = FieldRecord::Kind;

constexpr FieldRecord::Field kFields[] = {
    {"Test_Id", "TEST_ID", K::Double},
    {"TEST_NAME", "TEST_NAME", K::Text},
    {"Fluid_ID", "FLUID_ID", K::Text},
    {"TEST_TIME", "TEST_TIME", K::DateTime},
    {"RESEARCHER_NAME", "RESEARCHER_NAME", K::Text},
    {"ROTOR_NO", "ROTOR_NO", K::Text},
    {"BOB_NO", "BOB_NO", K::Text},
    {"BOB_RADIUS", "BOB_RADIUS", K::Double},
    {"BOB_EFF_LENGTH", "BOB_EFF_LENGTH", K::Double},
    {"PreTest_PH", "PRETEST_PH", K::Double},
    {"PostTest_PH", "POSTTEST_PH", K::Double},
    {"SAFETY", "SAFETY", K::Text},
};

const QStringList kListColumns{"TEST_NAME", "TEST_TIME", "RESEARCHER_NAME"};
const QStringList kLookupColumns{"TEST_ID",         "TEST_NAME",  "FLUID_ID",    "TEST_TIME",
                                 "RESEARCHER_NAME", "ROTOR_NO",   "BOB_NO",      "BOB_RADIUS",
                                 "BOB_EFF_LENGTH",  "PRETEST_PH", "POSTTEST_PH", "SAFETY"};

}  // namespace

QDateTime clsTEST_INFO::noTestTime() {
    return QDateTime(QDate(1800, 1, 1), QTime(0, 0));
}

clsTEST_INFO::clsTEST_INFO() : FieldRecord(kFields, 1) {
    SetDefaults();
}

QVariant clsTEST_INFO::defaultValue(int field) const {
    switch (field) {
        case TestId:
            return 0.0;
        case TestTime: {
            // Whole seconds: the time is stored to the second.
            const QDateTime now = QDateTime::currentDateTime();
            return now.addMSecs(-now.time().msec());
        }
        case ResearcherName:
            return QString::fromLatin1(kDefaultResearcher);
        case RotorNo:
            return QString::fromLatin1(kDefaultRotor);
        case BobNo:
            return QString::fromLatin1(kDefaultBob);
        case BobRadius:
            return kDefaultBobRadius_cm;
        case BobEffLength:
            return kDefaultBobEffLength_cm;
        case PretestPh:
        case PosttestPh:
            return kDefaultPh;
        default:
            return QString::fromLatin1("", 0);  // the other texts
    }
}

void clsTEST_INFO::prepareStatements(const QSqlDatabase& db) {
    list_.prepare(db, kListSql, {});
    lookup_.prepare(db, kLookupSql, kLookupParams);
    insert_.prepare(db, kInsertSql, kInsertParams);
    update_.prepare(db, kUpdateSql, kUpdateParams);
    delete_.prepare(db, kDeleteSql, kDeleteParams);
    deleteReadings_.prepare(db, kDeleteReadingsSql, kDeleteChildrenParams);
    deleteAdditives_.prepare(db, kDeleteAdditivesSql, kDeleteChildrenParams);
}

void clsTEST_INFO::runInitialSelection() {
    run(list_, {});
    initialLoaded(readTable(list_, kListColumns), false);
}

void clsTEST_INFO::GetTestDetail() {
    run(lookup_, {values_[TestName]});
    lookupLoaded(readTable(lookup_, kLookupColumns));
}

void clsTEST_INFO::AddNew() {
    run(insert_, {values_[TestName], values_[FluidId], store::storedTime(TEST_TIME()),
                  values_[ResearcherName], values_[RotorNo], values_[BobNo], values_[BobRadius],
                  values_[BobEffLength], values_[PretestPh], values_[PosttestPh], values_[Safety]});
    insert_.finish();
}

void clsTEST_INFO::Update() {
    const QDateTime when = TEST_TIME();
    const QVariant storedWhen = when == noTestTime() ? QVariant() : store::storedTime(when);
    run(update_, {values_[TestName], values_[FluidId], storedWhen, values_[ResearcherName], values_[RotorNo],
                  values_[BobNo], values_[BobRadius], values_[BobEffLength], values_[PretestPh],
                  values_[PosttestPh], values_[Safety], values_[TestId]});
    update_.finish();
}

void clsTEST_INFO::Delete() {
    store::Transaction transaction(connection());
    const QVariant name = values_[TestName];
    // A run recording the test would go on storing readings of a test that is gone; its lock refuses.
    const store::RecordingLock::DeletionGuard recordings =
        store::RecordingLock::guardDeletion(connection(), store::toText(name, "TEST_NAME"));
    // The test's excluded readings and criteria go with it; its record of changes stays, and says who
    // deleted it.
    store::audit::recordDeletion(preparedConnection(), store::toText(name, "TEST_NAME"));
    store::feature_rows::deleteRowsOfTestsNamed(connection(), store::toText(name, "TEST_NAME"));
    run(deleteReadings_, {name});
    deleteReadings_.finish();
    run(deleteAdditives_, {name});
    deleteAdditives_.finish();
    run_journal::removeOfTestsNamed(connection(), store::toText(name, "TEST_NAME"));
    run(delete_, {name});
    delete_.finish();
    transaction.commit();
}
