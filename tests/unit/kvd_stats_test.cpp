// Statistics per mode over (date and time, mode, value, error), and the
// period bounds the user writes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "kvd/stats/stats.h"

namespace zel::cli {
namespace {

Observation obs(DateTime when, std::uint32_t mode, Number value, Number error = Number::none()) {
  return {when, mode, value, error};
}

const DateTime kJuly5{2019, 7, 5, 9, 4, 7};
const DateTime kJuly6{2019, 7, 6, 10, 0, 0};
const DateTime kJuly7{2019, 7, 7, 11, 30, 0};
const DateTime kNoDate{2019, 13, 45, 25, 61, 99};

TEST(KvdStats, MeanUncertaintyAndSampleDeviation) {
  Statistics s;
  s.add(obs(kJuly6, 14, Number::ofUnsigned(10), Number::ofUnsigned(3)));
  s.add(obs(kJuly5, 14, Number::ofUnsigned(20), Number::ofUnsigned(4)));
  s.add(obs(kJuly7, 14, Number::ofUnsigned(60), Number::ofUnsigned(12)));
  const auto groups = s.result();
  ASSERT_EQ(groups.size(), 1u);
  const ModeStatistics& g = groups[0];
  EXPECT_EQ(g.mode, 14u);
  EXPECT_EQ(g.count, 3u);
  EXPECT_EQ(*g.first, kJuly5);
  EXPECT_EQ(*g.last, kJuly7);
  EXPECT_EQ(numberText(g.minimum), "10");
  EXPECT_EQ(numberText(g.maximum), "60");
  EXPECT_DOUBLE_EQ(*g.mean, 30.0);
  EXPECT_DOUBLE_EQ(*g.meanUncertainty, 13.0 / 3.0);  // sqrt(9 + 16 + 144) / 3
  EXPECT_DOUBLE_EQ(*g.standardDeviation, std::sqrt(700.0));  // ((400 + 100 + 900) / 2)
}

TEST(KvdStats, OneValueHasNoDeviationAndValuesWithoutErrorsNoUncertainty) {
  Statistics s;
  s.add(obs(kJuly5, 10, Number::ofUnsigned(412)));
  s.add(obs(kJuly5, 7, Number::ofFloat(0.25f)));
  s.add(obs(kJuly6, 7, Number::ofFloat(0.5f)));
  const auto groups = s.result();
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_EQ(groups[0].mode, 7u);  // by mode code
  EXPECT_FALSE(groups[0].meanUncertainty);
  EXPECT_DOUBLE_EQ(*groups[0].mean, 0.375);
  EXPECT_EQ(numberText(groups[0].minimum), "0.25");
  EXPECT_EQ(groups[1].count, 1u);
  EXPECT_FALSE(groups[1].standardDeviation);
  EXPECT_DOUBLE_EQ(*groups[1].mean, 412);
}

TEST(KvdStats, NonFiniteValuesAreCountedButNotSummed) {
  Statistics s;
  s.add(obs(kJuly5, 7, Number::ofFloat(std::numeric_limits<float>::quiet_NaN())));
  s.add(obs(kJuly6, 7, Number::ofFloat(2.0f)));
  const auto g = s.result().at(0);
  EXPECT_EQ(g.count, 2u);
  EXPECT_EQ(g.nonFinite, 1u);
  EXPECT_DOUBLE_EQ(*g.mean, 2.0);
  EXPECT_FALSE(g.standardDeviation);
}

TEST(KvdStats, UndatedRecordsCountWithoutAPeriodAndAreLeftOutOfOne) {
  Statistics all;
  all.add(obs(kNoDate, 1, Number::ofUnsigned(5), Number::ofUnsigned(1)));
  all.add(obs(kJuly5, 1, Number::ofUnsigned(7), Number::ofUnsigned(1)));
  auto g = all.result().at(0);
  EXPECT_EQ(g.count, 2u);
  EXPECT_EQ(g.undated, 1u);
  EXPECT_EQ(*g.first, kJuly5);
  EXPECT_EQ(*g.last, kJuly5);
  EXPECT_DOUBLE_EQ(*g.mean, 6);

  Period july6on;
  july6on.from = DateTime{2019, 7, 6, 0, 0, 0};
  Statistics some(july6on);
  some.add(obs(kNoDate, 1, Number::ofUnsigned(5)));
  some.add(obs(kJuly5, 1, Number::ofUnsigned(7)));
  some.add(obs(kJuly6, 1, Number::ofUnsigned(9)));
  g = some.result().at(0);
  EXPECT_EQ(g.count, 1u);
  EXPECT_EQ(g.undatedExcluded, 1u);
  EXPECT_EQ(g.outsidePeriod, 1u);
  EXPECT_DOUBLE_EQ(*g.mean, 9);
}

TEST(KvdStats, TenthsAndSignedValues) {
  Statistics s;
  s.add(obs(kJuly5, 20, Number::ofTenths(57), Number::ofUnsigned(8)));
  s.add(obs(kJuly6, 20, Number::ofTenths(-10)));
  const auto g = s.result().at(0);
  EXPECT_EQ(numberText(g.minimum), "-1");
  EXPECT_EQ(numberText(g.maximum), "5.7");
  EXPECT_DOUBLE_EQ(*g.mean, 2.35);
  EXPECT_FALSE(g.meanUncertainty);
}

TEST(KvdPeriod, BoundsInEveryForm) {
  DateTime t;
  ASSERT_TRUE(parsePeriodBound("2019-07-05", false, t));
  EXPECT_EQ(t, (DateTime{2019, 7, 5, 0, 0, 0}));
  ASSERT_TRUE(parsePeriodBound("2019-07-05", true, t));
  EXPECT_EQ(t, (DateTime{2019, 7, 5, 23, 59, 59}));
  ASSERT_TRUE(parsePeriodBound("2019-07-05T09:04", false, t));
  EXPECT_EQ(t, (DateTime{2019, 7, 5, 9, 4, 0}));
  ASSERT_TRUE(parsePeriodBound("2019-07-05T09:04", true, t));
  EXPECT_EQ(t, (DateTime{2019, 7, 5, 9, 4, 59}));
  ASSERT_TRUE(parsePeriodBound("2019-07-05T09:04:07", true, t));
  EXPECT_EQ(t, (DateTime{2019, 7, 5, 9, 4, 7}));
  ASSERT_TRUE(parsePeriodBound("2019-07-05 09:04:07", false, t));
  ASSERT_TRUE(parsePeriodBound("05.07.2019", false, t));
  EXPECT_EQ(t, (DateTime{2019, 7, 5, 0, 0, 0}));
  ASSERT_TRUE(parsePeriodBound("05.07.2019 09:04", false, t));
  EXPECT_EQ(t, (DateTime{2019, 7, 5, 9, 4, 0}));
  ASSERT_TRUE(parsePeriodBound("05.07.2019 09:04:07", false, t));
  EXPECT_EQ(t, (DateTime{2019, 7, 5, 9, 4, 7}));
  for (const char* bad : {"", "2019", "2019-7-5", "2019-02-29", "2019-13-01", "31.04.2019", "05.07.2019T09:04",
                          "2019-07-05T24:00", "2019-07-05T09:60", "2019-07-05T09:04:5", "2019-07-05x", "05/07/2019",
                          "0020-03-13", "13.03.0999"})
    EXPECT_FALSE(parsePeriodBound(bad, false, t)) << bad;
}

}  // namespace
}  // namespace zel::cli
