// A page printed to PDF by the real Chromium and read back by poppler's
// pdfinfo and pdftotext; and the prints that must fail, each with its
// message, no target and no temporary file left behind.
#include "kvd/pdf/print_pdf.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace zel::pdf {
namespace {

namespace fs = std::filesystem;
using std::chrono::seconds;

const char kTwoPages[] = R"(<!doctype html>
<html><head><meta charset="utf-8"><style>
@page { size: A4; margin: 20mm;
  @bottom-center { content: "No 7/2026, page " counter(page) " of " counter(pages) } }
.first { break-after: page; }
</style></head>
<body><p class="first">Radon in the cellar</p><p>Thoron in the attic</p></body></html>
)";

std::string readAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// What a poppler tool prints for `pdf`; the paths are the test's own.
std::string popplerOutput(const std::string& tool, const fs::path& pdf, const std::string& after = "") {
  const std::string command = tool + " '" + pdf.string() + "'" + after;
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return {};
  std::string out;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  ::pclose(pipe);
  return out;
}

// A field of pdfinfo's output, without the spaces before it.
std::string infoField(const std::string& info, const std::string& field) {
  const std::size_t at = info.find("\n" + field + ":");
  if (at == std::string::npos) return {};
  const std::size_t start = info.find_first_not_of(' ', at + field.size() + 2);
  return info.substr(start, info.find('\n', start) - start);
}

