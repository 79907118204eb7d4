// What the spectrum panel's tests share: a record whose every channel
// counts differently, the mouse's drags and clicks on the panel, and the
// texts and lines that the panel draws.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/recording_surface.h"
#include "tools/kvdgen/kvd_description.h"
#include "viewer/frame/spectrum_panel.h"

namespace zel::viewer::panel_test {

constexpr int kY = 100;  // a height inside the plot band
inline int xOf(int channel) { return 3 * channel + 12; }

// Every channel k counts k + 1: distinct, never zero, so a sum that takes one
// channel too many or too few, at either end, comes out different. The fields
// behind the spectrum are never zero either, so a sum running past channel
// 255 shows too.
inline MeasurementRecord record(const std::string& line) {
  MeasurementRecord r;
  std::fill(r.bytes.begin() + offset::primaryResult, r.bytes.end(), 0xA5);
  for (int k = 0; k < kSpectrumChannels; ++k) writeU16(r.bytes.data() + offset::spectrum + 2 * k, k + 1);
  int repeat = 0;
  std::string error;
  EXPECT_TRUE(kvd::applyLine(line, r, repeat, error)) << error;
  return r;
}

// Presses on the boundary column of `channel`, moves to each x with only the
// left button down, releases.
inline void drag(SpectrumPanel& p, int channel, std::initializer_list<int> xs) {
  p.mouseMove(xOf(channel), kY, 0);
  p.leftButtonDown();
  ASSERT_TRUE(p.dragging()) << "no boundary at channel " << channel;
  for (int x : xs) p.mouseMove(x, kY, kKeyLeftButton);
  EXPECT_EQ(p.leftButtonUp(), PanelRequest{}) << "a drag shows no read-out";
}

inline PanelRequest click(SpectrumPanel& p, int x, int y) {
  p.mouseMove(x, y, 0);
  p.leftButtonDown();
  return p.leftButtonUp();
}

struct Text {
  int x, y;
  std::string text;
  FontRole font;
  friend bool operator==(const Text&, const Text&) = default;
};
inline void PrintTo(const Text& t, std::ostream* os) { *os << "(" << t.x << "," << t.y << ") \"" << t.text << "\""; }

inline std::vector<Text> texts(const SpectrumPanel& p) {
  RecordingSurface s(FontRole::None, 0, 0);
  p.draw(s);
  std::vector<Text> out;
  for (const DrawCall& c : s.texts()) {
    EXPECT_EQ(c.textColor, kBlack);
    EXPECT_EQ(c.bkColor, kPageColor);
    out.push_back({c.x, c.y, c.text, c.font});
  }
  return out;
}

inline std::vector<Segment> segments(const SpectrumPanel& p, PenRole pen) {
  RecordingSurface s;
  p.draw(s);
  std::vector<Segment> out;
  for (const Segment& g : s.segments())
    if (g.pen == pen) out.push_back(g);
  return out;
}

inline Segment marker(int x, PenRole pen) { return {{x, 270}, {x, 16}, pen}; }

}  // namespace zel::viewer::panel_test
