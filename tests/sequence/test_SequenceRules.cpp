#include "common/InitialSettings.h"
#include "sequence/SequenceRules.h"
#include "sequence/StepGrid.h"

#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

constexpr UnitSystem CGS = UnitSystem::CGS;
constexpr UnitSystem EI = UnitSystem::EI;
constexpr UnitSystem SI = UnitSystem::SI;

// Input of the save checks: steps at the given temperatures, the first shear-rate cell and the settings.
struct SaveInput {
    QStringList temps{"250"};
    QString firstRate = "100";
    SettingsTexts settings{"20", "2", "5", "60", "20", "0"};
};

std::optional<Refusal> checkSave(const SaveInput& in) {
    MemoryGrid steps(StepGrid::kCols);
    StepGrid::layOut(steps);
    for (const QString& temp : in.temps) {
        steps.setRows(steps.Rows() + 1);
        steps.setTextMatrix(steps.Rows() - 1, StepGrid::kColTemp, temp);
    }
    MemoryGrid rates(1);
    ShearGrid::layOut(rates);
    rates.setTextMatrix(1, 0, in.firstRate);
    return SequenceRules::checkForSave(steps, rates, in.settings);
}

SaveInput with(std::function<void(SaveInput&)> change) {
    SaveInput in;
    change(in);
    return in;
}

struct SaveCase {
    const char* name;
    SaveInput input;
    std::optional<QString> refusal;  // the message expected, nothing when the save passes
};

class SaveChecks : public testing::TestWithParam<SaveCase> {};

TEST_P(SaveChecks, FirstFailingCheckGivesItsMessageWithoutTitle) {
    const SaveCase& c = GetParam();
    const auto refusal = checkSave(c.input);
    if (!c.refusal) {
        EXPECT_FALSE(refusal.has_value()) << refusal->text.toStdString();
        return;
    }
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(refusal->text, *c.refusal);
    if (*c.refusal != SequenceRules::kTooManySteps) EXPECT_EQ(refusal->title, "");
}

QStringList manyTemps(int n) {
    QStringList temps;
    for (int i = 0; i < n; ++i) temps << "200";
    return temps;
}

