// The protocol's page as text: its data element read back by a JSON parser,
// the user's texts escaped wherever they stand, both languages.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "kvd/archive/protocol_page.h"
#include "tests/unit/protocol_test_support.h"

namespace zel::archive {
namespace {

using nlohmann::json;
using test::point;
using test::radon;

// Two rooms: 101 with a point above WHO's 100 Bq/m3 and one below, 102
// below; the EU level of 300 sees every room below.
ProtocolInput sample() {
  ProtocolInput in;
  in.object = {"School 5", "12 Lenina St", "City clinic", ""};
  in.devices = {test::verifiedDevice()};
  in.points = {point("1", "101", "window", {radon(1, 200, 10), radon(2, 220, 10, "06.03.2024")}),
               point("1", "101", "door", {radon(3, 50, 5)}), point("1", "102", "", {radon(4, 40, 5)})};
  in.points[0].placements = {{"School 5", in.points[0].name, 1137, {2024, 3, 4, 12, 0, 0}, {2024, 3, 7, 12, 0, 0}}};
  in.apart = {radon(5, 30, 3, "01.02.2024")};
  in.norms = {report::findNorm("who"), report::findNorm("eu")};
  return in;
}

std::string html(const ProtocolInput& in) {
  std::ostringstream out;
  writeProtocolHtml(out, in);
  return out.str();
}

// The text of the element with the id, up to its end tag.
std::string element(const std::string& page, const std::string& id) {
  const std::size_t open = page.find("id=\"" + id + "\">");
  if (open == std::string::npos) return {};
  const std::size_t from = page.find('>', open) + 1;
  return page.substr(from, page.find("</script>", from) - from);
}

std::size_t count(const std::string& page, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = page.find(what); at != std::string::npos; at = page.find(what, at + 1)) ++n;
  return n;
}

TEST(ProtocolHtml, TheDataElementCarriesEveryRoomPointAndVerdict) {
  const json data = json::parse(element(html(sample()), "kvd-report-data"));
  ASSERT_EQ(data["rooms"].size(), 2u);
  const json& r101 = data["rooms"][0];
  EXPECT_EQ(r101["room"], "101");
  EXPECT_EQ(r101["floor"], "1");
  ASSERT_EQ(r101["points"].size(), 2u);
  const json& window = r101["points"][0];
  EXPECT_EQ(window["point"], "window");
  EXPECT_EQ(window["records"], 2);
  EXPECT_EQ(window["means"][0]["key"], "CRn");
  EXPECT_DOUBLE_EQ(window["means"][0]["mean"].get<double>(), 210);
  EXPECT_EQ(window["verdicts"][0]["norm"], "who");
  EXPECT_EQ(window["verdicts"][0]["verdict"], "above");
  EXPECT_EQ(window["verdicts"][1]["verdict"], "below");
  EXPECT_EQ(window["placements"][0]["from"], "2024-03-04T12:00:00");
  EXPECT_EQ(r101["points"][1]["verdicts"][0]["verdict"], "below");
  EXPECT_EQ(r101["verdicts"][0], json({{"norm", "who"}, {"verdict", "above"}, {"pointsJudged", 2}}));
  EXPECT_EQ(data["rooms"][1]["verdicts"][0]["verdict"], "below");
  EXPECT_EQ(data["conclusion"][0]["above"], json::parse(R"([{"floor":"1","room":"101"}])"));
  EXPECT_EQ(data["conclusion"][1]["below"].size(), 2u);
  EXPECT_EQ(data["apart"][0]["id"], 5);
  EXPECT_EQ(data["devices"][0]["number"], 1137);
  EXPECT_EQ(data["outsideVerification"], 0);
  const json charts = json::parse(element(html(sample()), "kvd-protocol-charts"));
  ASSERT_EQ(charts.size(), 3u);  // one per point, all in Bq/m3
  EXPECT_EQ(charts[0]["rows"].size(), 2u);
  EXPECT_EQ(charts[0]["placements"].size(), 1u);
  // A point of one record still gets a time axis around it, or nothing is drawn.
  const double only = charts[1]["rows"][0][0].get<double>();
  EXPECT_LT(charts[1]["window"][0].get<double>(), only);
  EXPECT_GT(charts[1]["window"][1].get<double>(), only);
}

TEST(ProtocolHtml, HostileTextsNeverLeaveTheirElements) {
  const std::string hostile = "</script><script>alert(1)</script>\"q' <!-- &amp;";
  ProtocolInput in = sample();
  in.object.name = hostile;
  in.object.address = hostile;
  in.object.client = hostile;
  in.devices[0].model = hostile;
  in.devices[0].certificate = hostile;
  in.points[0].name.room = hostile;
  in.points[0].name.point = hostile;
  in.points[0].records[0].firstFile = hostile + ".kvd";
  const std::string page = html(in);
  EXPECT_EQ(page.find(hostile), std::string::npos);
  EXPECT_EQ(page.find("<script>alert"), std::string::npos);
  EXPECT_EQ(page.find("<!-- &amp;"), std::string::npos);
  EXPECT_NE(page.find("&lt;/script&gt;&lt;script&gt;alert(1)&lt;/script&gt;&quot;q&apos; &lt;!-- &amp;amp;"),
            std::string::npos);
  // The page's own four script elements, and no other.
  EXPECT_EQ(count(page, "<script"), 4u);
  EXPECT_EQ(count(page, "</script>"), 4u);
  const json data = json::parse(element(page, "kvd-report-data"));
  EXPECT_EQ(data["object"]["name"], hostile);
  EXPECT_EQ(data["rooms"][0]["points"][0]["point"], hostile);
}

TEST(ProtocolHtml, BrokenUtf8InATextIsReplacedNotPassedOn) {
  ProtocolInput in = sample();
  in.object.name = "Школа \xFF\xFE 5";
  const std::string page = html(in);
  EXPECT_EQ(page.find("\xFF"), std::string::npos);
  const json data = json::parse(element(page, "kvd-report-data"));
  EXPECT_EQ(data["object"]["name"], "Школа \uFFFD\uFFFD 5");
}

TEST(ProtocolHtml, EveryTextInTheChosenLanguage) {
  ProtocolInput in = sample();
  in.language = report::Language::Ru;
  in.object.name = "Детский сад № 3";
  const std::string ru = html(in);
  for (const char* text : {"Протокол измерений", "Объект", "Адрес", "Заказчик", "Помещение", "Точка", "Этаж",
                           "Прибор", "Свидетельство о поверке", "Заключение", "превышает", "не превышает",
                           "Детский сад № 3", "Бк/м³", "lang=\"ru\""})
    EXPECT_NE(ru.find(text), std::string::npos) << text;
  const std::string en = html(sample());
  for (const char* text : {"Measurement protocol", "Client", "Verification certificate", "Conclusion",
                           "exceeds the level", "Bq/m³", "lang=\"en\""})
    EXPECT_NE(en.find(text), std::string::npos) << text;
  EXPECT_EQ(en.find("Протокол"), std::string::npos);
}

TEST(ProtocolHtml, RecordsOutsideVerificationAreMarkedAndCounted) {
  ProtocolInput in = sample();
  in.devices[0].verifiedUntil = "2024-03-05";  // the record of 6 March is past it, and so is nothing else
  const std::string page = html(in);
  const json data = json::parse(element(page, "kvd-report-data"));
  EXPECT_EQ(data["outsideVerification"], 1);
  EXPECT_EQ(data["rooms"][0]["points"][0]["outsideVerification"], json::array({2}));
  EXPECT_EQ(count(page, "class=\"outside\""), 1u);
  EXPECT_NE(page.find("1 record was measured outside"), std::string::npos);
}

TEST(ProtocolHtml, CountsTakeTheFormTheirLanguageGivesThem) {
  const struct {
    std::uint64_t n;
    const char* en;
    const char* ru;
  } cases[] = {
      {0, "0 rooms", "0 помещений"},   {1, "1 room", "1 помещение"},     {2, "2 rooms", "2 помещения"},
      {4, "4 rooms", "4 помещения"},   {5, "5 rooms", "5 помещений"},    {11, "11 rooms", "11 помещений"},
      {12, "12 rooms", "12 помещений"}, {14, "14 rooms", "14 помещений"}, {21, "21 rooms", "21 помещение"},
      {22, "22 rooms", "22 помещения"}, {25, "25 rooms", "25 помещений"}, {101, "101 rooms", "101 помещение"},
      {111, "111 rooms", "111 помещений"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(page::countText(report::Language::En, "roomsCount", c.n), c.en);
    EXPECT_EQ(page::countText(report::Language::Ru, "roomsCount", c.n), c.ru);
  }
  ProtocolInput in = sample();
  in.language = report::Language::Ru;
  // Two rooms, three points, four records.
  EXPECT_NE(html(in).find("2 помещения, 3 точки, 4 записи"), std::string::npos);
}

TEST(ProtocolHtml, AnObjectWithoutPointsStillGivesAWholePage) {
  ProtocolInput in;
  in.object.name = "Empty";
  const std::string page = html(in);
  EXPECT_NE(page.find("The object has no points with records."), std::string::npos);
  EXPECT_NE(page.find("</html>"), std::string::npos);
  EXPECT_TRUE(json::parse(element(page, "kvd-report-data"))["rooms"].empty());
}

}  // namespace
}  // namespace zel::archive
