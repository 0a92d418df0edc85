#include "common/VbFormat.h"
#include "support/QStringPrinter.h"
#include "testinfo/BobTable.h"
#include "testinfo/TestInfoFile.h"
#include "testinfo/TestInfoForm.h"

#include <gtest/gtest.h>

namespace {

struct LookupCase {
    const char* typed;
    bool exactLookup;  // the view's five-row, case-sensitive lookup
    const char* radius;
    const char* length;  // both empty: radius and length stay as they were
};

TEST(BobLookup, FillsRadiusAndLengthOnlyForKnownBobs) {
    const LookupCase cases[] = {
        {"b2", false, "1.2276", "7.620"},
        {"XB3", false, "1.5987", "8.785"},
        {"xb1", false, "1.7245", "8.785"},
        {"B4", false, "0.8622", "3.810"},
        {"B6", false, "", ""},
        {"XB4", false, "", ""},
        {"B2", true, "1.2276", "7.620"},
        {"b2", true, "", ""},
        {"XB1", true, "", ""},
        {"B5 ", false, "", ""},
    };
    for (const LookupCase& c : cases) {
        TestInfoTexts t;
        t.bobRadius = QStringLiteral("9.9");
        t.bobLength = QStringLiteral("9.9");
        t.setBobNo(QString::fromLatin1(c.typed), c.exactLookup ? bobs::lookupExact : bobs::lookup);
        const bool kept = *c.radius == 0;
        EXPECT_EQ(t.bobRadius, kept ? QStringLiteral("9.9") : QString::fromLatin1(c.radius)) << c.typed;
        EXPECT_EQ(t.bobLength, kept ? QStringLiteral("9.9") : QString::fromLatin1(c.length)) << c.typed;
        EXPECT_EQ(t.bobNo, QString::fromLatin1(c.typed));
    }
}

TEST(BobFactors, FollowTheGeometryAndRefuseBobsThatCannotFitTheCup) {
    EXPECT_EQ(bobs::bobStressFactor(1.5987, 7.62), 1.0);
    EXPECT_NEAR(bobs::bobStressFactor(0.8622, 3.81), (1.5987 / 0.8622) * (1.5987 / 0.8622) * 2, 1e-12);
    EXPECT_EQ(vb::Format(bobs::shearRateFactor(1.7245), QStringLiteral("000.0000")),
              QStringLiteral("001.7023"));
    EXPECT_NEAR(bobs::shearRateFactor(1.5987),
                42.61406299750999 / (3.3911222499999996 - 1.5987 * 1.5987) / 60, 1e-15);

    struct Geometry {
        double radius, length;
        bool usable;
    };
    for (const Geometry g :
         {Geometry{1.5987, 7.62, true}, Geometry{0, 7.62, false}, Geometry{-1, 7.62, false},
          Geometry{1.8415, 7.62, false}, Geometry{1.5987, 0, false}}) {
        EXPECT_EQ(!bobs::geometryProblem(g.radius, g.length).has_value(), g.usable)
            << g.radius << " " << g.length;
        EXPECT_EQ(bobs::shearRateFactor(g.radius) > 0 && bobs::bobStressFactor(g.radius, g.length) > 0,
                  g.usable);
    }
}

TEST(BobFactors, AGeometryWhoseFactorsLeaveTheTablesSpanWidenedTwiceIsRefused) {
    for (const bobs::BobGeometry& bob : bobs::kTable)
        EXPECT_FALSE(bobs::geometryProblem(vb::Val(bob.radius_cm), vb::Val(bob.effLength_cm))) << bob.name;
    const std::tuple<double, double, bool> cases[] = {
        {1.7, 8.0, true},      {1.0, 5.0, true},    {0.6, 7.62, true},     {1.78, 16.0, true},
        {1e-300, 7.62, false},  // an infinite stress factor
        {0.3, 7.62, false},    {1.80, 7.62, false}, {1.5987, 1000, false}, {0.8622, 0.5, false},
    };
    for (const auto& [radius, length, usable] : cases) {
        const auto problem = bobs::geometryProblem(radius, length);
        EXPECT_EQ(!problem, usable) << radius << " " << length;
        if (problem) EXPECT_TRUE(problem->contains("factor")) << problem->toStdString();
    }
    EXPECT_EQ(vb::Format(bobs::acceptedShearRateFactors().highest, "0.000"), "3.405");
    EXPECT_EQ(vb::Format(bobs::acceptedStressFactors().lowest, "0.000"), "0.373");
    EXPECT_EQ(vb::Format(bobs::acceptedStressFactors().highest, "0.00"), "13.75");
}

testinfo_file::Result parse(const char* text, std::optional<QString> preset = std::nullopt) {
    return testinfo_file::parse(QString::fromUtf8(text), QStringLiteral("T1"), preset,
                                QStringLiteral("info.txt"));
}

TEST(InfoFile, KeysNotGivenKeepTheDialogsInitialTexts) {
    TestInfoTexts dialog = TestInfoTexts::initial();
    dialog.testName = QStringLiteral("T1");
    EXPECT_EQ(parse("\n\r\n").input, dialog.toInput());

    dialog.setBobNo(QStringLiteral("XB2"), bobs::lookup);  // as a unit window presets it
    const auto preset = parse("FLUID_ID= Gel 35 \r\n", QStringLiteral("XB2")).input;
    ASSERT_TRUE(preset);
    dialog.fluidId = QStringLiteral(" Gel 35 ");
    EXPECT_EQ(*preset, dialog.toInput());
    EXPECT_EQ(preset->bobRadius_cm, 1.2276);
    EXPECT_EQ(preset->bobEffLength_cm, 8.785);
}

TEST(InfoFile, GivenGeometryWinsOverTheBobLookupWhateverTheLineOrder) {
    const auto input = parse("BOB_RADIUS=1.6\nBOB_NO=b1\nPRETEST_PH= 6.5 \nSAFETY=a=b\n").input;
    ASSERT_TRUE(input);
    EXPECT_EQ(input->bobNo, QStringLiteral("b1"));
    EXPECT_EQ(input->bobRadius_cm, 1.6);
    EXPECT_EQ(input->bobEffLength_cm, 7.62);  // from the table row of B1
    EXPECT_EQ(input->pretestPh, 6.5);
    EXPECT_EQ(input->safety, QStringLiteral("a=b"));
}

TEST(InfoFile, AdditivesKeepTheirOrderUpToTwenty) {
    QByteArray text;
    for (int i = 1; i <= 20; ++i)
        text += "ADDITIVE=A" + QByteArray::number(i) + "|" + QByteArray::number(i) + ".5|gpt|L" +
                QByteArray::number(i) + "\n";
    const auto twenty = parse(text.constData()).input;
    ASSERT_TRUE(twenty);
    ASSERT_EQ(twenty->additives.size(), 20);
    EXPECT_EQ(twenty->additives[19].name, QStringLiteral("A20"));
    EXPECT_EQ(twenty->additives[19].concentration, 20.5);
    EXPECT_EQ(twenty->additives[19].lotNo, QStringLiteral("L20"));
    EXPECT_EQ(parse("ADDITIVE=Guar||lb/Mgal|\n").input->additives[0].concentration, 0.0);

    const auto tooMany = parse((text + "ADDITIVE=X|1|g|L\n").constData());
    EXPECT_EQ(tooMany.error, QStringLiteral("info.txt:21: more than 20 additives"));
}

TEST(InfoFile, ABadLineIsOneLineNamingFileAndLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"FLUID_ID=a\nTEST_NAME=x", "info.txt:2: unknown key \"TEST_NAME\""},
        {"fluid_id=a", "info.txt:1: unknown key \"fluid_id\""},
        {"\nFLUID_ID", "info.txt:2: not a KEY=value line: \"FLUID_ID\""},
        {"=x", "info.txt:1: not a KEY=value line"},
        {"ROTOR_NO=R1\nROTOR_NO=R2", "info.txt:2: ROTOR_NO is given twice"},
        {"BOB_RADIUS=1.5cm", "info.txt:1: BOB_RADIUS is not a number: \"1.5cm\""},
        {"POSTTEST_PH=", "info.txt:1: POSTTEST_PH is not a number"},
        {"ADDITIVE=Guar|35|lb", "info.txt:1: an additive is ADDITIVE=name|concentration|unit|lot"},
        {"ADDITIVE=|35|lb|L", "info.txt:1: an additive needs a name"},
        {"ADDITIVE=Guar|lots|lb|L", "info.txt:1: the concentration is not a number"},
        {"BOB_RADIUS=1.9", "info.txt: The bob radius must be more than 0"},
        {"BOB_RADIUS=1e-300", "info.txt: With this bob radius and effective length the stress factor"},
        {"BOB_NO=B6\nBOB_EFF_LENGTH=0", "info.txt: The bob effective length must be more than 0 cm."},
    };
    for (const auto& [text, error] : cases) {
        const auto result = parse(text);
        EXPECT_FALSE(result.input) << text;
        EXPECT_TRUE(result.error.startsWith(QString::fromLatin1(error))) << result.error.toStdString();
        EXPECT_FALSE(result.error.contains(u'\n'));
    }
}

TEST(InfoFile, AMissingFileIsAnError) {
    const auto result =
        testinfo_file::read(QStringLiteral("/nonexistent/info.txt"), QStringLiteral("T1"), {});
    EXPECT_FALSE(result.input);
    EXPECT_TRUE(result.error.startsWith(QStringLiteral("/nonexistent/info.txt: cannot be read")));
}

}  // namespace
