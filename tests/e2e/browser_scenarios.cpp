// The record browser as a user meets it: the list, scrolling, marking,
// opening records, the file dialog, the export and the messages.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "browser/dif_export.h"
#include "browser/summary_list.h"
#include "tests/e2e/browser_windows.h"
#include "tests/e2e/driver.h"

namespace {

using namespace e2e;

constexpr COLORREF kBackground = RGB(255, 252, 252);
constexpr COLORREF kMarked = RGB(255, 0, 255);
constexpr COLORREF kHover = RGB(254, 255, 151);
constexpr int kRows = 24;

std::string browserExe(const Context& c) { return c.binDir + "\\ZelViewer.exe"; }

// One record per line, each with its own date and time so that every row of
// the list looks different; modes taken in turn from `modes`.
std::string listDescription(int count, const std::vector<int>& modes) {
  std::string out;
  for (int i = 0; i < count; ++i) {
    char line[256];
    std::snprintf(line, sizeof line,
                  "mode=%d date=%02d.%02d.2019 time=%02d:%02d:%02d primaryResult=%d primaryError=%d eecRn=%d"
                  " eecRnError=%d pulseCount=%d bounds=44,62,86 spectrum=flat(2)+peak(50,120,3)\n",
                  modes[static_cast<std::size_t>(i) % modes.size()], 1 + i % 28, 1 + (i / 28) % 12, i % 24,
                  (i * 7) % 60, i % 60, 100 + i * 13, 5 + i, 200 + i * 3, 9 + i, 400 + i);
    out += line;
  }
  return out;
}

std::string listFile(const Context& c, const std::string& name, int count, const std::vector<int>& modes = {3}) {
  const std::string file = path(c, name);
  writeFile(file, measurementFile(listDescription(count, modes)));
  return file;
}


BrowserWindows startWith(Process& p, const std::string& arguments, const std::string& exe) {
  p = start(quoted(exe) + arguments);
  BrowserWindows w = windowsOf(p);
  check(waitFor([&] { return listShown(w); }, 8000), "the list did not appear");
  return w;
}

void pressExit(Process& p, const BrowserWindows& w) {
  click(w.exit);
  check(p.waitExit() == 0, "EXIT did not end with 0");
}

// The pixels of a row differ between records: the list shows which record is
// where by comparing rows with a picture taken before.
std::vector<COLORREF> rowPixels(HWND list, int row) { return capture(list, rowRect(list, row)); }

// Under Wine the scroll state of another program's window cannot be read
// (GetScrollPos answers 0), so the bar is read from the screen instead.
bool scrollBarShown(HWND list) {
  RECT window, client;
  GetWindowRect(list, &window);
  GetClientRect(list, &client);
  return (window.right - window.left) - client.right > 8;
}

// The top of the scroll thumb: the first pixel down the middle of the bar,
// between its arrows, that is not in the track's colour, the colour of most
// of the bar (Wine draws a flat track and a framed thumb); -1 without a bar.
int thumbTop(HWND list) {
  if (!scrollBarShown(list)) return -1;
  RECT client;
  GetClientRect(list, &client);
  const int x = client.right + GetSystemMetrics(SM_CXVSCROLL) / 2;
  const int arrow = GetSystemMetrics(SM_CYVSCROLL);
  const std::vector<COLORREF> column = capture(list, RECT{x, arrow, x + 1, client.bottom - arrow});
  std::map<COLORREF, int> counts;
  for (COLORREF c : column) ++counts[c];
  COLORREF track = 0;
  int most = 0;
  for (const auto& [colour, n] : counts)
    if (n > most) most = n, track = colour;
  for (std::size_t i = 0; i < column.size(); ++i)
    if (column[i] != track) return arrow + static_cast<int>(i);
  return -1;
}

std::wstring wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

void expectBox(const Process& p, const std::wstring& expected) {
  HWND box = waitMessageBox(p.id());
  check(windowText(box) == wide(kTitle), "caption is " + narrow(windowText(box)));
  const std::wstring text = messageText(box);
  check(text == expected, "expected '" + narrow(expected) + "', got '" + narrow(text) + "'");
  pressOk(box);
  check(waitFor([&] { return !IsWindow(box); }, 3000), "message box did not close");
}

void expectNoBox(const Process& p, int ms) {
  check(!waitFor([&] { return findWindow(p.id(), "#32770") != nullptr; }, ms),
        "unexpected message box: " + narrow(messageText(findWindow(p.id(), "#32770"))));
}

// ---------------------------------------------------------------------------

void browserWindow(const Context& c, const std::vector<std::string>&) {
  {
    // No file: only EXIT and LOOK, on the button face.
    Process p = start(quoted(browserExe(c)));
    const BrowserWindows w = windowsOf(p);
    RECT r;
    GetWindowRect(w.main, &r);
    check(r.right - r.left == 720 && r.bottom - r.top == 500, "main window not 720 x 500");
    // Windows adds WS_CLIPSIBLINGS to every top-level window.
    check((static_cast<DWORD>(GetWindowLongA(w.main, GWL_STYLE)) & ~DWORD{WS_CLIPSIBLINGS}) == 0x12CA0000u,
          "main window style " + std::to_string(GetWindowLongA(w.main, GWL_STYLE)));
    check(IsWindowVisible(w.exit) && IsWindowVisible(w.look), "EXIT or LOOK hidden");
    check(!IsWindowVisible(w.excel), "EXCEL shown before any file");
    check(!IsWindowVisible(w.header) && !IsWindowVisible(w.columns) && !IsWindowVisible(w.list),
          "panels shown before any file");
    expectNoBox(p, 500);
    pressExit(p, w);
  }
  // Ten records: ten rows with text, fourteen blank ones.
  const std::string file = listFile(c, "ten.kvd", 10, {3, 1, 14, 7, 20, 10});
  Process p;
  const BrowserWindows w = startWith(p, " " + file, browserExe(c));
  check(IsWindowVisible(w.header) && IsWindowVisible(w.columns) && IsWindowVisible(w.excel),
        "header, column headings or EXCEL hidden after the load");
  const RECT headerClient = clientRect(w.header);
  for (int line : {6, 30, 54})
    check(darkPixels(w.header, RECT{0, line, headerClient.right, line + 14}) > 40,
          "header line at y " + std::to_string(line) + " is empty");
  check(darkPixels(w.columns, clientRect(w.columns)) > 100, "no column headings");
  for (int row = 0; row < kRows; ++row) {
    const bool text = rowHasText(w.list, row);
    check(text == (row < 10), "row " + std::to_string(row) + (text ? " shows text" : " is blank"));
  }
  check(countPixels(w.list, RECT{0, 2 + 14 * 10, 100, 2 + 14 * kRows}, kBackground) == 100 * 14 * 14,
        "blank rows not in the list's background");
  check(!scrollBarShown(w.list), "ten records in 24 rows, and a scroll bar");
  saveScreenshot(w.main, path(c, "browser.bmp"));
  pressExit(p, w);
}
E2E_SCENARIO("browser-window", browserWindow);

void browserScroll(const Context& c, const std::vector<std::string>&) {
  const std::string file = listFile(c, "fifty.kvd", 50);
  Process p;
  const BrowserWindows w = startWith(p, " " + file, browserExe(c));
  check(scrollBarShown(w.list), "fifty records and no scroll bar");
  std::vector<std::vector<COLORREF>> records;
  for (int row = 0; row < kRows; ++row) records.push_back(rowPixels(w.list, row));
  const int atTop = thumbTop(w.list);
  check(atTop >= 0, "no scroll thumb");

  // Each step: what it sends, then the record in row 0 and where the thumb
  // stands against the positions seen before (-1: not looked at).
  struct Step {
    const char* what;
    HWND to;
    UINT message;
    WPARAM wParam;
    int topRecord;
    int position;
  };
  const WPARAM towardsUser = MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA));
  const WPARAM awayFromUser = MAKEWPARAM(0, WHEEL_DELTA);
  const Step steps[] = {
      {"line down", w.list, WM_VSCROLL, SB_LINEDOWN, 1, 1},
      {"wheel towards the user", w.list, WM_MOUSEWHEEL, towardsUser, 2, 2},
      {"wheel away from the user", w.list, WM_MOUSEWHEEL, awayFromUser, 1, 1},
      // The wheel over the main window moves the same list.
      {"wheel over the main window", w.main, WM_MOUSEWHEEL, awayFromUser, 0, 0},
      {"wheel above the first record", w.list, WM_MOUSEWHEEL, awayFromUser, 0, 0},
      {"line up above the first record", w.list, WM_VSCROLL, SB_LINEUP, 0, 0},
      {"page down", w.list, WM_VSCROLL, SB_PAGEDOWN, -1, 24},
      {"second page down", w.list, WM_VSCROLL, SB_PAGEDOWN, -1, 26},
      {"page down at the end", w.list, WM_VSCROLL, SB_PAGEDOWN, -1, 26},
      {"page up from the end", w.list, WM_VSCROLL, SB_PAGEUP, 2, 2},
      {"second page up", w.list, WM_VSCROLL, SB_PAGEUP, 0, 0},
  };
  std::map<int, int> thumbAt{{0, atTop}};
  for (const Step& step : steps) {
    const std::vector<COLORREF> before = rowPixels(w.list, 0);
    SendMessageA(step.to, step.message, step.wParam, 0);
    if (step.topRecord >= 0) {
      check(waitFor([&] { return rowPixels(w.list, 0) == records[static_cast<std::size_t>(step.topRecord)]; }, 2000),
            std::string(step.what) + ": row 0 does not show record " + std::to_string(step.topRecord));
    } else if (!thumbAt.count(step.position)) {
      check(waitFor([&] { return rowPixels(w.list, 0) != before; }, 2000), std::string(step.what) + ": rows unchanged");
    }
    const auto seen = thumbAt.find(step.position);
    if (seen != thumbAt.end()) {
      check(waitFor([&] { return thumbTop(w.list) == seen->second; }, 2000),
            std::string(step.what) + ": thumb at " + std::to_string(thumbTop(w.list)) + ", was " +
                std::to_string(seen->second) + " at position " + std::to_string(step.position));
    } else {
      // Further down the list, further down the bar.
      const int below = std::prev(thumbAt.lower_bound(step.position))->second;
      int now = -1;
      check(waitFor([&] { return (now = thumbTop(w.list)) > below; }, 2000),
            std::string(step.what) + ": thumb at " + std::to_string(now) + ", not below " + std::to_string(below));
      thumbAt[step.position] = now;
    }
  }
  check(rowHasText(w.list, kRows - 1), "last row blank");
  pressExit(p, w);
}
E2E_SCENARIO("browser-scroll", browserScroll);

