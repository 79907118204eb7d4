#include "common/recording_surface.h"

namespace zel {

RecordingSurface::RecordingSurface(FontRole font, Color text, Color bk, PenRole pen)
    : font_(font), text_(text), bk_(bk), pen_(pen) {}

DrawCall RecordingSurface::make(DrawCall::Kind kind) const {
  DrawCall c{kind};
  c.font = font_;
  c.pen = pen_;
  c.textColor = text_;
  c.bkColor = bk_;
  return c;
}

void RecordingSurface::textOut(int x, int y, const char* text, int count) {
  DrawCall c = make(DrawCall::Kind::Text);
  c.x = x;
  c.y = y;
  c.text.assign(text, count > 0 ? static_cast<std::size_t>(count) : 0);
  calls.push_back(std::move(c));
}

void RecordingSurface::moveTo(int x, int y) {
  DrawCall c = make(DrawCall::Kind::MoveTo);
  c.x = x;
  c.y = y;
  position_ = {x, y};
  calls.push_back(std::move(c));
}

void RecordingSurface::lineTo(int x, int y) {
  DrawCall c = make(DrawCall::Kind::LineTo);
  c.x = position_.x;
  c.y = position_.y;
  c.x2 = x;
  c.y2 = y;
  position_ = {x, y};
  calls.push_back(std::move(c));
}

void RecordingSurface::polyline(const Point* points, int count) {
  DrawCall c = make(DrawCall::Kind::Polyline);
  c.points.assign(points, points + (count > 0 ? count : 0));
  calls.push_back(std::move(c));
}

void RecordingSurface::fillRect(int left, int top, int right, int bottom, BrushRole brush) {
  DrawCall c = make(DrawCall::Kind::FillRect);
  c.x = left;
  c.y = top;
  c.x2 = right;
  c.y2 = bottom;
  c.brush = brush;
  calls.push_back(std::move(c));
}

std::vector<DrawCall> RecordingSurface::texts() const {
  std::vector<DrawCall> out;
  for (const DrawCall& c : calls)
    if (c.kind == DrawCall::Kind::Text) out.push_back(c);
  return out;
}

const DrawCall* RecordingSurface::findText(std::string_view text) const {
  for (const DrawCall& c : calls)
    if (c.kind == DrawCall::Kind::Text && c.text == text) return &c;
  return nullptr;
}

const DrawCall* RecordingSurface::textAt(int x, int y) const {
  for (const DrawCall& c : calls)
    if (c.kind == DrawCall::Kind::Text && c.x == x && c.y == y) return &c;
  return nullptr;
}

int RecordingSurface::indexOfText(std::string_view text) const {
  for (std::size_t i = 0; i < calls.size(); ++i)
    if (calls[i].kind == DrawCall::Kind::Text && calls[i].text == text) return static_cast<int>(i);
  return -1;
}

std::vector<Segment> RecordingSurface::segments() const {
  std::vector<Segment> out;
  for (const DrawCall& c : calls) {
    if (c.kind == DrawCall::Kind::LineTo) {
      out.push_back({{c.x, c.y}, {c.x2, c.y2}, c.pen});
    } else if (c.kind == DrawCall::Kind::Polyline) {
      for (std::size_t i = 1; i < c.points.size(); ++i) out.push_back({c.points[i - 1], c.points[i], c.pen});
    }
  }
  return out;
}

}  // namespace zel
