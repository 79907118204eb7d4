// The spectrum panel of any record in any viewer, driven by any sequence of
// the window's events: presses, moves with any key state, releases, arrow
// keys, zoom, a resized client area, the window closed and opened again.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <vector>

#include "common/text_format.h"
#include "support/fuzz_check.h"
#include "viewer/frame/spectrum_panel.h"

namespace {

using zel::fuzz::require;
using zel::viewer::PanelRequest;
using zel::viewer::SpectrumPanel;

constexpr int kViewerModes[] = {1, 2, 3, 4, 5, 6, 7, 10, 12, 13, 14, 15, 18, 19, 20, 21, 22, 24, 25, 26};

struct Event {
  enum Kind : std::uint8_t {
    Move, Press, Release, PressElsewhere, EndDrag, Key, ZoomDown, ZoomUp, Resize, Close, Open, Count
  };
  Kind kind;
  int x = 0;
  int y = 0;
  unsigned keys = 0;
};

std::vector<Event> readEvents(FuzzedDataProvider& in) {
  std::vector<Event> events;
  while (in.remaining_bytes() > 0 && events.size() < 64) {
    Event e{static_cast<Event::Kind>(in.ConsumeIntegralInRange<int>(0, Event::Count - 1))};
    switch (e.kind) {
      case Event::Move:
        // Signed 16-bit client coordinates, as a captured pointer reports them.
        e.x = in.ConsumeIntegral<std::int16_t>();
        e.y = in.ConsumeIntegral<std::int16_t>();
        e.keys = in.ConsumeIntegral<std::uint8_t>() & 0x1Fu;
        break;
      case Event::Key:
        e.keys = in.ConsumeIntegralInRange<unsigned>(0, 2);
        break;
      case Event::Resize:
        e.x = in.ConsumeIntegral<std::int16_t>();
        e.y = in.ConsumeIntegral<std::int16_t>();
        break;
      default:
        break;
    }
    events.push_back(e);
  }
  return events;
}

PanelRequest apply(SpectrumPanel& p, const Event& e, const zel::MeasurementRecord& record) {
  switch (e.kind) {
    case Event::Move: return p.mouseMove(e.x, e.y, e.keys);
    case Event::Press: return p.leftButtonDown();
    case Event::Release: return p.leftButtonUp();
    case Event::PressElsewhere: p.noteButtonPress(); return {};
    case Event::EndDrag: p.endDrag(); return {};
    case Event::Key: {
      static constexpr zel::viewer::Key kKeys[] = {zel::viewer::Key::Left, zel::viewer::Key::Right,
                                                   zel::viewer::Key::Other};
      return p.keyDown(kKeys[e.keys]);
    }
    case Event::ZoomDown: return p.zoomDown();
    case Event::ZoomUp: return p.zoomUp();
    case Event::Resize: p.setClientSize(e.x, e.y); return {};
    case Event::Close: p.close(); return {};
    case Event::Open: return p.open(record);
    case Event::Count: break;
  }
  return {};
}

void checkTexts(const SpectrumPanel& p) {
  char title[SpectrumPanel::kTitleBuffer];
  const int titleLength = p.titleText(title);
  require(titleLength > 0 && titleLength < SpectrumPanel::kTitleBuffer && title[titleLength] == '\0', "title text");
  char readOut[SpectrumPanel::kReadOutTextBuffer];
  const int readOutLength = p.readOutText(readOut);
  require(readOutLength > 0 && readOutLength <= SpectrumPanel::kReadOutTextBuffer, "read-out text");
  for (int w = 0; w < p.windowCount(); ++w) {
    // The texts live in fixed fields of the panel, where an overrun would
    // go unseen by the address checks.
    require(!p.windowRangeText(w).empty() && p.windowRangeText(w).size() < 16, "window range text");
    require(!p.windowSumText(w).empty() && p.windowSumText(w).size() <= zel::kMaxDwordText, "window sum text");
  }
}

void checkState(const SpectrumPanel& p, PanelRequest request) {
  require(!request.readOut || request.redraw, "a read-out without a redraw");
  require(p.zoomStep() >= SpectrumPanel::kMinZoomStep && p.zoomStep() <= SpectrumPanel::kMaxZoomStep, "zoom step");
  require(p.draggedBoundary() >= 0 && p.draggedBoundary() < p.boundaryCount(), "dragged boundary");
  if (p.readOutActive()) {
    // Only the channels of the plot band have a read-out.
    require(p.readOutChannel() >= 18 && p.readOutChannel() <= 255, "read-out channel");
    require(p.cursorX() > 12 && p.cursorX() < 780, "cursor on the plot");
  }
  if (p.moved()) require(p.boundary(p.draggedBoundary()) <= 254, "a dragged boundary past channel 254");
}

void checkDrawing(const SpectrumPanel& p, zel::RecordingSurface& out) {
  p.draw(out);
  zel::fuzz::requireDrawnInside(out, SpectrumPanel::kWindowWidth, SpectrumPanel::kWindowHeight, "spectrum panel");
  if (p.readOutActive()) {
    zel::RecordingSurface readOut;
    p.drawReadOut(readOut);
    const auto place = p.readOutPlacement(true);
    zel::fuzz::requireDrawnInside(readOut, place.width, place.height, "read-out");
    require(place.left >= 0 && place.top >= 0, "read-out window left of or above the panel");
  }
}

// Runs the events; returns the last drawing of the panel.
zel::RecordingSurface run(int mode, bool startOpen, const zel::MeasurementRecord& record,
                          const std::vector<Event>& events) {
  SpectrumPanel panel(mode);
  if (startOpen) panel.open(record);
  zel::RecordingSurface last;
  for (const Event& e : events) {
    const PanelRequest request = apply(panel, e, record);
    checkState(panel, request);
    if (request.redraw) {
      last = zel::RecordingSurface();
      checkDrawing(panel, last);
    }
  }
  checkTexts(panel);
  zel::RecordingSurface final;
  checkDrawing(panel, final);
  return final;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  zel::MeasurementRecord record;
  const std::vector<std::uint8_t> bytes = in.ConsumeBytes<std::uint8_t>(zel::kRecordSize);
  std::copy(bytes.begin(), bytes.end(), record.bytes.begin());
  const int mode = kViewerModes[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kViewerModes) - 1)];
  const bool startOpen = in.ConsumeBool();
  const std::vector<Event> events = readEvents(in);
  const zel::RecordingSurface first = run(mode, startOpen, record, events);
  const zel::RecordingSurface second = run(mode, startOpen, record, events);
  zel::fuzz::requireSameDrawing(first, second, "spectrum panel");
  return 0;
}