HWND captureOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndCapture;
}



int marked(HWND list, int row) { return countPixels(list, rowRect(list, row), kMarked); }

// The first rows as letters: M marked, Y under the mouse (yellow), B both,
// - neither.
std::string rowStates(HWND list, int rows) {
  std::string out;
  for (int row = 0; row < rows; ++row) {
    const bool isMarked = marked(list, row) > 20;
    const bool hovered = countPixels(list, rowRect(list, row), kHover) > 1000;
    out += isMarked ? (hovered ? 'B' : 'M') : (hovered ? 'Y' : '-');
  }
  return out;
}

void expectRows(HWND list, const std::string& expected, const std::string& after) {
  std::string now;
  check(waitFor([&] { return (now = rowStates(list, static_cast<int>(expected.size()))) == expected; }, 3000),
        after + ": rows " + now + ", expected " + expected);
}

void browserMark(const Context& c, const std::vector<std::string>&) {
  const std::string file = listFile(c, "mark.kvd", 30);
  Process p;
  const BrowserWindows w = startWith(p, " " + file, browserExe(c));
  const int x = 100;
  // Press on row 1, drag down across rows 2, 3 and 4.
  SendMessageA(w.list, WM_RBUTTONDOWN, MK_RBUTTON, at(x, rowY(1)));
  check(captureOf(w.list) == w.list, "the list does not hold the mouse while marking");
  for (int row = 2; row <= 4; ++row) SendMessageA(w.list, WM_MOUSEMOVE, MK_RBUTTON, at(x, rowY(row)));
  // Released far below the panel: marking ends all the same.
  SendMessageA(w.list, WM_RBUTTONUP, 0, at(x, 900));
  check(captureOf(w.list) == nullptr, "the mouse still held after the release");
  expectRows(w.list, "-MMMB---", "drag over rows 1 to 4");
  // Moving on without the button marks nothing more; the highlight follows.
  SendMessageA(w.list, WM_MOUSEMOVE, 0, at(x, rowY(6)));
  expectRows(w.list, "-MMMM-Y-", "a move after the release");
  // Dragging back up unmarks the rows entered, not the one where it turned.
  SendMessageA(w.list, WM_RBUTTONDOWN, MK_RBUTTON, at(x, rowY(7)));
  for (int row : {6, 5, 4, 3, 2}) SendMessageA(w.list, WM_MOUSEMOVE, MK_RBUTTON, at(x, rowY(row)));
  SendMessageA(w.list, WM_RBUTTONUP, 0, at(x, rowY(2)));
  expectRows(w.list, "-MY--MMM-", "drag from row 7 up to row 2");
  // A double click toggles once: its second press is no press.
  SendMessageA(w.list, WM_RBUTTONDOWN, MK_RBUTTON, at(x, rowY(8)));
  SendMessageA(w.list, WM_RBUTTONUP, 0, at(x, rowY(8)));
  SendMessageA(w.list, WM_RBUTTONDBLCLK, MK_RBUTTON, at(x, rowY(8)));
  SendMessageA(w.list, WM_RBUTTONUP, 0, at(x, rowY(8)));
  expectRows(w.list, "-MY--MMMM-", "a right double click on row 8");
  // The marks scroll with their records; the highlight stays on its row.
  SendMessageA(w.list, WM_VSCROLL, SB_LINEDOWN, 0);
  expectRows(w.list, "M-Y-MMMM--", "one line down");
  // Losing the mouse to another window ends marking too.
  SendMessageA(w.list, WM_RBUTTONDOWN, MK_RBUTTON, at(x, rowY(10)));
  SendMessageA(w.list, WM_CAPTURECHANGED, 0, 0);
  SendMessageA(w.list, WM_MOUSEMOVE, MK_RBUTTON, at(x, rowY(11)));
  expectRows(w.list, "M---MMMM--MY", "press on row 10, capture lost, move to row 11");
  saveScreenshot(w.main, path(c, "marked.bmp"));
  pressExit(p, w);
}
E2E_SCENARIO("browser-mark", browserMark);

