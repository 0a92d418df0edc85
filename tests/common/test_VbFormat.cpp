#include "common/VbFormat.h"

#include <gtest/gtest.h>

#include "support/QStringPrinter.h"

#include <cmath>
#include <limits>
#include <vector>

namespace {

struct PictureCase {
    double value;
    const char* picture;
    const char* expected;
};

void expectPictures(const std::vector<PictureCase>& cases) {
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " in \"" << c.picture << "\"");
        EXPECT_EQ(vb::Format(c.value, QString::fromLatin1(c.picture)), QString::fromLatin1(c.expected));
    }
}

TEST(VbFormat, WirePicturesPadRoundAndGrow) {
    expectPictures({
        {-5, "000", "-005"},      // minus before the padded digits
        {1234, "000", "1234"},    // too large: keeps all its digits
        {180, "000.0", "180.0"},  // preheat target
        {50, "000.0", "050.0"},   // jog set point
        {100, "0000.0000", "0100.0000"},
        {1, "000.0000", "001.0000"},
        {2, "00", "02"},
        {30, "000000", "000030"},
        {150, "000", "150"},
        {5, "000", "005"},
        {100, "00000.0000", "00100.0000"},
        {100000, "00000.0000", "100000.0000"},  // widens past ten characters
        {0, "000.0", "000.0"},
        {60, "000", "060"},
        {5, "00", "05"},
        {2.5, "00", "03"},    // half away from zero
        {-2.5, "00", "-03"},  // half away from zero, also below zero
        {-5.25, "000.0", "-005.3"},
        {12.34, "000.0", "012.3"},
        {42.61406299750999 / (3.39112225 - 1.7245 * 1.7245) / 60, "000.0000", "001.7023"},
    });
}

TEST(VbFormat, DisplayPatternsWriteOnlySignificantHashDigits) {
    expectPictures({
        {0.04, "####.#", "."},  // rounds to zero: the point alone
        {0.06, "####.#", ".1"},
        {0.1, "####.#", ".1"},  // negative stress replaced by 0.1
        {1234.56, "####.#", "1234.6"},
        {98765.4, "####.#", "98765.4"},
        {511.1, "####.####", "511.1"},
        {12.6, "#.", "13."},
        {0.2, "#.", "."},
        {0, "###", ""},
        {0, "#", ""},
        {0, "####", ""},
        {72.6, "###", "73"},
        {212, "###", "212"},
        {(212 - 32) / 1.8, "###", "100"},
        {100 * 6.8948, "####", "689"},
        {1.4, "#", "1"},
        {12.34567, "###.####", "12.3457"},
        {12, "###.####", "12."},
        {1.5, "##.##", "1.5"},
        {0.5, "##.##", ".5"},
        {-1.5, "##.##", "-1.5"},
        {150, "##0.##", "150."},
        {72.25, "##0.##", "72.25"},
        {0, "##0.##", "0."},
        {250, "##0.0", "250.0"},
        {0.04, "##0.0", "0.0"},
    });
}

TEST(VbFormat, ZeroPaddedPatternsKeepEveryDigit) {
    expectPictures({
        {12.3456, "0000.000", "0012.346"},
        {2, "0000.000", "0002.000"},
        {478.8 / 478.8, "0.000000", "1.000000"},
        {0.69897000433601886, "0.0000", "0.6990"},
        {1, "0.0000", "1.0000"},
        {12.4, "00.", "12."},  // a format ending in "." writes the point
        {5.2, "000.", "005."},
        {1234.6, "00.", "1235."},  // grows, is not cut
        {0, "00.", "00."},
        {0, "0.000", "0.000"},
        {0.69897, "0.000", "0.699"},
        {2, "0.00000", "2.00000"},
        {2.5, "00.00", "02.50"},
        {3, "00", "03"},
        {12.5, "0000.00", "0012.50"},
        {0.25, "0.###############", "0.25"},
        {3, "0.###############", "3."},
        {1.0 / 3.0, "0.###############", "0.333333333333333"},
        {-0.000123, "0.###############", "-0.000123"},
    });
}

TEST(VbFormat, RoundingFollowsTheWrittenDecimalsNotTheBinaryNearMiss) {
    expectPictures({
        {2.675, "0.00", "2.68"},  // 2.67499999... in binary
        {1.005, "0.00", "1.01"},
        {0.125, "0.00", "0.13"},
        {0.1 + 0.2, "0.###############", "0.3"},
        {9.96, "0.0", "10.0"},  // carry into a new integer digit
        {99.95, "00.0", "100.0"},
        {0.5, "0", "1"},
        {0.49, "0", "0"},
        {0.0000001, "0.0000", "0.0000"},
        {1e20, "0", "100000000000000000000"},
    });
}

TEST(VbFormat, ValueThatRoundsToZeroShowsNoMinus) {
    expectPictures({
        {-0.04, "0.0", "0.0"},
        {-0.04, "####.#", "."},
        {-0.4, "000", "000"},
        {-0.0, "000.0", "000.0"},
        {-0.3, "###", ""},
    });
}

TEST(VbFormat, NonFiniteValuesAndOddPicturesNeverCrash) {
    EXPECT_EQ(vb::Format(std::nan(""), "000.0"), "");
    EXPECT_EQ(vb::Format(std::numeric_limits<double>::infinity(), "0.0000"), "");
    EXPECT_EQ(vb::Format(0.5, ""), "0.5");  // general form
    EXPECT_EQ(vb::Format(12.5, "0.0", u','), "12,5");
    EXPECT_EQ(vb::Format(1e300, "0.00").size(), 304);
}

struct ValCase {
    const char* text;
    double expected;
};

