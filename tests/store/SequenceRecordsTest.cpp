#include "StoreFixture.h"
#include "store/clsSEQUENCE_INFO.h"
#include "store/clsSEQUENCE_RAMP.h"
#include "store/clsSEQUENCE_RAMP_DEFINE.h"

#undef EOF  // the record classes' EOF(), not the C library's macro

struct IntervalCase {
    double assigned;
    int held;
};

class SampleInterval : public ::testing::TestWithParam<IntervalCase> {};

TEST_P(SampleInterval, AnAssignedValueIsRoundedHalfToEven) {
    clsSEQUENCE_INFO info;
    info.setSAMPLE_INTERVAL(GetParam().assigned);
    EXPECT_EQ(info.SAMPLE_INTERVAL(), GetParam().held);
    info.setAll({0, "s", 20, 2, 5, 20, 0, GetParam().assigned});
    EXPECT_EQ(info.SAMPLE_INTERVAL(), GetParam().held);
}

INSTANTIATE_TEST_SUITE_P(Values, SampleInterval,
                         ::testing::Values(IntervalCase{60.5, 60}, IntervalCase{61.5, 62},
                                           IntervalCase{60.49, 60}, IntervalCase{60.51, 61},
                                           IntervalCase{0.5, 0}, IntervalCase{-2.5, -2},
                                           IntervalCase{2147483647.0, 2147483647},
                                           IntervalCase{-2147483648.5, -2147483648}));

TEST(SampleIntervalRange, AValueBeyondA32BitIntegerRaisesStoreErrorAndKeepsTheOldValue) {
    clsSEQUENCE_INFO info;
    EXPECT_THROW(info.setSAMPLE_INTERVAL(2147483647.5), StoreError);  // rounds to 2147483648
    EXPECT_THROW(info.setSAMPLE_INTERVAL(-1e10), StoreError);
    EXPECT_THROW(info.setSAMPLE_INTERVAL(std::numeric_limits<double>::quiet_NaN()), StoreError);
    EXPECT_EQ(info.SAMPLE_INTERVAL(), 60);
}

class SequenceRecords : public EngineStore {
  protected:
    void SetUp() override {
        StoreFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        info.ConnectX(connection);
        ramp.ConnectX(connection);
        define.ConnectX(connection);
    }

    // Creates and saves a sequence the way the setup window does; returns its key.
    double saveSequence(const QString& name, int steps, int shearRates) {
        info.SetDefaults();
        info.setSEQUENCE_NAME(name);
        info.AddNew();
        info.setSEQUENCE_NAME(name);
        info.GetSeqDetail();
        const double id = info.SEQUENCE_ID();
        for (int i = steps; i >= 1; --i) {  // stored backwards: the reads must sort them
            ramp.setSequenceId(id);
            ramp.setSEQUENCE_RAMP_ID(0);
            ramp.setRAMPNO(i);
            ramp.setRAMP_TEMP(100 + 50 * i);
            ramp.AddNew();
        }
        for (int i = shearRates; i >= 1; --i) {
            define.setSequenceId(id);
            define.setRAMP_STEP_NO(i);
            define.setRAMP_SHEAR_RATE(100.0 * i);
            define.AddNew();
        }
        return id;
    }

    clsSEQUENCE_INFO info;
    clsSEQUENCE_RAMP ramp;
    clsSEQUENCE_RAMP_DEFINE define;
};

TEST_P(SequenceRecords, NamesAreListedInNameOrderAndOnlyConnectXRereadsThem) {
    EXPECT_EQ(info.JustName().rowCount(), 0);
    EXPECT_TRUE(info.IsEmpty());
    saveSequence("Zeta", 0, 0);
    saveSequence("Alpha", 0, 0);
    info.Refresh();
    EXPECT_FALSE(info.BOF());
    EXPECT_EQ(info.JustName().rowCount(), 0);
    info.ConnectX(connection);
    const RecordTable names = info.JustName();
    ASSERT_EQ(names.columnCount(), 1);
    ASSERT_EQ(names.rowCount(), 2);
    EXPECT_EQ(names.value(0, 0).toString(), "Alpha");
    EXPECT_EQ(names.value(0, 1).toString(), "Zeta");
}

