// The protocol's rules: the means and their uncertainties, the verdicts of
// points and rooms, the NRB sum, and the records outside verification. The
// expectations are worked out by hand here, not by the code under test.
#include "kvd/archive/protocol.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "tests/unit/protocol_test_support.h"

namespace zel::archive {
namespace {

using report::Verdict;
using test::eec;
using test::point;
using test::radon;

const report::Norm* norm(const char* name) { return report::findNorm(name); }

ProtocolInput withPoints(std::vector<ProtocolPoint> points, std::vector<const report::Norm*> norms,
                         const std::string& kind = "in-use") {
  ProtocolInput in;
  in.object.name = "School 5";
  in.object.kind = kind;
  in.devices = {test::verifiedDevice()};
  in.points = std::move(points);
  in.norms = std::move(norms);
  return in;
}

struct MeanCase {
  const char* what;
  std::vector<std::pair<int, int>> records;  // CRn value, error
  double mean;
  double uncertainty;
};

TEST(ProtocolPoint, MeanWithItsStandardAndExpandedUncertainty) {
  const MeanCase cases[] = {
      {"one record", {{150, 20}}, 150, 20},
      {"two records", {{100, 10}, {140, 20}}, 120, std::sqrt(500.0) / 2},
      {"three records", {{60, 30}, {90, 30}, {120, 30}}, 90, std::sqrt(2700.0) / 3},
  };
  for (const MeanCase& c : cases) {
    std::vector<StoredRecord> records;
    for (const auto& [v, e] : c.records) records.push_back(radon(static_cast<std::int64_t>(records.size()) + 1, v, e));
    const Protocol p = computeProtocol(withPoints({point("1", "101", "A", records)}, {}));
    ASSERT_EQ(p.points.size(), 1u) << c.what;
    const PointResult& pt = p.points[0];
    ASSERT_EQ(pt.means.size(), 1u) << c.what;
    EXPECT_EQ(pt.means[0].key, "CRn") << c.what;
    EXPECT_EQ(pt.means[0].count, c.records.size()) << c.what;
    EXPECT_NEAR(pt.means[0].mean, c.mean, 1e-9) << c.what;
    ASSERT_TRUE(pt.means[0].uncertainty && pt.means[0].expanded) << c.what;
    EXPECT_NEAR(*pt.means[0].uncertainty, c.uncertainty, 1e-9) << c.what;
    EXPECT_NEAR(*pt.means[0].expanded, 2 * c.uncertainty, 1e-9) << c.what;
    // Indoor radon meets only the informative levels: their means, no verdict.
    EXPECT_TRUE(pt.verdicts.empty()) << c.what;
    ASSERT_EQ(pt.informative.size(), 3u) << c.what;
    for (const LevelMean& m : pt.informative) {
      EXPECT_TRUE(m.norm->informative) << c.what;
      EXPECT_NEAR(m.measured.value, c.mean, 1e-9) << c.what;
      EXPECT_NEAR(m.expanded, 2 * c.uncertainty, 1e-9) << c.what;
    }
  }
}

// EEC(Rn), its error, EEC(Tn), its error.
using Eec = std::array<int, 4>;

struct KindCase {
  const char* what;
  std::string kind;
  double level;
  double k;
  std::vector<std::vector<Eec>> points;  // of one room
};

// The room's verdict worked out here: the means of EEC(Rn) and EEC(Tn) over
// every record of the room, u = sqrt(sum e²) / n of each, the sum and its u
// in quadrature, U = k·u, against the level.
Verdict expectedVerdict(const KindCase& c, double& sum, double& expanded) {
  double rn = 0, tn = 0, rnVar = 0, tnVar = 0, n = 0;
  for (const std::vector<Eec>& records : c.points)
    for (const Eec& r : records) {
      rn += r[0];
      rnVar += r[1] * r[1];
      tn += r[2];
      tnVar += r[3] * r[3];
      ++n;
    }
  sum = rn / n + 4.6 * tn / n;
  const double u = std::sqrt(rnVar / (n * n) + 4.6 * 4.6 * tnVar / (n * n));
  expanded = c.k * u;
  if (sum - expanded > c.level) return Verdict::Above;
  if (sum + expanded <= c.level) return Verdict::Below;
  return Verdict::Inconclusive;
}

TEST(ProtocolRoom, TheKindOfObjectChoosesTheNormativeLevelJudgedWithTheExpandedUncertainty) {
  const std::vector<Eec> pair = {{150, 10, 5, 1}, {170, 10, 6, 1}};  // 185.3, U 15.6 with k = 2
  const KindCase cases[] = {
      {"in use: the level lies within the mean ± U", "in-use", 200, 2, {pair}},
      {"new", "new", 100, 2, {pair}},
      {"workplace", "workplace", 310, 2, {pair}},
      {"an unknown kind counts as in use", "", 200, 2, {pair}},
      // One point alone would be above; the room's mean of its four records is not.
      {"the room's mean over its points' records", "in-use", 200, 2,
       {{{260, 10, 0, 0}}, {{100, 10, 0, 0}, {100, 10, 0, 0}, {100, 10, 0, 0}}}},
      {"k = 1 keeps 189.6 + 6.1 under 200", "in-use", 200, 1, {{{185, 4, 1, 1}}}},
      {"k = 2 takes 189.6 + 12.2 past 200", "in-use", 200, 2, {{{185, 4, 1, 1}}}},
  };
  for (const KindCase& c : cases) {
    std::vector<ProtocolPoint> points;
    std::int64_t id = 1;
    for (const std::vector<Eec>& records : c.points) {
      std::vector<StoredRecord> stored;
      for (const Eec& r : records) stored.push_back(eec(id++, r[0], r[1], r[2], r[3]));
      points.push_back(point("1", "101", std::to_string(points.size()), stored));
    }
    ProtocolInput in = withPoints(points, {norm("nrb-new"), norm("who")}, c.kind);
    in.lab.coverageFactor = c.k;
    const Protocol p = computeProtocol(in);
    ASSERT_EQ(p.normative.size(), 1u) << c.what;
    EXPECT_EQ(p.normative[0]->level, c.level) << c.what;
    ASSERT_EQ(p.rooms.size(), 1u) << c.what;
    ASSERT_EQ(p.rooms[0].verdicts.size(), 1u) << c.what;
    const RoomVerdict& v = p.rooms[0].verdicts[0];
    double sum = 0, expanded = 0;
    EXPECT_EQ(v.verdict, expectedVerdict(c, sum, expanded)) << c.what;
    EXPECT_EQ(v.norm, p.normative[0]) << c.what;
    EXPECT_NEAR(v.measured.value, sum, 1e-9) << c.what;
    EXPECT_NEAR(v.expanded, expanded, 1e-9) << c.what;
    EXPECT_EQ(v.pointsJudged, c.points.size()) << c.what;
    ASSERT_EQ(p.conclusions.size(), 1u) << c.what;
    EXPECT_EQ(p.conclusions[0].norm, p.normative[0]) << c.what;
  }
}

TEST(ProtocolRoom, TheSameRoomNameOnAnotherFloorIsAnotherRoom) {
  const Protocol p = computeProtocol(withPoints(
      {point("1", "10", "a", {eec(1, 300, 5, 1, 1)}), point("2", "10", "a", {eec(2, 50, 5, 1, 1)})}, {}));
  ASSERT_EQ(p.rooms.size(), 2u);
  EXPECT_EQ(p.rooms[0].verdicts[0].verdict, Verdict::Above);
  EXPECT_EQ(p.rooms[1].verdicts[0].verdict, Verdict::Below);
}

TEST(ProtocolPoint, NrbSumWeighsThoronByFourPointSixWithErrorsInQuadrature) {
  // Means: EEC(Rn) 60 ± sqrt(5² + 5²)/2, EEC(Tn) 15 ± sqrt(2² + 2²)/2.
  const Protocol p = computeProtocol(
      withPoints({point("", "Hall", "", {eec(1, 50, 5, 10, 2), eec(2, 70, 5, 20, 2)})}, {}, "new"));
  const PointResult& pt = p.points[0];
  const double uRn = std::sqrt(50.0) / 2, uTn = std::sqrt(8.0) / 2;
  const double sum = 60 + 4.6 * 15, error = std::sqrt(uRn * uRn + 4.6 * 4.6 * uTn * uTn);
  ASSERT_EQ(pt.verdicts.size(), 1u);
  EXPECT_NEAR(pt.verdicts[0].measured.value, sum, 1e-9);
  EXPECT_NEAR(pt.verdicts[0].measured.error, error, 1e-9);
  EXPECT_EQ(pt.verdicts[0].count, 2u);
  EXPECT_EQ(pt.verdicts[0].verdict, Verdict::Above);  // 129 - 14.8 > 100
  EXPECT_TRUE(pt.informative.empty());  // no indoor radon
  bool listed = false;
  for (const QuantityMean& m : pt.means)
    if (m.key == "EECsum") {
      listed = true;
      EXPECT_NEAR(m.mean, sum, 1e-9);
    }
  EXPECT_TRUE(listed);
}

struct ConditionCase {
  const char* what;
  std::vector<std::string> records;  // generator fields
  std::vector<Condition> expected;
};

TEST(ProtocolPoint, ConditionsLowestToHighestOfTheRecordsThatShowThem) {
  const std::string radonAt = "mode=1 date=05.03.2024 time=10:00:00 primaryResult=50 primaryError=5 ";
  const std::string eecAt = "mode=14 date=05.03.2024 time=12:00:00 eecRn=50 eecRnError=5 eecTn=1 eecTnError=1 ";
  // Mode 7's page shows no climate: its fields take no part.
  const std::string sampleAt = "mode=7 date=05.03.2024 time=14:00:00 ca=0.25 ";
  const ConditionCase cases[] = {
      {"one record", {radonAt + "temperature=18 humidity=40 pressure=745"},
       {{"temperature", cli::Unit::Celsius, 1, 18, 18}, {"humidity", cli::Unit::Percent, 1, 40, 40},
        {"pressure", cli::Unit::MmHg, 1, 745, 745}}},
      {"below zero, and a record without them",
       {radonAt + "temperature=18 humidity=40 pressure=745", eecAt + "temperature=-3 humidity=55 pressure=739",
        sampleAt + "temperature=35 humidity=90 pressure=760"},
       {{"temperature", cli::Unit::Celsius, 2, -3, 18}, {"humidity", cli::Unit::Percent, 2, 40, 55},
        {"pressure", cli::Unit::MmHg, 2, 739, 745}}},
      {"no record shows them", {sampleAt + "temperature=35 humidity=90 pressure=760"}, {}},
  };
  for (const ConditionCase& c : cases) {
    std::vector<StoredRecord> records;
    for (const std::string& fields : c.records)
      records.push_back(test::stored(static_cast<std::int64_t>(records.size()) + 1, fields));
    const Protocol p = computeProtocol(withPoints({point("1", "101", "A", records)}, {}));
    const std::vector<Condition>& got = p.points[0].conditions;
    ASSERT_EQ(got.size(), c.expected.size()) << c.what;
    for (std::size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].key, c.expected[i].key) << c.what;
      EXPECT_EQ(got[i].unit, c.expected[i].unit) << c.what;
      EXPECT_EQ(got[i].count, c.expected[i].count) << c.what;
      EXPECT_EQ(got[i].min, c.expected[i].min) << c.what << " " << got[i].key;
      EXPECT_EQ(got[i].max, c.expected[i].max) << c.what << " " << got[i].key;
    }
  }
}

