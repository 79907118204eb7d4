// The list filter's dates read as kvd reads --from and --to: a date that
// is none is refused with 400 naming its field, with the code and values
// that the pages word in their own language, English and Russian alike.
#include "kvd/serve/pages.h"
#include "tests/serve/serve_fixture.h"

namespace zel::serve::test {
namespace {

TEST_F(ServeTest, FilterDatesAreReadAsKvdReadsThemAndABadOneIsRefusedByItsField) {
  ASSERT_EQ(upload({{"a.kvd", kvdBytes("mode=14 deviceNumber=7 date=13.03.2026 time=10:00:00 bounds=44,62,86 "
                                       "eecRn=57 eecRnError=8\n")}})
                ->status,
            200);
  const struct {
    const char* query;
    const char* refusedField;  // null: taken, and `total` records match
    const char* code;
    int total;
  } cases[] = {
      {"from=31.02.2026", "from", "bad_date", 0},
      {"to=0020-03-13", "to", "bad_date", 0},  // a year typed halfway
      {"from=2026-13-01", "from", "bad_date", 0},
      {"to=", "to", "bad_date", 0},
      {"from=13.03.2026", nullptr, nullptr, 1},
      {"from=14.03.2026&to=13.03.2026", "to", "dates_reversed", 0},
      {"from=13.03.2026%2010:00", nullptr, nullptr, 1},
      {"from=13.03.2026%2010:01", nullptr, nullptr, 0},
      {"to=2026-03-13T09:59", nullptr, nullptr, 0},
      {"to=2026-03-13", nullptr, nullptr, 1},
  };
  for (const auto& c : cases) {
    for (const char* lang : {"en", "ru"}) {
      httplib::Headers headers = auth();
      headers.emplace("X-Kvd-Lang", lang);
      const httplib::Result r = client().Get((std::string("/api/records?") + c.query).c_str(), headers);
      ASSERT_TRUE(r) << c.query;
      const Json body = json(r);
      if (!c.code) {
        EXPECT_EQ(r->status, 200) << c.query << " " << r->body;
        EXPECT_EQ(body["total"], c.total) << c.query;
        continue;
      }
      EXPECT_EQ(r->status, 400) << c.query;
      EXPECT_EQ(body["code"], c.code) << c.query << " " << r->body;
      EXPECT_EQ(body["params"]["field"], c.refusedField) << c.query;
      EXPECT_NE(body["error"].get<std::string>().find(std::string("\"") + c.refusedField + "\""), std::string::npos)
          << r->body;
      // The page of either language has its own words for the refusal,
      // with the text that was typed.
      const std::string words = pageTexts(lang).value(std::string("error_") + c.code, std::string());
      EXPECT_FALSE(words.empty()) << lang << " " << c.code;
      if (std::string(c.code) == "bad_date") {
        EXPECT_EQ(body["params"]["text"], std::string(c.query).substr(std::string(c.query).find('=') + 1));
        EXPECT_NE(words.find("{text}"), std::string::npos) << lang;
      }
    }
  }
}

}  // namespace
}  // namespace zel::serve::test
