#include "SequenceTestDb.h"

#include "sequence/DemoSequences.h"
#include "sequence/SequenceRules.h"
#include "sequence/StepGrid.h"

#include "support/QStringPrinter.h"

namespace {

using SequenceStoreTest = SequenceTestDb;

TEST_F(SequenceStoreTest, NewSequenceHasTheDefaultsAndNoStepOrShearRate) {
    store.create("Fresh");
    const StoredSequence s = store.read("Fresh");
    EXPECT_TRUE(s.found);
    EXPECT_GT(s.id, 0);
    EXPECT_EQ(s.settings, SequenceSettings{});
    EXPECT_TRUE(s.steps.isEmpty());
    EXPECT_TRUE(s.shearRates_1ps.isEmpty());
    EXPECT_EQ(store.names(), QStringList{"Fresh"});
}

TEST_F(SequenceStoreTest, MissingSequenceReadsAsNotFoundWithDefaults) {
    const StoredSequence s = store.read("Nowhere");
    EXPECT_FALSE(s.found);
    EXPECT_EQ(s.id, 0);
    EXPECT_EQ(s.settings, SequenceSettings{});
    EXPECT_TRUE(store.names().isEmpty());
}

TEST_F(SequenceStoreTest, SaveRewritesSettingsStepsAndShearRatesWhole) {
    store.add(sample("Borate"));
    StoredSequence s = store.read("Borate");
    ASSERT_EQ(s.steps.size(), 3);
    EXPECT_EQ(s.shearRates_1ps, QList<double>({170, 128, 85, 42}));

    s.settings.timeBeforeRead_s = 45;
    s.steps = {{10, 200, 3, 100, 0}};
    s.shearRates_1ps = {511, 340};
    store.save(s);

    const StoredSequence back = store.read("Borate");
    EXPECT_EQ(back.id, s.id);
    EXPECT_EQ(back.settings, s.settings);
    EXPECT_EQ(back.steps, s.steps);
    EXPECT_EQ(back.shearRates_1ps, QList<double>({511, 340}));
}

TEST_F(SequenceStoreTest, ShearRatesAreCutToFortyAndAnEmptyListStoresOneHundred) {
    store.add(sample("Ramp"));
    StoredSequence s = store.read("Ramp");
    for (int i = 1; i <= 45; ++i) s.shearRates_1ps << i;  // 49 in all
    store.save(s);
    const QList<double> stored = store.read("Ramp").shearRates_1ps;
    ASSERT_EQ(stored.size(), 40);
    EXPECT_EQ(stored.first(), 170);
    EXPECT_EQ(stored.last(), 36);

    s.shearRates_1ps.clear();
    store.save(s);
    EXPECT_EQ(store.read("Ramp").shearRates_1ps, QList<double>({100}));
}

TEST_F(SequenceStoreTest, IntervalIsStoredRoundedHalfToEven) {
    store.add(sample("Interval"));
    StoredSequence s = store.read("Interval");
    s.settings.sampleInterval_s = 60.5;
    store.save(s);
    EXPECT_EQ(store.read("Interval").settings.sampleInterval_s, 60);
    s.settings.sampleInterval_s = 61.5;
    store.save(s);
    EXPECT_EQ(store.read("Interval").settings.sampleInterval_s, 62);
}

TEST_F(SequenceStoreTest, CopyAsStoresSettingsStepsAndRatesUnderTheNewName) {
    store.add(sample("Original"));
    store.copyAs("Original", "Copy");
    const StoredSequence original = store.read("Original");
    const StoredSequence copy = store.read("Copy");
    EXPECT_NE(copy.id, original.id);
    EXPECT_EQ(copy.settings, original.settings);
    EXPECT_EQ(copy.steps, original.steps);
    EXPECT_EQ(copy.shearRates_1ps, original.shearRates_1ps);
    EXPECT_EQ(store.names(), QStringList({"Copy", "Original"}));
}

TEST_F(SequenceStoreTest, CopyOfANewSequenceGetsTheDefaultShearRate) {
    store.create("Empty");
    store.copyAs("Empty", "Empty copy");
    EXPECT_EQ(store.read("Empty copy").shearRates_1ps, QList<double>({100}));
    EXPECT_TRUE(store.read("Empty copy").steps.isEmpty());
}

TEST_F(SequenceStoreTest, DeletedSequenceLeavesNoStepsForALaterOne) {
    store.add(sample("Gone"));
    store.remove("Gone");
    EXPECT_FALSE(store.read("Gone").found);
    EXPECT_TRUE(store.names().isEmpty());
    store.create("Gone");
    EXPECT_TRUE(store.read("Gone").steps.isEmpty());
}

TEST_F(SequenceStoreTest, StoredNamesAreFoundWhateverTheirCase) {
    store.create("Borate XL");
    EXPECT_TRUE(store.nameIsStored("Borate XL"));
    EXPECT_TRUE(store.nameIsStored("BORATE xl"));
    EXPECT_FALSE(store.nameIsStored("Borate"));
}

TEST_F(SequenceStoreTest, FailedSaveLeavesTheStoredSequenceAsItWas) {
    store.add(sample("Safe"));
    const StoredSequence before = store.read("Safe");
    StoredSequence changed = before;
    changed.settings.timeBeforeRead_s = 99;
    changed.steps = {{1, 100, 1, 100, 1}};
    changed.shearRates_1ps = {10, 20};
    breakShearRateInserts();

    EXPECT_THROW(store.save(changed), StoreError);

    EXPECT_FALSE(connection.InTransaction());
    const StoredSequence after = store.read("Safe");
    EXPECT_EQ(after.settings, before.settings);
    EXPECT_EQ(after.steps, before.steps);
    EXPECT_EQ(after.shearRates_1ps, before.shearRates_1ps);
}

TEST_F(SequenceStoreTest, FailedCopyStoresNoHalfSequence) {
    store.add(sample("Source"));
    breakShearRateInserts();
    EXPECT_THROW(store.copyAs("Source", "Half"), StoreError);
    EXPECT_FALSE(store.read("Half").found);
    EXPECT_EQ(store.names(), QStringList{"Source"});
}

TEST_F(SequenceStoreTest, DemoSequencesAreStoredOnceAndPassTheSaveChecks) {
    createDemoSequences(connection);
    createDemoSequences(connection);
    EXPECT_EQ(store.names(), QStringList({"Borate XL 250F", "HPHT Stability 350F"}));
    for (const QString& name : demoSequenceNames()) {
        const StoredSequence s = store.read(name);
        EXPECT_GE(s.steps.size(), 4) << name.toStdString();
        EXPECT_GE(s.shearRates_1ps.size(), 4);
        EXPECT_LE(s.shearRates_1ps.size(), 8);

        MemoryGrid steps(StepGrid::kCols), rates(1);
        StepGrid::showSteps(steps, s.steps);
        ShearGrid::layOut(rates);
        ShearGrid::showRates(rates, s.shearRates_1ps);
        const auto refusal =
            SequenceRules::checkForSave(steps, rates, SequenceRules::textsFromSettings(s.settings));
        EXPECT_FALSE(refusal.has_value()) << name.toStdString() << ": " << refusal->text.toStdString();
    }
}

}  // namespace
