// The list panel: the summaries as rows of 14 pixels, scrolled by the scroll
// bar and the wheel, highlighted under the mouse, marked with the right
// button.
//
// What the shell does with a ListUpdate:
// - redraw: call draw() on the panel's off-screen bitmap, set the scroll bar's
//   position to topRow() (SetScrollInfo, so positions past 65,535 hold), and
//   invalidate the panel without erasing;
// - Capture::Set: SetCapture on the list panel, so the release of the right
//   button arrives wherever it happens; Capture::Release: ReleaseCapture.
//   WM_CAPTURECHANGED is passed on as rightButtonUp().
// Mouse positions are the signed client coordinates of lParam
// (GET_X_LPARAM / GET_Y_LPARAM); while the pointer is captured they may lie
// outside the panel. For SB_THUMBTRACK the shell passes the 32-bit track
// position from GetScrollInfo (SIF_TRACKPOS), not the 16-bit one of wParam.
// A handled wheel message returns 0 and is not passed to DefWindowProcA,
// which would hand it to the parent window, the same list, a second time.
#pragma once

#include <cstdint>
#include <optional>

#include "browser/summary_list.h"
#include "common/surface.h"

namespace zel::browser {

inline constexpr int kRowHeight = 14;
inline constexpr int kRowTop = 2;  // y of the first row's top
inline constexpr int kWheelNotch = 120;

inline constexpr Color kBrowserBackground = rgb(255, 252, 252);
inline constexpr Color kHoverBackground = rgb(254, 255, 151);
inline constexpr Color kMarkedText = rgb(255, 0, 255);

// The scroll bar's request codes, as the low byte of WM_VSCROLL's wParam.
enum ScrollRequest : unsigned {
  kLineUp = 0,
  kLineDown = 1,
  kPageUp = 2,
  kPageDown = 3,
  kThumbPosition = 4,
  kThumbTrack = 5,
  kTop = 6,
  kBottom = 7,
  kEndScroll = 8,
};

struct ListUpdate {
  enum class Capture : std::uint8_t { Keep, Set, Release };
  bool redraw = false;
  Capture capture = Capture::Keep;
};

class ListView {
 public:
  // The panel's client size: the number of whole rows follows from the
  // height, and pointer positions outside it touch no row.
  ListView(int clientWidth, int clientHeight);

  // A freshly loaded list: top row 0, no marks, no marking in progress.
  void setList(SummaryList list);

  bool holdsRecords() const { return !list_.empty(); }
  const SummaryList& list() const { return list_; }
  std::uint32_t recordCount() const { return list_.size(); }
  std::uint32_t topRow() const { return top_; }
  std::uint32_t rows() const { return rows_; }
  std::uint32_t scrollMaximum() const { return scrollMax_; }
  int hoverY() const { return hoverY_; }
  bool marking() const { return marking_; }

  ListUpdate scroll(unsigned request, std::uint32_t trackPosition = 0);
  // One row per notch of 120, the remainder kept for the next message in the
  // same direction: fine-grained wheels and touchpads scroll once their
  // deltas add up, and a double notch scrolls two rows.
  ListUpdate wheel(int delta);
  ListUpdate mouseMove(int x, int y);
  ListUpdate rightButtonDown(int x, int y);
  ListUpdate rightButtonUp();

  // The record shown in the row under the point, if any.
  std::optional<std::uint32_t> recordAt(int x, int y) const;

  // Renders every row of the panel from the top row.
  void draw(Surface& surface) const;

 private:
  ListUpdate moveTop(std::uint32_t top);
  bool toggleAt(int x, int y);

  static constexpr std::uint32_t kNoRow = 0xFFFFFFFFu;

  SummaryList list_;
  int width_;
  int height_;
  std::uint32_t rows_;
  std::uint32_t top_ = 0;
  std::uint32_t scrollMax_ = 0;
  int hoverY_ = 0;  // 0 matches no row
  bool marking_ = false;
  std::uint32_t lastToggled_ = kNoRow;
  std::int64_t wheelRest_ = 0;
};

}  // namespace zel::browser
