#include "viewer/frame/win32/spectrum_window.h"

#include <windowsx.h>

#include "common/win32/gdi_surface.h"
#include "common/win32/ui.h"

namespace zel::viewer::win32 {

using zel::win32::GdiSurface;

void SpectrumWindow::init(const ViewerProgram& program, const MeasurementRecord& record,
                          const zel::win32::GdiObjects& objects) {
  record_ = &record;
  objects_ = &objects;
  model_ = SpectrumPanel(program.modeCode);
}

void SpectrumWindow::open(HWND owner) {
  if (isOpen() || !record_) return;
  const PanelRequest request = model_.open(*record_);
  char title[SpectrumPanel::kTitleBuffer];
  model_.titleText(title);
  HINSTANCE instance = GetModuleHandleA(nullptr);
  HWND window = CreateWindowExA(WS_EX_CLIENTEDGE, "SimpleWinClass", title, WS_CLIPSIBLINGS | WS_CAPTION | WS_SYSMENU,
                                2, 100, SpectrumPanel::kWindowWidth, SpectrumPanel::kWindowHeight, owner, nullptr,
                                instance, nullptr);
  if (!window) {
    model_.close();
    return;
  }
  owner_ = owner;
  downButton_ = zel::win32::createIconButton(window, 712, 316, 44, 24, "ICON_KNOP_DOWN", 16);
  upButton_ = zel::win32::createIconButton(window, 712, 293, 44, 24, "ICON_KNOP_UP", 16);
  panel_.create(window, objects_->brush(BrushRole::Page), zel::win32::colorRef(kPageColor),
                objects_->font(FontRole::Normal));
  RECT client;
  GetClientRect(window, &client);
  model_.setClientSize(client.right, client.bottom);
  follow(request);
}

bool SpectrumWindow::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  const bool panel = isOpen() && window == panel_.window;
  // A press elsewhere is answered by a release on the panel: the click on the
  // page opens the panel under the pointer, and its release lands there.
  if (message == WM_LBUTTONDOWN && !panel) model_.noteButtonPress();
  if (!isOpen()) return false;
  // After a click on the page the arrows still step the read-out.
  const bool keyForPanel = message == WM_KEYDOWN && window == owner_;
  if (!panel && !keyForPanel) return false;
  if (!handlePanelMessage(message, wParam, lParam)) return false;
  result = 0;
  return true;
}

bool SpectrumWindow::handlePanelMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_MOUSEMOVE: {
      const PanelRequest request =
          model_.mouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), static_cast<unsigned>(wParam));
      if (!model_.dragging()) releasePointer();
      follow(request);
      return true;
    }
    case WM_LBUTTONDOWN:
      follow(model_.leftButtonDown());
      // A release outside the panel must still end the drag.
      if (model_.dragging()) SetCapture(panel_.window);
      return true;
    case WM_LBUTTONUP: {
      const PanelRequest request = model_.leftButtonUp();
      releasePointer();
      follow(request);
      return true;
    }
    case WM_CAPTURECHANGED:
      if (model_.dragging()) model_.endDrag();
      return true;
    case WM_KEYDOWN:
      if (wParam == VK_LEFT) follow(model_.keyDown(Key::Left));
      if (wParam == VK_RIGHT) follow(model_.keyDown(Key::Right));
      return true;
    case WM_COMMAND: {
      const HWND from = reinterpret_cast<HWND>(lParam);
      if (!from || (from != downButton_ && from != upButton_)) return false;
      follow(from == downButton_ ? model_.zoomDown() : model_.zoomUp());
      return true;
    }
    case WM_DESTROY:
      destroyed();
      return true;
    default:
      return false;
  }
}

void SpectrumWindow::follow(PanelRequest request) {
  if (!request.redraw || !isOpen()) return;
  PAINTSTRUCT ps;
  GdiSurface surface(panel_.begin(ps), *objects_);
  model_.draw(surface);
  panel_.end(ps);
  if (request.readOut) showReadOut();
  panel_.invalidate();
  ShowWindow(panel_.window, SW_SHOWNORMAL);
  SetFocus(panel_.window);
}

void SpectrumWindow::showReadOut() {
  const ReadOutPlacement at = model_.readOutPlacement(readOut_.window != nullptr);
  if (!readOut_.window) {
    readOut_.window = CreateWindowExA(0, "SimpleWinClass", nullptr, WS_CHILD | WS_VISIBLE, at.left, at.top, at.width,
                                      at.height, panel_.window, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!readOut_.window) return;
  } else {
    MoveWindow(readOut_.window, at.left, at.top, at.width, at.height, FALSE);
  }
  PAINTSTRUCT ps;
  GdiSurface surface(readOut_.beginResized(ps), *objects_);
  model_.drawReadOut(surface);
  readOut_.end(ps);
  readOut_.invalidate();
}

void SpectrumWindow::paint() {
  panel_.paint();
  readOut_.paint();
}

void SpectrumWindow::releasePointer() {
  if (isOpen() && GetCapture() == panel_.window) ReleaseCapture();
}

void SpectrumWindow::destroyed() {
  releasePointer();
  if (readOut_.window) {
    const HWND readOut = readOut_.window;
    readOut_.destroy();
    readOut_ = {};
    DestroyWindow(readOut);
  }
  panel_.destroy();
  panel_ = {};
  downButton_ = upButton_ = nullptr;
  model_.close();
}

}  // namespace zel::viewer::win32
