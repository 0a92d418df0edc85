#include "store/clsSEQUENCE_INFO.h"

#include "store/FeatureRows.h"
#include "store/Transaction.h"

namespace {

using K = FieldRecord::Kind;

constexpr FieldRecord::Field kFields[] = {
    {"SEQUENCE_ID", "SEQUENCE_ID", K::Double},
    {"SEQUENCE_NAME", "SEQUENCE_NAME", K::Text},
    {"TIME_BEFORE_READ", "TIME_BEFORE_READ", K::Double},
    {"RAMP_SAMPLE_RATE", "RAMP_SAMPLE_RATE", K::Double},
    {"SAMPLE_POINTS_AVERAGE", "SAMPLE_POINTS_AVERAGE", K::Double},
    {"SHUT_DOWN_ATIME", "SHUT_DOWN_ATIME", K::Double},
    {"SHUT_DOWN_VISC", "SHUT_DOWN_VISC", K::Double},
    {"SAMPLE_INTERVAL", "SAMPLE_INTERVAL", K::Int32},
};

const QStringList kNamesColumns{"SEQUENCE_NAME"};
const QStringList kLookupColumns{"SEQUENCE_ID",      "SEQUENCE_NAME",         "TIME_BEFORE_READ",
                                 "RAMP_SAMPLE_RATE", "SAMPLE_POINTS_AVERAGE", "SHUT_DOWN_ATIME",
                                 "SHUT_DOWN_VISC",   "SAMPLE_INTERVAL"};

}  // namespace

clsSEQUENCE_INFO::clsSEQUENCE_INFO() : FieldRecord(kFields) {
    SetDefaults();
}

QVariant clsSEQUENCE_INFO::defaultValue(int field) const {
    switch (field) {
        case SequenceName:
            return QString::fromLatin1("", 0);
        case TimeBeforeRead:
            return kDefaultTimeBeforeRead_s;
        case RampSampleRate:
            return kDefaultRampSampleRate_s;
        case SamplePointsAverage:
            return kDefaultSamplePointsAverage;
        case ShutDownAtime:
            return kDefaultShutDownAtime_min;
        case ShutDownVisc:
            return kDefaultShutDownVisc_cP;
        case SampleInterval:
            return kDefaultSampleInterval_s;
        default:
            return 0.0;
    }
}

void clsSEQUENCE_INFO::setSAMPLE_INTERVAL(double value) {
    set(SampleInterval, store::toInt32(value, "SAMPLE_INTERVAL"));
}

void clsSEQUENCE_INFO::prepareStatements(const QSqlDatabase& db) {
    namesList_.prepare(db, kNamesSql, {});
    lookup_.prepare(db, kLookupSql, kLookupParams);
    insert_.prepare(db, kInsertSql, kInsertParams);
    update_.prepare(db, kUpdateSql, kUpdateParams);
    delete_.prepare(db, kDeleteSql, kDeleteParams);
    deleteSteps_.prepare(db, kDeleteStepsSql, kDeleteChildrenParams);
    deleteShearRamp_.prepare(db, kDeleteShearRampSql, kDeleteChildrenParams);
}

void clsSEQUENCE_INFO::runInitialSelection() {
    run(namesList_, {});
    initialLoaded(readTable(namesList_, kNamesColumns), false);
    names_ = snapshot_;
}

void clsSEQUENCE_INFO::Refresh() {
    // Only whether the names statement found anything changes (BOF, IsEmpty).
    run(namesList_, {});
    noRows_ = !namesList_.query().next();
    store::throwIfFailed(namesList_.query());
    namesList_.finish();
}

void clsSEQUENCE_INFO::GetSeqDetail() {
    run(lookup_, {values_[SequenceName]});
    lookupLoaded(readTable(lookup_, kLookupColumns));
}

void clsSEQUENCE_INFO::AddNew() {
    run(insert_, {values_[SequenceName], values_[TimeBeforeRead], values_[RampSampleRate],
                  values_[SamplePointsAverage], values_[ShutDownAtime], values_[ShutDownVisc],
                  values_[SampleInterval]});
    insert_.finish();
}

void clsSEQUENCE_INFO::Update() {
    run(update_, {values_[SequenceName], values_[TimeBeforeRead], values_[RampSampleRate],
                  values_[SamplePointsAverage], values_[ShutDownAtime], values_[ShutDownVisc],
                  values_[SampleInterval], values_[SequenceId]});
    update_.finish();
}

void clsSEQUENCE_INFO::Delete() {
    store::Transaction transaction(connection());
    const QVariant name = values_[SequenceName];
    store::feature_rows::deleteRowsOfSequencesNamed(preparedConnection(),
                                                    store::toText(name, "SEQUENCE_NAME"));
    run(deleteSteps_, {name});
    deleteSteps_.finish();
    run(deleteShearRamp_, {name});
    deleteShearRamp_.finish();
    run(delete_, {name});
    delete_.finish();
    transaction.commit();
}
