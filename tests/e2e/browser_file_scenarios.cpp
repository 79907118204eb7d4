// The record browser's file dialog, its export, its messages, the time to
// its first rows and its screenshot.
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "browser/dif_export.h"
#include "browser/summary_list.h"
#include "tests/e2e/browser_actions.h"

namespace {

using namespace e2e;

HWND fileNameEdit(HWND dialog) {
  // The explorer-style dialog's file name box (edt1, or the edit of cmb13).
  for (int id : {0x480, 0x47c}) {
    HWND item = GetDlgItem(dialog, id);
    if (!item) continue;
    char cls[32];
    GetClassNameA(item, cls, sizeof cls);
    if (lstrcmpiA(cls, "Edit") == 0) return item;
    const std::vector<HWND> inner = descendants(item, "Edit");
    if (!inner.empty()) return inner.front();
  }
  const std::vector<HWND> edits = descendants(dialog, "Edit");
  check(!edits.empty(), "the open-file dialog has no file name box");
  return edits.back();
}

HWND openDialog(const Process& p, const BrowserWindows& w) {
  click(w.look);
  HWND dialog = waitWindow(p.id(), "#32770", 10000);
  check(!IsWindowEnabled(w.main), "the open-file dialog does not hold the browser");
  return dialog;
}

void chooseInDialog(HWND dialog, const std::string& file) {
  SendMessageA(fileNameEdit(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(file.c_str()));
  PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  check(waitFor([&] { return !IsWindow(dialog); }, 5000), "the open-file dialog did not close");
}

void browserLook(const Context& c, const std::vector<std::string>&) {
  const std::string first = listFile(c, "first.kvd", 30, {3});
  const std::string second = listFile(c, "second.kvd", 8, {14});
  Process p = start(quoted(browserExe(c)));
  const BrowserWindows w = windowsOf(p);

  HWND dialog = openDialog(p, w);
  PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  check(waitFor([&] { return !IsWindow(dialog); }, 5000), "cancel did not close the dialog");
  expectNoBox(p, 500);
  check(!IsWindowVisible(w.list) && !IsWindowVisible(w.excel), "a cancelled dialog showed the list");

  chooseInDialog(openDialog(p, w), first);
  check(waitFor([&] { return listShown(w); }, 8000), "the chosen file was not listed");
  check(IsWindowVisible(w.excel), "EXCEL hidden after the load");
  check(waitFor([&] { return rowHasText(w.list, kRows - 1); }, 2000), "thirty records do not fill the list");
  const std::vector<COLORREF> top = rowPixels(w.list, 0);
  SendMessageA(w.list, WM_VSCROLL, SB_PAGEDOWN, 0);
  check(waitFor([&] { return rowPixels(w.list, 0) != top; }, 2000), "page down did not scroll");
  const std::vector<COLORREF> before = rowPixels(w.list, 0);
  const int thumb = thumbTop(w.list);

  // Cancelling with a list shown keeps it, scrolled as it was.
  dialog = openDialog(p, w);
  PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  check(waitFor([&] { return !IsWindow(dialog); }, 5000), "cancel did not close the dialog");
  check(waitFor([&] { return rowPixels(w.list, 0) == before; }, 1000) && thumbTop(w.list) == thumb,
        "a cancelled dialog changed the list");

  // A second file replaces the list and starts at its top.
  chooseInDialog(openDialog(p, w), second);
  // The list is repainted while the file loads: wait for the whole new
  // picture, then say which part of it is wrong.
  waitFor([&] { return !rowHasText(w.list, 8) && rowHasText(w.list, 7) && !scrollBarShown(w.list); }, 5000);
  check(!rowHasText(w.list, 8), "the second file's list was not drawn");
  check(rowHasText(w.list, 7), "the second file's last record is missing");
  check(!scrollBarShown(w.list), "eight records still scroll");
  pressExit(p, w);
}
E2E_SCENARIO("browser-look", browserLook);

std::string expectedExport(const std::vector<std::uint8_t>& bytes, const std::string& name) {
  zel::browser::SummaryList list;
  check(zel::browser::readSummaryList(bytes.data(), bytes.size(), list) == zel::browser::ReadStatus::Ok,
        "sample file unreadable");
  return zel::browser::buildDifExport(list, name);
}

void browserExport(const Context& c, const std::vector<std::string>&) {
  const std::vector<std::uint8_t> bytes = measurementFile(listDescription(12, {3, 7, 20, 10, 1, 25}));
  const std::string file = path(c, "export.KVD");
  writeFile(file, bytes);
  const std::string dif = path(c, "export.dif");
  // An older, longer export loses its tail.
  writeFile(dif, std::vector<std::uint8_t>(200000, 'x'));
  const std::string expected = expectedExport(bytes, file);

  Process p;
  const BrowserWindows w = startWith(p, " " + file, browserExe(c));
  // Marks do not change the export.
  SendMessageA(w.list, WM_RBUTTONDOWN, MK_RBUTTON, at(100, rowY(1)));
  SendMessageA(w.list, WM_RBUTTONUP, 0, at(100, rowY(1)));
  click(w.excel);
  check(waitFor([&] { return readFile(dif) == expected; }, 5000),
        "the export differs from the list: " + std::to_string(readFile(dif).size()) + " bytes, expected " +
            std::to_string(expected.size()));
  expectNoBox(p, 800);
  // Twice gives the same file: the second export, too, replaces a longer one.
  writeFile(dif, std::vector<std::uint8_t>(200000, 'x'));
  click(w.excel);
  check(waitFor([&] { return readFile(dif) == expected; }, 5000), "the second export differs");
  expectNoBox(p, 800);

  // A folder in the export's place: the file cannot be created.
  const std::string blockedFile = path(c, "blocked.kvd");
  writeFile(blockedFile, bytes);
  CreateDirectoryA(path(c, "blocked.dif").c_str(), nullptr);
  HWND dialog = openDialog(p, w);
  chooseInDialog(dialog, blockedFile);
  click(w.excel);
  expectBox(p, L"file write error: " + wide(path(c, "blocked.dif")));
  check(p.running(), "the browser ended after the failed export");
  pressExit(p, w);
}
E2E_SCENARIO("browser-export", browserExport);

void browserMessages(const Context& c, const std::vector<std::string>&) {
  {
    // A name without the extension: the browser stays, with no list.
    const std::string text = listFile(c, "list.txt", 3);
    Process p = start(quoted(browserExe(c)) + " " + text);
    const BrowserWindows w = windowsOf(p);
    expectBox(p, L"error: not ''.kvd''  file tip");
    check(!IsWindowVisible(w.list), "the list shown for a file of another type");
    pressExit(p, w);
  }
  {
    // A measurement file that is not there: the browser ends after the message.
    const std::string missing = path(c, "missing.kvd");
    Process p = start(quoted(browserExe(c)) + " " + missing);
    expectBox(p, L"\x041D\x0435\x0442 \x0444\x0430\x0439\x043B\x0430: " + wide(missing));
    check(p.waitExit() == 0, "did not end with 0 after a missing file");
  }
  {
    // Less than one record: no list, and the export has nothing to write.
    const std::string shortFile = path(c, "short.kvd");
    writeFile(shortFile, std::vector<std::uint8_t>(687, 1));
    Process p = start(quoted(browserExe(c)) + " " + shortFile);
    const BrowserWindows w = windowsOf(p);
    expectBox(p, L"file open error");
    check(waitFor([&] { return IsWindowVisible(w.excel); }, 2000), "EXCEL hidden after an opened file");
    click(w.excel);
    expectBox(p, L"   ---   \x041D\x0435\x0442 \x0434\x0430\x043D\x043D\x044B\x0445   ---");
    check(readFile(path(c, "short.dif")).empty(), "an export was written with no data");
    pressExit(p, w);
  }
  {
    // A list survives a later file that cannot be read.
    const std::string good = listFile(c, "good.kvd", 5);
    Process p;
    const BrowserWindows w = startWith(p, " \"" + good + "\" second.kvd", browserExe(c));
    const std::vector<COLORREF> row = rowPixels(w.list, 0);
    chooseInDialog(openDialog(p, w), path(c, "short.kvd"));
    expectBox(p, L"file open error");
    // Uncovered by the dialog and the message, the list is painted again.
    check(waitFor([&] { return rowPixels(w.list, 0) == row && rowHasText(w.list, 4); }, 3000),
          "the list changed after a failed load");
    click(w.excel);
    expectNoBox(p, 800);
    check(!readFile(path(c, "good.dif")).empty(), "the kept list was not exported");
    // The close box ends the program as EXIT does.
    PostMessageA(w.main, WM_SYSCOMMAND, SC_CLOSE, 0);
    check(p.waitExit() == 0, "the close box did not end with 0");
  }
}
E2E_SCENARIO("browser-messages", browserMessages);

// browser-first-rows RECORDS: how long the first rows of a large file take to
// appear after the start. Printed, not judged.
void browserFirstRows(const Context& c, const std::vector<std::string>& args) {
  const int count = args.empty() ? 65535 : std::stoi(args.at(0));
  const std::string file = path(c, "large.kvd");
  writeFile(file, measurementFile("mode=3 date=05.07.2019 time=09:04:07 primaryResult=186 primaryError=37 repeat=" +
                                  std::to_string(count) + "\n"));
  LARGE_INTEGER frequency, begin, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&begin);
  Process p;
  const BrowserWindows w = startWith(p, " " + file, browserExe(c));
  QueryPerformanceCounter(&end);
  const double ms = 1000.0 * static_cast<double>(end.QuadPart - begin.QuadPart) / static_cast<double>(frequency.QuadPart);
  std::printf("first rows of %d records shown %.0f ms after the start\n", count, ms);
  if (count > kRows) check(scrollBarShown(w.list), "no scroll bar");
  pressExit(p, w);
}
E2E_SCENARIO("browser-first-rows", browserFirstRows);

// browser-screenshot FILE OUT.bmp: the browser's window once the list is shown.
void browserScreenshot(const Context& c, const std::vector<std::string>& args) {
  Process p;
  // Quoted: a user's folder may have a blank in its name.
  const BrowserWindows w = startWith(p, " " + quoted(args.at(0)), browserExe(c));
  check(waitFor([&] { return headerShown(w); }, 3000), "the header or the column headings were not drawn");
  saveScreenshot(w.main, args.at(1));
  pressExit(p, w);
}
E2E_SCENARIO("browser-screenshot", browserScreenshot);

}  // namespace
