#include "common/win32/offscreen_panel.h"

namespace zel::win32 {

void OffscreenPanel::create(HWND w, HBRUSH brush, COLORREF background, HFONT font) {
  window = w;
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  memory = CreateCompatibleDC(dc);
  selectNewBitmap(dc);
  RECT all{0, 0, width, height};
  FillRect(memory, &all, brush);
  SetTextColor(memory, RGB(0, 0, 0));
  SetBkColor(memory, background);
  if (font) SelectObject(memory, font);
  SelectObject(memory, kept);
  EndPaint(window, &ps);
}

HDC OffscreenPanel::begin(PAINTSTRUCT& ps) {
  BeginPaint(window, &ps);
  kept = SelectObject(memory, bitmap);
  return memory;
}

HDC OffscreenPanel::beginResized(PAINTSTRUCT& ps) {
  HDC dc = BeginPaint(window, &ps);
  if (!memory) memory = CreateCompatibleDC(dc);
  if (bitmap) DeleteObject(bitmap);
  selectNewBitmap(dc);
  return memory;
}

void OffscreenPanel::selectNewBitmap(HDC dc) {
  RECT r;
  GetClientRect(window, &r);
  width = r.right - r.left;
  height = r.bottom - r.top;
  bitmap = CreateCompatibleBitmap(dc, width, height);
  kept = SelectObject(memory, bitmap);
}

void OffscreenPanel::end(PAINTSTRUCT& ps) {
  SelectObject(memory, kept);
  EndPaint(window, &ps);
}

void OffscreenPanel::paint() {
  if (!memory) return;
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  HGDIOBJ old = SelectObject(memory, bitmap);
  const RECT& r = ps.rcPaint;
  BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, memory, r.left, r.top, SRCCOPY);
  SelectObject(memory, old);
  EndPaint(window, &ps);
}

void OffscreenPanel::destroy() {
  if (bitmap) DeleteObject(bitmap);
  if (memory) DeleteDC(memory);
  bitmap = nullptr;
  memory = nullptr;
  kept = nullptr;
}

}  // namespace zel::win32
