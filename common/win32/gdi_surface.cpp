#include "common/win32/gdi_surface.h"

namespace zel::win32 {

void GdiSurface::selectFont(FontRole font) {
  // A font the program did not create leaves the one in use.
  if (HFONT f = objects_.font(font)) SelectObject(dc_, f);
}

void GdiSurface::selectPen(PenRole pen) {
  if (HPEN p = objects_.pen(pen)) SelectObject(dc_, p);
}

void GdiSurface::polyline(const Point* points, int count) {
  POINT buffer[16];
  if (count <= 0 || count > 16) return;  // the screens draw frames of five points
  for (int i = 0; i < count; ++i) buffer[i] = POINT{points[i].x, points[i].y};
  Polyline(dc_, buffer, count);
}

void GdiSurface::fillRect(int left, int top, int right, int bottom, BrushRole brush) {
  RECT r{left, top, right, bottom};
  FillRect(dc_, &r, objects_.brush(brush));
}

}  // namespace zel::win32
