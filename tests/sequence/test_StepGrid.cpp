#include "sequence/StepGrid.h"

#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

// A step grid whose step i has the time i (so rows can be told apart after moves).
MemoryGrid gridWithSteps(int n) {
    MemoryGrid grid(StepGrid::kCols);
    StepGrid::layOut(grid);
    for (int i = 1; i <= n; ++i) {
        grid.setRow(grid.Rows() - 1);
        StepGrid::insertStep(grid, {double(i), 100, 5, 50, 1}, false);
    }
    return grid;
}

QStringList column(const TextGrid& grid, int col) {
    QStringList texts;
    for (int r = 1; r < grid.Rows(); ++r) texts << grid.TextMatrix(r, col);
    return texts;
}

QStringList numbered(int n) {
    QStringList texts;
    for (int i = 1; i <= n; ++i) texts << QStringLiteral(" %1").arg(i);
    return texts;
}

struct InsertCase {
    const char* name;
    int steps;
    int current;
    bool before;
    int expectedRow;
    QStringList expectedTimes;
};

class StepInsertion : public testing::TestWithParam<InsertCase> {};

TEST_P(StepInsertion, NewStepTakesItsRowAndLaterStepsMoveDown) {
    const InsertCase& c = GetParam();
    MemoryGrid grid = gridWithSteps(c.steps);
    grid.setRow(c.current);

    const int row = StepGrid::insertStep(grid, {9, 175.5, 3, 170, 0}, c.before);

    EXPECT_EQ(row, c.expectedRow);
    EXPECT_EQ(column(grid, StepGrid::kColTime), c.expectedTimes);
    EXPECT_EQ(column(grid, StepGrid::kColStepNo), numbered(c.steps + 1));
    EXPECT_EQ(grid.TextMatrix(row, StepGrid::kColTemp), " 175.5");
    EXPECT_EQ(grid.TextMatrix(row, StepGrid::kColTempError), " 3");
    EXPECT_EQ(grid.TextMatrix(row, StepGrid::kColShearRate), " 170");
    // An inserted step always runs the ramp.
    EXPECT_EQ(grid.TextMatrix(row, StepGrid::kColRunRamp), "1");
}

INSTANTIATE_TEST_SUITE_P(
    Rules, StepInsertion,
    testing::Values(InsertCase{"BeforeWithHeaderCurrent", 2, 0, true, 1, {" 9", " 1", " 2"}},
                    InsertCase{"AfterWithHeaderCurrent", 2, 0, false, 1, {" 9", " 1", " 2"}},
                    InsertCase{"IntoEmptyGrid", 0, 0, true, 1, {" 9"}},
                    InsertCase{"BeforeMiddleStep", 3, 2, true, 2, {" 1", " 9", " 2", " 3"}},
                    InsertCase{"AfterMiddleStep", 3, 2, false, 3, {" 1", " 2", " 9", " 3"}},
                    InsertCase{"BeforeFirstStep", 3, 1, true, 1, {" 9", " 1", " 2", " 3"}},
                    InsertCase{"AfterLastStep", 3, 3, false, 4, {" 1", " 2", " 3", " 9"}}),
    [](const auto& info) { return std::string(info.param.name); });

struct DeleteCase {
    const char* name;
    int steps;
    int current;
    bool deleted;
    QStringList expectedTimes;
};

class StepDeletion : public testing::TestWithParam<DeleteCase> {};

TEST_P(StepDeletion, CurrentStepGoesAndLaterStepsMoveUp) {
    const DeleteCase& c = GetParam();
    MemoryGrid grid = gridWithSteps(c.steps);
    grid.setRow(c.current);

    EXPECT_EQ(StepGrid::deleteCurrentStep(grid), c.deleted);
    EXPECT_EQ(column(grid, StepGrid::kColTime), c.expectedTimes);
    EXPECT_EQ(column(grid, StepGrid::kColStepNo), numbered(int(c.expectedTimes.size())));
    EXPECT_LT(grid.Row(), grid.Rows());
}

