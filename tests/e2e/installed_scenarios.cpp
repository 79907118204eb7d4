// The programs as an installed copy runs them: started by a launcher or by
// the shell's open verb, not by the driver, so the driver finds the browser
// by its title among every program's windows.
#include <string>
#include <vector>

#include "tests/e2e/browser_windows.h"
#include "tests/e2e/driver.h"

namespace {

using namespace e2e;

// Line `n` (from 1) of a text whose lines end in CR LF.
std::string line(const std::string& text, int n) {
  std::size_t begin = 0;
  for (int i = 1; i < n; ++i) {
    begin = text.find("\r\n", begin);
    if (begin == std::string::npos) return {};
    begin += 2;
  }
  const std::size_t end = text.find("\r\n", begin);
  return end == std::string::npos ? std::string{} : text.substr(begin, end - begin);
}

// browser-running-export FILE.kvd [WAIT_MS]: a browser started by someone
// else shows FILE (its Windows path); EXCEL writes the export beside it with
// that path in its file cell; the close box ends the browser. The first start
// in a new Wine prefix may take long, hence the generous default wait.
void browserRunningExport(const Context&, const std::vector<std::string>& args) {
  check(!args.empty(), "usage: browser-running-export FILE.kvd [WAIT_MS]");
  const std::string file = args[0];
  const int ms = args.size() > 1 ? std::stoi(args[1]) : 120000;
  check(file.size() > 4, "not a measurement file name: " + file);
  const std::string dif = file.substr(0, file.size() - 3) + "dif";
  DeleteFileA(dif.c_str());

  HWND main = nullptr;
  check(waitFor(
            [&] {
              main = FindWindowA("SimpleWinClass", kBrowserTitle);
              return main != nullptr && IsWindowVisible(main);
            },
            ms),
        "no browser window appeared within " + std::to_string(ms) + " ms");
  const BrowserWindows w = windowsOf(main);
  check(waitFor([&] { return IsWindowVisible(w.list) && IsWindowVisible(w.excel); }, 8000),
        "the browser shows no list");

  click(w.excel);
  std::string text;
  check(waitFor([&] { return (text = readFile(dif)).find("EOD\r\n") != std::string::npos; }, 8000),
        "no export written at " + dif);
  const std::string expected = "\"  File:  " + file;
  const std::string fileCell = line(text, 16);
  check(fileCell.compare(0, expected.size(), expected) == 0,
        "the export's file cell is '" + fileCell + "', expected it to begin with '" + expected + "'");

  DWORD pid = 0;
  GetWindowThreadProcessId(main, &pid);
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  PostMessageA(main, WM_CLOSE, 0, 0);
  check(waitFor([&] { return !IsWindow(main); }, 8000), "the browser's window did not close");
  if (process) {
    const DWORD ended = WaitForSingleObject(process, 8000);
    CloseHandle(process);
    check(ended == WAIT_OBJECT_0, "the browser did not end after its window closed");
  }
}
E2E_SCENARIO("browser-running-export", browserRunningExport);

}  // namespace
