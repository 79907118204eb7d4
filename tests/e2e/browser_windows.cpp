#include "tests/e2e/browser_windows.h"

#include <cstring>
#include <string>
#include <vector>

namespace e2e {

HWND buttonAt(HWND main, int x, int y) {
  for (HWND b : children(main, "Button")) {
    const RECT r = rectInParent(b);
    if (r.left == x && r.top == y) return b;
  }
  fail("no button at (" + std::to_string(x) + ", " + std::to_string(y) + ")");
}

BrowserWindows windowsOf(HWND main) {
  BrowserWindows w;
  w.main = main;
  check(windowText(w.main) == std::wstring(kTitle, kTitle + std::strlen(kTitle)),
        "title is " + narrow(windowText(w.main)));
  std::vector<HWND> panels;
  waitFor([&] { return (panels = children(w.main, "SimpleWinClass")).size() >= 3; }, 3000);
  check(panels.size() == 3, "expected three panels, found " + std::to_string(panels.size()));
  for (HWND panel : panels) {
    const RECT r = rectInParent(panel);
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (r.left == 6 && r.top == 6 && width == 528 && height == 76) w.header = panel;
    if (r.left == 6 && r.top == 88 && width == 528 && height == 26) w.columns = panel;
    if (r.left == 6 && r.top == 114 && width == 528 && height == 344) w.list = panel;
  }
  check(w.header && w.columns && w.list, "panels not at their places");
  waitFor([&] { return children(w.main, "Button").size() >= 3; }, 3000);
  w.exit = buttonAt(w.main, 634, 20);
  w.look = buttonAt(w.main, 560, 20);
  w.excel = buttonAt(w.main, 634, 84);
  return w;
}

BrowserWindows windowsOf(const Process& p) { return windowsOf(waitWindow(p.id(), "SimpleWinClass")); }

HWND waitBrowserWindow(int ms) {
  HWND main = nullptr;
  waitFor([&] { return (main = FindWindowA("SimpleWinClass", kBrowserTitle)) != nullptr && IsWindowVisible(main); },
          ms);
  check(main != nullptr, "no browser window appeared");
  return main;
}

RECT clientRect(HWND window) {
  RECT r;
  GetClientRect(window, &r);
  return r;
}

RECT rowRect(HWND list, int row) { return RECT{0, 2 + 14 * row, clientRect(list).right, 2 + 14 * row + 14}; }

int rowY(int row) { return 2 + 14 * row + 7; }

LPARAM at(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

int darkPixels(HWND window, RECT area) {
  int n = 0;
  for (COLORREF c : capture(window, area))
    if (GetRValue(c) < 110 && GetGValue(c) < 110 && GetBValue(c) < 110) ++n;
  return n;
}

bool rowHasText(HWND list, int row) { return darkPixels(list, rowRect(list, row)) > 20; }

bool listShown(const BrowserWindows& w) { return IsWindowVisible(w.list) && rowHasText(w.list, 0); }

bool headerShown(const BrowserWindows& w) {
  const RECT header = clientRect(w.header);
  for (int line : {6, 30, 54})
    if (darkPixels(w.header, RECT{0, line, header.right, line + 14}) <= 40) return false;
  return darkPixels(w.columns, clientRect(w.columns)) > 100;
}

}  // namespace e2e
