#include "StoreFixture.h"
#include "store/clsSEQUENCE_INFO.h"
#include "store/clsSEQUENCE_RAMP.h"
#include "store/clsSEQUENCE_RAMP_DEFINE.h"
#include "store/clsTEST_ADDITIVE.h"
#include "store/clsTEST_INFO.h"
#include "store/clsTEST_RESULT.h"

#include <functional>

#undef EOF  // the record classes' EOF(), not the C library's macro

namespace {

enum class Move { First, Last, Next, Previous, Rel };
struct Step {
    Move move;
    int offset = 0;
};
struct CursorCase {
    const char* name;
    std::vector<Step> steps;
    int position;
    bool eof;
};

void applyMoves(RecordBase& record, const std::vector<Step>& steps) {
    for (const Step& step : steps) {
        switch (step.move) {
            case Move::First:
                record.MoveFirst();
                break;
            case Move::Last:
                record.MoveLast();
                break;
            case Move::Next:
                record.MoveNext();
                break;
            case Move::Previous:
                record.MovePrevious();
                break;
            case Move::Rel:
                record.MoveRel(step.offset);
                break;
        }
    }
}

const Step kFirst{Move::First}, kLast{Move::Last}, kNext{Move::Next}, kPrevious{Move::Previous};
Step rel(int offset) {
    return {Move::Rel, offset};
}

}  // namespace

// Three steps stored out of order; the snapshot comes back in RAMP_NO order, so the current row's RAMPNO
// is the cursor position + 1.
class RecordCursor : public StoreFixture,
                     public ::testing::WithParamInterface<std::tuple<Engine, CursorCase>> {
  protected:
    Engine engine() const override { return std::get<0>(GetParam()); }
    const CursorCase& param() const { return std::get<1>(GetParam()); }
    void SetUp() override {
        StoreFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ramp.ConnectX(connection);
        for (double rampNo : {3.0, 1.0, 2.0}) {
            ramp.setSequenceId(7);
            ramp.setRAMPNO(rampNo);
            ramp.AddNew();
        }
        ramp.setSequenceId(7);
        ramp.GetSeqDetail();
    }
    clsSEQUENCE_RAMP ramp;
};

TEST_P(RecordCursor, MovesLandWhereTheCursorRulesSay) {
    applyMoves(ramp, param().steps);
    EXPECT_EQ(ramp.position(), param().position);
    EXPECT_EQ(ramp.EOF(), param().eof);
    EXPECT_EQ(ramp.RAMPNO(), param().position + 1);
}

INSTANTIATE_TEST_SUITE_P(
    Moves, RecordCursor,
    ::testing::Combine(
        kBothEngines,
        ::testing::Values(CursorCase{"AfterLookup", {}, 0, false},
                          CursorCase{"NextTwice", {kNext, kNext}, 2, false},
                          CursorCase{"NextPastTheEndStaysOnTheLastRow", {kNext, kNext, kNext}, 2, true},
                          CursorCase{"PreviousAtTheStartStays", {kPrevious}, 0, false},
                          CursorCase{"RelBeyondTheEndLandsOnTheLast", {rel(100)}, 2, false},
                          CursorCase{"RelBeforeTheStartLandsOnTheFirst", {kLast, rel(-100)}, 0, false},
                          CursorCase{"RelZeroDoesNothing", {kNext, rel(0)}, 1, false},
                          CursorCase{"PreviousKeepsEof", {kLast, kNext, kPrevious}, 1, true},
                          CursorCase{"FirstKeepsEof", {kNext, kNext, kNext, kFirst}, 0, true},
                          CursorCase{"LastThenBackOne", {kLast, rel(-1)}, 1, false})),
    [](const auto& info) { return engineName(std::get<0>(info.param)) + std::get<1>(info.param).name; });

class RecordSnapshot : public EngineStore {};

TEST_P(RecordSnapshot, ReadingUntilEofYieldsEveryRowOnceAndLeavesTheLastRowCurrent) {
    clsTEST_RESULT result;
    result.ConnectX(connection);
    for (double time : {10.0, 20.0, 30.0}) {
        result.setTest_Id(4);
        result.setRESULT_TIME(time);
        result.AddNew();
    }
    result.setTest_Id(4);
    result.GetTestDetail();
    std::vector<double> times;
    result.MoveFirst();
    while (!result.EOF()) {
        times.push_back(result.All()[TestResultColumn::RESULT_TIME].toDouble());
        result.MoveNext();
    }
    EXPECT_EQ(times, (std::vector<double>{10, 20, 30}));
    EXPECT_EQ(result.RESULT_TIME(), 30);
    // Readings only: MoveFirst clears EOF again, and sets it when there is nothing to read.
    result.MoveFirst();
    EXPECT_FALSE(result.EOF());
    result.setTest_Id(5);
    result.GetTestDetail();
    result.MoveFirst();
    EXPECT_TRUE(result.EOF());
}