struct VerificationCase {
  const char* what;
  std::optional<DeviceInfo> device;
  std::string date;  // of the record, dd.mm.yyyy; "00.00.0000" is no calendar date
  Verification expected;
};

TEST(ProtocolVerification, RecordsOutsideTheirDevicesVerificationAreMarked) {
  const VerificationCase cases[] = {
      {"within", test::verifiedDevice(), "05.03.2024", Verification::Valid},
      {"first day", test::verifiedDevice(), "15.01.2024", Verification::Valid},
      {"last day, in the evening", test::verifiedDevice(), "14.01.2025", Verification::Valid},
      {"the day after", test::verifiedDevice(), "15.01.2025", Verification::Outside},
      {"before", test::verifiedDevice(), "31.12.2023", Verification::Outside},
      {"device unknown to the archive", std::nullopt, "05.03.2024", Verification::NotOnRecord},
      {"device without dates", DeviceInfo{1137, "ZR-2", "", "", ""}, "05.03.2024", Verification::NotOnRecord},
      {"only an end", DeviceInfo{1137, "ZR-2", "", "", "2023-06-30"}, "05.03.2024", Verification::Outside},
      {"no calendar date", test::verifiedDevice(), "00.00.0000", Verification::Undated},
  };
  for (const VerificationCase& c : cases) {
    ProtocolInput in = withPoints({point("1", "101", "A", {radon(1, 50, 5, c.date)})}, {});
    in.devices.clear();
    if (c.device) in.devices.push_back(*c.device);
    in.apart = {radon(2, 40, 5, c.date)};
    const Protocol p = computeProtocol(in);
    EXPECT_EQ(p.points[0].records[0].verification, c.expected) << c.what;
    const std::uint64_t outside = c.expected == Verification::Valid ? 0 : 1;
    ASSERT_EQ(p.devices.size(), 1u) << c.what;
    EXPECT_EQ(p.devices[0].onRecord, c.device.has_value()) << c.what;
    EXPECT_EQ(p.devices[0].records, 2u) << c.what;
    EXPECT_EQ(p.devices[0].outsideVerification, 2 * outside) << c.what;
    EXPECT_EQ(p.outsideVerification, 2 * outside) << c.what;
  }
}

