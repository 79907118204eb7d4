// Signing in to the lab server and the life of a session: the answer and
// the cookie of a sign-in, a wrong login answered as a wrong password is,
// the lock after five failures, the sign-out, the idle and the whole
// session's time on the server's clock (moved on by the test), an account
// disabled meanwhile, the way a page and an API call are sent to sign in,
// and the session's own CSRF token.
#include <regex>

#include "kvd/serve/lab_guards.h"
#include "tests/serve/lab_fixture.h"

namespace zel::serve::test {
namespace {

using std::chrono::minutes;

std::vector<archive::AuditEntry> trail(archive::Archive a, const std::string& action) {
  std::vector<archive::AuditEntry> out;
  for (const archive::AuditEntry& e : a.auditLog({}))
    if (e.action == action) out.push_back(e);
  return out;
}

TEST_F(LabServeTest, SignInAnswersTheAccountAndSetsASecureSessionCookie) {
  const httplib::Result answer = login(kOperator, kPassword);
  ASSERT_TRUE(answer);
  ASSERT_EQ(answer->status, 200) << answer->body;
  const Json body = json(answer);
  EXPECT_EQ(body["login"], kOperator);
  EXPECT_EQ(body["name"], "Person oleg");
  EXPECT_EQ(body["position"], "chemist");
  EXPECT_EQ(body["role"], "operator");
  EXPECT_TRUE(std::regex_match(body["csrf"].get<std::string>(), std::regex("[0-9a-f]{64}")));
  EXPECT_TRUE(std::regex_match(answer->get_header_value("Set-Cookie"),
                               std::regex("kvd_session=[0-9a-f]{64}; HttpOnly; Secure; SameSite=Strict; Path=/")))
      << answer->get_header_value("Set-Cookie");

  const Signed first = signIn(kOperator), second = signIn(kOperator);
  EXPECT_NE(first.cookie, second.cookie);
  EXPECT_NE(first.csrf, second.csrf);
  const Json me = json(get("/api/me", &first));
  EXPECT_EQ(me, (Json{{"login", kOperator}, {"name", "Person oleg"}, {"position", "chemist"}, {"role", "operator"},
                      {"lab", true}}));
}

TEST_F(LabServeTest, AWrongLoginIsAnsweredAsAWrongPasswordAndBothAreAudited) {
  const httplib::Result wrongPassword = login(kViewer, "not the password");
  const httplib::Result wrongLogin = login("nobody-here", kPassword);
  const httplib::Result disabled = [&] {
    openArchive().setAccountActive(kApprover, false);
    return login(kApprover, kPassword);
  }();
  for (const httplib::Result* r : {&wrongPassword, &wrongLogin, &disabled}) {
    ASSERT_TRUE(*r);
    EXPECT_EQ((*r)->status, 401);
    EXPECT_EQ((*r)->body, wrongPassword->body);
    EXPECT_FALSE((*r)->has_header("Set-Cookie"));
  }
  EXPECT_EQ(json(wrongPassword)["code"], "signin_failed");
  const std::vector<archive::AuditEntry> failed = trail(openArchive(), "signin.failed");
  ASSERT_EQ(failed.size(), 3u);
  EXPECT_EQ(failed[0].target, kViewer);
  EXPECT_EQ(failed[1].target, "nobody-here");
  EXPECT_EQ(failed[0].who, "127.0.0.1");
  EXPECT_EQ(login(std::string(300, 'x'), kPassword)->status, 401);
  EXPECT_EQ(trail(openArchive(), "signin.failed").back().target.size(), 80u);
}

TEST_F(LabServeTest, FiveFailuresLockTheLoginForFifteenMinutes) {
  for (int k = 1; k <= 4; ++k) EXPECT_EQ(login(kViewer, "wrong " + std::to_string(k))->status, 401);
  const httplib::Result fifth = login(kViewer, "wrong 5");
  ASSERT_TRUE(fifth);
  EXPECT_EQ(fifth->status, 429);
  EXPECT_EQ(json(fifth)["code"], "signin_locked");
  EXPECT_EQ(json(fifth)["params"]["minutes"], 15);
  // The right password too, in any letter case of the login; other logins
  // are not held up.
  EXPECT_EQ(login(kViewer, kPassword)->status, 429);
  EXPECT_EQ(login("VERA", kPassword)->status, 429);
  EXPECT_EQ(login(kOperator, kPassword)->status, 200);
  const std::vector<archive::AuditEntry> locked = trail(openArchive(), "signin.locked");
  ASSERT_EQ(locked.size(), 1u);
  EXPECT_EQ(locked[0].target, kViewer);
  EXPECT_EQ(trail(openArchive(), "signin.failed").size(), 5u);

  later(minutes(14));
  EXPECT_EQ(json(login(kViewer, kPassword))["params"]["minutes"], 1);
  later(minutes(1));
  EXPECT_EQ(login(kViewer, kPassword)->status, 200);
}

TEST_F(LabServeTest, FailuresFurtherApartThanFifteenMinutesDoNotLock) {
  for (int k = 0; k < 4; ++k) EXPECT_EQ(login(kViewer, "wrong")->status, 401);
  later(minutes(15));
  for (int k = 0; k < 4; ++k) EXPECT_EQ(login(kViewer, "wrong")->status, 401);
  EXPECT_EQ(login(kViewer, kPassword)->status, 200);
}

TEST_F(LabServeTest, SignOutEndsTheSession) {
  const Signed s = signIn(kViewer);
  const httplib::Result out = post("/api/logout", Json::object(), &s);
  ASSERT_TRUE(out);
  EXPECT_EQ(out->status, 200);
  EXPECT_EQ(out->get_header_value("Set-Cookie"), "kvd_session=; HttpOnly; Secure; SameSite=Strict; Path=/; Max-Age=0");
  EXPECT_EQ(get("/api/me", &s)->status, 401);
  EXPECT_EQ(json(get("/api/archive", &s))["code"], "signin_needed");
}

TEST_F(LabServeTest, ASessionEndsAfterThirtyIdleMinutesAndTwelveHoursInAll) {
  const Signed idle = signIn(kViewer);
  const Signed busy = signIn(kViewer);
  later(minutes(29));
  EXPECT_EQ(get("/api/me", &busy)->status, 200);
  later(minutes(1));
  EXPECT_EQ(get("/api/me", &idle)->status, 401);
  EXPECT_EQ(get("/api/me", &busy)->status, 200);
  // Used every 29 minutes, a session still ends twelve hours after its sign-in.
  int elapsed = 30;
  while (elapsed + 29 < 12 * 60) {
    later(minutes(29));
    elapsed += 29;
    ASSERT_EQ(get("/api/me", &busy)->status, 200) << elapsed;
  }
  later(minutes(12 * 60 - elapsed));
  EXPECT_EQ(get("/api/me", &busy)->status, 401);
}

TEST_F(LabServeTest, ADisabledAccountLosesItsSessionsWithinAMinute) {
  const Signed s = signIn(kOperator);
  openArchive().setAccountActive(kOperator, false);
  later(minutes(1));
  EXPECT_EQ(get("/api/me", &s)->status, 401);
  openArchive().setAccountActive(kOperator, true);
  EXPECT_EQ(get("/api/me", &s)->status, 401);  // ended, not suspended
}

TEST_F(LabServeTest, WithoutASessionPagesGoToTheSignInAndTheApiRefuses) {
  const httplib::Result page = get("/records?object=1&lang=ru", nullptr);
  ASSERT_TRUE(page);
  EXPECT_EQ(page->status, 303);
  // As cpp-httplib's client gives it, decoded; on the wire it is encoded.
  EXPECT_EQ(page->get_header_value("Location"), "/signin?next=/records?object=1&lang=ru");
  EXPECT_EQ(signInAddress("/records?object=1&lang=ru"), "/signin?next=/records%3Fobject%3D1%26lang%3Dru");
  EXPECT_EQ(signInAddress("/a b/ф"), "/signin?next=/a%20b/%D1%84");
  EXPECT_EQ(get("/", nullptr)->get_header_value("Location"), "/signin");
  EXPECT_EQ(get("/nothing/here", nullptr)->status, 303);
  const httplib::Result api = get("/api/records", nullptr);
  EXPECT_EQ(api->status, 401);
  EXPECT_EQ(json(api)["code"], "signin_needed");
  EXPECT_EQ(post("/api/objects", Json{{"name", "X"}}, nullptr)->status, 401);
  EXPECT_EQ(get("/static/serve_style.css", nullptr)->status, 200);
  EXPECT_EQ(get("/signin?next=/records", nullptr)->status, 200);
  // A session that is gone counts as none.
  const Signed forged{"kvd_session=" + std::string(64, 'a'), std::string(64, 'b')};
  EXPECT_EQ(get("/api/me", &forged)->status, 401);
}

TEST_F(LabServeTest, APostNeedsItsSessionsCsrfTokenAndTheServersOrigin) {
  const Signed s = signIn(kOperator), other = signIn(kOperator);
  const std::string before = archiveDigest();
  struct Case {
    const char* name;
    httplib::Headers headers;
    const char* code;
  };
  const Case cases[] = {
      {"no CSRF token", {{"Cookie", s.cookie}, {"Origin", origin_}}, "no_csrf"},
      {"another session's", {{"Cookie", s.cookie}, {"Origin", origin_}, {"X-CSRF-Token", other.csrf}}, "no_csrf"},
      {"no Origin", {{"Cookie", s.cookie}, {"X-CSRF-Token", s.csrf}}, "no_origin"},
      {"plain HTTP's Origin",
       {{"Cookie", s.cookie}, {"X-CSRF-Token", s.csrf}, {"Origin", "http://127.0.0.1:" + std::to_string(server_->port())}},
       "foreign_origin"},
      {"another site", {{"Cookie", s.cookie}, {"X-CSRF-Token", s.csrf}, {"Origin", "https://example.org"}},
       "foreign_origin"},
  };
  for (const Case& c : cases) {
    const httplib::Result answer = client()->Post("/api/objects", c.headers, R"({"name":"X"})", "application/json");
    ASSERT_TRUE(answer) << c.name;
    EXPECT_EQ(answer->status, 403) << c.name;
    EXPECT_EQ(json(answer)["code"], c.code) << c.name;
  }
  EXPECT_EQ(archiveDigest(), before);
  EXPECT_EQ(json(get("/api/session", &s))["csrf"], s.csrf);
  const httplib::Result signedIn = client()->Post("/api/login", httplib::Headers{{"Origin", "https://example.org"}},
                                                 Json{{"login", kViewer}, {"password", kPassword}}.dump(),
                                                 "application/json");
  EXPECT_EQ(signedIn->status, 403);
}

TEST_F(LabServeTest, AChangeIsAuditedInTheSignedInNameWithItsReason) {
  const Signed s = signIn(kOperator);
  ASSERT_EQ(post("/api/objects", Json{{"name", "School 5"}, {"reason", "a new client"}}, &s)->status, 201);
  const std::vector<archive::AuditEntry> added = trail(openArchive(), "object.add");
  ASSERT_EQ(added.size(), 1u);
  EXPECT_EQ(added[0].who, kOperator);
  EXPECT_EQ(added[0].reason, "a new client");
  EXPECT_EQ(post("/api/objects", Json{{"name", "School 6"}, {"reason", 5}}, &s)->status, 400);
}

}  // namespace
}  // namespace zel::serve::test
