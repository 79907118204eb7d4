#include "browser/browser_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace zel::browser {
namespace {

// Runs a text routine into a guarded buffer and checks that it wrote nothing
// past the position it returned.
template <typename F>
std::string run(F f) {
  char buf[40];
  std::memset(buf, '#', sizeof buf);
  char* end = f(buf);
  EXPECT_LT(end - buf, 32);
  EXPECT_EQ(buf[end - buf], '#') << "wrote past its end";
  return std::string(buf, end);
}

struct NumberCase {
  const char* routine;
  char* (*f)(char*, std::uint32_t);
  std::uint32_t value;
  const char* text;
};

class NumberTextTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(NumberTextTest, WritesExactText) {
  const NumberCase& c = GetParam();
  EXPECT_EQ(run([&](char* out) { return c.f(out, c.value); }), c.text) << c.routine << "(" << c.value << ")";
}

INSTANTIATE_TEST_SUITE_P(
    Routines, NumberTextTest,
    ::testing::Values(
        NumberCase{"formatWordPadded", formatWordPadded, 0, "    0"},
        NumberCase{"formatWordPadded", formatWordPadded, 51, "   51"},
        NumberCase{"formatWordPadded", formatWordPadded, 2019, " 2019"},
        NumberCase{"formatWordPadded", formatWordPadded, 10005, "10005"},
        NumberCase{"formatWordPadded", formatWordPadded, 65535, "65535"},
        NumberCase{"formatWordPadded", formatWordPadded, 65536, "    0"},
        NumberCase{"formatWordPadded", formatWordPadded, 70000, " 4464"},
        NumberCase{"formatByte3", formatByte3, 0, " 00"}, NumberCase{"formatByte3", formatByte3, 5, " 05"},
        NumberCase{"formatByte3", formatByte3, 99, " 99"}, NumberCase{"formatByte3", formatByte3, 100, "100"},
        NumberCase{"formatByte3", formatByte3, 123, "123"}, NumberCase{"formatByte3", formatByte3, 255, "255"},
        NumberCase{"formatByte3", formatByte3, 256, " 00"}, NumberCase{"formatByte3", formatByte3, 2019, "227"},
        NumberCase{"formatByte3Tail", formatByte3Tail, 7, "07"},
        NumberCase{"formatByte3Tail", formatByte3Tail, 123, "23"},
        NumberCase{"formatCountPadded", formatCountPadded, 3, "    3"},
        NumberCase{"formatCountPadded", formatCountPadded, 65535, "65535"},
        NumberCase{"formatCountPadded", formatCountPadded, 65536, "65536"},
        NumberCase{"formatCountPadded", formatCountPadded, 6242685, "6242685"},
        NumberCase{"formatTenths", formatTenths, 5, "0.5"}, NumberCase{"formatTenths", formatTenths, 7, "0.7"},
        NumberCase{"formatTenths", formatTenths, 9, "0.9"}, NumberCase{"formatTenths", formatTenths, 10, "1.0"},
        NumberCase{"formatTenths", formatTenths, 45, "4.5"}, NumberCase{"formatTenths", formatTenths, 55, "5.5"},
        NumberCase{"formatTenths", formatTenths, 90, "9.0"}, NumberCase{"formatTenths", formatTenths, 91, "9"},
        NumberCase{"formatTenths", formatTenths, 99, "9"}, NumberCase{"formatTenths", formatTenths, 100, "10"},
        NumberCase{"formatTenths", formatTenths, 123, "12"},
        NumberCase{"formatTenths", formatTenths, 0x7FFFFFFFu, "214748364"}));

struct HalfCase {
  std::uint32_t value;
  bool below;
};

class BelowHalfTest : public ::testing::TestWithParam<HalfCase> {};

// Stored tenths are compared as signed numbers: a negative result is below
// half, not a huge value.
TEST_P(BelowHalfTest, ComparesSigned) { EXPECT_EQ(tenthsBelowHalf(GetParam().value), GetParam().below); }

INSTANTIATE_TEST_SUITE_P(Values, BelowHalfTest,
                         ::testing::Values(HalfCase{0, true}, HalfCase{4, true}, HalfCase{5, false},
                                           HalfCase{0x7FFFFFFFu, false}, HalfCase{0x80000000u, true},
                                           HalfCase{0xFFFFFFFFu, true}));

struct DateTimeCase {
  std::uint32_t a, b, c;
  const char* date;
  const char* time;
};

class ListDateTimeTest : public ::testing::TestWithParam<DateTimeCase> {};

TEST_P(ListDateTimeTest, ShowsTwoDigitFieldsAndTheYear) {
  const DateTimeCase& c = GetParam();
  EXPECT_EQ(run([&](char* out) { return formatListDate(out, c.a, c.b, c.c); }), c.date);
  EXPECT_EQ(run([&](char* out) { return formatListTime(out, c.a, c.b, c.c); }), c.time);
}

INSTANTIATE_TEST_SUITE_P(Fields, ListDateTimeTest,
                         ::testing::Values(DateTimeCase{5, 7, 2019, "05.07.2019", "05:07:27"},
                                           DateTimeCase{31, 12, 1999, "31.12.1999", "31:12:07"},
                                           DateTimeCase{0, 0, 0, "00.00.   0", "00:00:00"},
                                           DateTimeCase{123, 300, 5, "23.44.   5", "23:44:05"},
                                           DateTimeCase{9, 4, 12345, "09.04.2345", "09:04:57"}));

TEST(BlankRunTest, HoldsAWholeRowOfBlanks) {
  const std::string run(blankRun(), kMaxBlankRun);
  EXPECT_EQ(run, std::string(kMaxBlankRun, ' '));
}

}  // namespace
}  // namespace zel::browser