TEST(ProtocolPoint, RecordsApartAreListedButNeverCounted) {
  ProtocolInput in = withPoints({point("1", "101", "A", {radon(1, 50, 5), eec(4, 50, 5, 1, 1)})}, {});
  in.apart = {radon(2, 900, 5), radon(3, 800, 5), eec(5, 900, 5, 90, 1)};
  const Protocol p = computeProtocol(in);
  EXPECT_EQ(p.apart.size(), 3u);
  EXPECT_EQ(p.records, 2u);
  EXPECT_NEAR(p.points[0].informative[0].measured.value, 50, 1e-9);
  EXPECT_EQ(p.rooms[0].verdictOf(report::findNorm("nrb-existing"))->verdict, Verdict::Below);
}

struct NormsCase {
  std::vector<const char*> chosen;
  std::vector<const char*> informative;
};

TEST(ProtocolPoint, TheChosenNormsAreTheInformativeLevelsListedANormativeNameIsIgnored) {
  const NormsCase cases[] = {
      {{}, {"who", "eu", "epa"}},
      {{"eu"}, {"eu"}},
      {{"nrb-new", "flux", "epa", "who"}, {"epa", "who"}},
      {{"nrb-workplace"}, {}},
  };
  for (const NormsCase& c : cases) {
    std::vector<const report::Norm*> chosen;
    for (const char* name : c.chosen) chosen.push_back(norm(name));
    const Protocol p =
        computeProtocol(withPoints({point("1", "101", "A", {radon(1, 50, 5), eec(2, 250, 5, 1, 1)})}, chosen));
    std::vector<std::string> names;
    for (const report::Norm* n : p.informative) names.emplace_back(n->name);
    EXPECT_EQ(names, std::vector<std::string>(c.informative.begin(), c.informative.end()));
    EXPECT_EQ(p.normative, std::vector<const report::Norm*>{norm("nrb-existing")});
    ASSERT_EQ(p.conclusions.size(), 1u);
    EXPECT_EQ(p.conclusions[0].above.size(), 1u);
    EXPECT_EQ(p.points[0].verdicts.size(), 1u);
  }
}

}  // namespace
}  // namespace zel::archive
