// A Surface that records every call with the drawing state in force, so a
// test can say "this text, at this point, in the normal font, blue on the
// page colour".
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/surface.h"

namespace zel {

struct DrawCall {
  enum class Kind { Text, MoveTo, LineTo, Polyline, FillRect };
  Kind kind;
  int x = 0;
  int y = 0;
  int x2 = 0;  // LineTo: the end; the start is (x, y). FillRect: right, bottom.
  int y2 = 0;
  std::string text;
  std::vector<Point> points;
  BrushRole brush = BrushRole::Page;
  FontRole font;
  PenRole pen;
  Color textColor;
  Color bkColor;
};

// A straight line drawn with a pen: a LineTo from the current position, or
// one step of a polyline.
struct Segment {
  Point from;
  Point to;
  PenRole pen;
  friend bool operator==(const Segment&, const Segment&) = default;
};

class RecordingSurface : public Surface {
 public:
  explicit RecordingSurface(FontRole font = FontRole::Normal, Color text = kBlack, Color bk = kPageColor,
                            PenRole pen = PenRole::None);

  void selectFont(FontRole font) override { font_ = font; }
  void selectPen(PenRole pen) override { pen_ = pen; }
  void setTextColor(Color color) override { text_ = color; }
  void setBkColor(Color color) override { bk_ = color; }
  void textOut(int x, int y, const char* text, int count) override;
  void moveTo(int x, int y) override;
  void lineTo(int x, int y) override;
  void polyline(const Point* points, int count) override;
  void fillRect(int left, int top, int right, int bottom, BrushRole brush) override;

  std::vector<DrawCall> calls;

  std::vector<DrawCall> texts() const;
  // The first text call whose text is exactly `text`, or nullptr.
  const DrawCall* findText(std::string_view text) const;
  // The first text call drawn at (x, y), or nullptr.
  const DrawCall* textAt(int x, int y) const;
  std::vector<Segment> segments() const;
  // Index in `calls` of the first call matching the text, or -1.
  int indexOfText(std::string_view text) const;

  FontRole font() const { return font_; }
  PenRole pen() const { return pen_; }
  Color textColor() const { return text_; }
  Color bkColor() const { return bk_; }

 private:
  DrawCall make(DrawCall::Kind kind) const;
  FontRole font_;
  Color text_;
  Color bk_;
  PenRole pen_;
  Point position_{0, 0};
};

}  // namespace zel
