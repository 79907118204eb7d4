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
using test::eec;
using test::point;
using test::radon;

// Two rooms: 101 with a point whose EEC is above the 200 Bq/m3 of a
// building in use and one below, 102 below; radon of indoor air at two
// points, beside WHO's 100 and the EU's 300 Bq/m3 for information.
ProtocolInput sample() {
  const std::string kDay = "05.03.2024";
  ProtocolInput in;
  in.object = {"School 5", "12 Lenina St", "City clinic", "", "in-use"};
  in.devices = {test::verifiedDevice()};
  in.points = {point("1", "101", "window",
                     {radon(1, 200, 10), radon(2, 220, 10, "06.03.2024"), eec(6, 300, 10, 2, 1, kDay), eec(7, 320, 10, 2, 1, kDay)}),
               point("1", "101", "door", {radon(3, 50, 5), eec(8, 40, 5, 1, 1, kDay)}),
               point("1", "102", "", {radon(4, 40, 5), eec(9, 30, 5, 1, 1, kDay)})};
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
  EXPECT_EQ(data["kind"], "in-use");
  EXPECT_EQ(data["normative"], "nrb-existing");
  EXPECT_EQ(data["coverageFactor"], 2);
  EXPECT_EQ(data["draft"], true);
  ASSERT_EQ(data["rooms"].size(), 2u);
  const json& r101 = data["rooms"][0];
  EXPECT_EQ(r101["room"], "101");
  EXPECT_EQ(r101["floor"], "1");
  ASSERT_EQ(r101["points"].size(), 2u);
  const json& window = r101["points"][0];
  EXPECT_EQ(window["point"], "window");
  EXPECT_EQ(window["records"], 4);
  EXPECT_EQ(window["means"][0]["key"], "CRn");
  EXPECT_DOUBLE_EQ(window["means"][0]["mean"].get<double>(), 210);
  EXPECT_DOUBLE_EQ(window["means"][0]["expanded"].get<double>(), 2 * window["means"][0]["uncertainty"].get<double>());
  EXPECT_EQ(window["verdicts"][0]["norm"], "nrb-existing");
  EXPECT_EQ(window["verdicts"][0]["verdict"], "above");
  EXPECT_EQ(window["informative"][0]["norm"], "who");
  EXPECT_FALSE(window["informative"][0].contains("verdict"));
  EXPECT_EQ(window["placements"][0]["from"], "2024-03-04T12:00:00");
  EXPECT_EQ(r101["points"][1]["verdicts"][0]["verdict"], "below");
  // The room: (300 + 320 + 40) / 3 + 4.6 × 5 / 3 = 227.67, U = 2 × 13.27.
  EXPECT_EQ(r101["verdicts"][0]["verdict"], "above");
  EXPECT_EQ(r101["verdicts"][0]["pointsJudged"], 2);
  EXPECT_NEAR(r101["verdicts"][0]["value"].get<double>(), 660.0 / 3 + 4.6 * 5 / 3, 1e-9);
  EXPECT_EQ(data["rooms"][1]["verdicts"][0]["verdict"], "below");
  EXPECT_EQ(data["conclusion"], json::parse(R"([{"norm":"nrb-existing","above":[{"floor":"1","room":"101"}],
      "inconclusive":[],"below":[{"floor":"1","room":"102"}]}])"));
  EXPECT_EQ(data["apart"][0]["id"], 5);
  EXPECT_EQ(data["devices"][0]["number"], 1137);
  EXPECT_EQ(data["devices"][0]["serial"], "1137");
  EXPECT_EQ(data["outsideVerification"], 0);
  const json charts = json::parse(element(html(sample()), "kvd-protocol-charts"));
  ASSERT_EQ(charts.size(), 3u);  // one per point, all in Bq/m3
  EXPECT_EQ(charts[0]["rows"].size(), 4u);
  EXPECT_EQ(charts[0]["placements"].size(), 1u);
  // A point of one record still gets a time axis around it, or nothing is drawn.
  ProtocolInput one = sample();
  one.points[1].records.pop_back();
  const json oneCharts = json::parse(element(html(one), "kvd-protocol-charts"));
  const double only = oneCharts[1]["rows"][0][0].get<double>();
  EXPECT_LT(oneCharts[1]["window"][0].get<double>(), only);
  EXPECT_GT(oneCharts[1]["window"][1].get<double>(), only);
}

