// The record browser as a user meets it: the list, scrolling, marking and
// opening records.
#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "tests/e2e/browser_actions.h"

namespace {

using namespace e2e;

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
  // The panels are painted one after another: wait for the whole picture,
  // then say which part of it is wrong.
  waitFor([&] { return headerShown(w) && rowHasText(w.list, 9) && !rowHasText(w.list, 10); }, 3000);
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
  // The rows and the bar are what later pictures are compared with: taken
  // once both are drawn.
  int atTop = -1;
  waitFor([&] { return rowHasText(w.list, kRows - 1) && (atTop = thumbTop(w.list)) >= 0; }, 3000);
  check(atTop >= 0, "no scroll thumb");
  std::vector<std::vector<COLORREF>> records;
  for (int row = 0; row < kRows; ++row) records.push_back(rowPixels(w.list, row));

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

bool endsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string recordedStart(const std::string& folder, int mode, int ms) {
  char name[48];
  std::snprintf(name, sizeof name, "\\ZelV_%02d.exe.cmdline.txt", mode);
  const std::string file = folder + name;
  std::string text;
  // The stand-in writes its command line and the line's end apart: a start
  // is recorded once its line is whole.
  waitFor([&] { return endsWith(text = readFile(file), "\r\n"); }, ms);
  return text;
}

int lines(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

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

}  // namespace
