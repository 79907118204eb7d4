// The end-to-end test driver: a Win32 program that starts the real programs
// under Wine, finds their windows, acts as a user would and checks what the
// screen, the files and the exit codes show. Every wait polls with a bound.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace e2e {

// Colours the programs put on screen.
inline constexpr COLORREF kPage = RGB(255, 255, 216);
inline constexpr COLORREF kReadOut = RGB(239, 239, 200);
inline constexpr COLORREF kBlue = RGB(0, 0, 255);
inline constexpr COLORREF kOrange = RGB(255, 170, 0);
inline constexpr COLORREF kBlack = RGB(0, 0, 0);

struct Context {
  std::string binDir;   // the programs under test
  std::string workDir;  // a fresh folder for this scenario's files
};

[[noreturn]] void fail(const std::string& message);
void check(bool condition, const std::string& message);
std::string narrow(const std::wstring& text);
std::string hex(COLORREF c);

class Process {
 public:
  Process() = default;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;
  ~Process();
  DWORD id() const { return info_.dwProcessId; }
  // Waits for the end; returns the exit code, or fails after `ms`.
  DWORD waitExit(int ms = 8000);
  bool running() const;
  friend Process start(const std::string& commandLine, const std::string& application);

 private:
  // Ends a program still running and closes its handles.
  void release();
  PROCESS_INFORMATION info_{};
};

// Starts a program with exactly this command line.
Process start(const std::string& commandLine, const std::string& application = {});
std::string quoted(const std::string& path);

bool waitFor(const std::function<bool()>& condition, int ms);
// The first visible top-level window of the process with this class.
HWND findWindow(DWORD pid, const char* className);
HWND waitWindow(DWORD pid, const char* className, int ms = 8000);
HWND waitMessageBox(DWORD pid, int ms = 8000);
std::wstring windowText(HWND window);
// The message text of a message box.
std::wstring messageText(HWND box);
void pressOk(HWND box);
// Child windows of a class, in creation order.
std::vector<HWND> children(HWND parent, const char* className);
// Windows of a class anywhere below `parent`, children of children too.
std::vector<HWND> descendants(HWND parent, const char* className);
// A child's rectangle in its parent's client coordinates.
RECT rectInParent(HWND child);
void click(HWND button);

// Colour of the screen at a client point of the window.
COLORREF pixel(HWND window, int x, int y);
// Waits until the client point shows the colour.
bool waitPixel(HWND window, int x, int y, COLORREF color, int ms = 3000);
// The screen's pixels in a client rectangle of the window, row by row.
std::vector<COLORREF> capture(HWND window, RECT area);
// Counts pixels of the colour in a client rectangle.
int countPixels(HWND window, RECT area, COLORREF color);
void saveScreenshot(HWND window, const std::string& path);
// A viewer's page is up once its blue frame is: the record is read a little
// after the window is, and the page is then drawn whole.
bool pageDrawn(HWND viewer);
void parkPointer();

std::string path(const Context& c, const std::string& name);
void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
std::string readFile(const std::string& path);
// A measurement file from a sample description (kvdgen's format).
std::vector<std::uint8_t> measurementFile(const std::string& description);

using Scenario = void (*)(const Context& context, const std::vector<std::string>& args);
void registerScenario(const char* name, Scenario scenario);

}  // namespace e2e

#define E2E_SCENARIO(name, fn) \
  static const bool fn##_registered = (e2e::registerScenario(name, fn), true)
