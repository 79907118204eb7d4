// Surface onto a memory device context: every call is exactly one GDI call.
#pragma once

#include <windows.h>

#include "common/surface.h"
#include "common/win32/gdi_objects.h"

namespace zel::win32 {

class GdiSurface : public Surface {
 public:
  GdiSurface(HDC dc, const GdiObjects& objects) : dc_(dc), objects_(objects) {}

  void selectFont(FontRole font) override;
  void selectPen(PenRole pen) override;
  void setTextColor(Color color) override { SetTextColor(dc_, colorRef(color)); }
  void setBkColor(Color color) override { SetBkColor(dc_, colorRef(color)); }
  void textOut(int x, int y, const char* text, int count) override { TextOutA(dc_, x, y, text, count); }
  void moveTo(int x, int y) override { MoveToEx(dc_, x, y, nullptr); }
  void lineTo(int x, int y) override { LineTo(dc_, x, y); }
  void polyline(const Point* points, int count) override;
  void fillRect(int left, int top, int right, int bottom, BrushRole brush) override;

 private:
  HDC dc_;
  const GdiObjects& objects_;
};

}  // namespace zel::win32
