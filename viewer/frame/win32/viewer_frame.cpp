#include "viewer/frame/win32/viewer_frame.h"

#include <windows.h>

#include <string>

#include "common/win32/gdi_surface.h"
#include "common/win32/offscreen_panel.h"
#include "common/win32/ui.h"
#include "viewer/frame/viewer_argument.h"
#include "viewer/frame/win32/spectrum_window.h"

namespace zel::viewer::win32 {
namespace {

using zel::win32::GdiObjects;
using zel::win32::OffscreenPanel;

constexpr UINT_PTR kStartTimer = 10;

// The program's whole state, for the one window procedure of its class.
struct ViewerState {
  const ViewerProgram* program = nullptr;
  CommandLineArgument argument;
  MeasurementRecord record;
  bool timerStarted = false;
  // Until then the panel would show, and keep, an empty record.
  bool recordLoaded = false;
  HWND main = nullptr;
  HWND exitButton = nullptr;
  HWND lookButton = nullptr;
  OffscreenPanel page;
  GdiObjects objects;
  SpectrumWindow spectrum;
};

ViewerState g;

class FileRecordSource : public RecordSource {
 public:
  bool open(const std::string& path) override {
    file_ = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_ARCHIVE,
                        nullptr);
    return file_ != INVALID_HANDLE_VALUE;
  }
  std::uint64_t size() override {
    LARGE_INTEGER s;
    return GetFileSizeEx(file_, &s) ? static_cast<std::uint64_t>(s.QuadPart) : 0;
  }
  std::size_t readAt(std::uint64_t offset, std::uint8_t* out, std::size_t count) override {
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file_, at, nullptr, FILE_BEGIN)) return 0;
    std::size_t done = 0;
    while (done < count) {
      DWORD got = 0;
      if (!ReadFile(file_, out + done, static_cast<DWORD>(count - done), &got, nullptr) || got == 0) break;
      done += got;
    }
    return done;
  }
  void close() override {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE file_ = INVALID_HANDLE_VALUE;
};

void loadAndDraw() {
  KillTimer(g.main, kStartTimer);
  FileRecordSource source;
  const LoadResult result = loadRecord(g.argument, source, g.record);
  g.argument.given = false;
  if (result.status != LoadStatus::Ok) {
    if (result.status == LoadStatus::NoFile) {
      // The path came from the command line, in the system's code page.
      zel::win32::showMessage(g.main, kNoFileMessage, g.program->name, result.path);
    } else {
      zel::win32::showMessage(g.main, loadMessage(result), g.program->name);
    }
    PostQuitMessage(0);
    return;
  }
  PAINTSTRUCT ps;
  HDC dc = g.page.begin(ps);
  zel::win32::GdiSurface surface(dc, g.objects);
  g.program->drawResultPage(surface, g.record);
  g.page.end(ps);
  g.page.invalidate();
  g.recordLoaded = true;
}

void openSpectrum() {
  if (g.recordLoaded) g.spectrum.open(g.main);
}

void paintAll() {
  for (HWND button : {g.exitButton, g.lookButton}) {
    if (!button) continue;
    ShowWindow(button, SW_SHOWNORMAL);
    UpdateWindow(button);
  }
  g.page.paint();
  g.spectrum.paint();
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (message != WM_PAINT && g.spectrum.handleMessage(window, message, wParam, lParam, result)) return result;
  switch (message) {
    case WM_CREATE:
      if (!g.timerStarted) {
        g.timerStarted = true;
        SetTimer(window, kStartTimer, 100, nullptr);
      }
      break;
    case WM_TIMER:
      if (window == g.main && wParam == kStartTimer) {
        loadAndDraw();
        return 0;
      }
      break;
    case WM_PAINT:
      paintAll();
      break;
    case WM_COMMAND:
      if (reinterpret_cast<HWND>(lParam) == g.exitButton && g.exitButton) {
        PostQuitMessage(0);
        return 0;
      }
      if (reinterpret_cast<HWND>(lParam) == g.lookButton && g.lookButton) {
        openSpectrum();
        return 0;
      }
      break;
    case WM_LBUTTONDOWN:
      if (window == g.main) {
        openSpectrum();
        return 0;
      }
      break;
    case WM_DESTROY:
      if (window == g.main) {
        PostQuitMessage(0);
        return 0;
      }
      break;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int runViewer(const ViewerProgram& program) {
  g.program = &program;
  g.argument = argumentFromCommandLine(GetCommandLineA());
  HINSTANCE instance = GetModuleHandleA(nullptr);
  zel::win32::createViewerObjects(g.objects, program.spectrum == SpectrumVariant::ThreeBoundary, program.largeFont);
  g.spectrum.init(program, g.record, g.objects);

  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.style = 0;
  wc.lpfnWndProc = windowProc;
  wc.hInstance = instance;
  wc.hIcon = program.classIcon ? LoadIconA(instance, "ICON_BIG") : nullptr;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = "SimpleWinClass";
  RegisterClassExA(&wc);

  g.main = CreateWindowExA(WS_EX_CLIENTEDGE, "SimpleWinClass", program.name,
                           WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE | WS_CLIPCHILDREN | WS_SYSMENU, 200, 100,
                           kMainWindowWidth, kMainWindowHeight, nullptr, nullptr, instance, nullptr);

  zel::win32::createViewerBrushes(g.objects);
  g.page.create(g.main, g.objects.brush(BrushRole::Page), zel::win32::colorRef(kPageColor),
                g.objects.font(FontRole::Normal));
  g.exitButton = zel::win32::createIconButton(g.main, 540, 20, 64, 40, "ICON_KNOP_EXIT", 32);
  g.lookButton = zel::win32::createIconButton(g.main, 540, 80, 64, 40, "ICON_KNOP_LOOK", 32);

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace zel::viewer::win32