// The browser with stand-ins for the viewer programs in its own folder.
std::string installWithStandIns(const Context& c, const std::vector<int>& modes) {
  const std::string folder = path(c, "programs");
  CreateDirectoryA(folder.c_str(), nullptr);
  const std::string exe = folder + "\\ZelViewer.exe";
  check(CopyFileA(browserExe(c).c_str(), exe.c_str(), FALSE), "cannot copy the browser");
  for (int mode : modes) {
    char name[32];
    std::snprintf(name, sizeof name, "\\ZelV_%02d.exe", mode);
    check(CopyFileA((c.binDir + "\\stand_in.exe").c_str(), (folder + name).c_str(), FALSE),
          "cannot copy the stand-in");
    // The record of an earlier run would count as a start.
    DeleteFileA((folder + name + ".cmdline.txt").c_str());
  }
  return exe;
}

std::string recordedStart(const std::string& folder, int mode, int ms) {
  char name[48];
  std::snprintf(name, sizeof name, "\\ZelV_%02d.exe.cmdline.txt", mode);
  const std::string file = folder + name;
  std::string text;
  waitFor([&] { return !(text = readFile(file)).empty(); }, ms);
  return text;
}

int lines(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

bool endsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

void browserOpenRecord(const Context& c, const std::vector<std::string>&) {
  // Modes 3, 5, 26 have viewers; 8 has none.
  const std::string exe = installWithStandIns(c, {3, 5, 26});
  const std::string folder = path(c, "programs");
  const std::string file = listFile(c, "open.kvd", 40, {3, 5, 26, 8});
  Process p;
  const BrowserWindows w = startWith(p, " " + file, exe);

  SendMessageA(w.list, WM_LBUTTONDOWN, MK_LBUTTON, at(100, rowY(0)));
  SendMessageA(w.list, WM_LBUTTONUP, 0, at(100, rowY(0)));
  // The second press of a double click starts nothing more.
  SendMessageA(w.list, WM_LBUTTONDBLCLK, MK_LBUTTON, at(100, rowY(0)));
  SendMessageA(w.list, WM_LBUTTONUP, 0, at(100, rowY(0)));
  std::string started = recordedStart(folder, 3, 8000);
  check(!started.empty(), "ZelV_03 was not started");
  check(started.find("ZelV_03.exe") != std::string::npos, "started " + started);
  check(endsWith(started, " " + file + ",0\r\n"), "ZelV_03 got the command line " + started);

  // Row 1 of the list scrolled down by 4 is record 5, of mode 5.
  for (int i = 0; i < 4; ++i) SendMessageA(w.list, WM_VSCROLL, SB_LINEDOWN, 0);
  SendMessageA(w.list, WM_LBUTTONDOWN, MK_LBUTTON, at(300, rowY(1)));
  started = recordedStart(folder, 5, 8000);
  check(endsWith(started, " " + file + ",5\r\n"), "ZelV_05 got the command line " + started);
  // Record 26 is of mode 26 (index 26 mod 4 = 2): row 22 below top row 4.
  SendMessageA(w.list, WM_LBUTTONDOWN, MK_LBUTTON, at(10, rowY(22)));
  started = recordedStart(folder, 26, 8000);
  check(endsWith(started, " " + file + ",26\r\n"), "ZelV_26 got the command line " + started);
  // Record 7, mode 8: no viewer exists, and nothing is said.
  SendMessageA(w.list, WM_LBUTTONDOWN, MK_LBUTTON, at(100, rowY(3)));
  expectNoBox(p, 1000);
  check(p.running(), "the browser ended");
  check(lines(recordedStart(folder, 3, 0)) == 1, "ZelV_03 started more than once: " + recordedStart(folder, 3, 0));
  check(lines(recordedStart(folder, 5, 0)) == 1, "ZelV_05 started more than once");
  pressExit(p, w);
}
E2E_SCENARIO("browser-open-record", browserOpenRecord);

void browserRealViewer(const Context& c, const std::vector<std::string>&) {
  const std::string file = listFile(c, "viewer.kvd", 5, {14});
  Process p;
  const BrowserWindows w = startWith(p, " " + file, browserExe(c));
  SendMessageA(w.list, WM_LBUTTONDOWN, MK_LBUTTON, at(100, rowY(2)));
  HWND viewer = nullptr;
  waitFor([&] { return (viewer = FindWindowA("SimpleWinClass", "ZelV_14")) != nullptr && IsWindowVisible(viewer); },
          10000);
  check(viewer != nullptr, "the viewer's window did not open");
  DWORD viewerPid = 0;
  GetWindowThreadProcessId(viewer, &viewerPid);
  check(viewerPid != p.id(), "the viewer window belongs to the browser");
  check(!waitFor([&] { return findWindow(viewerPid, "#32770") != nullptr; }, 800), "the viewer shows a message");
  check(waitPixel(viewer, 4, 4, kPage), "the viewer's page is not shown");
  PostMessageA(viewer, WM_SYSCOMMAND, SC_CLOSE, 0);
  check(waitFor([&] { return !IsWindow(viewer); }, 8000), "the viewer did not close");
  check(p.running(), "the browser ended with its viewer");
  pressExit(p, w);
}
E2E_SCENARIO("browser-real-viewer", browserRealViewer);

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
  // Twice gives the same file.
  click(w.excel);
  expectNoBox(p, 800);
  check(readFile(dif) == expected, "the second export differs");

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
    check(rowPixels(w.list, 0) == row && rowHasText(w.list, 4), "the list changed after a failed load");
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
  const BrowserWindows w = startWith(p, " " + args.at(0), browserExe(c));
  Sleep(300);
  saveScreenshot(w.main, args.at(1));
  pressExit(p, w);
}
E2E_SCENARIO("browser-screenshot", browserScreenshot);

}  // namespace
