#include "common/svg_surface.h"

#include <cstdio>

#include "common/cp1251.h"

namespace zel {
namespace {

// Arial's ascent and descent in font units (of 2048 to the em). GDI takes a
// positive height as the whole cell, ascent plus descent; SVG sizes the em.
constexpr double kArialEm = 2048.0;
constexpr double kArialAscent = 1854.0;
constexpr double kArialCell = 1854.0 + 434.0;

enum class Dash { Solid, Dot, Dash };

struct PenStyle {
  Color color;
  int width;
  Dash dash;
};

// The pens as the programs create them; PS_DOT and PS_DASH with width 0 are
// one-pixel cosmetic pens with GDI's 3/3 and 18/6 patterns.
PenStyle penStyle(PenRole pen) {
  switch (pen) {
    case PenRole::None: return {kBlack, 1, Dash::Solid};  // the device context's own
    case PenRole::Frame: return {kBlue, 2, Dash::Solid};
    case PenRole::GreenBoundary: return {rgb(0, 255, 34), 1, Dash::Dot};
    case PenRole::RedBoundary: return {rgb(255, 0, 0), 1, Dash::Dot};
    case PenRole::OrangeBoundary: return {rgb(255, 170, 0), 1, Dash::Dot};
    case PenRole::Separator: return {rgb(255, 170, 0), 2, Dash::Solid};
    case PenRole::Cursor: return {rgb(255, 0, 255), 1, Dash::Dot};
    case PenRole::DottedBlack: return {kBlack, 1, Dash::Dot};
    case PenRole::ThinBlack: return {kBlack, 1, Dash::Solid};
    case PenRole::Axis: return {kBlack, 2, Dash::Solid};
    case PenRole::DashedBlack: return {kBlack, 1, Dash::Dash};
  }
  return {kBlack, 1, Dash::Solid};
}

Color brushColor(BrushRole brush) {
  switch (brush) {
    case BrushRole::Page: return kPageColor;
    case BrushRole::ReadOut: return kReadOutColor;
    case BrushRole::Browser: return rgb(255, 252, 252);
  }
  return kPageColor;
}

void appendColor(std::string& out, Color c) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
  out += buf;
}

void appendNumber(std::string& out, double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  std::string s = buf;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  out += s;
}

void appendInt(std::string& out, long long v) { out += std::to_string(v); }

void appendRect(std::string& out, long long x, long long y, long long width, long long height, Color fill) {
  out += "<rect x=\"";
  appendInt(out, x);
  out += "\" y=\"";
  appendInt(out, y);
  out += "\" width=\"";
  appendInt(out, width);
  out += "\" height=\"";
  appendInt(out, height);
  out += "\" fill=\"";
  appendColor(out, fill);
  out += "\"/>";
}

}  // namespace

FontMetrics fontMetrics(FontRole font) {
  switch (font) {
    case FontRole::Small: return {14, 6};
    case FontRole::Large: return {44, 22};
    case FontRole::Browser: return {14, 5};
    case FontRole::None:
    case FontRole::Normal: return {18, 9};
  }
  return {18, 9};
}

void appendXmlText(std::string& out, const char* text, int count) {
  if (count <= 0) return;
  const std::u16string wide = cp1251ToUtf16(std::string_view(text, static_cast<std::size_t>(count)));
  for (char16_t c : wide) {
    switch (c) {
      case u'&': out += "&amp;"; break;
      case u'<': out += "&lt;"; break;
      case u'>': out += "&gt;"; break;
      case u'"': out += "&quot;"; break;
      case u'\'': out += "&apos;"; break;
      default:
        appendUtf8(out, (c < 0x20 || c == 0x7F) ? char32_t{0xFFFD} : char32_t{c});
        break;
    }
  }
}

SvgSurface::SvgSurface(int width, int height, SvgObjects objects)
    : width_(width > 0 ? width : 1), height_(height > 0 ? height : 1), objects_(objects) {}

void SvgSurface::selectFont(FontRole font) {
  if (font == FontRole::None || (font == FontRole::Large && !objects_.largeFont)) return;
  font_ = font;
}

void SvgSurface::selectPen(PenRole pen) {
  if (pen == PenRole::None || (pen == PenRole::RedBoundary && !objects_.redBoundaryPen)) return;
  pen_ = pen;
}

// GDI stretches Arial to the average width the program asks for, so a run
// of n characters fills about n cells. Each run is held to exactly its n
// cells: the numbers that the pages place by character counts end where the
// program put them, whichever sans-serif stands in for Arial in the reader's
// browser, while the glyphs inside a run keep their own proportions.
void SvgSurface::textOut(int x, int y, const char* text, int count) {
  if (count <= 0 || text == nullptr) return;
  const FontMetrics m = fontMetrics(font_);
  const long long width = static_cast<long long>(count) * m.cellWidth;
  appendRect(body_, x, y, width, m.height, bk_);
  body_ += "<text xml:space=\"preserve\" x=\"";
  appendInt(body_, x);
  body_ += "\" textLength=\"";
  appendInt(body_, width);
  body_ += "\" lengthAdjust=\"spacingAndGlyphs";
  body_ += "\" y=\"";
  appendNumber(body_, y + m.height * kArialAscent / kArialCell);
  body_ += "\" font-size=\"";
  appendNumber(body_, m.height * kArialEm / kArialCell);
  body_ += "\" fill=\"";
  appendColor(body_, text_);
  body_ += "\">";
  appendXmlText(body_, text, count);
  body_ += "</text>\n";
}

void SvgSurface::lineTo(int x, int y) {
  const Point points[] = {position_, {x, y}};
  stroke(points, 2);
  position_ = {x, y};
}

void SvgSurface::polyline(const Point* points, int count) {
  if (points == nullptr || count < 2) return;
  stroke(points, count);
}

// A one-pixel GDI line lights the pixels whose top-left corners it passes, so
// the SVG line runs through their centres.
void SvgSurface::stroke(const Point* points, int count) {
  const PenStyle p = penStyle(pen_);
  const double shift = p.width % 2 ? 0.5 : 0.0;
  body_ += "<polyline points=\"";
  for (int i = 0; i < count; ++i) {
    if (i) body_ += ' ';
    appendNumber(body_, points[i].x + shift);
    body_ += ',';
    appendNumber(body_, points[i].y + shift);
  }
  body_ += "\" fill=\"none\" stroke=\"";
  appendColor(body_, p.color);
  body_ += "\" stroke-width=\"";
  appendInt(body_, p.width);
  body_ += '"';
  if (p.dash == Dash::Dot) body_ += " stroke-dasharray=\"3 3\"";
  if (p.dash == Dash::Dash) body_ += " stroke-dasharray=\"18 6\"";
  body_ += "/>\n";
}

void SvgSurface::fillRect(int left, int top, int right, int bottom, BrushRole brush) {
  if (right <= left || bottom <= top) return;  // FillRect draws nothing for an empty rectangle
  appendRect(body_, left, top, static_cast<long long>(right) - left, static_cast<long long>(bottom) - top,
             brushColor(brush));
  body_ += '\n';
}

std::string SvgSurface::element() const {
  const std::string w = std::to_string(width_);
  const std::string h = std::to_string(height_);
  return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + w + "\" height=\"" + h + "\" viewBox=\"0 0 " + w +
         ' ' + h + "\" font-family=\"Arial, 'Liberation Sans', Helvetica, sans-serif\" shape-rendering=\"crispEdges\">\n" +
         body_ + "</svg>\n";
}

std::string SvgSurface::document() const { return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + element(); }

}  // namespace zel
