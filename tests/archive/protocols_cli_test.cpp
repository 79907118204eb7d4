// kvd archive lab, protocol issue|show|draft and protocols as a lab runs
// them, on both backends: the protocol written back byte for byte after
// its records moved and listed as changed, and the PDF with the number and
// "page X of Y" on every page.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <regex>
#include <sstream>

#include "kvd/archive/location.h"
#include "kvd/archive/protocols.h"
#include "tests/archive/backend_fixture.h"
#include "tests/archive/day_records.h"
#include "tests/cli/program_run.h"

namespace zel::archive::test {

namespace {

using Json = nlohmann::json;
using zel::test::Result;

std::string fileText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class ProtocolCommands : public BackendTest {
 protected:
  void SetUp() override {
    BackendTest::SetUp();
    Archive a(std::move(db_));
    importDay(a, 1137);
    a.addAccount({"petrova", "Анна Петрова", "Начальник лаборатории", Role::Approver}, "correct horse 1");
  }

  Result kvd(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {ZEL_KVD, "archive"});
    arguments.insert(arguments.end(), {"--archive", location()});
    return zel::test::runProgram(arguments, dir_);
  }

  void expectRuns(const std::vector<std::string>& arguments) {
    const Result r = kvd(arguments);
    EXPECT_EQ(r.code, 0) << testing::PrintToString(arguments) << ": " << r.err;
  }
};

// The text of each page of a PDF, by poppler's pdftotext.
std::vector<std::string> pdfPages(const std::filesystem::path& pdf, const std::filesystem::path& dir) {
  const Result info = zel::test::runProgram({ZEL_PDFINFO, pdf.string()}, dir);
  std::smatch pages;
  if (!std::regex_search(info.out, pages, std::regex(R"(Pages:\s+(\d+))"))) return {};
  std::vector<std::string> out;
  for (int p = 1; p <= std::stoi(pages[1]); ++p) {
    const std::string n = std::to_string(p);
    zel::test::runProgram({ZEL_PDFTOTEXT, "-f", n, "-l", n, pdf.string(), (dir / "page.txt").string()}, dir);
    out.push_back(fileText(dir / "page.txt"));
  }
  return out;
}

TEST_P(ProtocolCommands, IssuedProtocolKeptByteForByteAndPrinted) {
  expectRuns({"lab", "set", "--name", "Лаборатория радиационного контроля", "--accreditation", "RA.RU.21AB01",
              "--number-format", "{n}/{yyyy}-Р", "--method", "МУ 2.6.1.2838-11"});
  expectRuns({"object", "add", "School 5", "--kind", "workplace", "--address", "ул. Мира, 5"});
  expectRuns({"assign", "School 5", "--room", "101", "--device", "1137", "--from", "2024-03-01", "--to",
              "2024-03-01 11:00"});
  expectRuns({"device", "set", "1137", "--type", "РРА-01М-03", "--serial", "0345", "--error", "±30 %",
              "--verified-from", "2024-01-01", "--verified-until", "2024-12-31"});

  const Result issued = kvd({"protocol", "issue", "--object", "School 5", "--signed-by", "petrova", "--lang", "ru"});
  ASSERT_EQ(issued.code, 0) << issued.err;
  const std::string number = "1/" + localTimeNow().substr(0, 4) + "-Р";
  EXPECT_EQ(issued.out.rfind("Protocol " + number + " issued for School 5, signed by Анна Петрова (petrova), 12 "
                             "records, SHA-256 ", 0),
            0u)
      << issued.out;

  expectRuns({"protocol", "show", number, "-o", (dir_ / "issued.html").string()});
  const std::string html = fileText(dir_ / "issued.html");
  expectRuns({"unassign", "--device", "1137", "--from", "2024-03-01 06:00", "--to", "2024-03-01 11:00"});
  expectRuns({"protocol", "show", number, "-o", (dir_ / "again.html").string()});
  EXPECT_EQ(fileText(dir_ / "again.html"), html);

  const Result listed = kvd({"protocols", "--format", "json"});
  ASSERT_EQ(listed.code, 0) << listed.err;
  const Json list = Json::parse(listed.out);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0]["number"], number);
  EXPECT_EQ(list[0]["status"], "issued");
  EXPECT_EQ(list[0]["dataChanged"], true);

  const Result refused = kvd({"protocol", "issue", "--object", "School 5", "--signed-by", "nobody"});
  EXPECT_EQ(refused.code, 1);
  EXPECT_NE(refused.err.find("no active account \"nobody\""), std::string::npos) << refused.err;

  if (postgres()) return;  // the printing is the same whatever the archive
  for (const bool draft : {false, true}) {
    const std::filesystem::path pdf = dir_ / (draft ? "draft.pdf" : "issued.pdf");
    expectRuns(draft ? std::vector<std::string>{"protocol", "draft", "--object", "School 5", "--lang", "ru", "-o",
                                                pdf.string()}
                     : std::vector<std::string>{"protocol", "show", number, "-o", pdf.string()});
    const std::vector<std::string> pages = pdfPages(pdf, dir_);
    ASSERT_FALSE(pages.empty()) << pdf;
    for (std::size_t p = 0; p < pages.size(); ++p) {
      const std::string of = "стр. " + std::to_string(p + 1) + " из " + std::to_string(pages.size());
      EXPECT_NE(pages[p].find(of), std::string::npos) << pdf << " page " << p + 1 << ":\n" << pages[p];
      EXPECT_NE(pages[p].find(draft ? "ПРОЕКТ" : "№ " + number), std::string::npos) << pdf << " page " << p + 1;
    }
  }
}

}  // namespace

INSTANTIATE_BACKENDS(ProtocolCommands);

}  // namespace zel::archive::test
