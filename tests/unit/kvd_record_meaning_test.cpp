// What a record means to kvd: the value pair, the page results, every field,
// the window sums, the date and time, and the texts of numbers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "browser/summary_list.h"
#include "kvd/meaning/record_meaning.h"
#include "page_test_support.h"
#include "viewer/frame/spectrum_panel.h"

namespace zel::cli {
namespace {

// A blank record with the fields of one generator description line.
MeasurementRecord recordOf(std::string_view description) { return pages::test::withFields({}, description); }

void setFloatBits(MeasurementRecord& r, std::size_t at, std::uint32_t bits) { writeU32(r.bytes.data() + at, bits); }

std::uint32_t bitsOf(float f) {
  std::uint32_t b;
  std::memcpy(&b, &f, sizeof b);
  return b;
}

TEST(KvdNumberText, IntegersHaveAllTheirDigits) {
  EXPECT_EQ(numberText(Number::ofUnsigned(0)), "0");
  EXPECT_EQ(numberText(Number::ofUnsigned(4294967295u)), "4294967295");
  EXPECT_EQ(numberText(Number::ofSigned(-5)), "-5");
  EXPECT_EQ(numberText(Number::none()), "");
}

TEST(KvdNumberText, FloatsAreTheShortestTextThatReadsBack) {
  for (float f : {0.25f, 1.352f, 0.1f, 0.7f, 12.5f, 1e20f, 3.4028235e38f, 1.17549435e-38f, 1.4e-45f, -0.482f, 0.0f}) {
    const std::string text = numberText(Number::ofFloat(f));
    EXPECT_EQ(std::strtof(text.c_str(), nullptr), f) << text;
    EXPECT_EQ(static_cast<float>(Number::ofFloat(f).toDouble()), f) << text;
  }
  EXPECT_EQ(numberText(Number::ofFloat(0.25f)), "0.25");
  EXPECT_EQ(numberText(Number::ofFloat(1.352f)), "1.352");
  EXPECT_EQ(numberText(Number::ofFloat(0.1f)), "0.1");
  EXPECT_EQ(Number::ofFloat(0.1f).toDouble(), 0.1);
  EXPECT_EQ(numberText(Number::ofFloat(12.5f), ','), "12,5");
  EXPECT_EQ(numberText(Number::ofFloat(-0.0f)), "-0");
}

TEST(KvdNumberText, NanAndInfinitiesAreWords) {
  EXPECT_EQ(numberText(Number::ofFloat(std::numeric_limits<float>::quiet_NaN())), "NaN");
  EXPECT_EQ(numberText(Number::ofFloat(std::numeric_limits<float>::infinity())), "Infinity");
  EXPECT_EQ(numberText(Number::ofFloat(-std::numeric_limits<float>::infinity())), "-Infinity");
  EXPECT_FALSE(Number::ofFloat(std::numeric_limits<float>::quiet_NaN()).finite());
  EXPECT_TRUE(Number::ofFloat(1.0f).finite());
}

TEST(KvdNumberText, TenthsAreExactDecimals) {
  EXPECT_EQ(numberText(Number::ofTenths(57)), "5.7");
  EXPECT_EQ(numberText(Number::ofTenths(57), ','), "5,7");
  EXPECT_EQ(numberText(Number::ofTenths(90)), "9");
  EXPECT_EQ(numberText(Number::ofTenths(4)), "0.4");
  EXPECT_EQ(numberText(Number::ofTenths(0)), "0");
  EXPECT_EQ(numberText(Number::ofTenths(-10)), "-1");
  EXPECT_EQ(numberText(Number::ofTenths(-2147483648LL)), "-214748364.8");
  EXPECT_EQ(Number::ofTenths(57).toDouble(), 5.7);
}

TEST(KvdDateTime, CalendarDates) {
  EXPECT_TRUE(isCalendarDate({2019, 7, 5, 9, 4, 7}));
  EXPECT_TRUE(isCalendarDate({2020, 2, 29, 0, 0, 0}));
  EXPECT_TRUE(isCalendarDate({2000, 2, 29, 23, 59, 59}));
  EXPECT_FALSE(isCalendarDate({2019, 2, 29, 0, 0, 0}));
  EXPECT_FALSE(isCalendarDate({1900, 2, 29, 0, 0, 0}));
  EXPECT_FALSE(isCalendarDate({2019, 13, 1, 0, 0, 0}));
  EXPECT_FALSE(isCalendarDate({2019, 0, 1, 0, 0, 0}));
  EXPECT_FALSE(isCalendarDate({2019, 4, 31, 0, 0, 0}));
  EXPECT_FALSE(isCalendarDate({2019, 4, 0, 0, 0, 0}));
  EXPECT_FALSE(isCalendarDate({2019, 4, 1, 24, 0, 0}));
  EXPECT_FALSE(isCalendarDate({2019, 4, 1, 0, 60, 0}));
  EXPECT_FALSE(isCalendarDate({2019, 4, 1, 0, 0, 60}));
  EXPECT_FALSE(isCalendarDate({0, 1, 1, 0, 0, 0}));
  EXPECT_FALSE(isCalendarDate({10000, 1, 1, 0, 0, 0}));
  EXPECT_FALSE(isCalendarDate({}));
}

TEST(KvdDateTime, IsoTextKeepsTheStoredNumbers) {
  EXPECT_EQ(isoDateTimeText({2019, 7, 5, 9, 4, 7}), "2019-07-05T09:04:07");
  EXPECT_EQ(isoDateTimeText({2019, 13, 45, 25, 61, 99}), "2019-13-45T25:61:99");
  EXPECT_EQ(isoDateTimeText({65535, 65535, 65535, 65535, 65535, 65535}), "65535-65535-65535T65535:65535:65535");
  EXPECT_EQ(isoDateTimeText({}), "0000-00-00T00:00:00");
  EXPECT_EQ(isoDateTimeText({999, 1, 2, 3, 4, 5}), "0999-01-02T03:04:05");
  EXPECT_EQ(readableDateTimeText({2019, 7, 5, 9, 4, 7}), "05.07.2019 09:04:07");
  EXPECT_TRUE(fitsSpreadsheetDate({1900, 3, 1, 0, 0, 0}));
  EXPECT_FALSE(fitsSpreadsheetDate({1900, 2, 28, 0, 0, 0}));
  EXPECT_FALSE(fitsSpreadsheetDate({1899, 12, 31, 0, 0, 0}));
}

TEST(KvdFields, EveryFieldAsTheInstrumentMeantIt) {
  MeasurementRecord r;
  std::uint32_t v = 1;
  // Distinct values everywhere, then the fields with rules of their own.
  for (const FieldInfo& f : kRecordFields) {
    switch (f.kind) {
      case FieldKind::U8: r.bytes[f.offset] = static_cast<std::uint8_t>(v); break;
      case FieldKind::U16: writeU16(r.bytes.data() + f.offset, static_cast<std::uint16_t>(v)); break;
      case FieldKind::U32: writeU32(r.bytes.data() + f.offset, 0x01000000u + v); break;
      case FieldKind::F32: setFloatBits(r, f.offset, bitsOf(static_cast<float>(v) + 0.25f)); break;
    }
    ++v;
  }
  writeU16(r.bytes.data() + offset::modeCode, 14);
  writeU16(r.bytes.data() + offset::temperature, 0x00FB);
  writeU16(r.bytes.data() + offset::humidity, 0x0164);
  writeU16(r.bytes.data() + offset::cycleCount, 300);
  const auto fields = fieldValues(r);
  ASSERT_EQ(fields.size(), kRecordFields.size());
  for (std::size_t k = 0; k < fields.size(); ++k) {
    const FieldInfo& f = kRecordFields[k];
    EXPECT_EQ(fields[k].name, f.name);
    std::string expected;
    switch (f.kind) {
      case FieldKind::U8: expected = std::to_string(r.u8(f.offset)); break;
      case FieldKind::U16: expected = std::to_string(r.u16(f.offset)); break;
      case FieldKind::U32: expected = std::to_string(r.u32(f.offset)); break;
      case FieldKind::F32: expected = numberText(Number::ofFloat(r.f32(f.offset))); break;
    }
    if (f.name == "temperature") expected = "-5";
    if (f.name == "humidity") expected = "100";
    if (f.name == "cycleCount") expected = "44";
    EXPECT_EQ(numberText(fields[k].value), expected) << f.name;
  }
  EXPECT_EQ(fields[15].unit, Unit::Celsius);
  EXPECT_EQ(unitText(fields[15].unit), "\u00B0C");
}

TEST(KvdFields, TemperatureIsTheSignedLowByte) {
  auto temperature = [](std::uint16_t stored) {
    MeasurementRecord r;
    writeU16(r.bytes.data() + offset::temperature, stored);
    return numberText(fieldValues(r)[15].value);
  };
  EXPECT_EQ(temperature(0x00FB), "-5");
  EXPECT_EQ(temperature(0x0119), "25");
  EXPECT_EQ(temperature(0x0080), "-128");
  EXPECT_EQ(temperature(0x007F), "127");
  EXPECT_EQ(temperature(0xFF00), "0");
}

TEST(KvdFields, ThirtyTwoBitExtremes) {
  MeasurementRecord r = recordOf("mode=2 primaryResult=4294967295 primaryError=0 eecRn=4294967295 deviceNumber=4294967295");
  const auto fields = fieldValues(r);
  EXPECT_EQ(numberText(fields[0].value), "4294967295");
  EXPECT_EQ(numberText(fields[22].value), "4294967295");
  EXPECT_EQ(numberText(fields[23].value), "0");
  const ListValue pair = listValue(r);
  EXPECT_EQ(numberText(pair.value), "4294967295");
  EXPECT_EQ(numberText(pair.error), "0");
}

TEST(KvdListValue, ByCategoryAndMode) {
  struct Case {
    const char* record;
    const char* value;
    const char* error;
    const char* unit;
    const char* valueText;
    const char* errorText;
  };
  const Case cases[] = {
      {"mode=1 primaryResult=186 primaryError=37", "186", "37", "Bq/m3", "186", "37"},
      {"mode=3 primaryResult=1234 primaryError=99", "1234", "246", "Bq/m3", "1234", "246"},
      {"mode=3 primaryResult=4294967295", "4294967295", "858993459", "Bq/m3", "4294967295", "858993459"},
      {"mode=3 primaryResult=4", "4", "0", "Bq/m3", "4", "0"},
      {"mode=6 primaryResult=70000 primaryError=12", "70000", "12", "mBq/(s\u00B7m2)", "70000", "12"},
      {"mode=7 ca=0.25 eecRn=9 eecRnError=9", "0.25", "", "Bq/m3", "0.250", ""},
      {"mode=10 pulseCount=412 primaryError=9", "412", "", "pulses", "412", ""},
      {"mode=14 eecRn=57 eecRnError=8", "57", "8", "Bq/m3", "57", "8"},
      {"mode=20 primaryResult=57 primaryError=8", "5.7", "8", "Bq/m3", "5.7", "8"},
      {"mode=20 primaryResult=5 primaryError=1", "0.5", "1", "Bq/m3", "0.5", "1"},
      {"mode=20 primaryResult=90 primaryError=3", "9", "3", "Bq/m3", "9.0", "3"},
      {"mode=20 primaryResult=123 primaryError=3", "12", "3", "Bq/m3", "12", "3"},
      {"mode=20 primaryResult=4 primaryError=3", "0.4", "", "Bq/m3", "< 0.5", ""},
      {"mode=20 primaryResult=4294967286 primaryError=3", "-1", "", "Bq/m3", "< 0.5", ""},
      {"mode=21 integralResult=777 integralError=21 primaryResult=1", "777", "21", "Bq/m3", "777", "21"},
      {"mode=23 eecRn=44 eecRnError=5", "44", "5", "Bq/m3", "44", "5"},
      {"mode=25 pulseCount=65535", "65535", "", "pulses", "65535", ""},
      {"mode=0 primaryResult=3 primaryError=1", "3", "1", "Bq/m3", "3", "1"},
      {"mode=300 primaryResult=3 primaryError=1", "3", "1", "Bq/m3", "3", "1"},
      {"mode=263 primaryResult=3 primaryError=1 ca=0.5", "3", "1", "Bq/m3", "3", "1"},
  };
  for (const Case& c : cases) {
    const ListValue pair = listValue(recordOf(c.record));
    EXPECT_EQ(numberText(pair.value), c.value) << c.record;
    EXPECT_EQ(numberText(pair.error), c.error) << c.record;
    EXPECT_EQ(unitText(pair.unit), c.unit) << c.record;
    EXPECT_EQ(pair.valueText, c.valueText) << c.record;
    EXPECT_EQ(pair.errorText, c.errorText) << c.record;
  }
}

TEST(KvdListValue, AgreesWithTheBrowsersSummary) {
  std::vector<std::uint8_t> bytes;
  kvd::ParseError error;
  ASSERT_TRUE(kvd::buildFile(kvd::demoDescription(), bytes, error));
  for (std::size_t at = 0; at + kRecordSize <= bytes.size(); at += kRecordSize) {
    MeasurementRecord r;
    std::memcpy(r.bytes.data(), bytes.data() + at, kRecordSize);
    const browser::RecordSummary s = browser::summarizeRecord(r);
    const ListValue pair = listValue(r);
    EXPECT_EQ(pair.category, s.category);
    if (pair.value.kind == Number::Kind::Unsigned && s.modeCode != 20) {
      EXPECT_EQ(pair.value.u, s.value);
    }
    if (pair.error.present()) {
      EXPECT_EQ(pair.error.u, s.error);
    }
  }
}

TEST(KvdListValue, ConversionsFollowTheColumn) {
  EXPECT_EQ(listValue(recordOf("mode=1")).conversion, Conversion::PicoCuriePerLitre);
  EXPECT_EQ(listValue(recordOf("mode=14")).conversion, Conversion::WorkingLevel);
  EXPECT_EQ(listValue(recordOf("mode=6")).conversion, Conversion::None);
  EXPECT_EQ(listValue(recordOf("mode=25")).conversion, Conversion::None);
  EXPECT_DOUBLE_EQ(convert(Number::ofUnsigned(37), Conversion::PicoCuriePerLitre).toDouble(), 1.0);
  EXPECT_DOUBLE_EQ(convert(Number::ofUnsigned(3700), Conversion::WorkingLevel).toDouble(), 1.0);
  EXPECT_FALSE(convert(Number::none(), Conversion::WorkingLevel).present());
}

const Quantity* find(const std::vector<Quantity>& q, std::string_view key) {
  for (const Quantity& x : q)
    if (x.key == key) return &x;
  return nullptr;
}

TEST(KvdResults, AsThePagesNameThem) {
  {
    const auto q = results(recordOf("mode=14 eecRn=57 eecRnError=8 eecTn=3 eecTnError=1 fd=0.482 ca=1.352"));
    ASSERT_NE(find(q, "EECRn"), nullptr);
    EXPECT_EQ(find(q, "EECRn")->label, "EEC(Rn)");
    EXPECT_EQ(numberText(find(q, "EECRn")->value), "57");
    EXPECT_EQ(numberText(find(q, "EECRn")->error), "8");
    EXPECT_EQ(find(q, "EECRn")->unit, Unit::BqPerM3);
    EXPECT_EQ(find(q, "EECRn")->conversion, Conversion::WorkingLevel);
    EXPECT_EQ(numberText(find(q, "EECTn")->value), "3");
    EXPECT_EQ(numberText(find(q, "Fd")->value), "0.482");
    EXPECT_EQ(numberText(find(q, "Ca")->value), "1.352");
  }
  {
    const auto q = results(recordOf("mode=3 primaryResult=1234 primaryError=99"));
    EXPECT_EQ(numberText(find(q, "Qi")->value), "99");
    EXPECT_FALSE(find(q, "Qi")->error.present());
    EXPECT_EQ(numberText(find(q, "Qint")->error), "246");
  }
  {
    const auto q = results(recordOf("mode=21 cycleCount=5 primaryResult=10 primaryError=2 integralResult=7 integralError=1"));
    EXPECT_EQ(find(q, "Qn")->label, "Q(5)");
    EXPECT_EQ(numberText(find(q, "Qint")->value), "7");
  }
  {
    const auto q = results(recordOf("mode=24 primaryResult=70000 primaryError=5"));
    EXPECT_EQ(numberText(find(q, "CTn")->value), "70000");
  }
  {
    const auto q = results(recordOf("mode=6 primaryResult=12 primaryError=3 variantFlag=1"));
    EXPECT_EQ(find(q, "flux")->unit, Unit::MilliBqPerSM2);
    EXPECT_EQ(find(q, "method")->text, "Method 2");
  }
  {
    // The page shows the stored integer; the list shows it in tenths.
    const auto q = results(recordOf("mode=20 primaryResult=57 primaryError=8 delayTime=5"));
    EXPECT_EQ(numberText(find(q, "EECTn")->value), "57");
    EXPECT_EQ(find(q, "delayTime")->unit, Unit::Minutes);
  }
  EXPECT_EQ(numberText(find(results(recordOf("mode=7 ca=0.25")), "Nk")->value), "0.25");
  EXPECT_TRUE(results(recordOf("mode=23 eecRn=5")).empty());
  EXPECT_TRUE(results(recordOf("mode=0")).empty());
  EXPECT_TRUE(results(recordOf("mode=300")).empty());
}

TEST(KvdWindowSums, AsTheSpectrumPanelSumsThemWhenItOpens) {
  for (int mode : {1, 3, 7, 14, 20, 21, 24, 25, 26}) {
    MeasurementRecord r = recordOf("bounds=44,62,86 spectrum=flat(2)+peak(50,120,3)+channel(255,7)");
    writeU16(r.bytes.data() + offset::modeCode, static_cast<std::uint16_t>(mode));
    const viewer::SpectrumPanel panel(mode, r);
    const WindowSums w = windowSums(r);
    ASSERT_EQ(w.windowCount, panel.windowCount()) << mode;
    std::array<std::uint32_t, 4> sums{};
    EXPECT_EQ(windowSumValues(r, sums), panel.windowCount());
    for (int k = 0; k < panel.windowCount(); ++k) {
      EXPECT_EQ(w.sums[static_cast<std::size_t>(k)], panel.windowSum(k)) << mode;
      EXPECT_EQ(sums[static_cast<std::size_t>(k)], panel.windowSum(k)) << mode;
      EXPECT_EQ(w.ranges[static_cast<std::size_t>(k)], panel.windowRangeText(k)) << mode;
    }
  }
  EXPECT_EQ(windowSums(recordOf("mode=14 bounds=44,62,86")).windowCount, 4);
  EXPECT_EQ(windowSums(recordOf("mode=1 bounds=44,62")).windowCount, 3);
  std::array<std::uint32_t, 4> sums{};
  for (int mode : {0, 8, 9, 11, 16, 17, 23, 27, 300, 65535}) {
    MeasurementRecord r = recordOf("spectrum=flat(2)");
    writeU16(r.bytes.data() + offset::modeCode, static_cast<std::uint16_t>(mode));
    EXPECT_EQ(windowSums(r).windowCount, 0) << mode;
    EXPECT_EQ(windowSumValues(r, sums), 0) << mode;
  }
}

TEST(KvdModeName, TrimmedTableNames) {
  EXPECT_EQ(modeNameText(14), "EEC  - 5");
  EXPECT_EQ(modeNameText(0), "???");
  EXPECT_EQ(modeNameText(24), "CTn");
  EXPECT_EQ(modeNameText(300), "???");
}

}  // namespace
}  // namespace zel::cli
