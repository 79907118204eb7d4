#include "common/record.h"

#include <gtest/gtest.h>

#include <bit>
#include <numeric>

#include "common/mode_table.h"
#include "common/text_format.h"

namespace zel {
namespace {

TEST(MeasurementFile, RecordCountAndOffsets) {
  struct {
    std::uint64_t size, count;
  } sizes[] = {{0, 0}, {687, 0}, {688, 1}, {1375, 1}, {1376, 2}, {688ull * 70000 + 5, 70000},
               {5ull << 32, (5ull << 32) / 688}};
  for (const auto& s : sizes) EXPECT_EQ(recordCount(s.size), s.count) << s.size;
  std::uint64_t at = 0;
  ASSERT_TRUE(recordOffset(3, at));
  EXPECT_EQ(at, 2064u);
  ASSERT_TRUE(recordOffset(5, at));
  EXPECT_EQ(at, 3440u);
  // Offsets past 4 GiB are computed in full, never wrapped round to another record.
  ASSERT_TRUE(recordOffset(6242685, at));
  EXPECT_EQ(at, 6242685ull * 688);
  EXPECT_FALSE(recordOffset(UINT64_MAX, at));
}

// Every byte of the record holds its index, so each accessor's value names
// the offsets it was assembled from, little-endian.
TEST(MeasurementRecord, FieldsAtTheirOffsetsLittleEndian) {
  MeasurementRecord r;
  for (std::size_t i = 0; i < kRecordSize; ++i) r.bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
  auto u16 = [&](std::size_t at) { return static_cast<std::uint16_t>(r.bytes[at] | r.bytes[at + 1] << 8); };
  auto u32 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(u16(at)) | static_cast<std::uint32_t>(u16(at + 2)) << 16;
  };
  struct {
    const char* name;
    std::uint32_t value;
    std::size_t at;
    int width;
  } fields[] = {
      {"deviceNumber", r.deviceNumber(), 4, 4}, {"modeCode", r.modeCode(), 8, 2},
      {"year", r.year(), 10, 2},                {"month", r.month(), 12, 2},
      {"day", r.day(), 14, 2},                  {"hour", r.hour(), 16, 2},
      {"minute", r.minute(), 18, 2},            {"second", r.second(), 20, 2},
      {"delayTime", r.delayTime(), 22, 2},      {"measurementTime", r.measurementTime(), 26, 2},
      {"pulseCount", r.pulseCount(), 28, 2},    {"countN1", r.countN1(), 30, 2},
      {"countN2", r.countN2(), 32, 2},          {"countN3", r.countN3(), 34, 2},
      {"pumpingTime", r.pumpingTime(), 36, 2},  {"temperature", r.temperature(), 38, 2},
      {"humidity", r.humidity(), 40, 2},        {"pressure", r.pressure(), 42, 2},
      {"windowBound1", r.windowBound1(), 44, 2}, {"windowBound2", r.windowBound2(), 46, 2},
      {"windowBound3", r.windowBound3(), 48, 2}, {"cycleCount", r.cycleCount(), 62, 2},
      {"spectrum[0]", r.spectrum(0), 68, 2},    {"spectrum[255]", r.spectrum(255), 578, 2},
      {"primaryResult", r.primaryResult(), 580, 4}, {"primaryError", r.primaryError(), 584, 4},
      {"integralResult", r.integralResult(), 588, 4}, {"integralError", r.integralError(), 592, 4},
      {"eecRn", r.eecRn(), 604, 4},             {"eecRnError", r.eecRnError(), 608, 4},
      {"eecTn", r.eecTn(), 616, 4},             {"eecTnError", r.eecTnError(), 620, 4},
      {"variantFlag", r.variantFlag(), 630, 1}, {"ca", r.caBits(), 640, 4},
      {"cb", r.cbBits(), 644, 4},               {"cc", r.ccBits(), 648, 4},
      {"kv", r.kvBits(), 652, 4},               {"fd", r.fdBits(), 656, 4},
  };
  for (const auto& f : fields) {
    const std::uint32_t expected = f.width == 1 ? r.bytes[f.at] : f.width == 2 ? u16(f.at) : u32(f.at);
    EXPECT_EQ(f.value, expected) << f.name;
  }
  // The named-field table agrees with the accessors.
  for (const FieldInfo& f : kRecordFields) {
    bool found = false;
    for (const auto& g : fields) found |= f.name == g.name && f.offset == g.at;
    EXPECT_TRUE(found) << f.name;
  }
}

TEST(MeasurementRecord, CoefficientsAreSinglePrecision) {
  MeasurementRecord r;
  writeU32(r.bytes.data() + offset::fd, std::bit_cast<std::uint32_t>(1.5f));
  writeU32(r.bytes.data() + offset::ca, std::bit_cast<std::uint32_t>(-0.25f));
  EXPECT_EQ(r.fd(), 1.5f);
  EXPECT_EQ(r.ca(), -0.25f);
}

TEST(MeasurementRecord, TemperatureKeepsTheWholeWordForTheLowByteRule) {
  MeasurementRecord r;
  writeU16(r.bytes.data() + offset::temperature, 0x00FB);
  EXPECT_EQ(static_cast<std::int8_t>(r.temperature() & 0xFF), -5);
  writeU16(r.bytes.data() + offset::temperature, 0x0119);
  EXPECT_EQ(r.temperature() & 0xFF, 25);
}

TEST(ModeTable, NamesLengthsCategoriesAndPrograms) {
  struct {
    std::uint32_t code;
    const char* name;
    int drawn;
    int category;
    bool viewer;
  } modes[] = {
      {0, "???", 18, 0, false},
      {1, "CRn 20 estimate", 16, 0, true},
      {2, "CRn 20", 7, 0, true},
      {3, "Integral 1 CRn", 15, 0, true},
      {4, "CRn channel background", 23, 0, true},
      {5, "Radon in water", 14, 0, true},
      {6, "Radon flux", 11, 0, true},
      {7, "EEC channel background", 22, 2, true},
      {8, "???", 18, 0, false},
      {9, "???", 18, 0, false},
      {10, "EEC with manual settings", 24, 4, true},
      {11, "???", 18, 0, false},
      {12, "CRn 20 without blower (wb)", 26, 0, true},
      {13, "CRn 60 without blower (wb)", 26, 0, true},
      {14, "EEC  - 5", 28, 2, true},
      {15, "EEC  - 2", 28, 2, true},
      {16, "???", 18, 0, false},
      {17, "???", 18, 0, false},
      {18, "Radon in air", 25, 0, true},
      {19, "Radon in soil", 28, 0, true},
      {20, "EEC Thoron", 28, 2, true},
      {21, "Integral 2 CRn", 25, 0, true},
      {22, "EEC  - 10", 10, 2, true},
      {23, "Integral EEC", 23, 2, false},
      {24, "CTn", 4, 0, true},
      {25, "CRn with manual settings", 28, 4, true},
      {26, "CRn 60", 6, 0, true},
      // Codes the table has no entry for read as the shared unknown entry.
      {27, "???", 18, 0, false},
      {263, "???", 18, 0, false},
      {65535, "???", 18, 0, false},
  };
  for (const auto& m : modes) {
    const ModeNameEntry& e = modeName(m.code);
    std::string padded(m.name);
    padded.resize(28, ' ');
    EXPECT_EQ(std::string(e.name, 28), padded) << m.code;
    EXPECT_EQ(e.drawnLength, m.drawn) << m.code;
    EXPECT_EQ(modeCategory(m.code), m.category) << m.code;
    EXPECT_EQ(hasViewerProgram(m.code), m.viewer) << m.code;
  }
}

TEST(ModeTable, ViewerProgramNamesHaveTwoDigits) {
  struct {
    std::uint32_t code;
    const char* name;
  } names[] = {{5, "ZelV_05"}, {26, "ZelV_26"}, {0, "ZelV_00"}, {14, "ZelV_14"}};
  for (const auto& n : names) {
    char buf[16];
    char* end = formatViewerProgramName(buf, n.code);
    EXPECT_EQ(std::string(buf, end), n.name);
  }
}

}  // namespace
}  // namespace zel
