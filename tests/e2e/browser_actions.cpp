#include "tests/e2e/browser_actions.h"

#include <cstdio>
#include <map>

namespace e2e {

std::string browserExe(const Context& c) { return c.binDir + "\\ZelViewer.exe"; }

std::wstring wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

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

std::string listFile(const Context& c, const std::string& name, int count, const std::vector<int>& modes) {
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

std::vector<COLORREF> rowPixels(HWND list, int row) { return capture(list, rowRect(list, row)); }

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

}  // namespace e2e
