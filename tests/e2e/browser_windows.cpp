#include "tests/e2e/browser_windows.h"

#include <vector>

#include "browser/header_panel.h"
#include "tests/e2e/driver.h"

namespace e2e {

namespace {

HWND buttonAt(HWND main, int x, int y) {
  for (HWND b : children(main, "Button")) {
    const RECT r = rectInParent(b);
    if (r.left == x && r.top == y) return b;
  }
  fail("no button at (" + std::to_string(x) + ", " + std::to_string(y) + ")");
}

}  // namespace

std::wstring browserTitle() {
  const std::string_view title = zel::browser::kWindowTitle;
  return std::wstring(title.begin(), title.end());
}

BrowserWindows browserWindows(HWND main) {
  BrowserWindows w;
  w.main = main;
  check(windowText(w.main) == browserTitle(), "title is " + narrow(windowText(w.main)));
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

}  // namespace e2e
