#include "viewer/frame/spectrum_panel.h"

#include <algorithm>

#include "common/text_format.h"
#include "viewer/frame/spectrum_panel_geometry.h"

namespace zel::viewer {
namespace {

using namespace panel_geometry;

// The highest channel a dragged boundary can take: the last window keeps at
// least channel 255.
constexpr int kHighestDraggedBoundary = 254;

// Picks and read-outs: channels 18 ... 255 between the marker tops and the axis.
constexpr bool inPlotBand(Point p) { return p.y >= 16 && p.y <= 272 && p.x >= 65 && p.x <= 777; }

// The read-out window flips to the left of the pointer from here on, so that
// it stays inside the panel.
constexpr int kReadOutFlipX = 720;

}  // namespace

SpectrumVariant spectrumVariantOf(int modeCode) {
  return isOneOf(modeCode, {7, 10, 14, 15, 20, 22}) ? SpectrumVariant::ThreeBoundary : SpectrumVariant::TwoBoundary;
}

SpectrumPanel::SpectrumPanel(int modeCode) : mode_(modeCode), variant_(spectrumVariantOf(modeCode)) {
  computeWindows();
}

SpectrumPanel::SpectrumPanel(int modeCode, const MeasurementRecord& record) : SpectrumPanel(modeCode) { open(record); }

PanelRequest SpectrumPanel::open(const MeasurementRecord& record) {
  record_ = record;
  bounds_[0] = record.windowBound1();
  bounds_[1] = record.windowBound2();
  bounds_[2] = variant_ == SpectrumVariant::ThreeBoundary ? record.windowBound3() : 0;
  zoomStep_ = kOpeningZoomStep;
  // A drag cannot outlive the window it started in.
  dragging_ = false;
  moved_ = false;
  readOutActive_ = false;
  readOutPosition_ = readOutAnchor_ = {0, 0};
  readOutChannel_ = readOutCount_ = 0;
  cursorX_ = 0;
  open_ = true;
  computeWindows();
  return {true, false};
}

void SpectrumPanel::close() {
  open_ = false;
  readOutActive_ = false;
}

void SpectrumPanel::setClientSize(int width, int height) {
  clientWidth_ = std::max(width, 1);
  clientHeight_ = std::max(height, 1);
}

bool SpectrumPanel::lastWindowSkipsChannel255() const { return isOneOf(mode_, {7, 21, 24}); }

void SpectrumPanel::computeWindows() {
  const int count = boundaryCount();
  for (int w = 0; w <= count; ++w) {
    Window& window = windows_[w];
    const bool first = w == 0;
    const bool last = w == count;
    // 64-bit, so that boundary + 1 of any stored value cannot wrap.
    const std::int64_t begin = first ? kFirstWindowChannel : std::int64_t{bounds_[w - 1]} + 1;
    std::int64_t end = last ? (lastWindowSkipsChannel255() ? kLastChannel : kSpectrumChannels) : bounds_[w];
    // A boundary past the spectrum ends its window at the last channel.
    end = std::min<std::int64_t>(end, kSpectrumChannels);
    window.sum = 0;
    for (std::int64_t c = begin; c < end; ++c) window.sum += record_.spectrum(static_cast<int>(c));

    // The boundary channel closes the range text of the window before it,
    // although it is counted in neither window.
    char* p = formatChannel(window.range, static_cast<std::uint32_t>(begin), !first && beyondSpectrum(bounds_[w - 1]));
    *p++ = '-';
    p = last ? formatByte(p, kLastChannel) : formatChannel(p, bounds_[w], beyondSpectrum(bounds_[w]));
    window.rangeLength = static_cast<int>(p - window.range);
    window.sumLength = formatDwordLength(window.sumText, window.sum).length;
  }
}

std::string_view SpectrumPanel::windowRangeText(int window) const {
  return {windows_[window].range, static_cast<std::size_t>(windows_[window].rangeLength)};
}

std::string_view SpectrumPanel::windowSumText(int window) const {
  return {windows_[window].sumText, static_cast<std::size_t>(windows_[window].sumLength)};
}

void SpectrumPanel::zoomLabel(char* out) const {
  const int a = zoomStep_ <= kOpeningZoomStep ? 1 << (kOpeningZoomStep - zoomStep_) : 1;
  const int b = zoomStep_ <= kOpeningZoomStep ? 1 : 1 << (zoomStep_ - kOpeningZoomStep);
  char* p = format2DigitsBlank(out, static_cast<std::uint32_t>(a));
  *p++ = ':';
  format2DigitsBlank(p, static_cast<std::uint32_t>(b));
}

PanelRequest SpectrumPanel::zoomDown() {
  if (!open_ || zoomStep_ >= kMaxZoomStep) return {};
  ++zoomStep_;
  return redraw();
}

PanelRequest SpectrumPanel::zoomUp() {
  if (!open_ || zoomStep_ <= kMinZoomStep) return {};
  --zoomStep_;
  return redraw();
}

PanelRequest SpectrumPanel::mouseMove(int x, int y, unsigned keyState) {
  if (!open_) return {};
  // A captured pointer reports positions outside the client area; they count
  // as the nearest point of its edge, so a boundary dragged past the left
  // edge never wraps round to the right.
  pointer_ = {std::clamp(x, 0, clientWidth_ - 1) & 0xFFF, std::clamp(y, 0, clientHeight_ - 1) & 0xFFF};
  if (!dragging_) return {};
  if (keyState == kKeyLeftButton) return drag();
  // The button came up outside the panel, or another key joined in.
  dragging_ = false;
  if (moved_) {
    moved_ = false;
    return {};
  }
  return readOutRequest(pointer_);
}

PanelRequest SpectrumPanel::drag() {
  // The far left margin moves the boundary too (to its left limit, as the
  // channel there lies below it): a quick drag out of the plot must not leave
  // the boundary wherever the last move inside the plot put it.
  moved_ = true;
  const std::int64_t value = draggedValue(xChannel(pointer_.x));
  if (value == bounds_[dragged_]) return {};
  bounds_[dragged_] = static_cast<std::uint32_t>(value);
  computeWindows();
  return redraw();
}

std::int64_t SpectrumPanel::draggedValue(int channel) const {
  const std::int64_t c = channel;
  const std::int64_t b1 = bounds_[0];
  const std::int64_t b2 = bounds_[1];
  const std::int64_t b3 = bounds_[2];
  std::int64_t value;
  switch (dragged_) {
    case 0:
      value = c <= kFirstWindowChannel ? kFirstWindowChannel + 1 : std::min(c, b2 - 1);
      break;
    case 1:
      value = c <= b1 ? b1 + 1 : variant_ == SpectrumVariant::ThreeBoundary ? std::min(c, b3 - 1) : c;
      break;
    default:
      value = c <= b2 ? b2 + 1 : c;
      break;
  }
  // The last boundary stops at 254. The others stop there as well, which
  // their upper neighbour already ensures unless the stored boundaries are
  // out of order or past the spectrum; then the drag still stays on the plot.
  return std::clamp<std::int64_t>(value, 0, kHighestDraggedBoundary);
}

PanelRequest SpectrumPanel::leftButtonDown() {
  buttonPressed_ = true;
  if (!open_ || !inPlotBand(pointer_)) return {};
  const std::uint32_t c = static_cast<std::uint32_t>(xChannel(pointer_.x));
  for (int i = 0; i < boundaryCount(); ++i) {
    if (bounds_[i] == c) {
      dragged_ = i;
      dragging_ = true;
      moved_ = false;
      break;
    }
  }
  return {};
}

PanelRequest SpectrumPanel::leftButtonUp() {
  if (!open_ || !buttonPressed_) return {};
  buttonPressed_ = false;
  if (dragging_) {
    dragging_ = false;
    if (moved_) {
      moved_ = false;
      return {};
    }
  }
  // A click, or a press on a boundary that was not dragged.
  return readOutRequest(pointer_);
}

void SpectrumPanel::endDrag() {
  dragging_ = false;
  moved_ = false;
  buttonPressed_ = false;
}

PanelRequest SpectrumPanel::keyDown(Key key) {
  if (!open_) return {};
  Point p = readOutPosition_;
  if (key == Key::Right) {
    if (p.x > 774) return {};
    p.x += 3;
  } else if (key == Key::Left) {
    if (p.x < 69) return {};
    p.x -= 3;
  } else {
    return {};
  }
  pointer_ = readOutPosition_ = p;
  return readOutRequest(p);
}

PanelRequest SpectrumPanel::readOutRequest(Point at) {
  if (inPlotBand(at)) {
    const int c = xChannel(at.x);
    readOutChannel_ = static_cast<std::uint16_t>(c);
    readOutCount_ = record_.spectrum(c);
    cursorX_ = channelX(c);
    readOutAnchor_ = at;
    readOutActive_ = true;
    readOutPosition_ = at;
  }
  return redraw();
}

int SpectrumPanel::titleText(char* out) const {
  static constexpr char kPrefix[] = "Srectrum ";
  char* p = std::copy(kPrefix, kPrefix + sizeof kPrefix - 1, out);
  return static_cast<int>(formatPanelDateTime(p, record_) - out);
}

int SpectrumPanel::readOutText(char* out) const {
  char* p = formatWord(out, readOutChannel_);
  *p++ = ':';
  p = formatWord(p, readOutCount_);
  // The water, air and soil sample viewer leaves the trailing blank out.
  if (mode_ != 18) *p++ = ' ';
  return static_cast<int>(p - out);
}

ReadOutPlacement SpectrumPanel::readOutPlacement(bool windowExists) const {
  char text[kReadOutTextBuffer];
  const int width = 6 * readOutText(text) + 2;
  const Point a = readOutAnchor_;
  int left = a.x + 8;
  if (a.x >= kReadOutFlipX) left = windowExists ? a.x - width : a.x - width - 8;
  return {left, a.y - 8, width, kReadOutHeight};
}

}  // namespace zel::viewer
