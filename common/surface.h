// The one drawing interface of the core. It mirrors the GDI state the screens
// rely on: the selected font and pen, the text and background colours, opaque
// text with an explicit character count, lines, polylines and filled areas.
#pragma once

#include <cstdint>

namespace zel {

using Color = std::uint32_t;  // 0x00BBGGRR, as a Windows COLORREF

constexpr Color rgb(unsigned r, unsigned g, unsigned b) { return r | (g << 8) | (b << 16); }

inline constexpr Color kBlack = rgb(0, 0, 0);
inline constexpr Color kBlue = rgb(0, 0, 255);
inline constexpr Color kPageColor = rgb(255, 255, 216);
inline constexpr Color kReadOutColor = rgb(239, 239, 200);

enum class FontRole : std::uint8_t {
  None,  // whatever the device context had
  Small,    // Arial 14 / 6
  Normal,   // Arial 18 / 9
  Large,    // Arial 44 / 22
  Browser,  // Arial 14 / 5
};

enum class PenRole : std::uint8_t {
  None,
  Frame,           // solid 2, blue
  GreenBoundary,   // dotted, RGB(0,255,34)
  RedBoundary,     // dotted, red
  OrangeBoundary,  // dotted, RGB(255,170,0)
  Separator,       // solid 2, RGB(255,170,0)
  Cursor,          // dotted, magenta
  DottedBlack,
  ThinBlack,   // solid 1
  Axis,        // solid 2, black
  DashedBlack,
};

enum class BrushRole : std::uint8_t {
  Page,       // RGB(255,255,216)
  ReadOut,    // RGB(239,239,200)
  Browser,    // RGB(255,252,252)
};

struct Point {
  int x;
  int y;
  friend bool operator==(const Point&, const Point&) = default;
};

class Surface {
 public:
  virtual ~Surface() = default;
  virtual void selectFont(FontRole font) = 0;
  virtual void selectPen(PenRole pen) = 0;
  virtual void setTextColor(Color color) = 0;
  virtual void setBkColor(Color color) = 0;
  // Opaque text: every character cell, blanks included, in the background colour.
  virtual void textOut(int x, int y, const char* text, int count) = 0;
  virtual void moveTo(int x, int y) = 0;
  virtual void lineTo(int x, int y) = 0;
  virtual void polyline(const Point* points, int count) = 0;
  virtual void fillRect(int left, int top, int right, int bottom, BrushRole brush) = 0;
};

}  // namespace zel
