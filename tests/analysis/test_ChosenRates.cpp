#include "analysis/ChosenRates.h"

#include "support/QStringPrinter.h"
#include "support/TempWorkDir.h"

#include <gtest/gtest.h>

namespace {

TEST(ChosenRates, TheFileGivesOneRateALineAndSaysWhichLinesItLeftOut) {
    struct Case {
        const char* what;
        QByteArray bytes;
        std::vector<double> rates;
        QStringList problems;
    };
    const Case cases[] = {
        {"comments, blanks and CR LF",
         "# for linear gels\r\n\r\n  511 \r\n1022 # fast\r\n5.11e1\n",
         {511, 1022, 51.1},
         {}},
        {"each rate once", "511\n511.0\n", {511}, {}},
        {"bad lines left out",
         "abc\n0\n-5\n1e9\nnan\n100 200\n170\n",
         {170},
         {"rates.txt, line 1: \"abc\" is left out: a shear rate is one number of 1/s above 0 and at most "
          "100000.",
          "rates.txt, line 2: \"0\" is left out: a shear rate is one number of 1/s above 0 and at most "
          "100000.",
          "rates.txt, line 3: \"-5\" is left out: a shear rate is one number of 1/s above 0 and at most "
          "100000.",
          "rates.txt, line 4: \"1e9\" is left out: a shear rate is one number of 1/s above 0 and at most "
          "100000.",
          "rates.txt, line 5: \"nan\" is left out: a shear rate is one number of 1/s above 0 and at most "
          "100000.",
          "rates.txt, line 6: \"100 200\" is left out: a shear rate is one number of 1/s above 0 and at most "
          "100000."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ChosenRates chosen = ChosenRates::parse(c.bytes, QStringLiteral("rates.txt"));
        EXPECT_EQ(chosen.rates, c.rates);
        EXPECT_EQ(chosen.problems, c.problems);
    }
    QByteArray many;
    for (int i = 1; i <= ChosenRates::kMaxRates + 1; ++i) many += QByteArray::number(i * 10) + '\n';
    const ChosenRates full = ChosenRates::parse(many, QStringLiteral("rates.txt"));
    EXPECT_EQ(full.rates.size(), std::size_t(ChosenRates::kMaxRates));
    EXPECT_EQ(full.problems,
              QStringList({"rates.txt, line 21: more than 20 shear rates; the rest are left out."}));
}

TEST(ChosenRates, ASavedListReadsBackAndATypedListNamesItsWrongItem) {
    TempWorkDir dir;
    EXPECT_TRUE(ChosenRates::read().rates.empty());
    EXPECT_TRUE(ChosenRates::read().problems.isEmpty());  // no file: nothing chosen, nothing wrong

    const ChosenRates typed = ChosenRates::parseList(QStringLiteral(" 511, 1022;5.11  0.5"));
    ASSERT_TRUE(typed.problems.isEmpty());
    EXPECT_EQ(typed.rates, std::vector<double>({511, 1022, 5.11, 0.5}));
    ASSERT_EQ(ChosenRates::write(typed.rates), QString());
    EXPECT_EQ(ChosenRates::read().rates, typed.rates);
    EXPECT_EQ(ChosenRates::listText(typed.rates), QStringLiteral("511, 1022, 5.11, 0.5"));

    EXPECT_EQ(
        ChosenRates::parseList(QStringLiteral("511, x1")).problems,
        QStringList({"\"x1\" is not a shear rate: a shear rate is one number of 1/s above 0 and at most "
                     "100000."}));
    EXPECT_TRUE(ChosenRates::parseList(QString()).rates.empty());
}

}  // namespace