// What an issued protocol names: the lab, its number, who signs.
ProtocolInput issued(report::Language language) {
  ProtocolInput in = sample();
  in.language = language;
  in.issued = "10.12.2026";
  in.number = "7/2026-R";
  in.lab = {"Radon Lab", "1 Sovetskaya St", "+7 4822 00-00-00", "lab@example.org", "RA.RU.21AB12", "2028-05-31",
            "MU 2.6.1.2838-11", "", 2, "{n}/{yyyy}-R", "Radon Lab, Tver"};
  in.devices[0].type = "Radon radiometer";
  in.devices[0].serial = "0457";
  in.devices[0].statedError = "±30 %";
  in.signers = {{"ivanov", "I. I. Ivanov", "Head of the laboratory"}, {"petrova", "A. A. Petrova", "Engineer"}};
  in.replaces = "5/2026-R";
  in.reason = "a typing error in the address";
  in.acceptedUnverified = true;
  return in;
}

struct ContentsCase {
  const char* what;
  ProtocolInput input;
  std::vector<std::string> present;
  std::vector<std::string> absent;
};

// The text of the page's conclusion and every verdict table, where no
// informative level may stand.
std::string verdictsOf(const std::string& page) {
  std::string out = page.substr(page.find("<section id=\"conclusion\">"));
  out = out.substr(0, out.find("</section>"));
  for (std::size_t at = page.find("<table class=\"verdicts"); at != std::string::npos;
       at = page.find("<table class=\"verdicts", at + 1))
    out += page.substr(at, page.find("</table>", at) - at);
  const std::size_t summary = page.find("<table class=\"summary\">");
  return out + page.substr(summary, page.find("</table>", summary) - summary);
}