INSTANTIATE_TEST_SUITE_P(
    InOrder, SaveChecks,
    testing::Values(
        SaveCase{"AllValidSaves", SaveInput{}, std::nullopt},
        // 1: no step, checked before everything else.
        SaveCase{"NoStepFirst", with([](SaveInput& in) {
                     in.temps = {};
                     in.firstRate = "";
                     in.settings.sampleInterval = "1";
                     in.settings.shutDownVisc = "-1";
                 }),
                 SequenceRules::kNoStep},
        // 2: step temperatures, against 450 °F.
        SaveCase{"Temperature450Saves", with([](SaveInput& in) { in.temps = {"450"}; }), std::nullopt},
        SaveCase{"Temperature451Refused", with([](SaveInput& in) { in.temps = {"451"}; }),
                 SequenceRules::kBadTemperature},
        SaveCase{"LaterStepTemperatureRefused", with([](SaveInput& in) {
                     in.temps = {"150", "200", "451.5"};
                 }),
                 SequenceRules::kBadTemperature},
        SaveCase{"TemperatureBeforeShearRate", with([](SaveInput& in) {
                     in.temps = {"451"};
                     in.firstRate = "";
                 }),
                 SequenceRules::kBadTemperature},
        SaveCase{"TemperatureReadAsLeadingNumber", with([](SaveInput& in) { in.temps = {" 460 F"}; }),
                 SequenceRules::kBadTemperature},
        // 3: the shear-rate list.
        SaveCase{"EmptyShearRateBeforeInterval", with([](SaveInput& in) {
                     in.firstRate = "";
                     in.settings.sampleInterval = "1";
                 }),
                 SequenceRules::kNoShearRate},
        // 4: interval >= rate x samples + 1.
        SaveCase{"Interval11Saves", with([](SaveInput& in) { in.settings.sampleInterval = "11"; }),
                 std::nullopt},
        SaveCase{"Interval10Refused", with([](SaveInput& in) { in.settings.sampleInterval = "10"; }),
                 SequenceRules::kIntervalTooSmall},
        SaveCase{"IntervalBeforeViscosity", with([](SaveInput& in) {
                     in.settings.sampleRate = "60";
                     in.settings.samplesAverage = "1";
                     in.settings.sampleInterval = "60";
                     in.settings.shutDownVisc = "-1";
                 }),
                 SequenceRules::kIntervalTooSmall},
        // 5: shut-down viscosity.
        SaveCase{"NegativeViscosityRefused", with([](SaveInput& in) { in.settings.shutDownVisc = "-1"; }),
                 SequenceRules::kNegativeShutDownVisc},
        SaveCase{"EmptyViscositySaves", with([](SaveInput& in) { in.settings.shutDownVisc = ""; }),
                 std::nullopt},
        // Step count is not a save rule: a built list of 120 steps is stored as it is.
        SaveCase{"NinetyEightStepsSave", with([](SaveInput& in) { in.temps = manyTemps(98); }), std::nullopt},
        SaveCase{"HundredTwentyStepsSave", with([](SaveInput& in) { in.temps = manyTemps(120); }),
                 std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- insert-step dialog --------------------------------------------------------------------------

struct InsertCheckCase {
    const char* name;
    InsertStepRules::Texts texts;
    UnitSystem unitSystem;
    std::optional<InsertStepRules::Field> field;
    QString text;
    QString title;
};

class InsertStepChecks : public testing::TestWithParam<InsertCheckCase> {};

TEST_P(InsertStepChecks, OkChecksTimeThenTemperatureThenShearRate) {
    const InsertCheckCase& c = GetParam();
    const auto refusal = InsertStepRules::checkOk(c.texts, c.unitSystem);
    if (!c.field) {
        EXPECT_FALSE(refusal.has_value()) << refusal->refusal.text.toStdString();
        return;
    }
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(refusal->field, *c.field);
    EXPECT_EQ(refusal->refusal.text, c.text);
    EXPECT_EQ(refusal->refusal.title, c.title);
}

using F = InsertStepRules::Field;
const QString kTime = "Invalid time inpute.";
const QString kTimeTitle = "Time input out range";
const QString kTemp = "Invalid temperature inpute.";
const QString kTempTitle = "Temperature input out range";
const QString kRate = "Invalid shear rate inpute.";
const QString kRateTitle = "Shear rate input out range";

INSTANTIATE_TEST_SUITE_P(
    Rules, InsertStepChecks,
    testing::Values(
        InsertCheckCase{"TimeZeroAccepted", {"0", "200", "5", "100"}, EI, {}, {}, {}},
        InsertCheckCase{"TimeNegativeRefused", {"-1", "200", "5", "100"}, EI, F::Time, kTime, kTimeTitle},
        InsertCheckCase{"Time60001Refused", {"60001", "200", "5", "100"}, EI, F::Time, kTime, kTimeTitle},
        InsertCheckCase{"TimeBeforeTemperature", {"-1", "999", "5", "0"}, EI, F::Time, kTime, kTimeTitle},
        InsertCheckCase{"EI450Accepted", {"30", "450", "5", "100"}, EI, {}, {}, {}},
        InsertCheckCase{"CGS450Accepted", {"30", "450", "5", "100"}, CGS, {}, {}, {}},
        InsertCheckCase{"EI450point01Refused", {"30", "450.01", "5", "100"}, EI, F::Temp, kTemp, kTempTitle},
        InsertCheckCase{
            "NegativeTemperatureRefused", {"30", "-1", "5", "100"}, EI, F::Temp, kTemp, kTempTitle},
        InsertCheckCase{"SI300Refused", {"30", "300", "5", "100"}, SI, F::Temp, kTemp, kTempTitle},
        InsertCheckCase{"SI232point2Accepted", {"30", "232.2", "5", "100"}, SI, {}, {}, {}},
        // 232.3 °C is 450.14 °F, more than a step may hold.
        InsertCheckCase{"SI232point3Refused", {"30", "232.3", "5", "100"}, SI, F::Temp, kTemp, kTempTitle},
        InsertCheckCase{
            "TemperatureBeforeShearRate", {"30", "999", "5", "0"}, EI, F::Temp, kTemp, kTempTitle},
        InsertCheckCase{"ShearRate9000Accepted", {"30", "200", "5", "9000"}, EI, {}, {}, {}},
        InsertCheckCase{
            "ShearRate20000RefusedOnOk", {"30", "200", "5", "20000"}, EI, F::ShearRate, kRate, kRateTitle},
        InsertCheckCase{"ShearRateBelowHundredthRefused",
                        {"30", "200", "5", "0.005"},
                        EI,
                        F::ShearRate,
                        kRate,
                        kRateTitle},
        InsertCheckCase{"TextThatIsNoNumberCountsAsZero",
                        {"soon", "200", "hot", "abc"},
                        EI,
                        F::ShearRate,
                        kRate,
                        kRateTitle},
        // The temperature error is not checked.
        InsertCheckCase{"TemperatureErrorUnchecked", {"30", "200", "-999", "100"}, EI, {}, {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(InsertStepChecks, LeavingShearRateFieldChecksTheWiderRange) {
    const QString title = "Shear rate input out of range. Please try again.";
    EXPECT_FALSE(InsertStepRules::checkShearRateOnLeave("20000"));
    EXPECT_FALSE(InsertStepRules::checkShearRateOnLeave("0.01"));
    EXPECT_FALSE(InsertStepRules::checkShearRateOnLeave("90000"));
    for (const char* bad : {"90001", "0", "", "-5"}) {
        const auto refusal = InsertStepRules::checkShearRateOnLeave(bad);
        ASSERT_TRUE(refusal.has_value()) << bad;
        EXPECT_EQ(refusal->text, kRate);
        EXPECT_EQ(refusal->title, title);
    }
}

TEST(InsertStepUnits, CelsiusIsAskedOnlyOutsideCgsAndEiAndEntersTheGridAsFahrenheit) {
    EXPECT_EQ(InsertStepRules::tempLabel(CGS), "Temp (°F)");
    EXPECT_EQ(InsertStepRules::tempLabel(EI), "Temp (°F)");
    EXPECT_EQ(InsertStepRules::tempLabel(SI), "Temp (°C)");

    EXPECT_DOUBLE_EQ(InsertStepRules::stepTemp_F(100, SI), 212);
    EXPECT_DOUBLE_EQ(InsertStepRules::stepTemp_F(232.2, SI), 449.96);
    EXPECT_DOUBLE_EQ(InsertStepRules::stepTemp_F(-40, SI), -40);
    EXPECT_DOUBLE_EQ(InsertStepRules::stepTemp_F(37.123, SI), 98.82);
    EXPECT_DOUBLE_EQ(InsertStepRules::stepTemp_F(100, EI), 100);
    EXPECT_DOUBLE_EQ(InsertStepRules::stepTemp_F(100, CGS), 100);
}

TEST(InsertStepUnits, EveryTemperatureTheSiDialogAcceptsPassesTheSaveCheck) {
    for (int hundredths = 23000; hundredths <= 23300; ++hundredths) {
        const double typed = hundredths / 100.0;
        const QString text = SequenceText::plain(typed);
        const bool accepted = !InsertStepRules::checkOk({"30", text, "5", "100"}, SI).has_value();
        const bool saves = !checkSave(with([&](SaveInput& in) {
                                in.temps = {SequenceText::cell(InsertStepRules::stepTemp_F(typed, SI))};
                            })).has_value();
        EXPECT_EQ(accepted, saves) << text.toStdString();
    }
}

// ---- step limit and builder ----------------------------------------------------------------------

TEST(StepLimit, InsertingIsRefusedOnceNinetyEightStepsAreThere) {
    MemoryGrid grid(StepGrid::kCols);
    StepGrid::layOut(grid);
    grid.setRows(98);  // 97 steps
    EXPECT_FALSE(SequenceRules::checkCanInsert(grid));
    grid.setRows(99);
    const auto refusal = SequenceRules::checkCanInsert(grid);
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(refusal->text, "Operation not allowed.  Maximum step is 98.");
    EXPECT_EQ(refusal->title, "Too Many Test Steps.");
}

struct BuilderCase {
    const char* name;
    BuilderTexts texts;
    std::optional<QString> refusal;
};

class BuilderChecks : public testing::TestWithParam<BuilderCase> {};

TEST_P(BuilderChecks, RangeAndStepCountAreCheckedBeforeBuilding) {
    const BuilderCase& c = GetParam();
    const auto refusal = SequenceRules::checkBuilder(c.texts);
    if (!c.refusal) {
        EXPECT_FALSE(refusal.has_value()) << refusal->text.toStdString();
        return;
    }
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(refusal->text, *c.refusal);
    EXPECT_EQ(refusal->title, *c.refusal == SequenceRules::kTooManySteps
                                  ? "Too Many Test Steps."
                                  : "Input number out of allowable range.");
}

const QString kRange = "Input number out of range.  Please check the input.";

INSTANTIATE_TEST_SUITE_P(
    Rules, BuilderChecks,
    testing::Values(
        BuilderCase{"Valid", {"10", "30", "250", "5", "100"}, std::nullopt},
        BuilderCase{"ZeroTemperature", {"10", "30", "0", "5", "100"}, kRange},
        BuilderCase{"Temperature599point9", {"10", "30", "599.9", "5", "100"}, std::nullopt},
        BuilderCase{"Temperature600", {"10", "30", "600", "5", "100"}, kRange},
        BuilderCase{"TemperatureError600", {"10", "30", "250", "600", "100"}, kRange},
        BuilderCase{"NegativeTemperatureErrorAllowed", {"10", "30", "250", "-5", "100"}, std::nullopt},
        BuilderCase{"RangeBeforeStepCount", {"500", "30", "600", "5", "100"}, kRange},
        BuilderCase{"NinetyEightSteps", {"98", "30", "250", "5", "100"}, std::nullopt},
        BuilderCase{"NinetyEightAndAHalfRoundsToEven", {"98.5", "30", "250", "5", "100"}, std::nullopt},
        BuilderCase{"NinetyNineSteps", {"99", "30", "250", "5", "100"}, std::nullopt},
        BuilderCase{"HundredTwentySteps", {"120", "30", "250", "5", "100"}, std::nullopt},
        BuilderCase{"HugeStepCountWouldFreezeTheGrid", {"1e30", "30", "250", "5", "100"}, kRange},
        BuilderCase{"NoSteps", {"0", "30", "250", "5", "100"}, kRange},
        BuilderCase{"NegativeSteps", {"-3", "30", "250", "5", "100"}, kRange},
        BuilderCase{"StepCountNotANumber", {"many", "30", "250", "5", "100"}, kRange}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BuilderChecks, StepCountIsRoundedHalfToEven) {
    EXPECT_EQ(SequenceRules::builderStepCount({"12.5", {}, {}, {}, {}}), 12);
    EXPECT_EQ(SequenceRules::builderStepCount({"13.5", {}, {}, {}, {}}), 14);
    EXPECT_EQ(SequenceRules::builderStepCount({" 7 steps", {}, {}, {}, {}}), 7);
}

// ---- settings fields -----------------------------------------------------------------------------

TEST(SettingsFields, StoredSettingsShowAsTheirNumbersAndReadBackTheSame) {
    const SequenceSettings stored{30, 5, 4, 25, 150, 120};
    const SettingsTexts texts = SequenceRules::textsFromSettings(stored);
    EXPECT_EQ(texts.sampleRate, "5");
    EXPECT_EQ(texts.shutDownATime, "25");
    EXPECT_EQ(texts.shutDownVisc, "150");
    EXPECT_EQ(SequenceRules::settingsFromTexts(texts), stored);

    const SequenceSettings fractions{0.5, 2, 5, 0, 0, 60};
    EXPECT_EQ(SequenceRules::textsFromSettings(fractions).timeBeforeRead, "0.5");
}

}  // namespace
