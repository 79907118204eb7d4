#include "viewer/frame/spectrum_panel.h"

#include <gtest/gtest.h>

#include "tests/unit/spectrum_panel_support.h"

namespace zel::viewer {
namespace {

using namespace panel_test;

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

}  // namespace
}  // namespace zel::viewer