TEST_P(SequenceRecords, ASavedSequenceReadsBackWithItsStepsAndShearRatesInOrder) {
    const double id = saveSequence("Frac", 3, 4);
    info.setSEQUENCE_NAME("Frac");
    info.GetSeqDetail();
    info.setTIME_BEFORE_READ(45);
    info.setSAMPLE_INTERVAL(90.5);
    info.Update();
    info.SetDefaults();
    info.setSEQUENCE_NAME("Frac");
    info.GetSeqDetail();
    EXPECT_EQ(info.All(), (QVariantList{id, "Frac", 45.0, 2.0, 5.0, 20.0, 0.0, 90}));

    ramp.setSequenceId(id);
    ramp.ConnectX(connection);
    std::vector<double> temps;
    for (ramp.MoveFirst(); !ramp.EOF(); ramp.MoveNext()) temps.push_back(ramp.RAMP_TEMP());
    EXPECT_EQ(temps, (std::vector<double>{150, 200, 250}));
    EXPECT_EQ(ramp.SHEAR_RATE(), 100);  // defaults written with the step
    EXPECT_EQ(ramp.RUN_RAMP(), 1);

    define.setSequenceId(id);
    define.GetSeqDetail();
    EXPECT_EQ(define.RampSteps(), 4);
    EXPECT_EQ(define.RAMP_SHEAR_RATE(), 100);
    define.MoveLast();
    EXPECT_EQ(define.RAMP_STEP_NO(), 4);
}

TEST_P(SequenceRecords, DuplicateNamesOfAnOlderFileLookUpTheFirstAndDeleteRemovesThemAllWithTheirRows) {
    sql("DROP INDEX SEQUENCE_INFO_NAME_UNIQUE");  // an older file, made before names were kept unique
    const double first = saveSequence("dup", 2, 2);
    saveSequence("dup", 3, 1);
    const double other = saveSequence("other", 1, 1);
    info.setSEQUENCE_NAME("dup");
    info.GetSeqDetail();
    EXPECT_EQ(info.SEQUENCE_ID(), first);
    EXPECT_EQ(info.rowCount(), 2);

    info.Delete();
    EXPECT_EQ(count("SEQUENCE_INFO"), 1);
    EXPECT_EQ(count("SEQUENCE_RAMP"), 1);
    EXPECT_EQ(count("SEQUENCE_RAMP_DEFINE"), 1);
    EXPECT_EQ(count("SEQUENCE_RAMP", QStringLiteral("SEQUENCE_ID = %1").arg(other)), 1);
}

TEST_P(SequenceRecords, ADeleteThatFailsPartWayLeavesTheSequenceWhole) {
    saveSequence("kept", 2, 3);
    refuseDeletesFrom("SEQUENCE_INFO");
    info.setSEQUENCE_NAME("kept");
    EXPECT_THROW(info.Delete(), StoreError);
    EXPECT_EQ(count("SEQUENCE_INFO"), 1);
    EXPECT_EQ(count("SEQUENCE_RAMP"), 2);
    EXPECT_EQ(count("SEQUENCE_RAMP_DEFINE"), 3);
}

TEST_P(SequenceRecords, StepsAreRewrittenWholeByDeleteAndInsert) {
    const double id = saveSequence("rewrite", 3, 3);
    ramp.setSequenceId(id);
    ramp.Delete();
    define.setSequenceId(id);
    define.Delete();
    EXPECT_EQ(count("SEQUENCE_RAMP"), 0);
    EXPECT_EQ(count("SEQUENCE_RAMP_DEFINE"), 0);
    EXPECT_EQ(count("SEQUENCE_INFO"), 1);
    ramp.Update();  // nothing to write in place
    define.Update();
}

INSTANTIATE_ON_BOTH_ENGINES(SequenceRecords);
