// SPDX-License-Identifier: GPL-3.0-or-later
// The texts boxes show for numbers, and the numbers read from box texts.
#include "design/box_text.h"
#include "design/faults.h"
#include "design/number_text.h"
#include "design/plain_number.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace tarvo {
namespace {

struct SingleCase {
    float value;
    const char* text;
};

TEST(SingleToText, GivesSevenSignificantDigitsWithoutTrailingZeros) {
    const SingleCase cases[] = {
        {89.35F, "89.35"},
        {17.516281F, "17.51628"},
        {0.7751F, "0.7751"},
        {12.0F, "12"},
        {0.0F, "0"},
        {-0.0F, "0"},
        {-36.27719F, "-36.27719"},
        {110.6318F, "110.6318"},
        {1234567.0F, "1234567"},
        {12866400.0F, "1.28664E+07"},
        {0.00001F, "0.00001"},
        {0.0000012F, "1.2E-06"},
        {0.000001F, "1E-06"},
        {1e30F, "1E+30"},
        {std::numeric_limits<float>::infinity(), "inf"},
        {-std::numeric_limits<float>::infinity(), "-inf"},
        {std::numeric_limits<float>::quiet_NaN(), "nan"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(singleToText(c.value, "."), c.text) << c.text;
    }
}

TEST(SingleToText, RoundingUpCarriesIntoTheNextDigit) {
    EXPECT_EQ(singleToText(9999999.5F, "."), "1E+07");
    EXPECT_EQ(doubleToText(0.9999999999999999, "."), "1");
}

TEST(DoubleToText, GivesFifteenSignificantDigits) {
    EXPECT_EQ(doubleToText(0.9266000000000005, "."), "0.926600000000001");
    EXPECT_EQ(doubleToText(226.94899612426758, "."), "226.948996124268");
    EXPECT_EQ(doubleToText(1.968753981590271, "."), "1.96875398159027");
    EXPECT_EQ(doubleToText(26.9357 - 26.0026, "."), "0.9331");
    EXPECT_EQ(doubleToText(1e15, "."), "1E+15");
    EXPECT_EQ(doubleToText(123456789012345.0, "."), "123456789012345");
}

// Values at the edges of the conversion, each worked from its exact binary value (Python's
// decimal.Decimal): the smallest subnormals, the largest subnormal single, the switch to the
// exponent form at 15 digits, and exact halfway cases, which go to the even digit.
TEST(NumberText, AwkwardValuesKeepTheirTexts) {
    const SingleCase singles[] = {
        {1.4e-45F, "1.401298E-45"},        // 1.40129846432...E-45
        {1.17549421e-38F, "1.175494E-38"}, // the largest subnormal
        {12345.625F, "12345.62"},          // halfway, 2 is even
        {12345.875F, "12345.88"},          // halfway, 7 is odd
        {1048576.5F, "1048576"},
        {1048577.5F, "1048578"},
        {std::numeric_limits<float>::max(), "3.402823E+38"},
        {-0.0F, "0"},
    };
    for (const auto& c : singles) {
        EXPECT_EQ(singleToText(c.value, "."), c.text) << c.text;
    }
    const struct {
        double value;
        const char* text;
    } doubles[] = {
        {5e-324, "4.94065645841247E-324"},
        {2.225073858507201e-308, "2.2250738585072E-308"},
        {999999999999999.5, "1E+15"}, // halfway, 9 is odd: up to the next power of ten
        {999999999999998.5, "999999999999998"},
        {999999999999999.375, "999999999999999"},
        {100000000000000.5, "100000000000000"},
        {100000000000001.5, "100000000000002"},
        {1234567890123.125, "1234567890123.12"},
        {9.99999999999999e-6, "9.99999999999999E-06"},
        {9.999999999999999e-6, "0.00001"}, // rounds up across the switch to the exponent form
        {0.1 + 0.2, "0.3"},
        {-0.0, "0"},
    };
    for (const auto& c : doubles) {
        EXPECT_EQ(doubleToText(c.value, "."), c.text) << c.text;
    }
    // Just below and above the halfway points to zero and past the largest finite number.
    EXPECT_EQ(textToDouble("2.4703282292062328e-324", "."), 5e-324);
    EXPECT_EQ(textToDouble("2.4703282292062327e-324", "."), 0.0);
    EXPECT_EQ(textToSingle("7.006492321624086e-46", "."), 1.4e-45F);
    EXPECT_EQ(textToSingle("3.4028235677973366e38", "."), std::numeric_limits<float>::max());
    EXPECT_THROW(textToSingle("3.4028235677973367e38", "."), ArithmeticFault);
    EXPECT_EQ(textToDouble("1.7976931348623158e308", "."), std::numeric_limits<double>::max());
    EXPECT_THROW(textToDouble("1.7976931348623159e308", "."), ArithmeticFault);
}

// The plain form of the program's own files, as the C++ library writes and reads it: shortest
// round trip, the shorter of fixed and exponent form, whole numbers in full.
TEST(PlainNumber, WritesTheShortestTextThatReadsBack) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {0.25, "0.25"},
        {210, "210"},
        {0.001, "0.001"}, // as long as 1e-03: the fixed form
        {0.0001, "1e-04"},
        {1e15, "1e+15"},
        {123456, "123456"},
        {0.1 + 0.2, "0.30000000000000004"},
        {-1.5e-7, "-1.5e-07"},
        {5e-324, "5e-324"},
        {1168296301153480605696.0, "1168296301153480605696"}, // every digit of a whole number
        {-0.0, "-0"},
        {std::numeric_limits<double>::infinity(), "inf"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(shortestText(c.value), c.text) << c.text;
    }
}

TEST(PlainNumber, ReadsAsTheCLibraryDoesAndTellsRangeFaults) {
    const struct {
        const char* text;
        std::size_t used;
        std::errc ec;
        double value; ///< 7 stands for "left as it was"
    } cases[] = {
        {"12.5e3 rest", 6, std::errc{}, 12500},
        {"-0.75", 5, std::errc{}, -0.75},
        {"1e", 1, std::errc{}, 1},
        {"1e-310", 6, std::errc{}, 1e-310},
        {"1e-400", 6, std::errc::result_out_of_range, 7},
        {"1e400", 5, std::errc::result_out_of_range, 7},
        {"0e999", 5, std::errc{}, 0},
        {"x1", 0, std::errc::invalid_argument, 7},
        {"+1", 0, std::errc::invalid_argument, 7},
    };
    for (const auto& c : cases) {
        double value = 7;
        const char* end = c.text + std::strlen(c.text);
        const PlainReadResult result = readPlainNumber(c.text, end, value);
        EXPECT_EQ(static_cast<std::size_t>(result.ptr - c.text), c.used) << c.text;
        EXPECT_EQ(result.ec, c.ec) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
    float single = 7;
    const std::string beyond = "3.5e38";
    EXPECT_EQ(readPlainNumber(beyond.data(), beyond.data() + beyond.size(), single).ec,
              std::errc::result_out_of_range);
    EXPECT_EQ(single, 7.0F);
}

TEST(NumberText, UsesTheLocaleSeparator) {
    EXPECT_EQ(singleToText(89.35F, ","), "89,35");
    EXPECT_EQ(singleToText(12866400.0F, ","), "1,28664E+07");
    EXPECT_EQ(doubleToText(0.9266000000000005, ","), "0,926600000000001");
    EXPECT_FLOAT_EQ(textToSingle("144,5", ","), 144.5F);
    EXPECT_THROW(textToSingle("144.5", ","), ConversionFault);
    EXPECT_THROW(textToSingle("1,5", "."), ConversionFault);
}

struct ParseCase {
    const char* text;
    float value;
};

TEST(TextToSingle, ReadsEveryPlainNumberForm) {
    const ParseCase cases[] = {
        {"144", 144.0F},   {" 144 ", 144.0F},  {"144.", 144.0F},    {".5", 0.5F},  {"+2", 2.0F},
        {"-3.5", -3.5F},   {"1.44E2", 144.0F}, {"1.44e+2", 144.0F}, {"0.0", 0.0F}, {"1e-50", 0.0F},
        {"89.35", 89.35F}, {"\t7\t", 7.0F},    {"000012", 12.0F},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(textToSingle(c.text, "."), c.value) << c.text;
    }
}

TEST(TextToSingle, GivesTheSingleNearestTheText) {
    EXPECT_EQ(std::bit_cast<std::uint32_t>(textToSingle("0.00001", ".")), 0x3727C5ACU);
    EXPECT_EQ(textToSingle("36.2771", "."), 36.2771F);
    EXPECT_TRUE(std::signbit(textToSingle("-0", ".")));
}

TEST(TextToSingle, RejectsWhatIsNotANumber) {
    for (const char* text : {"", " ", ".", "-", "+", "abc", "1,000", "1 000", "inf", "nan", "1e",
                             "1e+", "0x10", "--1", "1.2.3", "\xd9\xa1", "12abc", "1e5.5"}) {
        EXPECT_THROW(textToSingle(text, "."), ConversionFault) << text;
    }
}

TEST(TextToSingle, BeyondTheSingleRangeIsAnOverflow) {
    for (const char* text : {"1e50", "-1e50", "3.5e38", "1e99999999999999999999"}) {
        try {
            textToSingle(text, ".");
            ADD_FAILURE() << text << " was read";
        } catch (const ArithmeticFault& fault) {
            EXPECT_EQ(fault.kind(), FaultKind::Overflow) << text;
        }
    }
    EXPECT_EQ(textToSingle("3.4e38", "."), 3.4e38F);
}

TEST(TextToDouble, ReadsTheCutTextsOfTheBoxes) {
    EXPECT_EQ(textToDouble("26.7499", ".") - textToDouble("25.8233", "."), 0.9266000000000005);
    EXPECT_THROW(textToDouble("inf", "."), ConversionFault);
    EXPECT_THROW(textToDouble("1e400", "."), ArithmeticFault);
}

TEST(TextRoundTrip, ReadingAWrittenSingleGivesItBack) {
    for (const float value : {89.35F, 0.7751F, 1e-6F, 3.4e38F, -2.5e-30F, 123456.7F}) {
        EXPECT_EQ(textToSingle(singleToText(value, "."), "."), value) << value;
    }
}

// Found by fuzzing: at 15 digits the largest double rounds up beyond the double range, so its
// text reads back as an overflow rather than as a wrong number.
TEST(TextRoundTrip, TheLargestDoubleWritesATextBeyondTheDoubleRange) {
    const std::string text = doubleToText(-std::numeric_limits<double>::max(), ".");
    EXPECT_EQ(text, "-1.79769313486232E+308");
    EXPECT_THROW(textToDouble(text, "."), ArithmeticFault);
    EXPECT_EQ(textToSingle(singleToText(std::numeric_limits<float>::max(), "."), "."),
              3.402823e38F);
}

// Found by fuzzing: a single read back from its 7 digits lies within half a unit of the last
// digit plus the step of the single nearest it.
TEST(TextRoundTrip, ALargeSingleReadsBackWithinItsLastDigit) {
    const float value = -1.01332549e16F;
    const std::string text = singleToText(value, ".");
    EXPECT_EQ(text, "-1.013325E+16");
    EXPECT_NEAR(textToSingle(text, "."), value, 0.5e10 + 1.1e9);
}

struct CutCase {
    const char* text;
    std::size_t limit;
    std::optional<std::string> shown;
};

TEST(CutNumberText, CutsOnlyDigitsAfterTheSeparator) {
    const CutCase cases[] = {
        {"36.27719", 7, "36.2771"},
        {"31.55804", 7, "31.5580"},
        {"110.6318", 7, "110.631"},
        {"1.96875398159027", 6, "1.9687"},
        {"226.948996124268", 7, "226.948"},
        {"1234567.8", 7, "1234567"},
        {"0.7751", 6, "0.7751"},
        {"-0.0000254", 7, "-0.0000"},
        {"12866400", 7, std::nullopt},
        {"12345678.5", 7, std::nullopt},
        {"1.28664E+07", 7, std::nullopt},
        {"1.23456E-06", 7, std::nullopt},
        {"anything at all", 0, "anything at all"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cutNumberText(c.text, c.limit, "."), c.shown) << c.text;
    }
    // A separator of two bytes (U+066B) is never cut in half: it goes whole.
    EXPECT_EQ(cutNumberText("123456\u066B78", 7, "\u066B"), "123456");
    EXPECT_EQ(cutNumberText("12345\u066B678", 7, "\u066B"), "12345\u066B");
}

} // namespace
} // namespace tarvo
