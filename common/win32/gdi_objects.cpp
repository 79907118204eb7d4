#include "common/win32/gdi_objects.h"

#include <cstring>

namespace zel::win32 {

HFONT createArial(int height, int width) {
  LOGFONTA lf;
  std::memset(&lf, 0, sizeof lf);
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfWeight = 400;
  lf.lfCharSet = 204;  // Cyrillic: the Russian texts are Windows-1251
  lf.lfQuality = 2;    // proof quality
  std::strcpy(lf.lfFaceName, "Arial");
  return CreateFontIndirectA(&lf);
}

void createViewerObjects(GdiObjects& o, bool redPen, bool largeFont) {
  auto make = [&](PenRole role, int style, int width, COLORREF color) {
    o.pens[static_cast<int>(role)] = CreatePen(style, width, color);
  };
  make(PenRole::Frame, PS_SOLID, 2, RGB(0, 0, 255));
  make(PenRole::GreenBoundary, PS_DOT, 0, RGB(0, 255, 34));
  if (redPen) make(PenRole::RedBoundary, PS_DOT, 0, RGB(255, 0, 0));
  make(PenRole::OrangeBoundary, PS_DOT, 0, RGB(255, 170, 0));
  make(PenRole::Separator, PS_SOLID, 2, RGB(255, 170, 0));
  make(PenRole::Cursor, PS_DOT, 0, RGB(255, 0, 255));
  make(PenRole::DottedBlack, PS_DOT, 0, RGB(0, 0, 0));
  make(PenRole::ThinBlack, PS_SOLID, 1, RGB(0, 0, 0));
  make(PenRole::Axis, PS_SOLID, 2, RGB(0, 0, 0));
  make(PenRole::DashedBlack, PS_DASH, 0, RGB(0, 0, 0));
  o.fonts[static_cast<int>(FontRole::Normal)] = createArial(18, 9);
  if (largeFont) o.fonts[static_cast<int>(FontRole::Large)] = createArial(44, 22);
  o.fonts[static_cast<int>(FontRole::Small)] = createArial(14, 6);
}

void createViewerBrushes(GdiObjects& o) {
  o.brushes[static_cast<int>(BrushRole::Page)] = CreateSolidBrush(colorRef(kPageColor));
  o.brushes[static_cast<int>(BrushRole::ReadOut)] = CreateSolidBrush(colorRef(kReadOutColor));
}

}  // namespace zel::win32
