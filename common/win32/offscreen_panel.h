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
  // For a window whose size changes between drawings: begins a paint and
  // selects a new bitmap of the current client size in place of the old one
  // (the memory context is made on first use). The new bitmap is not filled.
  HDC beginResized(PAINTSTRUCT& ps);
  // Deselects the bitmap and ends the paint.
  void end(PAINTSTRUCT& ps);
  void invalidate() const { InvalidateRect(window, nullptr, FALSE); }
  // WM_PAINT: copies the invalid rectangle from the bitmap.
  void paint();
  // Deletes the bitmap and the memory context; the window is the caller's.
  void destroy();
  bool exists() const { return memory != nullptr; }

 private:
  // A bitmap of the window's client size, selected into the memory context.
  void selectNewBitmap(HDC dc);
};

}  // namespace zel::win32
