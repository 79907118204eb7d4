#include "browser/list_view.h"

#include <algorithm>

#include "browser/browser_text.h"
#include "common/cp1251.h"
#include "common/mode_table.h"
#include "common/text_format.h"

namespace zel::browser {

namespace {

constexpr Cp1251Text kPlusMinus{" ± "};

constexpr int kRowBlanks = 264;
constexpr int kDateX = 7;
constexpr int kTimeX = 75;
constexpr int kModeX = 144;
constexpr int kErrorOffset = 36;
// The thoron text "  < 0.5 " starts this far left of the value column.
constexpr int kBelowHalfOffset = 14;

// Value column by category, so radon values stand under "Crn(Bq/m3)", EEC
// values under "EEC(Bq/m3)" and the pulse counts of manual modes between.
int valueColumn(std::uint8_t category) {
  switch (category) {
    case kCategoryEec: return 426;
    case kCategoryManual: return 378;
    default: return 314;
  }
}

void drawText(Surface& s, int x, int y, const char* begin, const char* end) {
  s.textOut(x, y, begin, static_cast<int>(end - begin));
}

void drawError(Surface& s, int x, int y, std::uint32_t error) {
  char buf[8 + kMaxDwordText];
  char* p = buf;
  for (int i = 0; i < kPlusMinus.length(); ++i) *p++ = kPlusMinus.data[i];
  p = formatDword(p, error);
  drawText(s, x, y, buf, p);
}

void drawValue(Surface& s, int y, const RecordSummary& r) {
  const int x = valueColumn(r.category);
  char buf[kMaxFixed3Text + kMaxDwordText];
  switch (valueForm(r)) {
    case ValueForm::Float:
      drawText(s, x, y, buf, formatFixed3(buf, r.value));
      return;
    case ValueForm::Tenths:
      if (tenthsBelowHalf(r.value)) {
        s.textOut(x - kBelowHalfOffset, y, kBelowHalf.data(), static_cast<int>(kBelowHalf.size()));
        return;
      }
      drawText(s, x, y, buf, formatTenths(buf, r.value));
      drawError(s, x + kErrorOffset, y, r.error);
      return;
    case ValueForm::Number:
      drawText(s, x, y, buf, formatDword(buf, r.value));
      if (r.category != kCategoryManual) drawError(s, x + kErrorOffset, y, r.error);
      return;
  }
}

void drawRow(Surface& s, int y, const RecordSummary& r) {
  s.setTextColor(r.mark != 0 ? kMarkedText : kBlack);
  s.textOut(0, y, blankRun(), kRowBlanks);
  char buf[16];
  drawText(s, kDateX, y, buf, formatListDate(buf, r.day, r.month, r.year));
  drawText(s, kTimeX, y, buf, formatListTime(buf, r.hour, r.minute, r.second));
  const ModeNameEntry& mode = modeName(r.modeCode);
  s.textOut(kModeX, y, mode.name, std::min<int>(mode.drawnLength, sizeof mode.name));
  drawValue(s, y, r);
}

}  // namespace

ListView::ListView(int clientWidth, int clientHeight)
    : width_(clientWidth),
      height_(clientHeight),
      rows_(clientHeight > 0 ? static_cast<std::uint32_t>(clientHeight / kRowHeight) : 0) {}

void ListView::setList(SummaryList list) {
  list_ = std::move(list);
  top_ = 0;
  scrollMax_ = list_.size() > rows_ ? list_.size() - rows_ : 0;
  marking_ = false;
  lastToggled_ = kNoRow;
  wheelRest_ = 0;
}

ListUpdate ListView::moveTop(std::uint32_t top) {
  if (top == top_) return {};
  top_ = top;
  return {.redraw = true};
}

ListUpdate ListView::scroll(unsigned request, std::uint32_t trackPosition) {
  if (!holdsRecords()) return {};
  const std::uint32_t count = list_.size();
  switch (request & 0xFFu) {
    case kLineUp:
      return top_ > 0 ? moveTop(top_ - 1) : ListUpdate{};
    case kLineDown:
      return top_ < scrollMax_ ? moveTop(top_ + 1) : ListUpdate{};
    case kPageUp:
      return top_ > 0 ? moveTop(top_ > rows_ ? top_ - rows_ : 0) : ListUpdate{};
    case kPageDown:
      if (count - top_ <= rows_) return {};
      return moveTop(std::min(top_ + rows_, count - rows_));
    case kThumbTrack:
      top_ = std::min(trackPosition, scrollMax_);
      return {.redraw = true};
    default:
      return {};
  }
}

ListUpdate ListView::wheel(int delta) {
  if (!holdsRecords()) return {};
  // A turn the other way starts afresh rather than first using up the rest.
  if ((delta > 0 && wheelRest_ < 0) || (delta < 0 && wheelRest_ > 0)) wheelRest_ = 0;
  wheelRest_ += delta;
  const std::int64_t notches = wheelRest_ / kWheelNotch;
  wheelRest_ -= notches * kWheelNotch;
  // Away from the user (positive) moves the list up.
  const std::int64_t top = std::clamp<std::int64_t>(std::int64_t{top_} - notches, 0, scrollMax_);
  return moveTop(static_cast<std::uint32_t>(top));
}

bool ListView::toggleAt(int x, int y) {
  const std::optional<std::uint32_t> row = recordAt(x, y);
  if (!row || *row == lastToggled_) return false;
  lastToggled_ = *row;
  RecordSummary& r = list_[*row];
  r.mark = r.mark == 0 ? 1 : 0;
  return true;
}

ListUpdate ListView::mouseMove(int x, int y) {
  if (!holdsRecords()) return {};
  // While captured, the pointer may be anywhere on the screen: beyond the
  // panel it neither moves the highlight nor marks a record.
  if (x < 0 || x >= width_ || y < 0 || y >= height_) return {};
  hoverY_ = ((y & 4095) / kRowHeight) * kRowHeight + kRowTop;
  if (!marking_) return {.redraw = true};
  return {.redraw = toggleAt(x, y)};
}

ListUpdate ListView::rightButtonDown(int x, int y) {
  if (!holdsRecords()) return {};
  marking_ = true;
  return {.redraw = toggleAt(x, y), .capture = ListUpdate::Capture::Set};
}

ListUpdate ListView::rightButtonUp() {
  if (!marking_) return {};
  marking_ = false;
  lastToggled_ = kNoRow;
  return {.capture = ListUpdate::Capture::Release};
}

std::optional<std::uint32_t> ListView::recordAt(int x, int y) const {
  // Only the whole rows on screen count: the strip below the last of them
  // shows no record.
  if (x < 0 || x >= width_ || y < 0) return std::nullopt;
  const auto screenRow = static_cast<std::uint32_t>(y / kRowHeight);
  if (screenRow >= rows_) return std::nullopt;
  const std::uint64_t row = std::uint64_t{top_} + screenRow;
  if (row >= list_.size()) return std::nullopt;
  return static_cast<std::uint32_t>(row);
}

void ListView::draw(Surface& s) const {
  s.selectFont(FontRole::Browser);
  s.setBkColor(kBrowserBackground);
  const std::uint32_t shown = std::min(rows_, list_.size() - std::min(top_, list_.size()));
  int y = kRowTop;
  for (std::uint32_t i = 0; i < shown; ++i, y += kRowHeight) {
    const bool hovered = y == hoverY_;
    if (hovered) s.setBkColor(kHoverBackground);
    drawRow(s, y, list_[top_ + i]);
    if (hovered) s.setBkColor(kBrowserBackground);
  }
  // Rows below the last record, each at its own position, so nothing of a
  // longer list loaded before stays visible.
  for (std::uint32_t i = shown; i < rows_; ++i, y += kRowHeight) s.textOut(0, y, blankRun(), kRowBlanks);
}

}  // namespace zel::browser
