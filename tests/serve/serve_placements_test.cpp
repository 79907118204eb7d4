// Correcting and removing a placement and setting a device's verification
// through the API: good input changes what the archive holds; a bad date,
// a reversed period or an unknown id is refused with its status, its code
// and the field it concerns, and changes nothing.
#include <optional>

#include "tests/serve/serve_fixture.h"

namespace zel::serve::test {
namespace {

struct Change {
  const char* name;
  std::string path;
  Json body;
  int status;
  std::string code;   // of a refusal
  std::string field;  // that a refusal names
  // The placement (null when there is none) and the device afterwards;
  // none: as before.
  std::optional<Json> placement;
  std::optional<Json> device;
};

void PrintTo(const Change& c, std::ostream* out) { *out << c.name; }

class PlacementChangeTest : public ServeTest, public ::testing::WithParamInterface<Change> {};

TEST_P(PlacementChangeTest, ChangesOnlyWhatIsGivenAndRefusesTheRest) {
  std::string records;
  for (int m = 0; m < 6; ++m)
    records += "mode=14 deviceNumber=7 date=01.02.2020 time=10:0" + std::to_string(m) +
               ":00 eecRn=50 eecRnError=5 bounds=44,62,86\n";
  ASSERT_EQ(upload({{"a.kvd", kvdBytes(records)}})->status, 200);
  ASSERT_EQ(post("/api/objects", Json{{"name", "School 5"}})->status, 201);
  ASSERT_EQ(post("/api/assign", Json{{"object", "School 5"},
                                     {"floor", "1"},
                                     {"room", "101"},
                                     {"point", "A"},
                                     {"filter", {{"device", 7}, {"from", "01.02.2020 10:00"}, {"to", "01.02.2020 10:05"}}}})
                ->status,
            200);
  auto state = [&] {
    const Json placements = json(get("/api/objects/1"))["placements"];
    return std::pair{placements.empty() ? Json() : placements[0], json(get("/api/devices"))[0]};
  };
  const auto [placementBefore, deviceBefore] = state();
  ASSERT_EQ(placementBefore["from"], "2020-02-01 10:00:00");
  ASSERT_EQ(deviceBefore, (Json{{"number", 7}, {"model", ""}, {"type", ""}, {"serial", ""}, {"certificate", ""},
                                {"error", ""}, {"verified_from", ""}, {"verified_until", ""}}));

  const Change& c = GetParam();
  const httplib::Result r = post(c.path, c.body);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, c.status) << r->body;
  const Json answer = json(r);
  if (!c.code.empty()) {
    EXPECT_EQ(answer["code"], c.code) << r->body;
    EXPECT_FALSE(answer["error"].get<std::string>().empty());
    if (!c.field.empty()) {
      EXPECT_EQ(answer["params"]["field"], c.field) << r->body;
    }
  }
  const auto [placementAfter, deviceAfter] = state();
  EXPECT_EQ(placementAfter, c.placement.value_or(placementBefore));
  EXPECT_EQ(deviceAfter, c.device.value_or(deviceBefore));
  // The records stay where they were, whatever happened to the placement.
  EXPECT_EQ(json(get("/api/records?room=101&point=A"))["total"], 6);
}

const Json kMoved = {{"id", 1},           {"floor", "2"}, {"room", "201"}, {"point", ""}, {"device", 8},
                     {"from", "2020-02-01 10:01:00"}, {"to", "2020-02-01 23:59:59"}};
const Json kVerified = {{"number", 7},
                        {"model", "RRA-01M-03"},
                        {"type", "radon radiometer"},
                        {"serial", "S-0007"},
                        {"certificate", "C-1"},
                        {"error", "±30 %"},
                        {"verified_from", "2019-03-12"},
                        {"verified_until", "2020-03-11"}};

const Change kChanges[] = {
    {"PlacementCorrected", "/api/placements/1",
     Json{{"device", 8}, {"floor", "2"}, {"room", "201"}, {"point", ""}, {"from", "01.02.2020 10:01"}, {"to", "2020-02-01"}},
     200, "", "", kMoved, std::nullopt},
    {"PlacementBadDate", "/api/placements/1", Json{{"from", "31.02.2020"}}, 400, "bad_date", "from", std::nullopt, std::nullopt},
    {"PlacementReversed", "/api/placements/1", Json{{"to", "31.01.2020"}}, 400, "dates_reversed", "to", std::nullopt,
     std::nullopt},
    {"PlacementWithoutRoom", "/api/placements/1", Json{{"room", ""}}, 400, "room_missing", "room", std::nullopt, std::nullopt},
    {"PlacementBadDevice", "/api/placements/1", Json{{"device", "seven"}}, 400, "bad_device", "device", std::nullopt,
     std::nullopt},
    {"PlacementUnknown", "/api/placements/99", Json{{"room", "B"}}, 404, "no_placement", "", std::nullopt, std::nullopt},
    {"PlacementRemoved", "/api/placements/1/remove", Json::object(), 200, "", "", Json(), std::nullopt},
    {"PlacementRemoveUnknown", "/api/placements/99/remove", Json::object(), 404, "no_placement", "", std::nullopt,
     std::nullopt},
    {"DeviceSet", "/api/devices/7",
     Json{{"model", "RRA-01M-03"}, {"type", "radon radiometer"}, {"serial", "S-0007"}, {"certificate", "C-1"},
          {"error", "±30 %"}, {"verified_from", "12.03.2019"}, {"verified_until", "2020-03-11"}},
     200, "", "", std::nullopt, kVerified},
    {"DeviceBadDay", "/api/devices/7", Json{{"verified_until", "2020-13-01"}}, 400, "bad_day", "verified_until",
     std::nullopt, std::nullopt},
    {"DeviceTimeIsNoDay", "/api/devices/7", Json{{"verified_from", "12.03.2019 10:00"}}, 400, "bad_day",
     "verified_from", std::nullopt, std::nullopt},
    {"DeviceReversed", "/api/devices/7", Json{{"verified_from", "2020-03-12"}, {"verified_until", "11.03.2019"}}, 400,
     "verification_order", "verified_until", std::nullopt, std::nullopt},
    {"DeviceUnknown", "/api/devices/8", Json{{"model", "X"}}, 404, "no_device", "", std::nullopt, std::nullopt},
};

INSTANTIATE_TEST_SUITE_P(Requests, PlacementChangeTest, ::testing::ValuesIn(kChanges),
                         [](const ::testing::TestParamInfo<Change>& info) { return info.param.name; });

}  // namespace
}  // namespace zel::serve::test