class PrintPdf : public ::testing::Test {
 protected:
  void SetUp() override {
    static const fs::path base = fs::temp_directory_path();
    dir_ = base / ("zel-pdf-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "tmp");
    // The print's own folders go here, where the test can see that they go.
    ::setenv("TMPDIR", (dir_ / "tmp").c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("TMPDIR");
    if (!HasFailure()) fs::remove_all(dir_);
  }

  // Files of the test's folder other than `kept`, and print folders left in
  // the temporary folder.
  std::vector<std::string> leftovers(const std::vector<std::string>& kept) const {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(dir_)) {
      const std::string name = entry.path().filename().string();
      if (name != "tmp" && std::find(kept.begin(), kept.end(), name) == kept.end()) found.push_back(name);
    }
    for (const auto& entry : fs::directory_iterator(dir_ / "tmp"))
      if (entry.path().filename().string().starts_with("kvd-pdf-")) found.push_back(entry.path().string());
    return found;
  }

  fs::path writeProgram(const std::string& name, const std::string& text, fs::perms mode) {
    const fs::path file = dir_ / name;
    std::ofstream(file, std::ios::binary) << text;
    fs::permissions(file, mode);
    return file;
  }

  fs::path dir_;
};

TEST_F(PrintPdf, EveryA4PageHasItsOwnFooter) {
  const fs::path target = dir_ / "protocol.pdf";
  std::ofstream(target) << "an older file of that name";
  std::string why;
  ASSERT_TRUE(printPdf(ZEL_CHROMIUM, kTwoPages, target, why)) << why;

  EXPECT_TRUE(readAll(target).starts_with("%PDF-"));
  // A4 is 595.28 x 841.89 points; Chromium rounds it to its own units.
  const std::string info = popplerOutput(ZEL_PDFINFO, target);
  EXPECT_EQ(infoField(info, "Pages"), "2") << info;
  double width = 0, height = 0;
  char name[16] = {};
  ASSERT_EQ(std::sscanf(infoField(info, "Page size").c_str(), "%lf x %lf pts (%15[^)])", &width, &height, name), 3)
      << info;
  EXPECT_NEAR(width, 595.28, 0.5);
  EXPECT_NEAR(height, 841.89, 0.5);
  EXPECT_STREQ(name, "A4");

  // pdftotext ends each page with a form feed.
  const std::string text = popplerOutput(ZEL_PDFTOTEXT " -layout", target, " -");
  std::vector<std::string> pages;
  std::istringstream in(text);
  for (std::string page; std::getline(in, page, '\f');) pages.push_back(page);
  ASSERT_GE(pages.size(), 2u) << text;
  const char* bodies[] = {"Radon in the cellar", "Thoron in the attic"};
  for (std::size_t i = 0; i < 2; ++i) {
    const std::string footer = "No 7/2026, page " + std::to_string(i + 1) + " of 2";
    EXPECT_NE(pages[i].find(footer), std::string::npos) << "page " << i + 1 << ":\n" << pages[i];
    EXPECT_NE(pages[i].find(bodies[i]), std::string::npos) << "page " << i + 1 << ":\n" << pages[i];
    const std::string other = "page " + std::to_string(2 - i) + " of 2";
    EXPECT_EQ(pages[i].find(other), std::string::npos) << "page " << i + 1 << ":\n" << pages[i];
  }
  EXPECT_EQ(leftovers({"protocol.pdf"}), std::vector<std::string>{});
}

TEST_F(PrintPdf, FindsTheNamedBrowserOrAnInstalledOne) {
  fs::create_directory(dir_ / "folder");
  struct Case {
    std::string named;
    bool found;
    std::string why;
  };
  const Case cases[] = {
      {"", true, ""},
      {ZEL_CHROMIUM, true, ""},
      {(dir_ / "no-such-browser").string(), false,
       "the browser " + (dir_ / "no-such-browser").string() + " does not exist"},
      {(dir_ / "folder").string(), false, "the browser " + (dir_ / "folder").string() + " is not a file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.named);
    std::string why;
    const auto browser = findBrowser(c.named, why);
    EXPECT_EQ(browser.has_value(), c.found);
    EXPECT_EQ(why, c.why);
    if (browser) {
      EXPECT_TRUE(fs::is_regular_file(*browser));
    }
  }
}

// A stand-in that never ends, with a helper of its own; it notes the
// helper's number so that the test can see that the helper was killed too.
const char kHangs[] = "#!/bin/sh\nsleep 600 &\necho $! > \"$0.helper\"\nexec sleep 600\n";

TEST_F(PrintPdf, RefusalsLeaveNothingBehind) {
  const fs::path hangs = writeProgram("hangs", kHangs, fs::perms::owner_all);
  const fs::path notProgram = writeProgram("not-a-program", "plain text\n", fs::perms::owner_read);
  struct Case {
    std::string name;
    fs::path browser;
    fs::path target;
    seconds limit;
    std::string why;
  };
  const Case cases[] = {
      {"exits without a PDF", "/bin/true", dir_ / "out.pdf", seconds(60), "the browser wrote no PDF"},
      {"fails", "/bin/false", dir_ / "out.pdf", seconds(60), "the browser stopped with an error and printed nothing"},
      {"cannot be started", notProgram, dir_ / "out.pdf", seconds(60),
       "the browser " + notProgram.string() + " could not be started"},
      {"takes too long", hangs, dir_ / "out.pdf", seconds(2),
       "the browser took longer than 2 seconds to print and was stopped"},
      {"folder missing", ZEL_CHROMIUM, dir_ / "missing" / "out.pdf", seconds(60),
       "the folder of " + (dir_ / "missing" / "out.pdf").string() + " does not exist"},
      {"target is a folder", ZEL_CHROMIUM, dir_ / "tmp", seconds(60), (dir_ / "tmp").string() + " is a directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string why;
    EXPECT_FALSE(printPdf(c.browser, kTwoPages, c.target, why, c.limit));
    EXPECT_EQ(why, c.why);
    EXPECT_EQ(leftovers({"hangs", "hangs.helper", "not-a-program"}), std::vector<std::string>{});
  }

  // The stand-in's helper was killed with it; a pidfd of a process that
  // has ended (or is gone) reads at once.
  const int helper = std::atoi(readAll(dir_ / "hangs.helper").c_str());
  if (helper > 0) {
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, helper, 0));
    if (pidfd >= 0) {
      pollfd entry{pidfd, POLLIN, 0};
      EXPECT_EQ(::poll(&entry, 1, 10000), 1) << "the helper " << helper << " still runs";
      ::close(pidfd);
    } else {
      EXPECT_EQ(errno, ESRCH);
    }
  }
}

}  // namespace
}  // namespace zel::pdf
