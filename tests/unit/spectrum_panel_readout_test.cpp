#include "viewer/frame/spectrum_panel.h"

#include <gtest/gtest.h>

#include "tests/unit/spectrum_panel_support.h"

namespace zel::viewer {
namespace {

using namespace panel_test;

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
