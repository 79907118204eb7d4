// The report and the protocol opened in headless Chromium, as a reader opens
// them: the page's own script must run without a console message, draw every
// chart, and not ask for anything outside the file.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "kvd/archive/protocol.h"
#include "kvd/report/html_report.h"
#include "kvd/report/render.h"
#include "tests/report/year_input.h"
#include "tests/unit/protocol_test_support.h"
#include "tools/kvdgen/kvd_description.h"

namespace zel::report {
namespace {

namespace fs = std::filesystem;

struct BrowserRun {
  std::string dom;
  std::string log;
  int status = -1;
  double seconds = 0;
};

std::string readAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class Browser : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("zel-report-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "profile");
  }
  void TearDown() override {
    if (!HasFailure()) fs::remove_all(dir_);
  }

  fs::path write(const std::string& name, const std::string& content) {
    const fs::path p = dir_ / name;
    std::ofstream(p, std::ios::binary) << content;
    return p;
  }

  // One headless run: the DOM after the page's scripts ran, and the browser's
  // log with every console message. `extra` adds e.g. a screenshot.
  BrowserRun run(const fs::path& page, const std::string& extra = "--dump-dom") {
    const fs::path out = dir_ / "out.txt";
    const fs::path log = dir_ / "log.txt";
    const std::string command = std::string(ZEL_CHROMIUM) +
                                " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run"
                                " --disable-background-networking --disable-component-update --disable-sync"
                                " --disable-dev-shm-usage --hide-scrollbars --virtual-time-budget=20000"
                                " --enable-logging=stderr --v=0 --user-data-dir=" +
                                (dir_ / "profile").string() + " " + extra + " file://" + page.string() + " >" +
                                out.string() + " 2>" + log.string();
    const auto start = std::chrono::steady_clock::now();
    BrowserRun r;
    r.status = std::system(command.c_str());
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.dom = readAll(out);
    r.log = readAll(log);
    return r;
  }

