// Every route of the lab server asked by nobody signed in and by each role.
// Below the route's least role (kvd/serve/roles.cpp) it is refused, 401
// without a session and 403 role_forbidden beyond the role, and the archive
// stays exactly as it was, row for row, its audit trail included; from that
// role on it is done.
#include <functional>
#include <map>

#include "kvd/serve/roles.h"
#include "tests/archive/backend_fixture.h"
#include "tests/serve/lab_fixture.h"

namespace zel::serve::test {
namespace {

using archive::Role;

std::string minuteRecords(int first, int count) {
  std::string s;
  for (int k = first; k < first + count; ++k)
    s += "mode=14 deviceNumber=7 date=01.02.2020 time=10:0" + std::to_string(k) +
         ":00 eecRn=50 eecRnError=5 bounds=44,62,86\n";
  return s;
}

struct Caller {
  const char* login;  // empty: nobody signed in
  std::optional<Role> role;
};
const Caller kCallers[] = {{"", std::nullopt},
                           {kViewer, Role::Viewer},
                           {kOperator, Role::Operator},
                           {kApprover, Role::Approver},
                           {kAdmin, Role::Admin}};

// On both backends: the server's checks are its own, the archive's
// refusals and transactions are the backend's.
class LabRolesTest : public LabServeTest, public ::testing::WithParamInterface<std::string> {
 protected:
  bool onPostgres() const override { return GetParam() == "postgres"; }
  void SetUp() override {
    LabServeTest::SetUp();
    for (const Caller& c : kCallers)
      if (c.role) sessions_[c.login] = signIn(c.login);
    const Signed* admin = &sessions_[kAdmin];
    ASSERT_EQ(upload("a.kvd", minuteRecords(0, 8), admin)->status, 200);
    ASSERT_EQ(post("/api/objects", Json{{"name", "School 5"}}, admin)->status, 201);
    // For each role that may change the archive: an object to remove and
    // a placement (its records a minute of their own) to correct and remove.
    int minute = 0;
    for (const char* login : {kOperator, kApprover, kAdmin}) {
      spare_[login] = json(post("/api/objects", Json{{"name", std::string("Spare ") + login}}, admin))["id"];
      const std::string at = "01.02.2020 10:0" + std::to_string(minute++);
      ASSERT_EQ(post("/api/assign",
                     Json{{"object", "School 5"},
                          {"room", std::string("R-") + login},
                          {"filter", {{"device", 7}, {"from", at}, {"to", at}}}},
                     admin)
                    ->status,
                200);
    }
    const Json school = json(get("/api/objects/1", admin));
    for (const Json& p : school["placements"]) placement_[p["room"].get<std::string>().substr(2)] = p["id"];
    ASSERT_EQ(placement_.size(), 3u);
    // A protocol to read: the lab named, the instrument verified.
    ASSERT_EQ(post("/api/lab", Json{{"name", "Lab"}, {"accreditation", "RA.RU.1"}}, admin)->status, 200);
    ASSERT_EQ(post("/api/devices/7", Json{{"verified_from", "2020-01-01"}, {"verified_until", "2020-12-31"}}, admin)
                  ->status,
              200);
    ASSERT_EQ(post("/api/objects/1/protocols", Json{{"lang", "en"}}, admin)->status, 201);
  }

  const Signed* as(const Caller& c) { return c.role ? &sessions_[c.login] : nullptr; }

