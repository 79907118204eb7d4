#include "common/text_format.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <string>

#include "common/record.h"

namespace zel {
namespace {

using Routine = char* (*)(char*, std::uint32_t);

std::string run(Routine f, std::uint32_t v) {
  char buf[32];
  std::memset(buf, '#', sizeof buf);
  char* end = f(buf, v);
  EXPECT_EQ(buf[end - buf], '#') << "wrote past its end";
  return std::string(buf, end);
}

struct Case {
  const char* routine;
  Routine f;
  std::uint32_t value;
  const char* text;
};

class RoutineTest : public ::testing::TestWithParam<Case> {};

TEST_P(RoutineTest, WritesExactText) {
  const Case& c = GetParam();
  EXPECT_EQ(run(c.f, c.value), c.text) << c.routine << "(" << c.value << ")";
}

INSTANTIATE_TEST_SUITE_P(
    Integers, RoutineTest,
    ::testing::Values(Case{"formatByte", formatByte, 0, "0"}, Case{"formatByte", formatByte, 7, "7"},
                      Case{"formatByte", formatByte, 40, "40"}, Case{"formatByte", formatByte, 105, "105"},
                      Case{"formatByte", formatByte, 255, "255"}, Case{"formatByte", formatByte, 256, "0"},
                      Case{"formatByte", formatByte, 300, "44"},
                      Case{"format2Digits", format2Digits, 0, "00"}, Case{"format2Digits", format2Digits, 7, "07"},
                      Case{"format2Digits", format2Digits, 59, "59"}, Case{"format2Digits", format2Digits, 123, "23"},
                      Case{"format2Digits", format2Digits, 100, "00"}, Case{"format2Digits", format2Digits, 2019, "27"},
                      Case{"format2DigitsBlank", format2DigitsBlank, 0, " 0"},
                      Case{"format2DigitsBlank", format2DigitsBlank, 7, " 7"},
                      Case{"format2DigitsBlank", format2DigitsBlank, 64, "64"},
                      Case{"format2DigitsBlank", format2DigitsBlank, 105, " 5"},
                      Case{"formatWord", formatWord, 0, "0"}, Case{"formatWord", formatWord, 2019, "2019"},
                      Case{"formatWord", formatWord, 10005, "10005"}, Case{"formatWord", formatWord, 65535, "65535"},
                      Case{"formatWord", formatWord, 65536, "0"}, Case{"formatWord", formatWord, 70000, "4464"},
                      Case{"formatDword", formatDword, 0, "0"}, Case{"formatDword", formatDword, 100000, "100000"},
                      Case{"formatDword", formatDword, 16776960, "16776960"},
                      Case{"formatDword", formatDword, 99999999, "99999999"},
                      Case{"formatDword", formatDword, 100000000, "100000000"},
                      Case{"formatDword", formatDword, 123456789, "123456789"},
                      Case{"formatDword", formatDword, 4294967295u, "4294967295"},
                      Case{"formatDword", formatDword, 1000000005u, "1000000005"},
                      Case{"format2DigitsPlain", format2DigitsPlain, 0, "00"},
                      Case{"format2DigitsPlain", format2DigitsPlain, 7, "07"},
                      Case{"format2DigitsPlain", format2DigitsPlain, 26, "26"}));

std::uint32_t bitsOf(float f) { return std::bit_cast<std::uint32_t>(f); }

struct FixedCase {
  std::uint32_t bits;
  const char* text;
};

class Fixed3Test : public ::testing::TestWithParam<FixedCase> {};

TEST_P(Fixed3Test, TruncatesToThreeDecimals) {
  EXPECT_EQ(run(formatFixed3, GetParam().bits), GetParam().text) << std::hex << GetParam().bits;
}

INSTANTIATE_TEST_SUITE_P(
    Values, Fixed3Test,
    ::testing::Values(FixedCase{bitsOf(0.0f), "0.000"}, FixedCase{bitsOf(-0.0f), "0.000"},
                      FixedCase{bitsOf(1.5f), "1.500"}, FixedCase{bitsOf(-1.5f), "-1.500"},
                      FixedCase{bitsOf(0.7f), "0.699"}, FixedCase{bitsOf(0.1f), "0.100"},
                      FixedCase{bitsOf(12.345f), "12.345"}, FixedCase{bitsOf(999.9999f), "999.999"},
                      FixedCase{bitsOf(0.0015f), "0.001"}, FixedCase{bitsOf(0.0009f), "0.000"},
                      FixedCase{bitsOf(-0.0009f), "0.000"}, FixedCase{bitsOf(1000.0f), "1000.000"},
                      FixedCase{bitsOf(100000.0f), "100000.000"}, FixedCase{bitsOf(105000.5f), "105000.500"},
                      FixedCase{bitsOf(999999.9f), "999999.875"}, FixedCase{bitsOf(1000000.0f), "-.---"},
                      FixedCase{bitsOf(-1000000.0f), "-.---"}, FixedCase{bitsOf(3.0e6f), "-.---"},
                      FixedCase{bitsOf(1.6e7f), "-.---"}, FixedCase{0x7F800000u, "-.---"},
                      FixedCase{0x7FC00000u, "-.---"}, FixedCase{0x00000001u, "0.000"},
                      FixedCase{bitsOf(1.0e30f), "-.---"}, FixedCase{bitsOf(-999999.9f), "-999999.875"}));

TEST(FormatSpans, RangeAndDwordLengthGiveStartAndCount) {
  char buf[16];
  struct {
    std::uint32_t a, b;
    const char* text;
  } ranges[] = {{18, 44, "18-44"}, {0, 255, "0-255"}, {45, 45, "45-45"}, {256, 255, "0-255"}};
  for (const auto& r : ranges) {
    const TextSpan s = formatRange(buf, r.a, r.b);
    EXPECT_EQ(s.start, buf);
    EXPECT_EQ(std::string(s.start, static_cast<std::size_t>(s.length)), r.text);
  }
  const TextSpan d = formatDwordLength(buf, 16776960);
  EXPECT_EQ(d.start, buf);
  EXPECT_EQ(d.length, 8);
}

TEST(FormatSpans, FillBlanks8IsAFieldRoutine) {
  char buf[10] = "#########";
  fillBlanks8(buf);
  EXPECT_EQ(std::string(buf, 9), "        #");
}

MeasurementRecord dated(int d, int mo, int y, int h, int mi, int s) {
  MeasurementRecord r;
  writeU16(r.bytes.data() + offset::day, static_cast<std::uint16_t>(d));
  writeU16(r.bytes.data() + offset::month, static_cast<std::uint16_t>(mo));
  writeU16(r.bytes.data() + offset::year, static_cast<std::uint16_t>(y));
  writeU16(r.bytes.data() + offset::hour, static_cast<std::uint16_t>(h));
  writeU16(r.bytes.data() + offset::minute, static_cast<std::uint16_t>(mi));
  writeU16(r.bytes.data() + offset::second, static_cast<std::uint16_t>(s));
  return r;
}

TEST(DateTimeTexts, PageAndPanelLayouts) {
  struct {
    MeasurementRecord r;
    const char* page;
    const char* panel;
  } cases[] = {
      {dated(5, 3, 2019, 9, 4, 7), "05.03.2019    09:04:07", "05.03.2019  09:04:07"},
      {dated(0, 0, 0, 0, 0, 0), "00.00.0    00:00:00", "00.00.0  00:00:00"},
      {dated(31, 12, 999, 23, 59, 59), "31.12.999    23:59:59", "31.12.999  23:59:59"},
  };
  for (const auto& c : cases) {
    char buf[kDateTimeBuffer];
    char* end = formatPageDateTime(buf, c.r);
    EXPECT_EQ(*end, '\0');
    EXPECT_EQ(std::string(buf), c.page);
    end = formatPanelDateTime(buf, c.r);
    EXPECT_EQ(*end, '\0');
    EXPECT_EQ(std::string(buf), c.panel);
  }
}

}  // namespace
}  // namespace zel