INSTANTIATE_TEST_SUITE_P(Rules, StepDeletion,
                         testing::Values(DeleteCase{"MiddleStep", 3, 2, true, {" 1", " 3"}},
                                         DeleteCase{"LastOfSeveral", 3, 3, true, {" 1", " 2"}},
                                         DeleteCase{"OnlyStep", 1, 1, true, {}},
                                         DeleteCase{
                                             "HeaderCurrentDeletesNothing", 2, 0, false, {" 1", " 2"}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(StepGridLoad, StoredStepsShowWithTemperaturesToTwoDecimalsAndReadBackTheSame) {
    const QList<SequenceStep> steps{{30, 150, 5, 100, 1}, {60.5, 232.25, 10, 511, 0}};
    MemoryGrid grid = gridWithSteps(5);

    StepGrid::showSteps(grid, steps);

    ASSERT_EQ(StepGrid::stepCount(grid), 2);
    EXPECT_EQ(grid.TextMatrix(2, StepGrid::kColTemp), "232.25");
    EXPECT_EQ(grid.TextMatrix(2, StepGrid::kColTime), "60.5");
    EXPECT_EQ(grid.TextMatrix(2, StepGrid::kColRunRamp), "0");
    EXPECT_EQ(StepGrid::readSteps(grid), steps);
}

TEST(StepGridLoad, HeaderTextsAreTheGridsTwoLineCaptions) {
    MemoryGrid grid(StepGrid::kCols);
    StepGrid::layOut(grid);
    EXPECT_EQ(grid.Rows(), 1);
    EXPECT_EQ(grid.TextMatrix(0, 0), "Step No");
    EXPECT_EQ(grid.TextMatrix(0, 2), "Temp\n(°F)");
    EXPECT_EQ(grid.TextMatrix(0, 3), "Temp\nError(°F)");
    EXPECT_EQ(grid.TextMatrix(0, 5), "Ramp?");
}

TEST(StepGridBuilder, BuilderReplacesTheStepsWithEqualStepsCopiedAsTyped) {
    MemoryGrid grid = gridWithSteps(5);
    StepGrid::build(grid, 3, {"3", "30 min", "150.50", "5x", "100"});

    EXPECT_EQ(StepGrid::stepCount(grid), 3);
    EXPECT_EQ(column(grid, StepGrid::kColStepNo), numbered(3));
    EXPECT_EQ(column(grid, StepGrid::kColTime), QStringList({"30 min", "30 min", "30 min"}));
    // The temperature goes in as its number, the other texts as typed.
    EXPECT_EQ(column(grid, StepGrid::kColTemp), QStringList({" 150.5", " 150.5", " 150.5"}));
    EXPECT_EQ(column(grid, StepGrid::kColTempError), QStringList({"5x", "5x", "5x"}));
    EXPECT_EQ(column(grid, StepGrid::kColRunRamp), QStringList({"1", "1", "1"}));
    EXPECT_DOUBLE_EQ(StepGrid::readSteps(grid)[0].startError_F, 5);
}

TEST(ShearGridRates, ShowingRatesClearsTheOldOnesAndKeepsAtMostForty) {
    MemoryGrid grid(1);
    ShearGrid::layOut(grid);
    ASSERT_EQ(grid.Rows(), 41);
    EXPECT_EQ(grid.TextMatrix(0, 0), "Shear Rate (1/S)");

    QList<double> many;
    for (int i = 1; i <= 45; ++i) many << i;
    ShearGrid::showRates(grid, many);
    EXPECT_EQ(grid.TextMatrix(40, 0), "40");
    EXPECT_EQ(grid.Rows(), 41);

    ShearGrid::showRates(grid, {170, 85});
    EXPECT_EQ(ShearGrid::readRates(grid), QList<double>({170, 85}));
    EXPECT_EQ(grid.TextMatrix(3, 0), "");
}

TEST(ShearGridRates, BlankCellsBetweenRatesAreSkippedNotEndingTheList) {
    MemoryGrid grid(1);
    ShearGrid::layOut(grid);
    grid.setTextMatrix(1, 0, "170");
    grid.setTextMatrix(2, 0, "  ");
    grid.setTextMatrix(3, 0, "85");
    grid.setTextMatrix(40, 0, "42abc");
    EXPECT_EQ(ShearGrid::readRates(grid), QList<double>({170, 85, 42}));
}

TEST(MemoryGridRows, ShrinkingMovesTheCurrentRowAndTheHeaderAlwaysStays) {
    MemoryGrid grid(2, 5);
    grid.setRow(4);
    grid.setRows(3);
    EXPECT_EQ(grid.Row(), 2);
    grid.setRows(0);
    EXPECT_EQ(grid.Rows(), 1);
    EXPECT_EQ(grid.Row(), 0);
    grid.setTextMatrix(7, 0, "outside");
    EXPECT_EQ(grid.TextMatrix(7, 0), "");
}

}  // namespace
