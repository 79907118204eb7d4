// Every viewer's result page from any 688 bytes: the page draws each stored
// value as it is, so no value may put a text outside the page or change what
// a second drawing of the same record shows.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "support/fuzz_check.h"
#include "viewer/frame/viewer_program.h"
#include "viewer/pages/page_text.h"
#include "viewer/pages/pages.h"

namespace {

struct Page {
  const char* name;
  zel::viewer::DrawResultPage draw;
};

constexpr Page kPages[] = {
    {"ZelV_01", zel::pages::drawResultPage01}, {"ZelV_02", zel::pages::drawResultPage02},
    {"ZelV_03", zel::pages::drawResultPage03}, {"ZelV_04", zel::pages::drawResultPage04},
    {"ZelV_05", zel::pages::drawResultPage05}, {"ZelV_06", zel::pages::drawResultPage06},
    {"ZelV_07", zel::pages::drawResultPage07}, {"ZelV_10", zel::pages::drawResultPage10},
    {"ZelV_12", zel::pages::drawResultPage12}, {"ZelV_13", zel::pages::drawResultPage13},
    {"ZelV_14", zel::pages::drawResultPage14}, {"ZelV_15", zel::pages::drawResultPage15},
    {"ZelV_18", zel::pages::drawResultPage18}, {"ZelV_19", zel::pages::drawResultPage19},
    {"ZelV_20", zel::pages::drawResultPage20}, {"ZelV_21", zel::pages::drawResultPage21},
    {"ZelV_22", zel::pages::drawResultPage22}, {"ZelV_24", zel::pages::drawResultPage24},
    {"ZelV_25", zel::pages::drawResultPage25}, {"ZelV_26", zel::pages::drawResultPage26},
};

// The page frame's right side: a text that runs past it reaches the edge of
// the window, where the last characters of a long value would be cut off.
constexpr int kFrameRight = 524;

int nominalWidth(zel::FontRole font) {
  switch (font) {
    case zel::FontRole::Small: return zel::pages::kSmallWidth;
    case zel::FontRole::Large: return zel::pages::kLargeWidth;
    default: return zel::pages::kNormalWidth;
  }
}

void requireEndsInsideFrame(const zel::RecordingSurface& s, const char* page) {
  for (const zel::DrawCall& c : s.calls) {
    if (c.kind != zel::DrawCall::Kind::Text) continue;
    const int end = c.x + nominalWidth(c.font) * static_cast<int>(c.text.size());
    if (end > kFrameRight)
      zel::fuzz::fail(std::string(page) + ": text \"" + c.text + "\" ends at x = " + std::to_string(end));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A short input is a record whose tail is zero, as a viewer reads the last,
  // partial record of a file.
  zel::MeasurementRecord record;
  std::memcpy(record.bytes.data(), data, std::min(size, zel::kRecordSize));
  for (const Page& page : kPages) {
    zel::RecordingSurface first;
    page.draw(first, record);
    zel::fuzz::requireDrawnInside(first, zel::viewer::kMainWindowWidth, zel::viewer::kMainWindowHeight, page.name);
    requireEndsInsideFrame(first, page.name);
    zel::RecordingSurface second;
    page.draw(second, record);
    zel::fuzz::requireSameDrawing(first, second, page.name);
  }
  return 0;
}
