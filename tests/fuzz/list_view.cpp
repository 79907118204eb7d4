// The browser's list panel over any file, driven by any sequence of scroll
// requests, wheel turns, pointer moves and right-button marking, in a list
// panel of any client size up to the panel window's.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "browser/list_view.h"
#include "support/fuzz_check.h"

namespace {

using zel::fuzz::require;
using namespace zel::browser;

// The list panel window, as the browser creates it.
constexpr int kPanelWidth = 528;
constexpr int kPanelHeight = 344;

struct Event {
  enum Kind : std::uint8_t { Scroll, Wheel, Move, RightDown, RightUp, Count };
  Kind kind;
  int x = 0;
  int y = 0;
  std::uint32_t value = 0;
};

std::vector<Event> readEvents(FuzzedDataProvider& in) {
  std::vector<Event> events(in.ConsumeIntegralInRange<std::size_t>(0, 64));
  for (Event& e : events) {
    e.kind = static_cast<Event::Kind>(in.ConsumeIntegralInRange<int>(0, Event::Count - 1));
    switch (e.kind) {
      case Event::Scroll:
        e.x = in.ConsumeIntegral<std::uint16_t>();
        e.value = in.ConsumeIntegral<std::uint32_t>();
        break;
      case Event::Wheel:
        e.value = in.ConsumeIntegral<std::uint32_t>();
        break;
      case Event::Move:
      case Event::RightDown:
        e.x = in.ConsumeIntegral<std::int16_t>();
        e.y = in.ConsumeIntegral<std::int16_t>();
        break;
      default:
        break;
    }
  }
  return events;
}

ListUpdate apply(ListView& view, const Event& e) {
  switch (e.kind) {
    case Event::Scroll: return view.scroll(static_cast<unsigned>(e.x), e.value);
    case Event::Wheel: return view.wheel(static_cast<std::int32_t>(e.value));
    case Event::Move: return view.mouseMove(e.x, e.y);
    case Event::RightDown: return view.rightButtonDown(e.x, e.y);
    case Event::RightUp: return view.rightButtonUp();
    case Event::Count: break;
  }
  return {};
}

void checkView(const ListView& view, int height) {
  const std::uint32_t count = view.recordCount();
  require(view.rows() == static_cast<std::uint32_t>(height / kRowHeight), "rows of the panel");
  require(view.scrollMaximum() == (count > view.rows() ? count - view.rows() : 0), "scroll maximum");
  require(view.topRow() <= view.scrollMaximum(), "top row past the scroll maximum");
  require(view.hoverY() == 0 || (view.hoverY() - kRowTop) % kRowHeight == 0, "highlight between rows");
  for (const RecordSummary& r : view.list()) require(r.mark <= 1, "a mark other than 0 or 1");
}

void checkDrawing(const ListView& view, int height, zel::RecordingSurface& out) {
  view.draw(out);
  zel::fuzz::requireDrawnInside(out, kPanelWidth, height, "list panel");
  // Every whole row is drawn over, so nothing of an earlier list stays.
  std::uint32_t rowStarts = 0;
  for (const zel::DrawCall& c : out.calls)
    if (c.kind == zel::DrawCall::Kind::Text && c.x == 0) ++rowStarts;
  require(rowStarts == view.rows(), "not every row drawn");
}

std::vector<std::uint8_t> marks(const ListView& view) {
  std::vector<std::uint8_t> out;
  for (const RecordSummary& r : view.list()) out.push_back(r.mark);
  return out;
}

zel::RecordingSurface run(const SummaryList& source, int width, int height, const std::vector<Event>& events,
                          std::vector<std::uint8_t>& finalMarks) {
  ListView view(width, height);
  SummaryList list;
  if (source.size() > 0 && list.allocate(source.size()))
    std::copy(source.begin(), source.end(), &list[0]);
  view.setList(std::move(list));
  checkView(view, height);
  for (const Event& e : events) {
    const ListUpdate update = apply(view, e);
    checkView(view, height);
    if (update.capture == ListUpdate::Capture::Set) require(view.marking(), "capture without marking");
    if (update.redraw) {
      zel::RecordingSurface s;
      checkDrawing(view, height, s);
    }
    if (e.kind == Event::Move || e.kind == Event::RightDown) {
      const auto row = view.recordAt(e.x, e.y);
      require(!row || (*row >= view.topRow() && *row < view.recordCount() && *row - view.topRow() < view.rows()),
              "a record under the pointer that is not on the panel");
    }
  }
  finalMarks = marks(view);
  zel::RecordingSurface last;
  checkDrawing(view, height, last);
  return last;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  // GetClientRect gives at most the window's size.
  const int width = in.ConsumeIntegralInRange<int>(0, kPanelWidth);
  const int height = in.ConsumeIntegralInRange<int>(0, kPanelHeight);
  const std::vector<Event> events = readEvents(in);
  const std::vector<std::uint8_t> file = in.ConsumeRemainingBytes<std::uint8_t>();
  SummaryList list;
  readSummaryList(file.data(), file.size(), list);

  std::vector<std::uint8_t> firstMarks, secondMarks;
  const zel::RecordingSurface first = run(list, width, height, events, firstMarks);
  const zel::RecordingSurface second = run(list, width, height, events, secondMarks);
  zel::fuzz::requireSameDrawing(first, second, "list panel");
  require(firstMarks == secondMarks, "other marks a second time");
  return 0;
}