TEST(VbFormat, ValTakesTheLongestLeadingNumber) {
    const double huge = std::numeric_limits<double>::max();
    const std::vector<ValCase> cases = {
        {"12abc", 12},
        {"-3.5e2x", -350},
        {"", 0},
        {"abc", 0},
        {"   7", 7},
        {"\t 3", 3},
        {".5", 0.5},
        {"5.", 5},
        {"-.5", -0.5},
        {"+4", 4},
        {"1e", 1},  // an exponent without digits is not part of the number
        {"2e+x", 2},
        {"1E3", 1000},
        {"1.5e-3", 0.0015},
        {"1,234", 1},
        {"1.2.3", 1.2},
        {"1 2", 1},
        {"- 5", 0},
        {"--5", 0},
        {".", 0},
        {"-", 0},
        {"00012", 12},
        {"250.5", 250.5},
        {"0.000000000000000000000000000001e30", 1},
        {"1234567890123456789012345678901234567890123456789", 1.234567890123456789e48},
        {"1e99999999999999999999", huge},  // saturates, so range checks reject it
        {"-1e400", -huge},
        {"1e-99999999999999999999", 0},
        {"1e-400", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_DOUBLE_EQ(vb::Val(QString::fromLatin1(c.text)), c.expected);
    }
}

struct StrCase {
    double value;
    const char* expected;
};

TEST(VbFormat, StrPutsABlankInTheSignPositionAndDropsTheLeadingZero) {
    const std::vector<StrCase> cases = {
        {5, " 5"},
        {-5, "-5"},
        {3, " 3"},  // unit number appended to a log cause
        {0.5, " .5"},
        {-0.5, "-.5"},
        {100, " 100"},
        {0, " 0"},
        {-0.0, " 0"},
        {12.5, " 12.5"},
        {0.75, " .75"},
        {2.5, " 2.5"},
        {0.1 + 0.2, " .3"},
        {1.0 / 3.0, " .333333333333333"},
        {123456789012345, " 123456789012345"},
        {1e15, " 1E+15"},
        {1234567890123456, " 1.23456789012346E+15"},
        {0.0001, " .0001"},
        {0.00001, " 1E-05"},
        {-2.5e-7, "-2.5E-07"},
        {std::nan(""), " NaN"},
        {-std::numeric_limits<double>::infinity(), "-Inf"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value);
        EXPECT_EQ(vb::Str(c.value), QString::fromLatin1(c.expected));
    }
}

TEST(VbFormat, CIntRoundsHalfToEven) {
    const std::vector<std::pair<double, int>> cases = {
        {60.5, 60},
        {61.5, 62},
        {-0.5, 0},
        {0.5, 0},
        {1.5, 2},
        {-1.5, -2},
        {2.4, 2},
        {2.6, 3},
        {-2.6, -3},
        {-2.4, -2},
        {1e20, std::numeric_limits<int>::max()},
        {-1e20, std::numeric_limits<int>::min()},
        {std::nan(""), 0},
    };
    for (const auto& [value, expected] : cases) {
        SCOPED_TRACE(value);
        EXPECT_EQ(vb::CInt(value), expected);
    }
}

TEST(VbFormat, PrintZonesStartEveryFourteenColumns) {
    const std::vector<std::pair<QString, int>> cases = {
        {"", 0},
        {" 12.5 ", 14},  // calibration report: the voltage begins in column 14
        {QString(13, u'x'), 14},
        {QString(14, u'x'), 14},  // already at a zone start
        {QString(15, u'x'), 28},
        {"Time: 12/08/2026 15:43:10", 28},
    };
    for (const auto& [line, column] : cases) {
        SCOPED_TRACE(line.toStdString());
        const QString padded = vb::PadToNextPrintZone(line);
        EXPECT_EQ(padded.size(), column);
        EXPECT_TRUE(padded.startsWith(line));
        EXPECT_EQ(padded.mid(line.size()).trimmed(), "");
    }
    EXPECT_EQ(vb::PadToNextPrintZone(vb::Str(12.5) + " ") + vb::Str(0.75) + " ",
              " 12.5" + QString(10, u' ') + ".75 ");
}

TEST(VbFormat, DatesAndTimesUseTheirNamedForms) {
    const QDateTime when(QDate(2026, 8, 12), QTime(15, 43, 10));
    EXPECT_EQ(vb::GeneralDate(when, QLocale(QLocale::English, QLocale::UnitedKingdom)),
              "12/08/2026 15:43:10");
    const QString us = vb::GeneralDate(when, QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_TRUE(us.contains("2026")) << us.toStdString();
    EXPECT_TRUE(us.contains(":43:10")) << us.toStdString();
    EXPECT_EQ(vb::GeneralDate(QDateTime()), "");

    EXPECT_EQ(vb::ShortTime(QTime(7, 5)), "07:05");
    EXPECT_EQ(vb::ShortTime(QTime(23, 59, 59)), "23:59");

    const std::vector<std::pair<qint64, const char*>> clock = {
        {0, "00:00:00"},         {3725, "01:02:05"},   {90000, "01:00:00"},
        {420 - 480, "23:59:00"}, {-86400, "00:00:00"},
    };
    for (const auto& [seconds, text] : clock) {
        SCOPED_TRACE(seconds);
        EXPECT_EQ(vb::TimeOfDay(seconds), text);
    }
    // The elapsed display: "Short Time" of the day fraction, then the seconds in "00".
    const qint64 e = 3725;
    EXPECT_EQ(vb::ShortTime(QTime(0, 0).addSecs(e % 86400)) + ":" + vb::Format(e % 60, "00"), "01:02:05");
}

}  // namespace
