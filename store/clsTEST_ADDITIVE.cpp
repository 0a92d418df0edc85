#include "store/clsTEST_ADDITIVE.h"

namespace {

using K = FieldRecord::Kind;

constexpr FieldRecord::Field kFields[] = {
    {"TESTADD_ID", "TESTADD_ID", K::Double}, {"TESTId", "TEST_ID", K::Double},
    {"ADDITIVE_NM", "ADDITIVE_NM", K::Text}, {"ADD_CONCEN", "ADD_CONCEN", K::Double},
    {"ADD_UNIT", "ADD_UNIT", K::Text},       {"ADD_LOTNO", "ADD_LOTNO", K::Text},
};

const QStringList kSelectColumns{"TESTADD_ID", "TEST_ID",  "ADDITIVE_NM",
                                 "ADD_CONCEN", "ADD_UNIT", "ADD_LOTNO"};

}  // namespace

clsTEST_ADDITIVE::clsTEST_ADDITIVE() : FieldRecord(kFields) {
    SetDefaults();
}

QVariant clsTEST_ADDITIVE::defaultValue(int field) const {
    if (fields_[field].kind == Kind::Text) return QString::fromLatin1("", 0);
    return 0.0;
}

void clsTEST_ADDITIVE::prepareStatements(const QSqlDatabase& db) {
    select_.prepare(db, kSelectSql, kSelectParams);
    insert_.prepare(db, kInsertSql, kInsertParams);
    delete_.prepare(db, kDeleteSql, kDeleteParams);
}

int clsTEST_ADDITIVE::select() {
    run(select_, {values_[TestIdField]});
    return readTable(select_, kSelectColumns);
}

void clsTEST_ADDITIVE::runInitialSelection() {
    initialLoaded(select(), false);
}

void clsTEST_ADDITIVE::GetSeqDetail() {
    lookupLoaded(select());
}

void clsTEST_ADDITIVE::AddNew() {
    set(TestAddId, 0.0);
    run(insert_,
        {values_[TestIdField], values_[AdditiveName], values_[Concentration], values_[Unit], values_[LotNo]});
    insert_.finish();
}

void clsTEST_ADDITIVE::Delete() {
    run(delete_, {values_[TestIdField]});
    delete_.finish();
}