TEST_P(RecordSnapshot, MovesOnAnEmptySnapshotLeaveTheCurrentRowAlone) {
    clsSEQUENCE_RAMP_DEFINE define;
    define.ConnectX(connection);
    define.setSequenceId(9);
    define.setRAMP_SHEAR_RATE(170);
    for (auto move :
         {&RecordBase::MoveFirst, &RecordBase::MoveLast, &RecordBase::MoveNext, &RecordBase::MovePrevious})
        (define.*move)();
    define.MoveRel(5);
    EXPECT_TRUE(define.EOF());
    EXPECT_EQ(define.RAMP_SHEAR_RATE(), 170);
    EXPECT_EQ(define.RampSteps(), 0);
}

// Each class: a lookup that finds rows, then one that finds none, must leave every field at its default.
struct LookupCase {
    const char* name;
    std::function<std::unique_ptr<RecordBase>()> make;
    std::function<void(RecordBase&)> storeRowAndPointAtIt;
    std::function<void(RecordBase&)> pointAtNothing;
    std::function<void(RecordBase&)> lookup;
};

template <class T>
T& as(RecordBase& record) {
    return static_cast<T&>(record);
}

class RecordLookupNotFound : public StoreFixture,
                             public ::testing::WithParamInterface<std::tuple<Engine, LookupCase>> {
  protected:
    Engine engine() const override { return std::get<0>(GetParam()); }
    const LookupCase& param() const { return std::get<1>(GetParam()); }
};

