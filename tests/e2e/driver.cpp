#include "tests/e2e/driver.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "tools/kvdgen/kvd_description.h"

namespace e2e {

namespace {
struct Failure {
  std::string message;
};
}  // namespace

// Unwinds to the scenario runner, so that every started program is ended.
void fail(const std::string& message) { throw Failure{message}; }

void check(bool condition, const std::string& message) {
  if (!condition) fail(message);
}

std::string narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) {
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else {
      char buf[12];
      std::snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(c));
      out += buf;
    }
  }
  return out;
}

std::string hex(COLORREF c) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "RGB(%u,%u,%u)", GetRValue(c), GetGValue(c), GetBValue(c));
  return buf;
}

Process::Process(Process&& other) noexcept : info_(other.info_) { other.info_ = {}; }

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    release();
    info_ = other.info_;
    other.info_ = {};
  }
  return *this;
}

Process::~Process() { release(); }

void Process::release() {
  if (info_.hProcess) {
    if (running()) TerminateProcess(info_.hProcess, 99);
    CloseHandle(info_.hProcess);
    CloseHandle(info_.hThread);
  }
  info_ = {};
}

bool Process::running() const { return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }

DWORD Process::waitExit(int ms) {
  if (WaitForSingleObject(info_.hProcess, static_cast<DWORD>(ms)) != WAIT_OBJECT_0) fail("program did not end in time");
  DWORD code = 0;
  GetExitCodeProcess(info_.hProcess, &code);
  return code;
}

// Wine now and then fails to set up a new process, once in some thousand
// starts, and the same program starts on the next try. A program that cannot
// run at all fails every try; the message gives the last error.
Process start(const std::string& commandLine, const std::string& application) {
  Process p;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  DWORD error = 0;
  for (int attempt = 0; attempt < 3; ++attempt) {
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (CreateProcessA(application.empty() ? nullptr : application.c_str(), line.data(), nullptr, nullptr, FALSE, 0,
                       nullptr, nullptr, &si, &p.info_))
      return p;
    error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_BAD_EXE_FORMAT) break;
  }
  fail("cannot start (error " + std::to_string(error) + "): " + commandLine);
  return p;
}

std::string quoted(const std::string& path) { return "\"" + path + "\""; }

bool waitFor(const std::function<bool()>& condition, int ms) {
  const DWORD until = GetTickCount() + static_cast<DWORD>(ms);
  while (true) {
    if (condition()) return true;
    if (static_cast<int>(until - GetTickCount()) <= 0) return false;
    Sleep(20);
  }
}

namespace {

struct FindState {
  DWORD pid;
  const char* className;
  HWND found;
};

BOOL CALLBACK findTopLevel(HWND window, LPARAM param) {
  auto* s = reinterpret_cast<FindState*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != s->pid || !IsWindowVisible(window)) return TRUE;
  char cls[64];
  GetClassNameA(window, cls, sizeof cls);
  if (std::string(cls) != s->className) return TRUE;
  s->found = window;
  return FALSE;
}

struct ChildState {
  HWND parent;
  const char* className;
  std::vector<HWND> found;
};

BOOL CALLBACK collectChild(HWND window, LPARAM param) {
  auto* s = reinterpret_cast<ChildState*>(param);
  if (s->parent && GetParent(window) != s->parent) return TRUE;
  char cls[64];
  GetClassNameA(window, cls, sizeof cls);
  if (lstrcmpiA(cls, s->className) == 0) s->found.push_back(window);
  return TRUE;
}

std::map<std::string, Scenario>& scenarios() {
  static std::map<std::string, Scenario> all;
  return all;
}

}  // namespace

