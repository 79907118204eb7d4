#include "browser/browser.h"

#include <gtest/gtest.h>

#include <string>

#include "browser_test_support.h"
#include "common/recording_surface.h"

namespace zel::browser {
namespace {

using test::kvdBytes;
using test::MemorySource;

Browser makeBrowser(const char* commandLine = "\"C:\\prog\\ZelViewer.exe\"") {
  return Browser(parseCommandLine(commandLine, "C:\\other\\ZelViewer.exe"), 524, 340);
}

MemorySource fileOf(int records, int device = 1234) {
  std::string description;
  for (int i = 0; i < records; ++i)
    description += "deviceNumber=" + std::to_string(device + i) + " mode=" + std::to_string(1 + i % 26) +
                   " primaryResult=" + std::to_string(i) + "\n";
  return MemorySource(kvdBytes(description));
}

TEST(BrowserTest, HandsOutTheCommandLineFileOnce) {
  Browser browser = makeBrowser("\"C:\\prog\\ZelViewer.exe\" \"C:\\my data\\m.kvd\"");
  EXPECT_EQ(browser.programDirectory(), "C:\\prog");
  EXPECT_EQ(browser.takeGivenFile(), std::optional<std::string>("C:\\my data\\m.kvd"));
  EXPECT_EQ(browser.takeGivenFile(), std::nullopt);
  EXPECT_EQ(makeBrowser().takeGivenFile(), std::nullopt);
}

TEST(BrowserTest, LoadsAFileAndOpensItsRecords) {
  Browser browser = makeBrowser();
  MemorySource file = fileOf(30);
  const LoadResult r = browser.load("C:\\data\\m.kvd", file);
  EXPECT_EQ(r.outcome, LoadOutcome::Loaded);
  EXPECT_TRUE(r.message.empty());
  EXPECT_FALSE(r.quit);
  EXPECT_TRUE(r.showExportButton);
  EXPECT_EQ(file.openedName, "C:\\data\\m.kvd");
  EXPECT_EQ(file.closes, 1);
  EXPECT_TRUE(browser.listShown());
  EXPECT_EQ(browser.loadedFileName(), "C:\\data\\m.kvd");
  EXPECT_EQ(browser.list().recordCount(), 30u);
  EXPECT_EQ(browser.list().scrollMaximum(), 6u);

  // The third visible row with the top row at 5: record 7, mode 8.
  browser.scroll(kThumbTrack, 5);
  const std::optional<ViewerLaunch> launch = browser.leftButtonDown(40, 2 * 14 + 3);
  ASSERT_TRUE(launch);
  EXPECT_EQ(launch->programPath, "C:\\prog\\ZelV_08.exe");
  EXPECT_EQ(launch->parameters, "C:\\data\\m.kvd,7");
  EXPECT_FALSE(browser.leftButtonDown(40, 24 * 14 + 1));

  RecordingSurface header;
  browser.drawHeader(header);
  ASSERT_NE(header.textAt(82, 54), nullptr);
  EXPECT_EQ(header.textAt(82, 54)->text, " 1234  ");  // the first record's device only

  EXPECT_EQ(browser.exportRequest().fileName, "C:\\data\\m.dif");
  EXPECT_TRUE(browser.exportRequest().message.empty());
}

struct RefusalCase {
  std::string name;
  LoadOutcome outcome;
  bool opened;
  bool quit;
  std::string message;
};

class RefusedLoadTest : public ::testing::TestWithParam<RefusalCase> {};

// Whatever goes wrong, the list loaded before stays as it was: its marks,
// its scroll position and its file name.
TEST_P(RefusedLoadTest, LeavesTheLoadedListAlone) {
  const RefusalCase& c = GetParam();
  Browser browser = makeBrowser();
  MemorySource first = fileOf(40);
  ASSERT_EQ(browser.load("C:\\data\\first.kvd", first).outcome, LoadOutcome::Loaded);
  browser.scroll(kPageDown, 0);
  browser.rightButtonDown(10, 20);
  browser.rightButtonUp();

  MemorySource second(std::vector<std::uint8_t>(500));  // no whole record
  if (c.outcome == LoadOutcome::NoFile) second.failOpen();
  const LoadResult r = browser.load(c.name, second);
  EXPECT_EQ(r.outcome, c.outcome);
  EXPECT_EQ(r.message.joined(), c.message);
  // The name stays apart from the fixed text: it is in the ANSI code page.
  EXPECT_EQ(r.message.fileName, c.outcome == LoadOutcome::NoFile ? c.name : "");
  EXPECT_EQ(r.quit, c.quit);
  EXPECT_FALSE(r.showExportButton);
  EXPECT_EQ(second.opens, c.opened ? 1 : 0);
  EXPECT_EQ(second.closes, c.outcome == LoadOutcome::OpenError ? 1 : 0);

  EXPECT_EQ(browser.loadedFileName(), "C:\\data\\first.kvd");
  EXPECT_EQ(browser.list().recordCount(), 40u);
  EXPECT_EQ(browser.list().topRow(), 16u);
  EXPECT_EQ(browser.list().list()[17].mark, 1);
  const std::optional<ViewerLaunch> launch = browser.leftButtonDown(10, 20);
  ASSERT_TRUE(launch);
  EXPECT_EQ(launch->parameters, "C:\\data\\first.kvd,17");
  EXPECT_EQ(browser.exportRequest().fileName, "C:\\data\\first.dif");
}

INSTANTIATE_TEST_SUITE_P(
    Failures, RefusedLoadTest,
    ::testing::Values(
        RefusalCase{"C:\\data\\m.txt", LoadOutcome::NotKvd, false, false, "error: not ''.kvd''  file tip"},
        RefusalCase{"C:\\data\\m.kvd.bak", LoadOutcome::NotKvd, false, false, "error: not ''.kvd''  file tip"},
        RefusalCase{"C:\\" + std::string(252, 'n') + ".kvd", LoadOutcome::NameTooLong, false, false,
                    "error: file name longer than 255 characters"},
        RefusalCase{"C:\\gone.kvd", LoadOutcome::NoFile, true, true,
                    "\xCD\xE5\xF2 \xF4\xE0\xE9\xEB\xE0: C:\\gone.kvd"},
        RefusalCase{"C:\\empty.kvd", LoadOutcome::OpenError, true, false, "file open error"}));

TEST(BrowserTest, AFailedFirstLoadLeavesNoDataButShowsTheExportButton) {
  Browser browser = makeBrowser();
  MemorySource empty(std::vector<std::uint8_t>{});
  const LoadResult r = browser.load("C:\\empty.kvd", empty);
  EXPECT_EQ(r.outcome, LoadOutcome::OpenError);
  EXPECT_TRUE(r.showExportButton);
  EXPECT_FALSE(browser.list().holdsRecords());
  EXPECT_EQ(browser.exportRequest().message.joined(), "   ---   \xCD\xE5\xF2 \xE4\xE0\xED\xED\xFB\xF5   ---");
  EXPECT_EQ(browser.exportRequest().fileName, "");
  EXPECT_FALSE(browser.leftButtonDown(10, 5));
  EXPECT_EQ(browser.rightButtonDown(10, 5).capture, ListUpdate::Capture::Keep);

  // The next good file loads, and the export button is not shown twice.
  MemorySource good = fileOf(3);
  const LoadResult second = browser.load("C:\\good.kvd", good);
  EXPECT_EQ(second.outcome, LoadOutcome::Loaded);
  EXPECT_FALSE(second.showExportButton);
  EXPECT_EQ(browser.list().recordCount(), 3u);
}

}  // namespace
}  // namespace zel::browser