TEST_P(RecordLookupNotFound, ResetsEveryFieldToItsDefault) {
    std::unique_ptr<RecordBase> record = param().make();
    const QVariantList defaults = param().make()->All();
    record->ConnectX(connection);
    param().storeRowAndPointAtIt(*record);
    param().lookup(*record);
    ASSERT_FALSE(record->EOF());
    ASSERT_NE(record->All(), defaults);

    param().pointAtNothing(*record);
    param().lookup(*record);
    EXPECT_TRUE(record->EOF());
    EXPECT_TRUE(record->BOF());
    EXPECT_TRUE(record->IsEmpty());
    EXPECT_EQ(record->rowCount(), 0);
    QVariantList all = record->All();
    QVariantList expected = defaults;
    if (param().name == std::string("TestInfo")) all[3] = expected[3] = QVariant();  // "now" moves on
    EXPECT_EQ(all, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Classes, RecordLookupNotFound,
    ::testing::Combine(
        kBothEngines,
        ::testing::Values(
            LookupCase{"TestInfo", [] { return std::make_unique<clsTEST_INFO>(); },
                       [](RecordBase& r) {
                           auto& t = as<clsTEST_INFO>(r);
                           t.setTEST_NAME("found");
                           t.setRESEARCHER_NAME("Ann");
                           t.setBOB_RADIUS(1.7);
                           t.AddNew();
                       },
                       [](RecordBase& r) { as<clsTEST_INFO>(r).setTEST_NAME("missing"); },
                       [](RecordBase& r) { as<clsTEST_INFO>(r).GetTestDetail(); }},
            LookupCase{"TestResult", [] { return std::make_unique<clsTEST_RESULT>(); },
                       [](RecordBase& r) {
                           auto& t = as<clsTEST_RESULT>(r);
                           t.setTest_Id(3);
                           t.setRESULT_PRESS(500);
                           t.AddNew();
                       },
                       [](RecordBase& r) { as<clsTEST_RESULT>(r).setTest_Id(99); },
                       [](RecordBase& r) { as<clsTEST_RESULT>(r).GetTestDetail(); }},
            LookupCase{"TestAdditive", [] { return std::make_unique<clsTEST_ADDITIVE>(); },
                       [](RecordBase& r) {
                           auto& t = as<clsTEST_ADDITIVE>(r);
                           t.setTESTId(3);
                           t.setADDITIVE_NM("guar");
                           t.AddNew();
                       },
                       [](RecordBase& r) { as<clsTEST_ADDITIVE>(r).setTESTId(99); },
                       [](RecordBase& r) { as<clsTEST_ADDITIVE>(r).GetSeqDetail(); }},
            LookupCase{"SequenceInfo", [] { return std::make_unique<clsSEQUENCE_INFO>(); },
                       [](RecordBase& r) {
                           auto& t = as<clsSEQUENCE_INFO>(r);
                           t.setSEQUENCE_NAME("found");
                           t.setSAMPLE_INTERVAL(30);
                           t.AddNew();
                       },
                       [](RecordBase& r) { as<clsSEQUENCE_INFO>(r).setSEQUENCE_NAME("missing"); },
                       [](RecordBase& r) { as<clsSEQUENCE_INFO>(r).GetSeqDetail(); }},
            LookupCase{"SequenceRamp", [] { return std::make_unique<clsSEQUENCE_RAMP>(); },
                       [](RecordBase& r) {
                           auto& t = as<clsSEQUENCE_RAMP>(r);
                           t.setSequenceId(3);
                           t.setRAMP_TEMP(250);
                           t.setSHEAR_RATE(40);
                           t.AddNew();
                       },
                       [](RecordBase& r) { as<clsSEQUENCE_RAMP>(r).setSequenceId(99); },
                       [](RecordBase& r) { as<clsSEQUENCE_RAMP>(r).GetSeqDetail(); }},
            LookupCase{"SequenceRampDefine", [] { return std::make_unique<clsSEQUENCE_RAMP_DEFINE>(); },
                       [](RecordBase& r) {
                           auto& t = as<clsSEQUENCE_RAMP_DEFINE>(r);
                           t.setSequenceId(3);
                           t.setRAMP_SHEAR_RATE(511);
                           t.AddNew();
                       },
                       [](RecordBase& r) { as<clsSEQUENCE_RAMP_DEFINE>(r).setSequenceId(99); },
                       [](RecordBase& r) { as<clsSEQUENCE_RAMP_DEFINE>(r).GetSeqDetail(); }})),
    [](const auto& info) { return engineName(std::get<0>(info.param)) + std::get<1>(info.param).name; });

TEST(RecordDefaults, NewRecordObjectsHoldTheirClassDefaults) {
    const clsTEST_INFO info;
    EXPECT_EQ(info.RESEARCHER_NAME(), "UNKOWN");
    QVariantList all = info.All();
    ASSERT_EQ(all.size(), 13);  // twelve fields and the spare element
    EXPECT_LE(qAbs(all[3].toDateTime().secsTo(QDateTime::currentDateTime())), 2);
    all[3] = QVariant();
    EXPECT_EQ(all, (QVariantList{0.0, "", "", QVariant(), "UNKOWN", "R1", "B5", 1.5987, 7.62, 7.0, 7.0, "",
                                 QVariant()}));

    EXPECT_EQ(clsTEST_RESULT().All(), QVariantList(11, 0.0));
    EXPECT_EQ(clsTEST_ADDITIVE().All(), (QVariantList{0.0, 0.0, "", 0.0, "", ""}));
    EXPECT_EQ(clsSEQUENCE_INFO().All(), (QVariantList{0.0, "", 20.0, 2.0, 5.0, 20.0, 0.0, 60}));
    EXPECT_EQ(clsSEQUENCE_RAMP().All(), (QVariantList{0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 100.0, 1.0}));
    EXPECT_EQ(clsSEQUENCE_RAMP_DEFINE().All(), QVariantList(4, 0.0));
}

class RecordAll : public SqliteStore {};

INSTANTIATE_ON_BOTH_ENGINES(RecordSnapshot);

TEST_F(RecordAll, WritingAllConvertsEachElementAndRefusesWhatDoesNotFit) {
    clsSEQUENCE_INFO info;
    info.setAll({4, "Frac 1", "30", 2.5, QVariant(), 15, 0, 61.5});
    EXPECT_EQ(info.All(), (QVariantList{4.0, "Frac 1", 30.0, 2.5, 5.0, 15.0, 0.0, 62}));

    const QVariantList before = info.All();
    EXPECT_THROW(info.setAll({4, "Frac 1", "thirty", 2, 5, 15, 0, 60}), StoreError);
    EXPECT_THROW(info.setAll({4, "Frac 1"}), StoreError);
    EXPECT_THROW(info.setAll({4, "Frac 1", 30, 2, 5, 15, 0, 1e12}), StoreError);
    EXPECT_EQ(info.All(), before);

    clsTEST_RESULT result;
    EXPECT_THROW(result.setAll(QVariantList(10, 1.0)), StoreError);
    result.setAll({QVariant(), 5.5, 1, 2, 3, 4, 5, 6, 7, 1, 9});
    EXPECT_EQ(result.Test_Id(), 6);
    result.setAll({QVariant(), 4.5, 1, 2, 3, 4, 5, 6, 7, 1, 9});
    EXPECT_EQ(result.Test_Id(), 4);  // half to even

    clsTEST_INFO test;
    test.setAll({1, "T", "F", "2024-03-05T06:07:08", "R", "R2", "B1", 1, 2, 3, 4, "notes"});
    EXPECT_EQ(test.TEST_TIME(), QDateTime(QDate(2024, 3, 5), QTime(6, 7, 8)));
    EXPECT_THROW(test.setAll({1, "T", "F", "yesterday", "R", "R2", "B1", 1, 2, 3, 4, ""}), StoreError);
}
