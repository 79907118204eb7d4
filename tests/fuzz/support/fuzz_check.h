// What every fuzz target checks beyond "no crash": a failed condition prints
// what broke and aborts, so libFuzzer keeps the input as a crash.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/recording_surface.h"

namespace zel::fuzz {

[[noreturn]] inline void fail(const std::string& what) {
  std::fprintf(stderr, "invariant broken: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

// For checks outside loops; a loop builds its message only on failure.
inline void require(bool condition, const std::string& what) {
  if (!condition) fail(what);
}

inline std::string at(int x, int y) { return "(" + std::to_string(x) + "," + std::to_string(y) + ")"; }

inline bool inside(int x, int y, int width, int height) { return x >= 0 && y >= 0 && x < width && y < height; }

// Every text and every line of a drawing starts inside a bitmap of the given
// size: anything starting outside is lost on the screen, or stands on top of
// the window's frame. Texts are drawn with a positive count.
inline void requireDrawnInside(const RecordingSurface& s, int width, int height, const std::string& where) {
  for (const DrawCall& c : s.calls) {
    switch (c.kind) {
      case DrawCall::Kind::Text:
        if (!inside(c.x, c.y, width, height)) fail(where + ": text \"" + c.text + "\" at " + at(c.x, c.y));
        if (c.text.empty()) fail(where + ": empty text at " + at(c.x, c.y));
        break;
      case DrawCall::Kind::LineTo:
        if (!inside(c.x, c.y, width, height)) fail(where + ": line from " + at(c.x, c.y));
        break;
      case DrawCall::Kind::Polyline:
        if (c.points.empty()) fail(where + ": empty polyline");
        if (!inside(c.points[0].x, c.points[0].y, width, height))
          fail(where + ": polyline from " + at(c.points[0].x, c.points[0].y));
        break;
      case DrawCall::Kind::MoveTo:
      case DrawCall::Kind::FillRect:
        break;
    }
  }
}

inline bool sameCall(const DrawCall& a, const DrawCall& b) {
  return a.kind == b.kind && a.x == b.x && a.y == b.y && a.x2 == b.x2 && a.y2 == b.y2 && a.text == b.text &&
         a.points == b.points && a.brush == b.brush && a.font == b.font && a.pen == b.pen &&
         a.textColor == b.textColor && a.bkColor == b.bkColor;
}

// Two drawings of the same input are the same call for call.
inline void requireSameDrawing(const RecordingSurface& a, const RecordingSurface& b, const std::string& where) {
  require(a.calls.size() == b.calls.size(), where + ": a second drawing has another number of calls");
  for (std::size_t i = 0; i < a.calls.size(); ++i)
    if (!sameCall(a.calls[i], b.calls[i])) fail(where + ": a second drawing differs at call " + std::to_string(i));
}

}  // namespace zel::fuzz