HWND findWindow(DWORD pid, const char* className) {
  FindState s{pid, className, nullptr};
  EnumWindows(findTopLevel, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND waitWindow(DWORD pid, const char* className, int ms) {
  HWND found = nullptr;
  waitFor([&] { return (found = findWindow(pid, className)) != nullptr; }, ms);
  if (!found) fail(std::string("no window of class ") + className);
  return found;
}

HWND waitMessageBox(DWORD pid, int ms) { return waitWindow(pid, "#32770", ms); }

std::wstring windowText(HWND window) {
  wchar_t buf[1024];
  const int n = GetWindowTextW(window, buf, 1024);
  return std::wstring(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
}

std::wstring messageText(HWND box) {
  for (HWND s : children(box, "Static")) {
    std::wstring t = windowText(s);
    if (!t.empty()) return t;
  }
  return {};
}

void pressOk(HWND box) { PostMessageA(box, WM_COMMAND, IDOK, 0); }

std::vector<HWND> children(HWND parent, const char* className) {
  ChildState s{parent, className, {}};
  EnumChildWindows(parent, collectChild, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

std::vector<HWND> descendants(HWND parent, const char* className) {
  ChildState s{nullptr, className, {}};
  EnumChildWindows(parent, collectChild, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

RECT rectInParent(HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void click(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

COLORREF pixel(HWND window, int x, int y) {
  POINT p{x, y};
  ClientToScreen(window, &p);
  HDC screen = GetDC(nullptr);
  const COLORREF c = GetPixel(screen, p.x, p.y);
  ReleaseDC(nullptr, screen);
  return c;
}

bool waitPixel(HWND window, int x, int y, COLORREF color, int ms) {
  return waitFor([&] { return pixel(window, x, y) == color; }, ms);
}

std::vector<COLORREF> capture(HWND window, RECT area) {
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  const int w = area.right - area.left, h = area.bottom - area.top;
  std::vector<COLORREF> out;
  if (w <= 0 || h <= 0) return out;
  out.reserve(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, w, h, screen, origin.x + area.left, origin.y + area.top, SRCCOPY);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) out.push_back(GetPixel(mem, x, y));
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  return out;
}

int countPixels(HWND window, RECT area, COLORREF color) {
  int n = 0;
  for (COLORREF c : capture(window, area))
    if (c == color) ++n;
  return n;
}

void saveScreenshot(HWND window, const std::string& file) {
  RECT r;
  GetWindowRect(window, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, dib);
  BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  const DWORD row = static_cast<DWORD>((w * 3 + 3) & ~3);
  BITMAPFILEHEADER fh{};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
  fh.bfSize = fh.bfOffBits + row * static_cast<DWORD>(h);
  FILE* f = std::fopen(file.c_str(), "wb");
  if (f) {
    std::fwrite(&fh, sizeof fh, 1, f);
    std::fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, f);
    std::fwrite(bits, 1, row * static_cast<DWORD>(h), f);
    std::fclose(f);
  }
  SelectObject(mem, old);
  DeleteObject(dib);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
}

bool pageDrawn(HWND viewer) { return countPixels(viewer, RECT{30, 19, 510, 22}, kBlue) >= 480; }

void parkPointer() { SetCursorPos(1023, 767); }

std::string path(const Context& c, const std::string& name) { return c.workDir + "\\" + name; }

void writeFile(const std::string& file, const std::vector<std::uint8_t>& bytes) {
  FILE* f = std::fopen(file.c_str(), "wb");
  if (!f) fail("cannot write " + file);
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

std::string readFile(const std::string& file) {
  std::string out;
  FILE* f = std::fopen(file.c_str(), "rb");
  if (!f) return out;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  std::fclose(f);
  return out;
}

std::vector<std::uint8_t> measurementFile(const std::string& description) {
  std::vector<std::uint8_t> bytes;
  zel::kvd::ParseError error;
  if (!zel::kvd::buildFile(description, bytes, error)) fail("bad sample description: " + error.message);
  return bytes;
}

void registerScenario(const char* name, Scenario scenario) { scenarios()[name] = scenario; }

int runScenario(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: zeltest SCENARIO BIN_DIR WORK_DIR [ARGS...]\n");
    for (const auto& [name, fn] : scenarios()) std::fprintf(stderr, "  %s\n", name.c_str());
    return 2;
  }
  auto it = scenarios().find(argv[1]);
  if (it == scenarios().end()) {
    std::fprintf(stderr, "unknown scenario %s\n", argv[1]);
    return 2;
  }
  Context c{argv[2], argv[3]};
  for (std::size_t at = c.workDir.find('\\', 3); at != std::string::npos; at = c.workDir.find('\\', at + 1))
    CreateDirectoryA(c.workDir.substr(0, at).c_str(), nullptr);
  CreateDirectoryA(c.workDir.c_str(), nullptr);
  std::vector<std::string> args(argv + 4, argv + argc);
  parkPointer();
  try {
    it->second(c, args);
  } catch (const Failure& f) {
    std::fprintf(stderr, "FAILED: %s: %s\n", argv[1], f.message.c_str());
    return 1;
  }
  std::printf("PASSED: %s\n", argv[1]);
  return 0;
}

}  // namespace e2e

int main(int argc, char** argv) { return e2e::runScenario(argc, argv); }
