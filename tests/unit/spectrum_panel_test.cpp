#include "viewer/frame/spectrum_panel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/recording_surface.h"
#include "tools/kvdgen/kvd_description.h"

namespace zel::viewer {
namespace {

constexpr int kY = 100;  // a height inside the plot band
int xOf(int channel) { return 3 * channel + 12; }

// Every channel k counts k + 1: distinct, never zero, so a sum that takes one
// channel too many or too few, at either end, comes out different. The fields
// behind the spectrum are never zero either, so a sum running past channel
// 255 shows too.
MeasurementRecord record(const std::string& line) {
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
void drag(SpectrumPanel& p, int channel, std::initializer_list<int> xs) {
  p.mouseMove(xOf(channel), kY, 0);
  p.leftButtonDown();
  ASSERT_TRUE(p.dragging()) << "no boundary at channel " << channel;
  for (int x : xs) p.mouseMove(x, kY, kKeyLeftButton);
  EXPECT_EQ(p.leftButtonUp(), PanelRequest{}) << "a drag shows no read-out";
}

PanelRequest click(SpectrumPanel& p, int x, int y) {
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
void PrintTo(const Text& t, std::ostream* os) { *os << "(" << t.x << "," << t.y << ") \"" << t.text << "\""; }

std::vector<Text> texts(const SpectrumPanel& p) {
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

std::vector<Segment> segments(const SpectrumPanel& p, PenRole pen) {
  RecordingSurface s;
  p.draw(s);
  std::vector<Segment> out;
  for (const Segment& g : s.segments())
    if (g.pen == pen) out.push_back(g);
  return out;
}

Segment marker(int x, PenRole pen) { return {{x, 270}, {x, 16}, pen}; }

// --- Window computation -----------------------------------------------------

struct WindowCase {
  int mode;
  const char* bounds;
  std::vector<std::string> ranges;
  std::vector<std::uint32_t> sums;
};

class WindowTest : public ::testing::TestWithParam<WindowCase> {};

TEST_P(WindowTest, RangesAndSums) {
  const WindowCase& c = GetParam();
  const SpectrumPanel p(c.mode, record(std::string("bounds=") + c.bounds));
  ASSERT_EQ(p.windowCount(), static_cast<int>(c.ranges.size()));
  for (int w = 0; w < p.windowCount(); ++w) {
    EXPECT_EQ(p.windowRangeText(w), c.ranges[w]) << "window " << w;
    EXPECT_EQ(p.windowSum(w), c.sums[w]) << "window " << w;
    EXPECT_EQ(p.windowSumText(w), std::to_string(c.sums[w])) << "window " << w;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Windows, WindowTest,
    ::testing::Values(
        // Boundary channels 44 and 46 belong to no window.
        WindowCase{1, "44,46,80", {"18-44", "45-46", "47-255"}, {819, 46, 31768}},
        WindowCase{26, "44,46", {"18-44", "45-46", "47-255"}, {819, 46, 31768}},
        // These modes leave channel 255 out of the last window.
        WindowCase{21, "44,46", {"18-44", "45-46", "47-255"}, {819, 46, 31512}},
        WindowCase{24, "44,46", {"18-44", "45-46", "47-255"}, {819, 46, 31512}},
        WindowCase{14, "44,62,86", {"18-44", "45-62", "63-86", "87-255"}, {819, 918, 1725, 29068}},
        WindowCase{20, "44,62,86", {"18-44", "45-62", "63-86", "87-255"}, {819, 918, 1725, 29068}},
        WindowCase{7, "44,62,86", {"18-44", "45-62", "63-86", "87-255"}, {819, 918, 1725, 28812}},
        // An all-zero record: reversed ranges with sum 0, the last window 1 ... 255.
        WindowCase{1, "0,0,0", {"18-0", "1-0", "1-255"}, {0, 0, 32895}},
        WindowCase{10, "0,0,0", {"18-0", "1-0", "1-0", "1-255"}, {0, 0, 0, 32895}},
        WindowCase{2, "100,50", {"18-100", "101-50", "51-255"}, {4879, 0, 31570}},
        // 255 is a channel: the last window starts at formatByte(256).
        WindowCase{1, "44,255", {"18-44", "45-255", "0-255"}, {819, 31605, 0}},
        WindowCase{7, "44,62,255", {"18-44", "45-62", "63-255", "0-255"}, {819, 918, 30624, 0}},
        // Past the spectrum: full digits, and no sum reads past channel 255.
        WindowCase{1, "44,300", {"18-44", "45-300", "301-255"}, {819, 31861, 0}},
        WindowCase{1, "256,1000", {"18-256", "257-1000", "1001-255"}, {32725, 0, 0}},
        WindowCase{15, "44,300,65535", {"18-44", "45-300", "301-65535", "65536-255"}, {819, 31861, 0, 0}}));

TEST(SpectrumPanel, FullChannelsSumBeyondSixteenBits) {
  const SpectrumPanel p(1, record("bounds=0,0 spectrum=flat(65535)"));
  EXPECT_EQ(p.windowSumText(2), "16711425");  // channels 1 ... 255
}

// --- Drags --------------------------------------------------------------------

struct DragCase {
  int mode;
  const char* bounds;
  int channel;  // the boundary picked
  std::vector<int> xs;
  std::uint32_t expected;
};

class DragTest : public ::testing::TestWithParam<DragCase> {};

TEST_P(DragTest, StopsAtItsLimit) {
  const DragCase& c = GetParam();
  SpectrumPanel p(c.mode, record(std::string("bounds=") + c.bounds));
  p.setClientSize(788, 349);
  const int index = p.boundary(0) == static_cast<std::uint32_t>(c.channel)   ? 0
                    : p.boundary(1) == static_cast<std::uint32_t>(c.channel) ? 1
                                                                             : 2;
  p.mouseMove(xOf(c.channel), kY, 0);
  p.leftButtonDown();
  ASSERT_TRUE(p.dragging());
  for (int x : c.xs) p.mouseMove(x, kY, kKeyLeftButton);
  EXPECT_EQ(p.boundary(index), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Limits, DragTest,
    ::testing::Values(DragCase{1, "44,46", 44, {100}, 29}, DragCase{1, "44,46", 44, {68}, 19},
                      DragCase{1, "44,46", 44, {71}, 20}, DragCase{1, "44,46", 44, {30}, 19},
                      // Past the left edge, with or without the pointer captured.
                      DragCase{1, "44,46", 44, {100, 12}, 19}, DragCase{1, "44,46", 44, {100, -40}, 19},
                      DragCase{1, "44,46", 44, {200}, 45}, DragCase{1, "44,46", 44, {9000}, 45},
                      DragCase{1, "44,46", 46, {140}, 45}, DragCase{1, "44,46", 46, {300}, 96},
                      DragCase{1, "44,46", 46, {774}, 254}, DragCase{1, "44,46", 46, {5000}, 254},
                      DragCase{14, "44,62,86", 62, {700}, 85}, DragCase{14, "44,62,86", 62, {-5}, 45},
                      DragCase{14, "44,62,86", 86, {771}, 253}, DragCase{14, "44,62,86", 86, {774}, 254},
                      DragCase{14, "44,62,86", 86, {6000}, 254}, DragCase{14, "44,62,86", 86, {100}, 63},
                      // Stored out of order or past the spectrum: the drag stays on the plot.
                      DragCase{1, "44,0", 44, {300}, 0}, DragCase{1, "60,40", 40, {150}, 61},
                      DragCase{1, "200,300", 200, {787}, 254}, DragCase{14, "255,100,200", 100, {150}, 254}));

TEST(SpectrumPanel, DragRedrawsOnlyWhenTheValueChanges) {
  SpectrumPanel p(1, record("bounds=44,46"));
  p.mouseMove(xOf(44), kY, 0);
  p.leftButtonDown();
  EXPECT_EQ(p.mouseMove(xOf(30), kY, kKeyLeftButton), (PanelRequest{true, false}));
  EXPECT_EQ(p.mouseMove(xOf(30) + 1, kY, kKeyLeftButton), PanelRequest{}) << "same channel";
  EXPECT_EQ(p.windowRangeText(0), "18-30");
  EXPECT_EQ(p.windowRangeText(1), "31-46");
  EXPECT_EQ(p.windowSum(1), 585u);
}

TEST(SpectrumPanel, PressAndReleaseWithoutMovingShowsTheReadOut) {
  SpectrumPanel p(1, record("bounds=44,46"));
  EXPECT_EQ(click(p, xOf(44), kY), (PanelRequest{true, true}));
  EXPECT_FALSE(p.dragging());
  EXPECT_EQ(p.readOutChannel(), 44);
}

TEST(SpectrumPanel, OtherKeyStateEndsTheDrag) {
  SpectrumPanel p(1, record("bounds=44,46"));
  p.mouseMove(xOf(44), kY, 0);
  p.leftButtonDown();
  // Not moved yet: the drag ends as a click would.
  EXPECT_EQ(p.mouseMove(xOf(50), kY, kKeyLeftButton | kKeyShift), (PanelRequest{true, true}));
  EXPECT_FALSE(p.dragging());
  EXPECT_EQ(p.readOutChannel(), 50);

  p.mouseMove(xOf(44), kY, 0);
  p.leftButtonDown();
  p.mouseMove(xOf(40), kY, kKeyLeftButton);
  EXPECT_EQ(p.mouseMove(xOf(40), kY, 0), PanelRequest{}) << "moved: nothing else happens";
  EXPECT_FALSE(p.dragging());
  EXPECT_EQ(p.boundary(0), 40u);
  EXPECT_EQ(p.readOutChannel(), 50);
}

TEST(SpectrumPanel, LostPointerEndsTheDragWhereItStands) {
  SpectrumPanel p(1, record("bounds=44,46"));
  p.mouseMove(xOf(44), kY, 0);
  p.leftButtonDown();
  p.mouseMove(xOf(40), kY, kKeyLeftButton);
  p.endDrag();
  EXPECT_FALSE(p.dragging());
  EXPECT_EQ(p.boundary(0), 40u);
  EXPECT_EQ(p.mouseMove(xOf(30), kY, kKeyLeftButton), PanelRequest{}) << "no longer dragged";
  EXPECT_EQ(p.boundary(0), 40u);
  EXPECT_EQ(p.leftButtonUp(), PanelRequest{}) << "the lost release is no click";
  EXPECT_FALSE(p.readOutActive());
}

TEST(SpectrumPanel, ReleaseCountsOnlyAfterAPress) {
  SpectrumPanel p(1, record("bounds=44,46"));
  p.mouseMove(xOf(100), kY, 0);
  EXPECT_EQ(p.leftButtonUp(), PanelRequest{});
  p.noteButtonPress();  // the click on the result page that opened the panel
  EXPECT_EQ(p.leftButtonUp(), (PanelRequest{true, true}));
  EXPECT_EQ(p.readOutChannel(), 100);
}

// --- Zoom -----------------------------------------------------------------------

struct BarCase {
  int step;
  int count;
  int top;  // of the blue part; 0 for no bar
  bool clipped;
  const char* label;
};

class BarTest : public ::testing::TestWithParam<BarCase> {};

TEST_P(BarTest, HeightAndLabel) {
  const BarCase& c = GetParam();
  SpectrumPanel p(1, record("bounds=44,46 spectrum=channel(100," + std::to_string(c.count) + ")"));
  while (p.zoomStep() < c.step) p.zoomDown();
  while (p.zoomStep() > c.step) p.zoomUp();
  std::vector<Segment> bar = segments(p, PenRole::Frame);
  for (const Segment& g : segments(p, PenRole::Separator)) bar.push_back(g);
  std::vector<Segment> expected;
  if (c.top != 0) expected.push_back({{312, 270}, {312, c.top}, PenRole::Frame});
  if (c.clipped) expected.push_back({{312, 15}, {312, 12}, PenRole::Separator});
  EXPECT_EQ(bar, expected);
  EXPECT_EQ(texts(p).back(), (Text{680, 308, c.label, FontRole::Small}));
}

INSTANTIATE_TEST_SUITE_P(Steps, BarTest,
                         ::testing::Values(BarCase{6, 300, 15, true, " 1: 1"}, BarCase{6, 255, 15, false, " 1: 1"},
                                           BarCase{7, 300, 120, false, " 1: 2"}, BarCase{12, 1, 269, false, " 1:64"},
                                           BarCase{12, 127, 269, false, " 1:64"}, BarCase{12, 128, 268, false, " 1:64"},
                                           BarCase{5, 3, 264, false, " 2: 1"}, BarCase{9, 65535, 15, true, " 1: 8"},
                                           BarCase{0, 1024, 15, true, "64: 1"}, BarCase{0, 3, 78, false, "64: 1"},
                                           BarCase{3, 0, 0, false, " 8: 1"}));

TEST(SpectrumPanel, ZoomStopsAtBothEnds) {
  SpectrumPanel p(1, record("bounds=44,46"));
  for (int i = 0; i < 6; ++i) EXPECT_EQ(p.zoomDown(), (PanelRequest{true, false}));
  EXPECT_EQ(p.zoomDown(), PanelRequest{});
  EXPECT_EQ(p.zoomStep(), 12);
  for (int i = 0; i < 12; ++i) EXPECT_TRUE(p.zoomUp().redraw);
  EXPECT_EQ(p.zoomUp(), PanelRequest{});
  EXPECT_EQ(p.zoomStep(), 0);
}

// --- Read-out -------------------------------------------------------------------

struct BandCase {
  int x, y;
  bool shown;
  int channel;
};

class BandTest : public ::testing::TestWithParam<BandCase> {};

TEST_P(BandTest, ClickOnThePlotBand) {
  const BandCase& c = GetParam();
  SpectrumPanel p(1, record("bounds=44,46"));
  EXPECT_EQ(click(p, c.x, c.y), (PanelRequest{true, c.shown})) << "every click redraws";
  EXPECT_EQ(p.readOutActive(), c.shown);
  if (c.shown) {
    EXPECT_EQ(p.readOutChannel(), c.channel);
    EXPECT_EQ(p.readOutCount(), c.channel + 1);
    EXPECT_EQ(segments(p, PenRole::Cursor), std::vector<Segment>{marker(xOf(c.channel), PenRole::Cursor)});
  }
}

INSTANTIATE_TEST_SUITE_P(Edges, BandTest,
                         ::testing::Values(BandCase{64, kY, false}, BandCase{65, kY, true, 18},
                                           BandCase{67, kY, true, 18}, BandCase{68, kY, true, 19},
                                           BandCase{777, kY, true, 255}, BandCase{778, kY, false},
                                           BandCase{300, 15, false}, BandCase{300, 16, true, 96},
                                           BandCase{300, 272, true, 96}, BandCase{300, 273, false}));

struct PlacementCase {
  int mode, x, y;
  const char* text;
  ReadOutPlacement created, moved;
};

class PlacementTest : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(PlacementTest, TextAndPlace) {
  const PlacementCase& c = GetParam();
  SpectrumPanel p(c.mode, record("bounds=44,46 spectrum=channel(100,12345)+channel(250,7)"));
  click(p, c.x, c.y);
  char text[SpectrumPanel::kReadOutTextBuffer];
  EXPECT_EQ(std::string(text, p.readOutText(text)), c.text);
  EXPECT_EQ(p.readOutPlacement(false), c.created);
  EXPECT_EQ(p.readOutPlacement(true), c.moved);

  RecordingSurface s;
  p.drawReadOut(s);
  ASSERT_EQ(s.calls.size(), 2u);
  EXPECT_EQ(s.calls[0].kind, DrawCall::Kind::FillRect);
  EXPECT_EQ(s.calls[0].brush, BrushRole::ReadOut);
  EXPECT_EQ(s.calls[0].x2, c.created.width);
  EXPECT_EQ(s.calls[0].y2, 16);
  const DrawCall* t = s.textAt(2, 1);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->text, c.text);
  EXPECT_EQ(t->font, FontRole::Small);
  EXPECT_EQ(t->bkColor, kReadOutColor);
  EXPECT_EQ(t->textColor, kBlack);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PlacementTest,
    ::testing::Values(PlacementCase{1, 312, 50, "100:12345 ", {320, 42, 62, 16}, {320, 42, 62, 16}},
                      PlacementCase{18, 312, 50, "100:12345", {320, 42, 56, 16}, {320, 42, 56, 16}},
                      PlacementCase{1, 719, 200, "236:0 ", {727, 192, 38, 16}, {727, 192, 38, 16}},
                      PlacementCase{1, 720, 200, "236:0 ", {674, 192, 38, 16}, {682, 192, 38, 16}},
                      PlacementCase{1, 762, 272, "250:7 ", {716, 264, 38, 16}, {724, 264, 38, 16}}));

TEST(SpectrumPanel, ArrowKeysStepOneChannelWithinTheBand) {
  SpectrumPanel p(1, record("bounds=44,46"));
  EXPECT_EQ(p.keyDown(Key::Right), (PanelRequest{true, false})) << "no read-out picked yet";
  EXPECT_FALSE(p.readOutActive());

  click(p, 771, kY);
  EXPECT_EQ(p.keyDown(Key::Right), (PanelRequest{true, true}));
  EXPECT_EQ(p.keyDown(Key::Right), (PanelRequest{true, true}));
  EXPECT_EQ(p.readOutPosition(), (Point{777, kY}));
  EXPECT_EQ(p.pointer(), (Point{777, kY}));
  EXPECT_EQ(p.readOutChannel(), 255);
  EXPECT_EQ(p.keyDown(Key::Right), PanelRequest{});
  EXPECT_EQ(p.keyDown(Key::Other), PanelRequest{});

  click(p, 69, kY);
  EXPECT_TRUE(p.keyDown(Key::Left).readOut);
  EXPECT_EQ(p.readOutChannel(), 18);
  EXPECT_EQ(p.cursorX(), 66);
  EXPECT_EQ(p.keyDown(Key::Left), PanelRequest{});
  EXPECT_EQ(p.readOutPosition(), (Point{66, kY}));
}

TEST(SpectrumPanel, CapturedPointerCountsAsTheNearestEdge) {
  SpectrumPanel p(1, record("bounds=44,46"));
  p.setClientSize(788, 349);
  p.mouseMove(-20, 5000, 0);
  EXPECT_EQ(p.pointer(), (Point{0, 348}));
  p.mouseMove(70000, -3, 0);
  EXPECT_EQ(p.pointer(), (Point{787, 0}));
}

TEST(SpectrumPanel, ClosingAndReopeningStartsAfresh) {
  const MeasurementRecord r = record("bounds=44,46");
  SpectrumPanel p(1, r);
  drag(p, 44, {100});
  p.zoomDown();
  click(p, 300, kY);
  p.mouseMove(xOf(46), kY, 0);
  p.leftButtonDown();
  p.close();
  EXPECT_FALSE(p.isOpen());
  EXPECT_EQ(p.zoomUp(), PanelRequest{});
  EXPECT_EQ(p.keyDown(Key::Left), PanelRequest{});
  EXPECT_EQ(click(p, 300, kY), PanelRequest{});

  EXPECT_EQ(p.open(r), (PanelRequest{true, false}));
  EXPECT_EQ(p.boundary(0), 44u);
  EXPECT_EQ(p.zoomStep(), 6);
  EXPECT_FALSE(p.readOutActive());
  EXPECT_FALSE(p.dragging());
  EXPECT_EQ(p.windowRangeText(0), "18-44");
  EXPECT_EQ(p.keyDown(Key::Left), PanelRequest{}) << "no read-out position to step from";
}

// --- Drawing --------------------------------------------------------------------

TEST(SpectrumPanel, Title) {
  const SpectrumPanel p(14, record("date=05.03.2019 time=09:04:07"));
  char title[SpectrumPanel::kTitleBuffer];
  const int length = p.titleText(title);
  EXPECT_EQ(std::string(title, length), "Srectrum 05.03.2019  09:04:07");
  EXPECT_EQ(title[length], '\0');
}

constexpr FontRole S = FontRole::Small;
constexpr FontRole N = FontRole::Normal;

// The whole text of a panel, byte for byte at its places: the tick labels,
// the boundary numbers, each window's range and sum, the zoom label.
struct PanelTextsCase {
  int mode;
  const char* bounds;
  int dragFrom, dragToX;  // a boundary dragged before drawing, or 0
  int zoomUps;
  std::vector<Text> texts;
};

class PanelTextsTest : public ::testing::TestWithParam<PanelTextsCase> {};

TEST_P(PanelTextsTest, AllTexts) {
  const PanelTextsCase& c = GetParam();
  SpectrumPanel p(c.mode, record(std::string("bounds=") + c.bounds));
  if (c.dragFrom != 0) drag(p, c.dragFrom, {c.dragToX});
  for (int i = 0; i < c.zoomUps; ++i) p.zoomUp();
  EXPECT_EQ(texts(p), c.texts);
}

INSTANTIATE_TEST_SUITE_P(
    Panels, PanelTextsTest,
    ::testing::Values(
        PanelTextsCase{1, "44,46", 0, 0, 0,
                       {{10, 276, "0", S}, {62, 276, "18", S}, {766, 276, "255", S}, {4, 1, "255", S},
                        {139, 276, "44", S}, {145, 276, "46", S}, {79, 302, "18-44", S}, {85, 324, "819", S},
                        {131, 302, "45-46", S}, {140, 324, "46", S}, {180, 302, "47-255", S},
                        {183, 324, "31768", S}, {680, 308, " 1: 1", S}}},
        PanelTextsCase{15, "44,62,86", 62, 3 * 70 + 12, 1,
                       {{10, 276, "0", N}, {62, 276, "18", N}, {766, 276, "255", N}, {4, 1, "255", N},
                        {139, 276, "44", N}, {217, 276, "70", N}, {265, 276, "86", N}, {79, 302, "18-44", S},
                        {85, 324, "819", S}, {131, 302, "45-70", S}, {134, 324, "1450", S},
                        {183, 302, "71-86", S}, {186, 324, "1185", S}, {232, 302, "87-255", S},
                        {235, 324, "29068", S}, {680, 308, " 2: 1", S}}}));

TEST(SpectrumPanel, MarkersFrameAndGrid) {
  SpectrumPanel p(14, record("bounds=44,62,255"));
  p.setClientSize(788, 349);
  RecordingSurface s;
  p.draw(s);
  ASSERT_FALSE(s.calls.empty());
  EXPECT_EQ(s.calls[0].kind, DrawCall::Kind::FillRect);
  EXPECT_EQ((std::vector<int>{s.calls[0].x, s.calls[0].y, s.calls[0].x2, s.calls[0].y2}),
            (std::vector<int>{0, 0, 788, 349}));
  EXPECT_EQ(segments(p, PenRole::Axis), (std::vector<Segment>{{{12, 272}, {780, 272}, PenRole::Axis}}));
  EXPECT_EQ(segments(p, PenRole::DottedBlack), (std::vector<Segment>{{{66, 16}, {66, 270}, PenRole::DottedBlack}}));
  EXPECT_EQ(segments(p, PenRole::DashedBlack).size(), 3u);
  EXPECT_EQ(segments(p, PenRole::OrangeBoundary), std::vector<Segment>{marker(144, PenRole::OrangeBoundary)});
  EXPECT_EQ(segments(p, PenRole::GreenBoundary), std::vector<Segment>{marker(198, PenRole::GreenBoundary)});
  EXPECT_EQ(segments(p, PenRole::RedBoundary), std::vector<Segment>{marker(777, PenRole::RedBoundary)});
  // Zoom box (4 sides), grid outline (4), row divider, three column dividers.
  const std::vector<Segment> thin = segments(p, PenRole::ThinBlack);
  ASSERT_EQ(thin.size(), 12u);
  EXPECT_EQ(thin[2], (Segment{{710, 336}, {668, 336}, PenRole::ThinBlack}));
  EXPECT_EQ(thin[8], (Segment{{68, 320}, {276, 320}, PenRole::ThinBlack}));
  EXPECT_EQ(thin[11], (Segment{{224, 298}, {224, 342}, PenRole::ThinBlack}));
}

TEST(SpectrumPanel, ShiftedWindowTableOfModes25And26) {
  for (int mode : {25, 26}) {
    const SpectrumPanel p(mode, record("bounds=44,46"));
    const std::vector<Text> t = texts(p);
    EXPECT_EQ(t[6], (Text{105, 298, "18-44", S})) << mode;
    EXPECT_EQ(t[11], (Text{209, 320, "31768", S})) << mode;
    const std::vector<Segment> thin = segments(p, PenRole::ThinBlack);
    ASSERT_EQ(thin.size(), 11u);
    EXPECT_EQ(thin[2].from.y, mode == 26 ? 338 : 336) << "zoom box";
    EXPECT_EQ(thin[8], (Segment{{94, 316}, {250, 316}, PenRole::ThinBlack}));
    EXPECT_EQ(thin[10], (Segment{{198, 294}, {198, 338}, PenRole::ThinBlack}));
  }
}

TEST(SpectrumPanel, BoundaryPastTheSpectrumHasNoMarker) {
  const SpectrumPanel p(1, record("bounds=44,300"));
  EXPECT_TRUE(segments(p, PenRole::GreenBoundary).empty());
  const std::vector<Text> t = texts(p);
  EXPECT_EQ(t[5], (Text{762, 276, "300", S})) << "right-aligned to the frame";
  EXPECT_EQ(t[8], (Text{128, 302, "45-300", S}));
}

TEST(SpectrumPanel, AxisLabelFontOfModes15And22) {
  for (int mode : {1, 14, 15, 22, 26}) {
    const FontRole font = mode == 15 || mode == 22 ? N : S;
    const std::vector<Text> t = texts(SpectrumPanel(mode, record("bounds=44,62,300")));
    EXPECT_EQ(t[0], (Text{10, 276, "0", font})) << mode;
    EXPECT_EQ(t[4], (Text{139, 276, "44", font})) << mode;
    if (font == N) {
      EXPECT_EQ(t[6], (Text{753, 276, "300", font})) << "right-aligned by the normal font's width";
    }
    EXPECT_EQ(t.back().font, S) << mode;
  }
}

TEST(SpectrumPanel, CursorFollowsTheReadOut) {
  SpectrumPanel p(1, record("bounds=44,46"));
  click(p, 400, kY);
  EXPECT_EQ(segments(p, PenRole::Cursor), std::vector<Segment>{marker(xOf(129), PenRole::Cursor)});
  p.keyDown(Key::Left);
  EXPECT_EQ(segments(p, PenRole::Cursor), std::vector<Segment>{marker(xOf(128), PenRole::Cursor)});
}

}  // namespace
}  // namespace zel::viewer