TEST(ProtocolHtml, TheContentsOfAnIssuedProtocolAndOfADraftInBothLanguages) {
  ProtocolInput draftEn = sample();
  draftEn.signers = issued(report::Language::En).signers;  // not signed yet: no names
  ProtocolInput draftRu = draftEn;
  draftRu.language = report::Language::Ru;
  const std::vector<std::string> en = {
      "Radon Lab", "1 Sovetskaya St", "+7 4822 00-00-00", "lab@example.org", "RA.RU.21AB12, valid until 31.05.2028",
      "City clinic", "School 5", "12 Lenina St", "dwelling or public building in use", "MU 2.6.1.2838-11",
      "Radon radiometer ZR-2", ">0457<", "±30 %", "C-AB/12-03-2024/317", "Period of measurements", "10.12.2026",
      "Air temperature", "Standard uncertainty u", "Expanded uncertainty U (k = 2)",
      "NRB-99/2009, dwellings and public buildings in use", "U = k·u, k = 2",
      "For information: other reference levels (not a statement of conformity)",
      "The results relate only to the object measured.",
      "This protocol shall not be reproduced except in full without the laboratory&apos;s written approval.",
      "End of protocol", "Radon Lab, Tver"};
  const std::vector<std::string> ru = {
      "эксплуатируемое жилое или общественное здание", "Период измерений", "Температура воздуха",
      "Стандартная неопределённость u", "Расширенная неопределённость U (k = 2)",
      "НРБ-99/2009, эксплуатируемые жилые и общественные здания", "Для сведения: иные референтные уровни",
      "Результаты относятся только к объекту, прошедшему измерения.",
      "Настоящий протокол не может быть воспроизведён не в полном объёме без письменного разрешения лаборатории.",
      "Конец протокола"};
  const std::vector<std::string> issuedEn = {
      "MEASUREMENT PROTOCOL No. 7/2026-R", "content: \"Protocol No. 7/2026-R, page \" counter(page) \" of \" counter(pages)",
      "This protocol replaces protocol No. 5/2026-R.", "Reason: a typing error in the address",
      "Records measured outside their instrument&apos;s verification period were used", "Head of the laboratory",
      "I. I. Ivanov", "A. A. Petrova", ">10.12.2026</td>"};
  const std::vector<std::string> issuedRu = {
      "ПРОТОКОЛ ИЗМЕРЕНИЙ № 7/2026-R", "content: \"Протокол № 7/2026-R, стр. \" counter(page) \" из \" counter(pages)",
      "Настоящий протокол заменяет протокол № 5/2026-R.", "Причина: a typing error in the address",
      "По решению лаборатории в протоколе использованы записи, полученные вне срока поверки", "I. I. Ivanov"};
  const std::vector<std::string> draftMarks = {"MEASUREMENT PROTOCOL: DRAFT", "class=\"draft-mark\" aria-hidden=\"true\">DRAFT<",
                                               "content: \"DRAFT protocol, page \"", "@top-center { content: \"DRAFT\"; }"};
  const std::vector<std::string> draftMarksRu = {"ПРОЕКТ ПРОТОКОЛА ИЗМЕРЕНИЙ", "aria-hidden=\"true\">ПРОЕКТ<",
                                                 "content: \"ПРОЕКТ протокола, стр. \"", "content: \"ПРОЕКТ\"; }"};
  const auto join = [](std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  const ContentsCase cases[] = {
      {"issued, English", issued(report::Language::En), join(en, issuedEn), {"DRAFT", "ПРОЕКТ", "Протокол"}},
      {"issued, Russian", issued(report::Language::Ru), join(join(ru, issuedRu), {"Radon Lab"}),
       {"DRAFT", "ПРОЕКТ", "End of protocol"}},
      {"draft, English", draftEn, join({"School 5", "End of protocol", "The results relate only"}, draftMarks),
       {"I. I. Ivanov", "Head of the laboratory", "This protocol replaces"}},
      {"draft, Russian", draftRu, join({"Конец протокола", "Результаты относятся только"}, draftMarksRu),
       {"I. I. Ivanov", "заменяет"}},
  };
  for (const ContentsCase& c : cases) {
    const std::string page = html(c.input);
    for (const std::string& text : c.present) EXPECT_NE(page.find(text), std::string::npos) << c.what << ": " << text;
    for (const std::string& text : c.absent) EXPECT_EQ(page.find(text), std::string::npos) << c.what << ": " << text;
    // The informative levels stand in their own table only.
    const std::string verdicts = verdictsOf(page);
    for (const report::Norm* n : report::informativeNorms())
      for (std::string_view title : {n->shortEn, n->shortRu, n->titleEn, n->titleRu})
        EXPECT_EQ(verdicts.find(std::string(title) + "<"), std::string::npos) << c.what << ": " << title;
    const json data = json::parse(element(page, "kvd-report-data"));
    for (const json& level : data["conclusion"]) EXPECT_EQ(level["norm"], "nrb-existing") << c.what;
    for (const json& room : data["rooms"]) {
      for (const json& v : room["verdicts"]) EXPECT_EQ(v["norm"], "nrb-existing") << c.what;
      for (const json& p : room["points"])
        for (const json& v : p["verdicts"]) EXPECT_EQ(v["norm"], "nrb-existing") << c.what;
    }
  }
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
  in.number = hostile + "\\\n";
  in.lab.name = hostile;
  in.lab.footer = hostile;
  in.signers = {{hostile, hostile, hostile}};
  const std::string page = html(in);
  // In the style element the number is escaped as CSS: no quote, backslash
  // or '<' of its own, and the element ends where the page ends it.
  EXPECT_EQ(count(page, "</style>"), 2u);
  EXPECT_NE(page.find("content: \"Protocol No. \\3c /script\\3e \\3c script\\3e alert(1)\\3c /script\\3e \\22 q\\27  "
                      "\\3c \\21 --"),
            std::string::npos);
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
  EXPECT_EQ(data["number"], hostile + "\\\n");
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
  for (const char* text : {"ПРОЕКТ ПРОТОКОЛА ИЗМЕРЕНИЙ", "Объект", "Адрес", "Заказчик", "Помещение", "Точка", "Этаж",
                           "Прибор", "Свидетельство о поверке", "Заключение", "превышает", "не превышает",
                           "Детский сад № 3", "Бк/м³", "lang=\"ru\""})
    EXPECT_NE(ru.find(text), std::string::npos) << text;
  const std::string en = html(sample());
  for (const char* text : {"MEASUREMENT PROTOCOL", "Customer", "Verification certificate", "Conclusion",
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
  EXPECT_NE(page.find("Outside its verification, Record: 2 (06.03.2024 10:00:00)<"), std::string::npos);
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
  // Two rooms, three points, eight records.
  EXPECT_NE(html(in).find("2 помещения, 3 точки, 8 записей"), std::string::npos);
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
