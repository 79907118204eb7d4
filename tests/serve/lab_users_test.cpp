// The accounts and the audit trail through the API: an admin adds, changes
// and disables accounts, whose sessions follow at once; what is typed wrong
// is refused at its field and changes nothing; the lab keeps an admin; the
// trail comes newest first with its values as JSON; and every page knows
// its reader.
#include <regex>

#include "tests/serve/lab_fixture.h"
#include "tests/serve/serve_fixture.h"

namespace zel::serve::test {
namespace {

class LabUsersTest : public LabServeTest {
 protected:
  void SetUp() override {
    LabServeTest::SetUp();
    admin_ = signIn(kAdmin);
  }
  Signed admin_;
};

TEST_F(LabUsersTest, AnAdminAddsChangesAndDisablesAccounts) {
  const httplib::Result added = post("/api/users",
                                     Json{{"login", "nina"},
                                          {"name", "Nina Petrova"},
                                          {"position", "engineer"},
                                          {"role", "operator"},
                                          {"password", "nina's own password"},
                                          {"reason", "hired"}},
                                     &admin_);
  ASSERT_TRUE(added);
  ASSERT_EQ(added->status, 201) << added->body;
  Json nina = json(added);
  EXPECT_TRUE(std::regex_match(nina["created_at"].get<std::string>(),
                               std::regex(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2})")));
  nina.erase("created_at");
  EXPECT_EQ(nina, (Json{{"login", "nina"}, {"name", "Nina Petrova"}, {"position", "engineer"}, {"role", "operator"},
                        {"active", true}}));
  const Json list = json(get("/api/users", &admin_));
  ASSERT_EQ(list.size(), 5u);
  EXPECT_EQ(list[2]["login"], "nina");  // by login

  const Signed session = signIn("nina", "nina's own password");
  const Signed second = signIn("nina", "nina's own password");
  ASSERT_EQ(post("/api/users/nina", Json{{"role", "viewer"}}, &admin_)->status, 200);
  EXPECT_EQ(json(get("/api/me", &session))["role"], "viewer");  // at once
  EXPECT_EQ(post("/api/objects", Json{{"name", "X"}}, &session)->status, 403);
  ASSERT_EQ(post("/api/users/nina", Json{{"password", "a new password 2"}}, &admin_)->status, 200);
  EXPECT_EQ(get("/api/me", &session)->status, 401);
  EXPECT_EQ(get("/api/me", &second)->status, 401);
  const Signed third = signIn("nina", "a new password 2");
  ASSERT_EQ(post("/api/users/nina", Json{{"active", false}, {"reason", "left the lab"}}, &admin_)->status, 200);
  EXPECT_EQ(get("/api/me", &third)->status, 401);
  EXPECT_EQ(login("nina", "a new password 2")->status, 401);

  std::vector<archive::AuditEntry> disabled;
  for (const archive::AuditEntry& e : openArchive().auditLog({}))
    if (e.action == "user.disable") disabled.push_back(e);
  ASSERT_EQ(disabled.size(), 1u);
  EXPECT_EQ(disabled[0].who, kAdmin);
  EXPECT_EQ(disabled[0].target, "nina");
  EXPECT_EQ(disabled[0].reason, "left the lab");
}

struct Refusal {
  const char* name;
  const char* path;
  Json body;
  int status;
  const char* code;
  const char* field;  // that it names; empty: none
};

void PrintTo(const Refusal& r, std::ostream* out) { *out << r.name; }

class LabUserRefusalTest : public LabUsersTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(LabUserRefusalTest, IsRefusedAtItsFieldAndChangesNothing) {
  const Refusal& r = GetParam();
  const std::string before = archiveDigest();
  const httplib::Result answer = post(r.path, r.body, &admin_);
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->status, r.status) << answer->body;
  EXPECT_EQ(json(answer)["code"], r.code) << answer->body;
  if (*r.field) {
    EXPECT_EQ(json(answer)["params"]["field"], r.field) << answer->body;
  }
  EXPECT_EQ(archiveDigest(), before);
}

Json newAccount(Json change) {
  Json account{{"login", "nina"}, {"name", "Nina"}, {"role", "viewer"}, {"password", kPassword}};
  for (auto it = change.begin(); it != change.end(); ++it) {
    if (it->is_null()) {
      account.erase(it.key());
    } else {
      account[it.key()] = *it;
    }
  }
  return account;
}

INSTANTIATE_TEST_SUITE_P(
    Accounts, LabUserRefusalTest,
    ::testing::Values(
        Refusal{"BadRole", "/api/users", newAccount({{"role", "boss"}}), 400, "bad_role", "role"},
        Refusal{"NoRole", "/api/users", newAccount({{"role", nullptr}}), 400, "missing", "role"},
        Refusal{"ShortPassword", "/api/users", newAccount({{"password", "short"}}), 400, "password_short", "password"},
        Refusal{"PasswordIsLogin", "/api/users", newAccount({{"login", "nina.petrova"}, {"password", "Nina.Petrova"}}),
                400, "password_is_login", "password"},
        Refusal{"BadLogin", "/api/users", newAccount({{"login", "nina petrova"}}), 400, "login_invalid", "login"},
        Refusal{"NoName", "/api/users", newAccount({{"name", "  "}}), 400, "name_missing", "name"},
        Refusal{"LoginTaken", "/api/users", newAccount({{"login", "VERA"}}), 409, "login_taken", ""},
        Refusal{"UnknownField", "/api/users", newAccount({{"pin", "1234"}}), 400, "unknown_field", "pin"},
        Refusal{"NoAccount", "/api/users/nobody", Json{{"name", "X"}}, 404, "no_account", ""},
        Refusal{"ActiveNoFlag", "/api/users/vera", Json{{"active", "no"}}, 400, "not_flag", "active"},
        Refusal{"ShortNewPassword", "/api/users/vera", Json{{"password", "short"}}, 400, "password_short", "password"},
        Refusal{"LastAdminDemoted", "/api/users/adam", Json{{"name", "Adam"}, {"role", "viewer"}}, 409, "last_admin",
                ""},
        Refusal{"LastAdminDisabled", "/api/users/adam", Json{{"active", false}}, 409, "last_admin", ""},
        Refusal{"LongReason", "/api/users/vera", Json{{"name", "Vera"}, {"reason", std::string(501, 'r')}}, 400,
                "text_too_long", "reason"}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

TEST_F(LabUsersTest, TheTrailComesNewestFirstWithItsValuesAsJson) {
  const Signed oleg = signIn(kOperator);
  ASSERT_EQ(post("/api/objects", Json{{"name", "School 5"}}, &oleg)->status, 201);
  ASSERT_EQ(post("/api/objects/1", Json{{"notes", "closed"}, {"reason", "asked by the client"}}, &oleg)->status, 200);
  ASSERT_EQ(post("/api/objects", Json{{"name", "School 6"}}, &oleg)->status, 201);

  const Json all = json(get("/api/audit", &admin_));
  ASSERT_TRUE(all.is_array());
  ASSERT_GE(all.size(), 7u);  // the four accounts and three changes
  for (std::size_t k = 1; k < all.size(); ++k) EXPECT_GT(all[k - 1]["id"], all[k]["id"]);
  const Json& edit = all[1];
  EXPECT_EQ(edit["action"], "object.edit");
  EXPECT_EQ(edit["who"], kOperator);
  EXPECT_EQ(edit["reason"], "asked by the client");
  EXPECT_TRUE(edit["before"].is_object()) << edit;
  EXPECT_TRUE(edit["after"].is_object()) << edit;
  EXPECT_TRUE(all.back()["before"].is_null()) << all.back();

  const Json school5 = json(get("/api/audit?object=School%205", &oleg));
  ASSERT_EQ(school5.size(), 2u);
  EXPECT_EQ(school5[0]["action"], "object.edit");
  EXPECT_EQ(json(get("/api/audit?user=oleg&limit=1", &admin_)).size(), 1u);
  EXPECT_EQ(json(get("/api/audit?user=nobody", &admin_)).size(), 0u);
  EXPECT_EQ(json(get("/api/audit?since=2999-01-01", &admin_)).size(), 0u);
  EXPECT_EQ(json(get("/api/audit?since=31.02.2020", &admin_))["code"], "bad_date");
  EXPECT_EQ(json(get("/api/audit?limit=1001", &admin_))["code"], "bad_number");
  EXPECT_EQ(json(get("/api/audit?who=oleg", &admin_))["code"], "unknown_parameter");
}

TEST_F(LabUsersTest, EveryPageKnowsItsReader) {
  const Signed vera = signIn(kViewer);
  const httplib::Result page = get("/", &vera);
  ASSERT_TRUE(page);
  ASSERT_EQ(page->status, 200) << page->body;
  EXPECT_NE(page->body.find(R"("me":{"login":"vera","name":"Person vera","role":"viewer","lab":true})"),
            std::string::npos);
  EXPECT_NE(page->body.find(vera.csrf), std::string::npos);
  EXPECT_EQ(page->body.find(admin_.csrf), std::string::npos);
}

TEST_F(ServeTest, AtThisComputerTheUserMayDoEverything) {
  const Json me = json(get("/api/me"));
  EXPECT_EQ(me["role"], "admin");
  EXPECT_EQ(me["lab"], false);
  EXPECT_NE(me["login"].get<std::string>().find('@'), std::string::npos);
  EXPECT_EQ(get("/api/users")->status, 200);
  EXPECT_EQ(json(post("/api/login", Json{{"login", "x"}, {"password", "y"}}))["code"], "not_found");
  ASSERT_EQ(post("/api/objects", Json{{"name", "School 5"}, {"reason", "at the desk"}})->status, 201);
  const std::vector<archive::AuditEntry> entries = openArchive().auditLog({});
  ASSERT_FALSE(entries.empty());
  EXPECT_EQ(entries.back().who, me["login"]);
  EXPECT_EQ(entries.back().reason, "at the desk");
}

}  // namespace
}  // namespace zel::serve::test