  fs::path dir_;
};

// Console messages of the page, and refused requests, as Chromium logs them.
std::vector<std::string> consoleLines(const std::string& log) {
  std::vector<std::string> out;
  std::istringstream in(log);
  std::string line;
  while (std::getline(in, line))
    if (line.find("CONSOLE") != std::string::npos || line.find("Content Security Policy") != std::string::npos ||
        line.find("Refused") != std::string::npos || line.find("net::ERR") != std::string::npos)
      out.push_back(line);
  return out;
}

std::string attribute(const std::string& dom, const std::string& name) {
  const std::regex re("<body[^>]*\\s" + name + "=\"([^\"]*)\"");
  std::smatch m;
  return std::regex_search(dom, m, re) ? m[1].str() : std::string();
}

std::size_t count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

TEST_F(Browser, AYearOfHourlyRecordsDrawsEveryChartWithoutAConsoleMessage) {
  ReportInput input = test::yearInput();
  input.norms = {findNorm("nrb-new"), findNorm("who"), findNorm("epa")};
  const fs::path page = write("year.html", htmlReport(input));
  const BrowserRun r = run(page);
  ASSERT_EQ(r.status, 0) << r.log;
  EXPECT_EQ(consoleLines(r.log), std::vector<std::string>{});
  EXPECT_EQ(attribute(r.dom, "data-charts"), "drawn") << r.log;
  // Radon, the decay products with their NRB sum, and the climate.
  EXPECT_EQ(attribute(r.dom, "data-chart-count"), "3");
  EXPECT_EQ(count(r.dom, "data-drawn=\"true\""), 3u);
  EXPECT_GE(count(r.dom, "<canvas"), 3u);
  std::printf("[ charts  ] %s ms in the page, %.1f s for the browser run\n",
              attribute(r.dom, "data-chart-ms").c_str(), r.seconds);

  // Every record is a row of the table, and the numbers are the stored ones.
  const std::size_t tableStart = r.dom.find("id=\"records-table\"");
  ASSERT_NE(tableStart, std::string::npos);
  const std::string table = r.dom.substr(tableStart, r.dom.find("</table>", tableStart) - tableStart);
  EXPECT_EQ(count(table, "<tr"), input.rows.size() + 1);
  const ReportRow& row = input.rows[4321];
  const std::string expected = "<td class=\"n\">4321</td><td>" + row.dateTime + "</td><td>14 EEC  - 5</td>";
  EXPECT_NE(table.find(expected), std::string::npos) << expected;

  // The statistics as given, and in the data for tools.
  const StatisticsRow& crn = input.statistics[0];
  char mean[64];
  std::snprintf(mean, sizeof mean, "\"mean\":%.6f", crn.mean);
  EXPECT_NE(r.dom.find(std::string(mean).substr(0, 14)), std::string::npos) << mean;
  EXPECT_NE(r.dom.find(">" + std::to_string(crn.count) + "</td>"), std::string::npos);

  // Rows above a chosen level are marked, and only they.
  const std::vector<VerdictRow> verdicts = computeVerdicts(input);
  std::set<int> above;
  for (const VerdictRow& v : verdicts)
    if (!v.mean && v.verdict == Verdict::Above) above.insert(v.row);
  EXPECT_EQ(count(table, "<tr class=\"above\">"), above.size());
  EXPECT_FALSE(above.empty());
}

TEST_F(Browser, TheProtocolOfAnObjectDrawsAChartPerPointWithoutAConsoleMessage) {
  using namespace archive::test;
  archive::ProtocolInput in;
  in.language = Language::Ru;
  in.object = {"Школа № 5", "ул. Ленина, 12", "</script><!--", ""};
  in.devices = {verifiedDevice()};
  in.points = {point("1", "101", "A", {radon(1, 150, 15), radon(2, 170, 15, "06.03.2024")}),
               point("1", "102", "", {eec(3, 40, 4, 6, 1), eec(4, 44, 4, 7, 1)})};
  in.points[0].placements = {{"Школа № 5", in.points[0].name, 1137, {2024, 3, 4, 8, 0, 0}, {2024, 3, 7, 8, 0, 0}}};
  std::ostringstream html;
  archive::writeProtocolHtml(html, in);
  const BrowserRun r = run(write("protocol.html", html.str()));
  ASSERT_EQ(r.status, 0) << r.log;
  EXPECT_EQ(consoleLines(r.log), std::vector<std::string>{});
  EXPECT_EQ(attribute(r.dom, "data-charts"), "drawn") << r.log;
  EXPECT_EQ(attribute(r.dom, "data-chart-count"), "2");
  EXPECT_EQ(count(r.dom, "data-drawn=\"true\""), 2u);
}

TEST_F(Browser, ARequestLeavingThePageIsRefusedAndSeen) {
  // The harness itself: a page that asks for an image must not pass.
  std::string html = htmlReport(test::yearInput(48));
  html.insert(html.find("</body>"), "<img src=\"http://127.0.0.1:9/x.png\" alt=\"\">");
  const BrowserRun r = run(write("leak.html", html));
  ASSERT_EQ(r.status, 0) << r.log;
  EXPECT_NE(consoleLines(r.log), std::vector<std::string>{}) << r.log;
}

TEST_F(Browser, RussianReportAndItsPagesAsScreenshots) {
  ReportInput input = test::yearInput();
  input.language = Language::Ru;
  input.units = Units::PCi;
  input.title = "Подвал, ул. Ленина, 5";
  std::vector<std::uint8_t> bytes;
  kvd::ParseError error;
  ASSERT_TRUE(kvd::buildFile(kvd::demoDescription(), bytes, error));
  for (std::size_t at = 0; at + kRecordSize <= bytes.size(); at += kRecordSize) {
    MeasurementRecord rec;
    std::copy(bytes.begin() + static_cast<long>(at), bytes.begin() + static_cast<long>(at + kRecordSize),
              rec.bytes.begin());
    if (rec.modeCode() != 14) continue;
    input.pages.push_back({"demo.kvd, #" + std::to_string(at / kRecordSize), renderPageSvg(rec).svg,
                           renderSpectrumSvg(rec).svg});
  }
  ASSERT_FALSE(input.pages.empty());
  const fs::path page = write("ru.html", htmlReport(input));
  const BrowserRun dom = run(page);
  EXPECT_EQ(consoleLines(dom.log), std::vector<std::string>{});
  EXPECT_EQ(attribute(dom.dom, "data-charts"), "drawn");
  EXPECT_NE(dom.dom.find("Контрольные уровни"), std::string::npos);
  EXPECT_NE(dom.dom.find("информационный характер"), std::string::npos);
  EXPECT_NE(dom.dom.find("(pCi/L)"), std::string::npos);
  EXPECT_EQ(count(dom.dom, "<svg"), 2 * input.pages.size());

  const char* shots = std::getenv("ZEL_REPORT_SCREENSHOTS");
  const fs::path where = shots ? fs::path(shots) : dir_;
  const BrowserRun shot =
      run(page, "--window-size=1200,1800 --screenshot=" + (where / "report.png").string());
  EXPECT_TRUE(fs::exists(where / "report.png")) << shot.log;
  const fs::path svg = write("page.svg", input.pages.front().pageSvg);
  run(svg, "--window-size=610,451 --screenshot=" + (where / "page-svg.png").string());
  EXPECT_TRUE(fs::exists(where / "page-svg.png"));
}

}  // namespace
}  // namespace zel::report
