// ZelViewer, the record browser: one main window with three off-screen
// panels (header, column headings, list) and three icon buttons. Every
// decision is the core's (browser/browser.h); this file turns window
// messages into its calls and carries out what they return.
#include <windows.h>
#include <windowsx.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "browser/browser.h"
#include "browser/win32/file_io.h"
#include "common/win32/gdi_objects.h"
#include "common/win32/gdi_surface.h"
#include "common/win32/offscreen_panel.h"
#include "common/win32/ui.h"

namespace {

using zel::browser::Browser;
using zel::browser::ListUpdate;
using zel::browser::MessageText;
using zel::win32::GdiObjects;
using zel::win32::OffscreenPanel;

constexpr char kClassName[] = "SimpleWinClass";
constexpr DWORD kMainStyle = WS_VISIBLE | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

struct BrowserState {
  std::optional<Browser> browser;
  HWND main = nullptr;
  OffscreenPanel header;
  OffscreenPanel columns;
  OffscreenPanel list;
  HWND exitButton = nullptr;
  HWND lookButton = nullptr;
  HWND excelButton = nullptr;
  GdiObjects objects;
  // The open-file dialog's buffer: it starts with the name last chosen, so
  // the dialog opens in that file's folder.
  char dialogName[zel::browser::kOpenDialogBuffer] = {};
};

BrowserState g;

const std::string kTitle(zel::browser::kWindowTitle);

void show(HWND owner, const MessageText& message) {
  zel::win32::showMessage(owner, message.text, kTitle, message.fileName);
}

void rememberDialogName(const std::string& name) {
  if (name.size() < sizeof g.dialogName) {
    std::memcpy(g.dialogName, name.data(), name.size());
    g.dialogName[name.size()] = '\0';
  }
}

template <typename Draw>
void drawInto(OffscreenPanel& panel, Draw draw) {
  PAINTSTRUCT ps;
  HDC dc = panel.begin(ps);
  zel::win32::GdiSurface surface(dc, g.objects);
  draw(surface);
  panel.end(ps);
}

void setScrollPosition(std::uint32_t position) {
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_POS;
  si.nPos = static_cast<int>(position);
  SetScrollInfo(g.list.window, SB_VERT, &si, TRUE);
}

void redrawList() {
  drawInto(g.list, [](zel::Surface& s) { g.browser->drawList(s); });
  setScrollPosition(g.browser->list().topRow());
  g.list.invalidate();
}

void apply(const ListUpdate& update) {
  if (update.redraw) redrawList();
  switch (update.capture) {
    case ListUpdate::Capture::Set: SetCapture(g.list.window); break;
    case ListUpdate::Capture::Release:
      // Releasing sends WM_CAPTURECHANGED, which ends marking a second time:
      // the core answers that with nothing.
      if (GetCapture() == g.list.window) ReleaseCapture();
      break;
    case ListUpdate::Capture::Keep: break;
  }
}

void load(HWND owner, const std::string& name) {
  zel::browser::win32::HandleFileSource file;
  const zel::browser::LoadResult result = g.browser->load(name, file);
  if (result.showExportButton) ShowWindow(g.excelButton, SW_SHOWNORMAL);
  if (result.outcome == zel::browser::LoadOutcome::Loaded) {
    rememberDialogName(name);
    drawInto(g.header, [](zel::Surface& s) { g.browser->drawHeader(s); });
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_POS;
    si.nMin = 0;
    si.nMax = static_cast<int>(g.browser->list().scrollMaximum());
    si.nPos = 0;
    SetScrollInfo(g.list.window, SB_VERT, &si, TRUE);
    drawInto(g.list, [](zel::Surface& s) { g.browser->drawList(s); });
    for (OffscreenPanel* panel : {&g.header, &g.columns, &g.list}) {
      ShowWindow(panel->window, SW_SHOWNORMAL);
      panel->invalidate();
    }
  }
  if (!result.message.empty()) show(owner, result.message);
  if (result.quit) PostQuitMessage(0);
}

void look(HWND owner) {
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  // Owned by the browser, so the dialog is modal: a second LOOK cannot open
  // another dialog on the same buffer.
  ofn.hwndOwner = g.main;
  ofn.lpstrFilter = zel::browser::kOpenFilter;
  ofn.nFilterIndex = zel::browser::kOpenFilterIndex;
  ofn.lpstrFile = g.dialogName;
  ofn.nMaxFile = sizeof g.dialogName;
  ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT;
  if (!GetOpenFileNameA(&ofn)) return;
  g.dialogName[sizeof g.dialogName - 1] = '\0';
  load(owner, std::string(g.dialogName));
}

void exportList(HWND owner) {
  const zel::browser::ExportRequest request = g.browser->exportRequest();
  if (!request.message.empty()) {
    show(owner, request.message);
    return;
  }
  zel::browser::win32::HandleByteSink sink;
  bool written = sink.create(request.fileName.c_str()) && g.browser->writeExport(sink);
  written = sink.close() && written;
  if (!written) {
    show(owner, zel::browser::exportFailedMessage(request.fileName));
    return;
  }
  ShellExecuteA(nullptr, nullptr, request.fileName.c_str(), nullptr, nullptr, SW_HIDE);
}

void openRecord(int x, int y) {
  const std::optional<zel::browser::ViewerLaunch> launch = g.browser->leftButtonDown(x, y);
  if (!launch) return;
  // A mode without a viewer program starts nothing, and says nothing.
  ShellExecuteA(nullptr, "open", launch->programPath.c_str(), launch->parameters.c_str(), nullptr, SW_SHOWNORMAL);
}

void paint(HWND window) {
  if (window == g.main) {
    if (std::optional<std::string> given = g.browser->takeGivenFile()) {
      // The window stays invalid: the next paint shows what the load drew.
      load(g.main, *given);
      return;
    }
  }
  for (OffscreenPanel* panel : {&g.header, &g.columns, &g.list}) {
    if (panel->window == window) panel->paint();
  }
}

// Returns true when the message was handled and `result` holds the answer.
bool handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  result = 0;
  const bool onList = window == g.list.window;
  switch (message) {
    case WM_DESTROY:
      if (window != g.main) return false;
      PostQuitMessage(0);
      return true;
    case WM_COMMAND: {
      const HWND control = reinterpret_cast<HWND>(lParam);
      if (!control) return false;
      if (control == g.exitButton) {
        PostQuitMessage(0);
      } else if (control == g.lookButton) {
        look(window);
      } else if (control == g.excelButton) {
        exportList(window);
      } else {
        return false;
      }
      return true;
    }
    case WM_PAINT:
      paint(window);
      // DefWindowProcA validates what the copy covered, or for the main
      // window the button-face background between the panels.
      return false;
    case WM_VSCROLL: {
      const unsigned request = LOWORD(wParam) & 0xFF;
      std::uint32_t track = 0;
      if (request == zel::browser::kThumbTrack) {
        // The 16 bits of wParam would wrap past 65,535 records.
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_TRACKPOS;
        if (GetScrollInfo(g.list.window, SB_VERT, &si)) track = static_cast<std::uint32_t>(si.nTrackPos);
      }
      apply(g.browser->scroll(request, track));
      return true;
    }
    case WM_MOUSEWHEEL:
      apply(g.browser->wheel(GET_WHEEL_DELTA_WPARAM(wParam)));
      return true;
    case WM_MOUSEMOVE:
      if (!onList) return false;
      apply(g.browser->mouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)));
      return true;
    case WM_RBUTTONDOWN:
      if (!onList) return false;
      apply(g.browser->rightButtonDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)));
      return true;
    case WM_RBUTTONUP:
    case WM_CAPTURECHANGED:
      if (!onList) return false;
      apply(g.browser->rightButtonUp());
      return true;
    case WM_LBUTTONDOWN:
      if (!onList) return false;
      openRecord(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return true;
    default:
      return false;
  }
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // Messages of the windows' own creation arrive before the browser exists.
  if (g.browser) {
    try {
      LRESULT result = 0;
      if (handle(window, message, wParam, lParam, result)) return result;
    } catch (...) {
      // Out of memory in the middle of an action: the action is dropped and
      // the browser keeps what it showed before.
      if (message == WM_PAINT) return DefWindowProcA(window, message, wParam, lParam);
      return 0;
    }
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND createPanel(HINSTANCE instance, DWORD style, int x, int y, int width, int height) {
  return CreateWindowExA(WS_EX_CLIENTEDGE, kClassName, nullptr, WS_CHILD | style, x, y, width, height, g.main, nullptr,
                         instance, nullptr);
}

std::string moduleFileName() {
  std::vector<char> buffer(MAX_PATH);
  while (true) {
    const DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return std::string(buffer.data(), n);
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

int run() {
  zel::browser::BrowserCommandLine commandLine =
      zel::browser::parseCommandLine(GetCommandLineA(), moduleFileName());
  if (commandLine.fileGiven) rememberDialogName(commandLine.fileName);
  HINSTANCE instance = GetModuleHandleA(nullptr);

  g.objects.brushes[static_cast<int>(zel::BrushRole::Browser)] =
      CreateSolidBrush(zel::win32::colorRef(zel::browser::kBrowserBackground));
  g.objects.fonts[static_cast<int>(zel::FontRole::Browser)] = zel::win32::createArial(14, 5);
  const HBRUSH background = g.objects.brush(zel::BrushRole::Browser);
  const COLORREF backgroundColor = zel::win32::colorRef(zel::browser::kBrowserBackground);
  const HFONT font = g.objects.font(zel::FontRole::Browser);

  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  wc.lpfnWndProc = windowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, "ICON_BIG");
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  RegisterClassExA(&wc);

  g.main = CreateWindowExA(0, kClassName, kTitle.c_str(), kMainStyle, CW_USEDEFAULT, CW_USEDEFAULT, 720, 500, nullptr,
                           nullptr, instance, nullptr);

  g.list.create(createPanel(instance, WS_VSCROLL, 6, 114, 528, 344), background, backgroundColor, font);
  SetScrollRange(g.list.window, SB_VERT, 0, 0, TRUE);
  g.header.create(createPanel(instance, 0, 6, 6, 528, 76), background, backgroundColor, font);
  drawInto(g.header, [](zel::Surface& s) { zel::browser::drawHeaderLabels(s, g.header.width, g.header.height); });
  g.exitButton = zel::win32::createIconButton(g.main, 634, 20, 64, 40, "ICON_KNOP_EXIT", 32);
  g.lookButton = zel::win32::createIconButton(g.main, 560, 20, 64, 40, "ICON_KNOP_LOOK", 32);
  g.excelButton = zel::win32::createIconButton(g.main, 634, 84, 64, 40, "ICON_KNOP_EXCEL", 32, /*visible=*/false);
  g.columns.create(createPanel(instance, 0, 6, 88, 528, 26), background, backgroundColor, font);
  drawInto(g.columns,
           [](zel::Surface& s) { zel::browser::drawColumnHeadings(s, g.columns.width, g.columns.height); });

  g.browser.emplace(std::move(commandLine), g.list.width, g.list.height);

  MSG msg{};
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  try {
    return run();
  } catch (...) {
    return 1;
  }
}
