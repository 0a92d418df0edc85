#include "analysis/RampFitDisplay.h"

#include "common/VbFormat.h"

#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace ramp_display;

constexpr UnitSystem kCGS = UnitSystem::CGS;
constexpr UnitSystem kEI = UnitSystem::EI;
constexpr UnitSystem kSI = UnitSystem::SI;

// The worked ramp (n' = log10 5, K' = 2) on the standard bob, its scan stopped by a reading at 750 s,
// 212 degF and 100 psi.
RampFit workedFit() {
    std::vector<Reading> readings;
    const double rates[] = {10, 100, 1000}, stresses[] = {10, 50, 250};
    for (int i = 0; i < 3; ++i) {
        Reading r;
        r.rampNo = 1;
        r.time_s = 600 + 10 * i;
        r.shearRate_1ps = rates[i];
        r.shearStress_dyncm2 = stresses[i];
        r.typeId = 1;
        readings.push_back(r);
    }
    Reading stop;
    stop.rampNo = 2;
    stop.time_s = 750;
    stop.sampleTemp_F = 212;
    stop.pressure_psi = 100;
    readings.push_back(stop);
    return FitRamps(readings, 1.5987).at(0);
}

TEST(RampFitDisplay, RowShowsEveryColumnInEachUnitSystem) {
    const RampFit fit = workedFit();
    const std::vector<std::pair<UnitSystem, QStringList>> cases = {
        {kCGS,
         {" 1", "13.", "212", "100", "0.6990", "0002.000", "1.0000", "0001.921", "0002.110", "70", "53",
          "45"}},
        {kEI,
         {" 1", "13.", "212", "100", "0.6990", "0.004177", "1.0000", "0.004013", "0.004407", "70", "53",
          "45"}},
        {kSI,
         {" 1", "13.", "100", "689", "0.6990", "0002.000", "1.0000", "0001.921", "0002.110", "70", "53",
          "45"}},
    };
    for (const auto& [unit, cells] : cases) {
        SCOPED_TRACE(numberOfUnitSystem(unit));
        EXPECT_EQ(RowCells(fit, unit), cells);
    }
}

TEST(RampFitDisplay, ConversionsFollowTheUnitSystem) {
    struct Case {
        double (*convert)(double, UnitSystem);
        double stored;
        UnitSystem unit;
        const char* picture;
        const char* shown;
    };
    const std::vector<Case> cases = {
        {DisplayConsistency, 478.8, kEI, "0.000000", "1.000000"},
        {DisplayConsistency, 478.8, kCGS, "0000.000", "0478.800"},
        {DisplayConsistency, 478.8, kSI, "0000.000", "0478.800"},
        {DisplayTemperature, 212, kSI, "###", "100"},
        {DisplayTemperature, 32, kSI, "###", ""},  // zero shows nothing in "###"
        {DisplayTemperature, 212, kEI, "###", "212"},
        {DisplayPressure, 100, kSI, "####", "689"},
        {DisplayPressure, 100, kEI, "####", "100"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.stored << " in system " << numberOfUnitSystem(c.unit));
        EXPECT_EQ(vb::Format(c.convert(c.stored, c.unit), c.picture), c.shown);
    }
}

TEST(RampFitDisplay, InvalidFitShowsNAFromKPrimeOn) {
    RampFit fit = workedFit();
    fit.NPrime = 6.2;
    CompleteFit(fit, 1.5987);
    for (UnitSystem unit : {kCGS, kEI, kSI}) {
        SCOPED_TRACE(numberOfUnitSystem(unit));
        const QStringList cells = RowCells(fit, unit);
        ASSERT_EQ(cells.size(), kColumnCount);
        EXPECT_EQ(cells[4], "6.2000");
        EXPECT_EQ(cells.mid(5), QStringList(7, "N/A"));
    }
}

TEST(RampFitDisplay, HeaderIsWordedForEachUnitSystem) {
    const QString dyn = "dyn-s^n/cm2", lbf = "lbf-s^n/ft2";
    const QStringList common = {"Shear\rRamp", "Time \r(Min)"};
    const QStringList tail = {"Visc\r@40 1/S (cP)", "Visc\r@100 1/S (cP)", "Visc\r@170 1/S (cP)"};
    auto header = [&](const QString& temp, const QString& press, const QString& k) {
        return common + QStringList{temp,       press,         "n'", "K' \r" + k, "Coef.\rDetn.\r(R^2)",
                                    "Kv\r" + k, "K'slot\r" + k} +
               tail;
    };
    EXPECT_EQ(HeaderCells(kCGS), header("Temp\r(F°)", "Press\r(Psi)", dyn));
    EXPECT_EQ(HeaderCells(kEI), header("Temp\r(F°)", "Press\r(Psi)", lbf));
    EXPECT_EQ(HeaderCells(kSI), header("Temp\r(C°)", "Press\r(kPa)", dyn));
}

TEST(RampFitDisplay, HeaderFormatStringJoinsTheGridPieces) {
    // The grid's header as pieces joined by carriage returns inside cells and "|<" between them.
    const QString cr = "\r";
    auto pieces = [&](bool si, bool english) {
        const QString k = english ? "lbf-s^n/ft2|<" : "dyn-s^n/cm2|<";
        return "<Shear" + cr + "Ramp|<Time " + cr + "(Min)|<" + "Temp" + cr +
               (si ? "(C°)|<Press" : "(F°)|<Press") + cr + (si ? "(kPa)|<" : "(Psi)|<") + "n'|<K' " + cr +
               (english ? "lbf-s^n/ft2|<Coef." : "dyn-s^n/cm2|<Coef.") + cr + "Detn." + cr + "(R^2)|<Kv" +
               cr + k + "K'slot" + cr + k + "Visc" + cr + "@40 1/S (cP)|<" + "Visc" + cr + "@100 1/S (cP)|<" +
               "Visc" + cr + "@170 1/S (cP)";
    };
    EXPECT_EQ(HeaderFormatString(kCGS), pieces(false, false));
    EXPECT_EQ(HeaderFormatString(kEI), pieces(false, true));
    EXPECT_EQ(HeaderFormatString(kSI), pieces(true, false));
}

}  // namespace
