// A window that draws only into its own bitmap; a paint copies the bitmap.
#pragma once

#include <windows.h>

namespace zel::win32 {

struct OffscreenPanel {
  HWND window = nullptr;
  HDC memory = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ kept = nullptr;
  int width = 0;
  int height = 0;

  // Memory context and a bitmap of the client size, filled with the
  // background; black text on `background` colour, `font` selected.
  void create(HWND w, HBRUSH brush, COLORREF background, HFONT font);
  // Begins a paint on the window and selects the bitmap for drawing.
  HDC begin(PAINTSTRUCT& ps);
  // Deselects the bitmap and ends the paint.
  void end(PAINTSTRUCT& ps);
  void invalidate() const { InvalidateRect(window, nullptr, FALSE); }
  // WM_PAINT: copies the invalid rectangle from the bitmap.
  void paint();
  void destroy();
  bool exists() const { return memory != nullptr; }
};

}  // namespace zel::win32