 public:
  std::map<std::string, Signed> sessions_;
  std::map<std::string, std::int64_t> spare_, placement_;
};

// The request a caller makes of each route that changes the archive; by
// the caller's login, so that each one allowed has something new to do.
using Ask = std::function<httplib::Result(LabRolesTest&, const LabServeTest::Signed*, const std::string& login)>;

std::map<std::string, Ask> changingRequests() {
  auto posting = [](std::function<std::string(LabRolesTest&, const std::string&)> path,
                    std::function<Json(const std::string&)> body) {
    return [path, body](LabRolesTest& t, const LabServeTest::Signed* as, const std::string& login) {
      return t.post(path(t, login), body(login), as);
    };
  };
  auto fixed = [](std::string path) { return [path](LabRolesTest&, const std::string&) { return path; }; };
  auto spare = [](const char* tail) {
    return [tail](LabRolesTest& t, const std::string& login) {
      return "/api/objects/" + std::to_string(t.spare_[login.empty() ? kAdmin : login]) + tail;
    };
  };
  auto placement = [](const char* tail) {
    return [tail](LabRolesTest& t, const std::string& login) {
      return "/api/placements/" + std::to_string(t.placement_[login.empty() ? kAdmin : login]) + tail;
    };
  };
  return {
      {"/api/import",
       [](LabRolesTest& t, const LabServeTest::Signed* as, const std::string& login) {
         return t.upload(login + ".kvd", minuteRecords(8, 1) + "mode=14 deviceNumber=9 date=02.02.2020 time=11:00:00\n",
                         as);
       }},
      {"/api/objects", posting(fixed("/api/objects"), [](const std::string& l) { return Json{{"name", "New " + l}}; })},
      {R"(/api/objects/(\d+))",
       posting(fixed("/api/objects/1"), [](const std::string& l) { return Json{{"notes", "by " + l}}; })},
      {R"(/api/objects/(\d+)/remove)", posting(spare("/remove"), [](const std::string&) { return Json::object(); })},
      {"/api/assign", posting(fixed("/api/assign"), [](const std::string& l) {
         return Json{{"object", "School 5"}, {"room", "Moved " + l}, {"move", true}, {"records", {6}}};
       })},
      {"/api/unassign",
       posting(fixed("/api/unassign"), [](const std::string&) { return Json{{"records", {6}}}; })},
      {R"(/api/placements/(\d+))",
       posting(placement(""), [](const std::string& l) { return Json{{"room", "Corrected " + l}}; })},
      {R"(/api/placements/(\d+)/remove)", posting(placement("/remove"), [](const std::string&) { return Json::object(); })},
      {R"(/api/devices/(\d+))",
       posting(fixed("/api/devices/7"), [](const std::string& l) { return Json{{"model", "RRA " + l}}; })},
      {R"(/api/objects/(\d+)/protocols)",
       posting(fixed("/api/objects/1/protocols"), [](const std::string&) { return Json{{"lang", "ru"}}; })},
      {"/api/lab", posting(fixed("/api/lab"), [](const std::string& l) { return Json{{"phone", "by " + l}}; })},
      {"/api/users", posting(fixed("/api/users"), [](const std::string& l) {
         return Json{{"login", "new-" + l}, {"name", "New " + l}, {"role", "viewer"}, {"password", kPassword}};
       })},
      {R"(/api/users/([A-Za-z0-9._\-]+))",
       posting(fixed(std::string("/api/users/") + kViewer), [](const std::string& l) {
         return Json{{"position", "by " + l}};
       })},
  };
}

TEST_P(LabRolesTest, EveryChangeIsRefusedBelowItsRoleAndLeavesTheArchiveAsItWas) {
  const std::map<std::string, Ask> requests = changingRequests();
  int changing = 0;
  for (const RouteRole& route : routeRoles()) {
    if (!route.changes) continue;
    ++changing;
    const auto request = requests.find(route.pattern);
    ASSERT_NE(request, requests.end()) << "no request to try for " << route.pattern;
    for (const Caller& caller : kCallers) {
      SCOPED_TRACE(std::string(route.pattern) + " by " + (caller.role ? caller.login : "nobody"));
      const std::string before = archiveDigest();
      const httplib::Result answer = request->second(*this, as(caller), caller.login);
      ASSERT_TRUE(answer);
      if (caller.role && archive::mayAct(*caller.role, *route.least)) {
        EXPECT_LT(answer->status, 300) << answer->body;
        continue;
      }
      EXPECT_EQ(answer->status, caller.role ? 403 : 401) << answer->body;
      EXPECT_EQ(json(answer)["code"], caller.role ? "role_forbidden" : "signin_needed");
      EXPECT_EQ(archiveDigest(), before);
    }
  }
  EXPECT_EQ(changing, static_cast<int>(requests.size()));
}

// A concrete address of each route that reads.
std::string readingPath(const std::string& pattern) {
  static const std::map<std::string, std::string> concrete = {
      {R"(/records/(\d+))", "/records/1"},
      {R"(/objects/(\d+))", "/objects/1"},
      {R"(/static/([A-Za-z0-9_.\-]+))", "/static/serve_style.css"},
      {R"(/api/records/(\d+))", "/api/records/1"},
      {R"(/api/records/(\d+)/page\.svg)", "/api/records/1/page.svg"},
      {R"(/api/objects/(\d+))", "/api/objects/1"},
      {R"(/api/objects/(\d+)/protocol)", "/api/objects/1/protocol"},
      {R"(/api/objects/(\d+)/protocols)", "/api/objects/1/protocols"},
      {R"(/api/protocols/(\d+))", "/api/protocols/1"},
      {R"(/api/protocols/(\d+)/pdf)", "/api/protocols/1/pdf"},
  };
  const auto it = concrete.find(pattern);
  return it != concrete.end() ? it->second : pattern;
}

TEST_P(LabRolesTest, EveryReadingRouteAnswersItsRolesOnly) {
  for (const RouteRole& route : routeRoles()) {
    if (std::string(route.method) != "GET") continue;
    const std::string path = readingPath(route.pattern);
    for (const Caller& caller : kCallers) {
      SCOPED_TRACE(path + " by " + (caller.role ? caller.login : "nobody"));
      const httplib::Result answer = get(path, as(caller));
      ASSERT_TRUE(answer);
      if (!route.least || (caller.role && archive::mayAct(*caller.role, *route.least))) {
        EXPECT_EQ(answer->status, 200) << answer->body;
      } else if (!caller.role) {
        const bool page = path.rfind("/api/", 0) != 0;
        EXPECT_EQ(answer->status, page ? 303 : 401);
      } else {
        EXPECT_EQ(answer->status, 403);
        EXPECT_EQ(json(answer)["code"], "role_forbidden");
        EXPECT_EQ(json(answer)["error"], std::string("your role (") + archive::roleName(*caller.role) +
                                             ") may not do this");
      }
    }
  }
}

TEST_P(LabRolesTest, OneObjectsTrailIsForEveryReaderTheWholeTrailForAdmins) {
  const Json trail = json(get("/api/audit?object=School%205", &sessions_[kViewer]));
  ASSERT_TRUE(trail.is_array());
  ASSERT_FALSE(trail.empty());
  for (const Json& entry : trail) EXPECT_EQ(entry["target"].get<std::string>().rfind("School 5", 0), 0u) << entry;
  EXPECT_EQ(get("/api/audit?object=", &sessions_[kViewer])->status, 403);
  EXPECT_EQ(get("/api/audit?user=adam", &sessions_[kApprover])->status, 403);
}

TEST_P(LabRolesTest, OnlyAnAdminStopsTheLabServer) {
  for (const char* login : {kViewer, kOperator, kApprover})
    EXPECT_EQ(post("/api/quit", Json::object(), &sessions_[login])->status, 403) << login;
  EXPECT_EQ(get("/api/me", &sessions_[kViewer])->status, 200);
}

}  // namespace

INSTANTIATE_BACKENDS(LabRolesTest);

}  // namespace zel::serve::test
