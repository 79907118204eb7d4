// The HTML report as text: what it judges, what it marks, and that no text
// of a file can break out of its element or make the page ask for anything.
#include "kvd/report/html_report.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "kvd/report/web_assets.h"
#include "tests/report/year_input.h"

namespace zel::report {
namespace {

ReportRow row(int mode, double value, double error, std::vector<NamedValue> q = {}) {
  ReportRow r;
  r.modeCode = mode;
  r.modeName = "mode";
  r.dateTime = "01.02.2020 03:04:05";
  r.value = value;
  r.error = error;
  r.unit = "Bq/m3";
  r.quantities = std::move(q);
  return r;
}

StatisticsRow stats(int mode, const std::string& quantity, std::size_t n, double mean, double u) {
  StatisticsRow s;
  s.modeCode = mode;
  s.quantity = quantity;
  s.unit = "Bq/m3";
  s.count = n;
  s.mean = mean;
  s.uncertainty = u;
  return s;
}

struct Expect {
  std::string norm;
  bool mean;
  int row;
  double value;
  double error;
  Verdict verdict;
};

TEST(ReportVerdicts, RecordsAndMeansOfTheModesEachNormCovers) {
  ReportInput in;
  in.files = {{"a.kvd", {7}}};
  in.rows = {
      row(2, 150, 20, {{"CRn", 150, 20, "Bq/m3"}}),                                     // 0: who above
      row(14, 90, 10, {{"EECRn", 90, 10, "Bq/m3"}, {"EECTn", 20, 5, "Bq/m3"}}),          // 1: 182 ± 25.08
      row(6, 81, 1, {{"flux", 81, 1, "mBq/(m2*s)"}}),                                   // 2: flux above
      row(4, 900, 1),                                                                   // 3: no norm
      row(14, 50, 2, {{"EECRn", 50, 2, "Bq/m3"}}),                                      // 4: no EEC(Tn)
      row(21, 100, 0),                                                                  // 5: who, at the level
  };
  in.statistics = {stats(2, "CRn", 1, 150, 20), stats(14, "EECRn", 2, 70, 4), stats(14, "EECTn", 1, 20, 5),
                   stats(6, "flux", 1, 81, 1)};
  in.norms = {findNorm("who"), findNorm("nrb-existing"), findNorm("flux"), findNorm("eu")};
  const Expect expected[] = {
      {"who", true, -1, 150, 20, Verdict::Above},
      {"who", false, 0, 150, 20, Verdict::Above},
      {"who", false, 5, 100, 0, Verdict::Below},
      {"nrb-existing", true, -1, 162, 23.3452, Verdict::Below},
      {"nrb-existing", false, 1, 182, 25.0799, Verdict::Inconclusive},
      {"flux", true, -1, 81, 1, Verdict::Inconclusive},
      {"flux", false, 2, 81, 1, Verdict::Inconclusive},
      {"eu", true, -1, 150, 20, Verdict::Below},
      {"eu", false, 0, 150, 20, Verdict::Below},
      {"eu", false, 5, 100, 0, Verdict::Below},
  };
  const std::vector<VerdictRow> got = computeVerdicts(in);
  ASSERT_EQ(got.size(), std::size(expected));
  for (std::size_t i = 0; i < got.size(); ++i) {
    const Expect& e = expected[i];
    EXPECT_EQ(got[i].norm->name, e.norm) << i;
    EXPECT_EQ(got[i].mean, e.mean) << i;
    if (!e.mean) {
      EXPECT_EQ(got[i].row, e.row) << i;
    }
    EXPECT_NEAR(got[i].measured.value, e.value, 1e-9) << i;
    EXPECT_NEAR(got[i].measured.error, e.error, 5e-4) << i;
    EXPECT_EQ(got[i].verdict, e.verdict) << i;
  }
}

TEST(ReportVerdicts, WithoutChosenNormsTheDefaultsJudge) {
  ReportInput in;
  in.files = {{"a.kvd", {}}};
  in.rows = {row(2, 320, 10)};
  in.statistics = {stats(2, "CRn", 1, 320, 10)};
  std::vector<std::string> names;
  for (const VerdictRow& v : computeVerdicts(in)) names.emplace_back(v.norm->name);
  EXPECT_EQ(names, (std::vector<std::string>{"who", "who", "eu", "eu"}));
}

TEST(ReportHtml, FileTextsCannotBreakOutOfTheirElements) {
  ReportInput in;
  in.title = "<script>alert(1)</script> & \"q\"";
  in.files = {{"x</script><img src=x><!--<script>.kvd", {1}}};
  in.rows = {row(2, 150, 20)};
  in.rows[0].modeName = "</script>";
  in.statistics = {stats(2, "CRn", 1, 150, 20)};
  in.statistics[0].modeName = "a</script>b";
  const std::string html = htmlReport(in);
  EXPECT_EQ(html.find("<script>alert"), std::string::npos);
  EXPECT_NE(html.find("&lt;script&gt;alert(1)&lt;/script&gt; &amp; &quot;q&quot;"), std::string::npos);
  EXPECT_NE(html.find("x&lt;/script&gt;&lt;img src=x&gt;&lt;!--&lt;script&gt;.kvd"), std::string::npos);
  EXPECT_NE(html.find("\"file\":\"x\\u003c/script>\\u003cimg src=x>\\u003c!--\\u003cscript>.kvd\""),
            std::string::npos);
  // Every script element closes where the writer closed it.
  std::size_t opened = 0, closed = 0;
  for (std::size_t at = html.find("<script"); at != std::string::npos; at = html.find("<script", at + 1)) ++opened;
  for (std::size_t at = html.find("</script>"); at != std::string::npos; at = html.find("</script>", at + 1))
    ++closed;
  EXPECT_EQ(opened, 4u);
  EXPECT_EQ(closed, 4u);
  EXPECT_NE(html.find("\"modeName\":\"a\\u003c/script>b\""), std::string::npos);
}

TEST(ReportHtml, NothingInThePageNamesAnotherResource) {
  // The charting library is checked as it comes; the rest is ours.
  std::string html = htmlReport(test::yearInput(200));
  const std::size_t library = html.find(kDygraphsScript);
  ASSERT_NE(library, std::string::npos);
  html.erase(library, kDygraphsScript.size());
  for (const char* pattern : {"src=", "href=", "@import", "url(", "sourceMappingURL"})
    EXPECT_EQ(html.find(pattern), std::string::npos) << pattern;
  EXPECT_NE(html.find("Content-Security-Policy\" content=\"default-src 'none';"), std::string::npos);
}

TEST(ReportHtml, RowsAboveALevelAreMarkedWithTheNorm) {
  ReportInput in;
  in.files = {{"a.kvd", {}}};
  in.rows = {row(2, 150, 20), row(2, 90, 5), row(2, 330, 10)};
  in.statistics = {stats(2, "CRn", 3, 190, 70)};
  const std::string html = htmlReport(in);
  const std::regex marked("<tr class=\"above\"><td>1</td><td class=\"n\">0</td>[^\n]*&#9650; ([a-z, -]*)</td>");
  std::vector<std::string> marks;
  for (auto it = std::sregex_iterator(html.begin(), html.end(), marked); it != std::sregex_iterator(); ++it)
    marks.push_back((*it)[1]);
  EXPECT_EQ(marks, (std::vector<std::string>{"who", "who, eu"}));
}

TEST(ReportHtml, AnEmptyPeriodStillGivesAWholeReport) {
  ReportInput in;
  in.title = "t";
  in.files = {{"a.kvd", {5}}};
  const std::string html = htmlReport(in);
  EXPECT_NE(html.find("No records in the period."), std::string::npos);
  EXPECT_NE(html.find("id=\"kvd-chart-data\">[]</script>"), std::string::npos);
  EXPECT_NE(html.find("{\"statistics\":[],\"verdicts\":[]}"), std::string::npos);
  EXPECT_NE(html.find("</html>"), std::string::npos);
}

struct LanguageCase {
  Language language;
  Units units;
  std::vector<std::string> present;
  std::vector<std::string> absent;
};

TEST(ReportHtml, EveryTextInTheChosenLanguage) {
  const LanguageCase cases[] = {
      {Language::En, Units::Bq, {"lang=\"en\"", "Reference levels", "informative", ">above<"}, {"Статистика", "pCi/L"}},
      {Language::Ru, Units::Bq, {"lang=\"ru\"", "Контрольные уровни", "Статистика", ">выше<"}, {"Reference levels", "Statistics"}},
      {Language::En, Units::PCi, {"(pCi/L)", "<span class=\"pci\">(4.05)</span>"}, {}},
  };
  for (const LanguageCase& c : cases) {
    ReportInput in;
    in.files = {{"a.kvd", {}}};
    in.language = c.language;
    in.units = c.units;
    in.rows = {row(2, 150, 20)};
    in.statistics = {stats(2, "CRn", 1, 150, 20)};
    const std::string html = htmlReport(in);
    for (const std::string& p : c.present) EXPECT_NE(html.find(p), std::string::npos) << p;
    for (const std::string& a : c.absent) EXPECT_EQ(html.find(a), std::string::npos) << a;
  }
}

}  // namespace
}  // namespace zel::report
