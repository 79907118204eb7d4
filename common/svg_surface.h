// A Surface that writes an SVG picture of what the GDI surface would put into
// a panel bitmap: the same texts at the same character cells, the program's
// fonts, pens and brushes, and the opaque text cells that cover whatever lies
// beneath them.
#pragma once

#include <string>

#include "common/surface.h"

namespace zel {

// The GDI objects a program creates: a role it did not create leaves the one
// in use, as SelectObject is never called for it.
struct SvgObjects {
  bool redBoundaryPen = true;  // the three-boundary spectrum programs only
  bool largeFont = true;
};

struct FontMetrics {
  int height;     // the cell height, as the logical font asks for it
  int cellWidth;  // the average character width, every character's cell
};

// Arial with the heights and widths the programs create.
FontMetrics fontMetrics(FontRole font);

class SvgSurface : public Surface {
 public:
  // The panel as the frame hands it over: normal font, black on the page
  // colour, the device context's default pen (solid black, 1 pixel).
  SvgSurface(int width, int height, SvgObjects objects = {});

  void selectFont(FontRole font) override;
  void selectPen(PenRole pen) override;
  void setTextColor(Color color) override { text_ = color; }
  void setBkColor(Color color) override { bk_ = color; }
  void textOut(int x, int y, const char* text, int count) override;
  void moveTo(int x, int y) override { position_ = {x, y}; }
  void lineTo(int x, int y) override;
  void polyline(const Point* points, int count) override;
  void fillRect(int left, int top, int right, int bottom, BrushRole brush) override;

  // The picture as an <svg> element, for embedding in a page.
  std::string element() const;
  // The picture as a stand-alone SVG file.
  std::string document() const;

 private:
  void stroke(const Point* points, int count);

  int width_;
  int height_;
  SvgObjects objects_;
  FontRole font_ = FontRole::Normal;
  PenRole pen_ = PenRole::None;
  Color text_ = kBlack;
  Color bk_ = kPageColor;
  Point position_{0, 0};
  std::string body_;
};

// The UTF-8 form of Windows-1251 bytes with the XML specials escaped. Bytes
// that XML cannot carry (control characters) become U+FFFD, one character
// each, so that the characters after them keep their cells.
void appendXmlText(std::string& out, const char* text, int count);

}  // namespace zel
