// The server in the page's language: every refusal has its code and the
// pages' words for it in both languages, the records in Russian words on a
// Russian page, and exports named after what they hold, in the list's
// order, as Russian Excel opens them from a Russian page.
#include <set>

#include "kvd/archive/location.h"
#include "kvd/serve/export_name.h"
#include "kvd/serve/pages.h"
#include "tests/serve/serve_fixture.h"

namespace zel::serve::test {
namespace {

std::string eec(int device, const char* date, int count) {
  std::string s;
  for (int k = 0; k < count; ++k)
    s += "mode=14 deviceNumber=" + std::to_string(device) + " date=" + date + " time=10:0" + std::to_string(k) +
         ":00 bounds=44,62,86 eecRn=" + std::to_string(40 + (k * 37) % 50) + " eecRnError=5\n";
  return s;
}

// The {names} of a text.
std::set<std::string> placeholders(const std::string& text) {
  std::set<std::string> out;
  for (std::size_t open = text.find('{'); open != std::string::npos; open = text.find('{', open + 1))
    if (const std::size_t close = text.find('}', open); close != std::string::npos)
      out.insert(text.substr(open + 1, close - open - 1));
  return out;
}

void expectWords(const std::string& code) {
  const std::string key = "error_" + code;
  for (const char* lang : {"en", "ru"}) EXPECT_TRUE(pageTexts(lang).contains(key)) << lang << " " << key;
}

TEST(ServeWords, RussianTextsNameWhatTheEnglishOnesName) {
  const Json& en = pageTexts("en");
  const Json& ru = pageTexts("ru");
  for (auto it = en.begin(); it != en.end(); ++it) {
    if (!it.value().is_string() || !ru.contains(it.key())) continue;
    EXPECT_EQ(placeholders(it.value()), placeholders(ru[it.key()])) << it.key();
  }
}

TEST_F(ServeTest, EveryRefusalHasACodeThatThePagesWord) {
  ASSERT_EQ(upload({{"demo.kvd", kvdBytes()}})->status, 200);
  ASSERT_EQ(post("/api/objects", Json{{"name", "School 5"}})->status, 201);
  const std::string panel = json(post("/api/records/15/spectrum", Json::object()))["panel"];
  const std::string token = server_->token(), csrf = server_->csrf();
  const httplib::Headers noCsrf{{"Authorization", "Bearer " + token}};
  const httplib::Headers cookie{{"Cookie", "kvd_token=" + token}, {"X-CSRF-Token", csrf}};
  const httplib::Headers foreign{{"Authorization", "Bearer " + token}, {"X-CSRF-Token", csrf},
                                 {"Origin", "http://evil.example"}};
  const httplib::Headers otherHost{{"Authorization", "Bearer " + token}, {"Host", "evil.example"}};
  const struct {
    const char* method;
    std::string path;
    std::string body;
    int status;
    const char* code;
    httplib::Headers headers;
  } cases[] = {
      {"GET", "/api/records?colour=red", "", 400, "unknown_parameter", {}},
      {"GET", "/api/records?device=abc", "", 400, "bad_number", {}},
      {"GET", "/api/records?device=1&device=2", "", 400, "given_twice", {}},
      {"GET", "/api/records?unassigned=2", "", 400, "bad_unassigned", {}},
      {"GET", "/api/records?unassigned=1&room=A", "", 400, "unassigned_with_place", {}},
      {"GET", "/api/records?sort=colour", "", 400, "bad_sort", {}},
      {"GET", "/api/records?dir=up", "", 400, "bad_dir", {}},
      {"GET", "/api/records?from=yesterday", "", 400, "bad_date", {}},
      {"GET", "/api/records/999", "", 404, "no_record", {}},
      {"GET", "/api/records/1/page.svg", "", 404, "no_page", {}},
      {"GET", "/api/objects/7", "", 404, "no_object", {}},
      {"GET", "/api/objects/1/protocol?lang=fr", "", 400, "bad_lang", {}},
      {"GET", "/records?colour=red", "", 400, "unknown_parameter", {}},
      {"GET", "/api/nothing", "", 404, "not_found", {}},
      {"GET", "/static/serve_nothing.js", "", 404, "not_found", {}},
      {"GET", "/api/records%2F1", "", 400, "bad_target", {}},
      {"GET", "/api/records", "", 401, "no_token", {{"Authorization", "Bearer 00"}}},
      {"GET", "/api/records", "", 421, "wrong_host", otherHost},
      {"PUT", "/api/objects/1", "{}", 405, "method_not_allowed", {}},
      {"POST", "/api/objects", R"({"name": "x"})", 403, "no_csrf", noCsrf},
      {"POST", "/api/objects", R"({"name": "x"})", 403, "foreign_origin", foreign},
      {"POST", "/api/objects", R"({"name": "x"})", 403, "no_origin", cookie},
      {"POST", "/api/objects", "[1]", 400, "body_not_object", {}},
      {"POST", "/api/objects", R"({"name": 5})", 400, "not_text", {}},
      {"POST", "/api/objects", R"({"name": "x", "colour": "red"})", 400, "unknown_field", {}},
      {"POST", "/api/assign", R"({"object": "School 5", "room": "A"})", 400, "records_or_filter", {}},
      {"POST", "/api/assign", R"({"object": "School 5", "room": "A", "filter": {}})", 409, "records_unspecified", {}},
      {"POST", "/api/unassign", R"({"records": "all"})", 400, "bad_records", {}},
      {"POST", "/api/unassign", R"({"records": ["one"]})", 400, "not_id", {}},
      {"POST", "/api/unassign", R"({"records": [999]})", 404, "no_record", {}},
      {"POST", "/api/unassign", R"({"filter": 5})", 400, "filter_not_object", {}},
      {"POST", "/api/unassign", R"({"filter": {"room": [1]}})", 400, "not_text_or_number", {}},
      {"POST", "/api/unassign", R"({"filter": {"object": "School 6"}})", 404, "no_object", {}},
      {"POST", "/api/export", R"({"format": "pdf", "records": [1]})", 400, "bad_format", {}},
      {"POST", "/api/export", R"({"format": "csv", "records": [1], "lang": "fr"})", 400, "bad_lang", {}},
      {"POST", "/api/import", R"({"file": "a.kvd"})", 400, "not_multipart", {}},
      {"POST", "/api/records/1/spectrum", "{}", 404, "no_spectrum", {}},
      {"POST", "/api/spectrum/" + panel, R"({"events": [{"type": "fly"}]})", 400, "bad_event", {}},
      {"POST", "/api/spectrum/" + panel, "{}", 400, "missing", {}},
      {"POST", "/api/spectrum/0123abcd", R"({"events": []})", 404, "no_panel", {}},
  };
  for (const auto& c : cases) {
    httplib::Headers headers = c.headers.empty() ? auth() : c.headers;
    const std::string method = c.method;
    httplib::Client http = client();
    const httplib::Result r = method == "GET"    ? http.Get(c.path.c_str(), headers)
                              : method == "PUT" ? http.Put(c.path.c_str(), headers, c.body, "application/json")
                                                : http.Post(c.path.c_str(), headers, c.body, "application/json");
    ASSERT_TRUE(r) << c.path;
    EXPECT_EQ(r->status, c.status) << c.method << " " << c.path << " " << r->body;
    const Json answer = json(r);
    EXPECT_EQ(answer["code"], c.code) << c.method << " " << c.path << " " << r->body;
    EXPECT_FALSE(answer["error"].get<std::string>().empty()) << c.path;
    expectWords(c.code);
  }
  // Failures that a test cannot bring about have their words too.
  for (const char* code : {"archive_busy", "archive_failed", "server_failed", "malformed", "refused"})
    expectWords(code);
}

TEST_F(ServeTest, RecordsReadInThePagesLanguage) {
  ASSERT_EQ(upload({{"a.kvd", kvdBytes(eec(7, "01.02.2020", 1))}})->status, 200);
  const struct {
    httplib::Headers extra;
    const char* modeName;
    const char* unit;
    const char* label;
  } cases[] = {
      {{}, "EEC  - 5", "Bq/m3", "Pulse count"},
      {{{"X-Kvd-Lang", "ru"}}, "ЭРОА – 5", "Бк/м³", "Число импульсов"},
      {{{"Cookie", "kvd_lang=ru"}}, "ЭРОА – 5", "Бк/м³", "Число импульсов"},
      // The page's own language wins over another tab's choice.
      {{{"Cookie", "kvd_lang=ru"}, {"X-Kvd-Lang", "en"}}, "EEC  - 5", "Bq/m3", "Pulse count"},
      {{{"Accept-Language", "ru-RU,ru;q=0.9"}}, "ЭРОА – 5", "Бк/м³", "Число импульсов"},
  };
  for (const auto& c : cases) {
    httplib::Headers headers = auth();
    headers.insert(c.extra.begin(), c.extra.end());
    const Json row = json(client().Get("/api/records", headers))["rows"][0];
    EXPECT_EQ(row["mode_name"], c.modeName);
    EXPECT_EQ(row["unit"], c.unit);
    const Json record = json(client().Get("/api/records/1", headers));
    EXPECT_EQ(record["mode_name"], c.modeName);
    ASSERT_EQ(record["fields"][10]["name"], "pulseCount");
    EXPECT_EQ(record["fields"][10]["label"], c.label);
    EXPECT_EQ(record["results"][0]["unit"], c.unit);
  }
}

// Today as the server names files; a test that runs over midnight takes
// either day.
std::set<std::string> today() {
  return {archive::localTimeNow().substr(0, 10)};
}

TEST_F(ServeTest, ExportsAreNamedAfterWhatTheyHoldAndKeepTheListsOrder) {
  ASSERT_EQ(upload({{"a.kvd", kvdBytes(eec(7, "01.02.2020", 6) + eec(8, "02.02.2020", 2))}})->status, 200);
  ASSERT_EQ(post("/api/objects", Json{{"name", "Школа № 5"}})->status, 201);
  ASSERT_EQ(post("/api/assign", Json{{"object", "Школа № 5"}, {"room", "1/2"}, {"filter", {{"device", 7}}}})->status,
            200);
  std::set<std::string> days = today();
  const std::string byValue = "/api/records?object=1&sort=value&dir=desc&limit=500";
  std::vector<std::string> listed;
  const Json page = json(get(byValue));
  for (const Json& row : page["rows"]) listed.push_back(std::to_string(row["id"].get<int>()));
  ASSERT_EQ(listed.size(), 6u);

  const struct {
    Json body;
    std::string name;  // before "-DAY.EXT"
    std::string heading;
    char separator;
    bool listOrder;
  } cases[] = {
      {Json{{"format", "csv"}, {"filter", {{"object", "Школа № 5"}}}, {"sort", "value"}, {"dir", "desc"}, {"lang", "ru"}},
       "Школа № 5", "\xEF\xBB\xBF№ записи;Объект;Этаж;Помещение;Точка;Файл;", ';', true},
      {Json{{"format", "csv"}, {"filter", {{"object", 1}, {"room", "1/2"}}}, {"sort", "value"}, {"dir", "desc"}},
       "Школа № 5-room 1_2", "Record ID,Object,Floor,Room,Point,File,", ',', true},
      {Json{{"format", "csv"}, {"records", {1, 2}}, {"lang", "ru"}}, "Школа № 5-выборка", "\xEF\xBB\xBF№ записи;", ';',
       false},
      {Json{{"format", "csv"}, {"filter", {{"device", 8}, {"from", "2020-02-02"}}}}, "records-device 8-from 2020-02-02",
       "Record ID,", ',', false},
      {Json{{"format", "json"}, {"filter", {{"unassigned", true}}}, {"lang", "ru"}}, "измерения-без точки",
       "[\n{\"Record ID\":", ',', false},
  };
  for (const auto& c : cases) {
    const httplib::Result r = post("/api/export", c.body);
    ASSERT_TRUE(r);
    ASSERT_EQ(r->status, 200) << r->body;
    days.merge(today());
    const std::string disposition = r->get_header_value("Content-Disposition");
    const std::string extension = c.body["format"];
    bool named = false;
    for (const std::string& day : days) {
      const std::string file = c.name + "-" + day + "." + extension;
      named = named || (disposition.find("filename*=UTF-8''") != std::string::npos &&
                        httplib::detail::decode_url(disposition.substr(disposition.find("''") + 2), false) == file);
    }
    EXPECT_TRUE(named) << disposition;
    EXPECT_EQ(r->body.rfind(c.heading, 0), 0u) << r->body.substr(0, 200);
    if (!c.listOrder) continue;
    std::vector<std::string> ids;
    std::size_t at = r->body.find('\n');
    while (at != std::string::npos && at + 1 < r->body.size()) {
      ids.push_back(r->body.substr(at + 1, r->body.find(c.separator, at) - at - 1));
      at = r->body.find('\n', at + 1);
    }
    EXPECT_EQ(ids, listed) << r->body;
    if (c.separator == ';') {
      EXPECT_NE(r->body.find("\r\n"), std::string::npos);
    }
  }
}

TEST(ServeExportName, NamesTakeNoCharacterThatAFileSystemRefuses) {
  archive::Selection all;
  archive::Selection odd;
  odd.object = "A/B\\C:D*E?F\"G<H>I|J\tK";
  archive::Selection dotted;
  dotted.object = " .hidden. ";
  archive::Selection longName;
  longName.object = std::string(140, 'x') + "ЯЯЯЯЯЯЯЯЯЯ";
  archive::Selection filter;
  filter.point = "3";
  filter.modes = {14, 15};
  filter.to = cli::DateTime{2020, 2, 3, 23, 59, 59};
  const struct {
    const archive::Selection& selection;
    std::string object;
    const char* lang;
    std::string name;
  } cases[] = {
      {all, "", "en", "records-2026-12-10.csv"},
      {all, "", "ru", "измерения-2026-12-10.csv"},
      {all, "School 5", "en", "School 5-2026-12-10.csv"},
      {odd, "", "en", "A_B_C_D_E_F_G_H_I_J_K-2026-12-10.csv"},
      {dotted, "", "en", "hidden-2026-12-10.csv"},
      {longName, "", "en", std::string(140, 'x') + "ЯЯЯЯЯ-2026-12-10.csv"},
      {filter, "", "en", "records-point 3-mode 14,15-to 2020-02-03-2026-12-10.csv"},
      {filter, "", "ru", "измерения-точка 3-режим 14,15-по 2020-02-03-2026-12-10.csv"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(exportFileName(c.selection, c.object, c.lang, "2026-12-10", "csv"), c.name) << c.name;
  EXPECT_EQ(attachmentDisposition("Школа № 5-2026-12-10.csv"),
            "attachment; filename=\"_____ _ 5-2026-12-10.csv\"; "
            "filename*=UTF-8''%D0%A8%D0%BA%D0%BE%D0%BB%D0%B0%20%E2%84%96%205-2026-12-10.csv");
}

}  // namespace
}  // namespace zel::serve::test
