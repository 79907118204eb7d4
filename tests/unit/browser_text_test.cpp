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
    ::testing::Values(NumberCase{"formatWordPadded", formatWordPadded, 0, "    0"},
                      NumberCase{"formatWordPadded", formatWordPadded, 51, "   51"},
                      NumberCase{"formatWordPadded", formatWordPadded, 10005, "10005"},
                      NumberCase{"formatWordPadded", formatWordPadded, 70000, " 4464"},
                      NumberCase{"formatByte3", formatByte3, 0, " 00"}, NumberCase{"formatByte3", formatByte3, 5, " 05"},
                      NumberCase{"formatByte3", formatByte3, 100, "100"},
                      NumberCase{"formatByte3", formatByte3, 2019, "227"},
                      NumberCase{"formatByte3Tail", formatByte3Tail, 123, "23"},
                      NumberCase{"formatCountPadded", formatCountPadded, 65535, "65535"},
                      NumberCase{"formatCountPadded", formatCountPadded, 65536, "65536"},
                      NumberCase{"formatTenths", formatTenths, 90, "9.0"},
                      NumberCase{"formatTenths", formatTenths, 0x7FFFFFFFu, "214748364"}));

TEST(ListDateTimeTest, ShowsTheLowBytesTwoDigitsAndTheYearsLastFour) {
  EXPECT_EQ(run([](char* out) { return formatListDate(out, 123, 300, 5); }), "23.44.   5");
  EXPECT_EQ(run([](char* out) { return formatListDate(out, 9, 4, 12345); }), "09.04.2345");
  EXPECT_EQ(run([](char* out) { return formatListTime(out, 0, 7, 2019); }), "00:07:27");
}

}  // namespace
}  // namespace zel::browser
