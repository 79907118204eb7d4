// The protocol's rules: the means and their uncertainties, the verdicts of
// points and rooms, the NRB sum, and the records outside verification. The
// expectations are worked out by hand here, not by the code under test.
#include "kvd/archive/protocol.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/unit/protocol_test_support.h"

namespace zel::archive {
namespace {

using report::Verdict;
using test::eec;
using test::point;
using test::radon;

const report::Norm* norm(const char* name) { return report::findNorm(name); }

ProtocolInput withPoints(std::vector<ProtocolPoint> points, std::vector<const report::Norm*> norms) {
  ProtocolInput in;
  in.object.name = "School 5";
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
  Verdict who;  // 100 Bq/m3
};

TEST(ProtocolPoint, MeanUncertaintyAndVerdictOfIndoorRadon) {
  const MeanCase cases[] = {
      {"one record", {{150, 20}}, 150, 20, Verdict::Above},
      // sqrt(10² + 20²) / 2 = 11.1803: 120 - 11.18 is still above 100.
      {"two records", {{100, 10}, {140, 20}}, 120, std::sqrt(500.0) / 2, Verdict::Above},
      // sqrt(3 × 30²) / 3 = 17.32: 90 + 17.32 reaches past 100.
      {"straddles the level", {{60, 30}, {90, 30}, {120, 30}}, 90, std::sqrt(2700.0) / 3, Verdict::Inconclusive},
      {"exactly at the level counts as below", {{90, 10}}, 90, 10, Verdict::Below},
  };
  for (const MeanCase& c : cases) {
    std::vector<StoredRecord> records;
    for (const auto& [v, e] : c.records) records.push_back(radon(static_cast<std::int64_t>(records.size()) + 1, v, e));
    const Protocol p = computeProtocol(withPoints({point("1", "101", "A", records)}, {norm("who")}));
    ASSERT_EQ(p.points.size(), 1u) << c.what;
    const PointResult& pt = p.points[0];
    ASSERT_EQ(pt.means.size(), 1u) << c.what;
    EXPECT_EQ(pt.means[0].key, "CRn") << c.what;
    EXPECT_EQ(pt.means[0].count, c.records.size()) << c.what;
    EXPECT_NEAR(pt.means[0].mean, c.mean, 1e-9) << c.what;
    ASSERT_TRUE(pt.means[0].uncertainty) << c.what;
    EXPECT_NEAR(*pt.means[0].uncertainty, c.uncertainty, 1e-9) << c.what;
    ASSERT_EQ(pt.verdicts.size(), 1u) << c.what;
    EXPECT_NEAR(pt.verdicts[0].measured.error, c.uncertainty, 1e-9) << c.what;
    EXPECT_EQ(pt.verdicts[0].verdict, c.who) << c.what;
  }
}

TEST(ProtocolPoint, NrbSumWeighsThoronByFourPointSixWithErrorsInQuadrature) {
  // Means: EEC(Rn) 60 ± sqrt(5² + 5²)/2, EEC(Tn) 15 ± sqrt(2² + 2²)/2.
  const Protocol p = computeProtocol(withPoints({point("", "Hall", "", {eec(1, 50, 5, 10, 2), eec(2, 70, 5, 20, 2)})},
                                                {norm("nrb-new"), norm("nrb-existing"), norm("who")}));
  const PointResult& pt = p.points[0];
  const double uRn = std::sqrt(50.0) / 2, uTn = std::sqrt(8.0) / 2;
  const double sum = 60 + 4.6 * 15, error = std::sqrt(uRn * uRn + 4.6 * 4.6 * uTn * uTn);
  ASSERT_EQ(pt.verdicts.size(), 2u);  // WHO judges radon, not EEC records
  for (const PointVerdict& v : pt.verdicts) {
    EXPECT_NEAR(v.measured.value, sum, 1e-9);
    EXPECT_NEAR(v.measured.error, error, 1e-9);
    EXPECT_EQ(v.count, 2u);
  }
  EXPECT_EQ(pt.verdictOf(norm("nrb-new"))->verdict, Verdict::Above);  // 129 - 7.4 > 100
  EXPECT_EQ(pt.verdictOf(norm("nrb-existing"))->verdict, Verdict::Below);
  bool listed = false;
  for (const QuantityMean& m : pt.means)
    if (m.key == "EECsum") {
      listed = true;
      EXPECT_NEAR(m.mean, sum, 1e-9);
    }
  EXPECT_TRUE(listed);
}

// Values against WHO's 100 Bq/m3: above, below, inconclusive, or a record
// no level judges (a water sample).
StoredRecord judged(std::int64_t id, char kind) {
  switch (kind) {
    case 'A': return radon(id, 200, 10);
    case 'B': return radon(id, 50, 10);
    case 'I': return radon(id, 100, 10);
    default: return test::stored(id, "mode=5 date=05.03.2024 time=09:00:00 primaryResult=30 primaryError=3");
  }
}

struct RoomCase {
  const char* points;  // one letter per point of the room
  std::optional<Verdict> room;
};

TEST(ProtocolRoom, OnePointAboveMakesTheRoomAboveAllBelowMakeItBelow) {
  const RoomCase cases[] = {
      {"A", Verdict::Above},        {"AB", Verdict::Above},         {"BIA", Verdict::Above},
      {"BB", Verdict::Below},       {"B-", Verdict::Below},         {"IB", Verdict::Inconclusive},
      {"I", Verdict::Inconclusive}, {"-", std::nullopt},            {"-I-", Verdict::Inconclusive},
  };
  for (const RoomCase& c : cases) {
    std::vector<ProtocolPoint> points;
    std::int64_t id = 1;
    for (const char* k = c.points; *k; ++k)
      points.push_back(point("2", "201", std::string(1, 'a' + static_cast<char>(points.size())), {judged(id++, *k)}));
    // Another room, all below, that must not change this one.
    points.push_back(point("2", "202", "a", {judged(id++, 'B')}));
    const Protocol p = computeProtocol(withPoints(points, {norm("who")}));
    ASSERT_EQ(p.rooms.size(), 2u) << c.points;
    const RoomVerdict* v = p.rooms[0].verdictOf(norm("who"));
    EXPECT_EQ(v != nullptr, c.room.has_value()) << c.points;
    if (v && c.room) {
      EXPECT_EQ(v->verdict, *c.room) << c.points;
    }
    EXPECT_EQ(p.rooms[1].verdictOf(norm("who"))->verdict, Verdict::Below) << c.points;
    const LevelConclusion& who = p.conclusions[0];
    EXPECT_EQ(who.above.size(), c.room == Verdict::Above ? 1u : 0u) << c.points;
  }
}

TEST(ProtocolRoom, TheSameRoomNameOnAnotherFloorIsAnotherRoom) {
  const Protocol p = computeProtocol(
      withPoints({point("1", "10", "a", {judged(1, 'A')}), point("2", "10", "a", {judged(2, 'B')})}, {norm("who")}));
  ASSERT_EQ(p.rooms.size(), 2u);
  EXPECT_EQ(p.rooms[0].verdictOf(norm("who"))->verdict, Verdict::Above);
  EXPECT_EQ(p.rooms[1].verdictOf(norm("who"))->verdict, Verdict::Below);
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
  ProtocolInput in = withPoints({point("1", "101", "A", {radon(1, 50, 5)})}, {norm("who")});
  in.apart = {radon(2, 900, 5), radon(3, 800, 5)};
  const Protocol p = computeProtocol(in);
  EXPECT_EQ(p.apart.size(), 2u);
  EXPECT_EQ(p.records, 1u);
  EXPECT_NEAR(p.points[0].means[0].mean, 50, 1e-9);
  EXPECT_EQ(p.rooms[0].verdictOf(norm("who"))->verdict, Verdict::Below);
}

TEST(ProtocolPoint, WithoutChosenNormsTheReportsDefaultsJudge) {
  const Protocol p = computeProtocol(withPoints({point("1", "101", "A", {radon(1, 50, 5)})}, {}));
  EXPECT_EQ(p.norms, report::defaultNorms());
  EXPECT_EQ(p.conclusions.size(), p.norms.size());
}

}  // namespace
}  // namespace zel::archive
