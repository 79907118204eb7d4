// The spectrum panel drawn through Surface, as the viewer's panel window
// shows it.
#include <algorithm>

#include "viewer/frame/spectrum_panel.h"
#include "viewer/frame/spectrum_panel_geometry.h"

namespace zel::viewer {
namespace {

using namespace panel_geometry;

constexpr int kBarFoot = 270;
constexpr int kMarkerTop = 16;
constexpr int kAxisY = 272;
constexpr int kPlotLeft = 12;
constexpr int kPlotRight = 780;
constexpr int kPlotTop = 15;
constexpr int kClippedBarTop = 12;
constexpr int kMaxBarHeight = 255;
constexpr int kTickLabelY = 276;

struct WindowTable {
  int left, right, top, bottom;
  int divider;  // between the range row and the sum row
  int columns[SpectrumPanel::kMaxWindows - 1];
  int centres[SpectrumPanel::kMaxWindows];
  int rangeY, sumY;
};

constexpr WindowTable kFourWindowTable{68, 276, 298, 342, 320, {120, 172, 224}, {94, 146, 198, 250}, 302, 324};
constexpr WindowTable kThreeWindowTable{68, 224, 298, 342, 320, {120, 172}, {94, 146, 198}, 302, 324};
// Modes 25 and 26 have the table half a column to the right and 4 pixels up.
constexpr WindowTable kShiftedThreeWindowTable{94, 250, 294, 338, 316, {146, 198}, {120, 172, 224}, 298, 320};

const WindowTable& windowTable(int mode, SpectrumVariant variant) {
  if (variant == SpectrumVariant::ThreeBoundary) return kFourWindowTable;
  return isOneOf(mode, {25, 26}) ? kShiftedThreeWindowTable : kThreeWindowTable;
}

constexpr PenRole kBoundaryPens[SpectrumPanel::kMaxBoundaries] = {PenRole::OrangeBoundary, PenRole::GreenBoundary,
                                                                  PenRole::RedBoundary};

// The EEC viewers of modes 15 and 22 label the channel axis in the normal font.
FontRole tickFont(int mode) { return isOneOf(mode, {15, 22}) ? FontRole::Normal : FontRole::Small; }

int fontCharWidth(FontRole font) { return font == FontRole::Normal ? 9 : 6; }

void drawLine(Surface& s, int x1, int y1, int x2, int y2) {
  s.moveTo(x1, y1);
  s.lineTo(x2, y2);
}

void drawBox(Surface& s, int left, int top, int right, int bottom) {
  const Point corners[] = {{left, top}, {right, top}, {right, bottom}, {left, bottom}, {left, top}};
  s.polyline(corners, 5);
}

void drawCentred(Surface& s, int centre, int y, const char* text, int length) {
  s.textOut(centre - 3 * length, y, text, length);
}

}  // namespace

void SpectrumPanel::drawReadOut(Surface& s) const {
  char text[kReadOutTextBuffer];
  const int length = readOutText(text);
  s.fillRect(0, 0, 6 * length + 2, kReadOutHeight, BrushRole::ReadOut);
  s.setTextColor(kBlack);
  s.setBkColor(kReadOutColor);
  s.selectFont(FontRole::Small);
  s.textOut(2, 1, text, length);
}

void SpectrumPanel::draw(Surface& s) const {
  s.fillRect(0, 0, clientWidth_, clientHeight_, BrushRole::Page);
  s.selectPen(PenRole::Axis);
  s.setTextColor(kBlack);
  s.setBkColor(kPageColor);
  s.selectFont(FontRole::Normal);
  drawPlot(s);
  drawBars(s);
  drawMarkers(s);
  drawWindowTexts(s);
  if (readOutActive_) {
    s.selectPen(PenRole::Cursor);
    drawLine(s, cursorX_, kBarFoot, cursorX_, kMarkerTop);
  }
  drawZoomAndTable(s);
}

void SpectrumPanel::drawPlot(Surface& s) const {
  drawLine(s, kPlotLeft, kAxisY, kPlotRight, kAxisY);
  s.selectPen(PenRole::DashedBlack);
  const Point frame[] = {{kPlotLeft, kAxisY}, {kPlotLeft, kPlotTop}, {kPlotRight, kPlotTop}, {kPlotRight, kAxisY}};
  s.polyline(frame, 4);
  s.selectPen(PenRole::DottedBlack);
  drawLine(s, channelX(kFirstWindowChannel), kMarkerTop, channelX(kFirstWindowChannel), kBarFoot);

  s.selectFont(tickFont(mode_));
  s.textOut(10, kTickLabelY, "0", 1);
  s.textOut(62, kTickLabelY, "18", 2);
  s.textOut(766, kTickLabelY, "255", 3);
  s.textOut(4, 1, "255", 3);  // the top of the count scale at zoom 1:1
}

void SpectrumPanel::drawBars(Surface& s) const {
  s.selectPen(PenRole::Frame);
  for (int c = kFirstWindowChannel; c <= kLastChannel; ++c) {
    const std::uint32_t n = record_.spectrum(c);
    if (n == 0) continue;
    std::uint32_t h = n;
    if (zoomStep_ > kOpeningZoomStep) {
      h = std::max<std::uint32_t>(n >> (zoomStep_ - kOpeningZoomStep), 1);
    } else if (zoomStep_ < kOpeningZoomStep) {
      h = n << (kOpeningZoomStep - zoomStep_);
    }
    const bool clipped = h > kMaxBarHeight;
    if (clipped) h = kMaxBarHeight;
    const int x = channelX(c);
    drawLine(s, x, kBarFoot, x, kBarFoot - static_cast<int>(h));
    if (clipped) {
      s.selectPen(PenRole::Separator);
      s.lineTo(x, kClippedBarTop);
      s.selectPen(PenRole::Frame);
    }
  }
}

void SpectrumPanel::drawMarkers(Surface& s) const {
  // The tick-label font is still selected.
  const FontRole font = tickFont(mode_);
  for (int i = 0; i < boundaryCount(); ++i) {
    const std::uint32_t b = bounds_[i];
    char number[kMaxDwordText];
    const bool beyond = beyondSpectrum(b);
    const int length = static_cast<int>(formatChannel(number, b, beyond) - number);
    if (beyond) {
      // No column on the plot: no marker line, and the number stands at the
      // right end of the axis, inside the frame.
      s.textOut(kPlotRight - fontCharWidth(font) * length, kTickLabelY, number, length);
      continue;
    }
    const int x = channelX(static_cast<int>(b));
    s.selectPen(kBoundaryPens[i]);
    drawLine(s, x, kBarFoot, x, kMarkerTop);
    s.textOut(x - 2 * length - 1, kTickLabelY, number, length);
  }
}

void SpectrumPanel::drawWindowTexts(Surface& s) const {
  const WindowTable& table = windowTable(mode_, variant_);
  s.selectFont(FontRole::Small);
  for (int w = 0; w < windowCount(); ++w) {
    const Window& window = windows_[w];
    drawCentred(s, table.centres[w], table.rangeY, window.range, window.rangeLength);
    drawCentred(s, table.centres[w], table.sumY, window.sumText, window.sumLength);
  }
}

void SpectrumPanel::drawZoomAndTable(Surface& s) const {
  s.selectPen(PenRole::ThinBlack);
  drawBox(s, 668, 294, 710, mode_ == 26 ? 338 : 336);
  char label[kZoomLabelLength];
  zoomLabel(label);
  s.textOut(680, 308, label, kZoomLabelLength);

  const WindowTable& table = windowTable(mode_, variant_);
  drawBox(s, table.left, table.top, table.right, table.bottom);
  drawLine(s, table.left, table.divider, table.right, table.divider);
  for (int i = 0; i < windowCount() - 1; ++i) drawLine(s, table.columns[i], table.top, table.columns[i], table.bottom);
}

}  // namespace zel::viewer
