#include "browser/list_view.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "browser_test_support.h"
#include "common/recording_surface.h"

namespace zel::browser {
namespace {

using test::listOf;

// The list panel of the browser's window: 528 x 344 with a client edge.
constexpr int kWidth = 524;
constexpr int kHeight = 340;

// A list of `n` radon records whose values are their indices.
SummaryList numbered(int n) {
  SummaryList list;
  EXPECT_TRUE(list.allocate(static_cast<std::uint32_t>(n)));
  for (std::uint32_t i = 0; i < list.size(); ++i) {
    list[i].modeCode = 2;
    list[i].value = i;
  }
  return list;
}

ListView viewOf(SummaryList list) {
  ListView view(kWidth, kHeight);
  view.setList(std::move(list));
  return view;
}

struct ScrollCase {
  int records;
  std::uint32_t from;
  unsigned request;
  std::uint32_t track;
  std::uint32_t to;
  bool redraw;
};

class ScrollTest : public ::testing::TestWithParam<ScrollCase> {};

TEST_P(ScrollTest, MovesTheTopRowWithinTheList) {
  const ScrollCase& c = GetParam();
  ListView view = viewOf(numbered(c.records));
  view.scroll(kThumbTrack, c.from);
  ASSERT_EQ(view.topRow(), c.from);
  const ListUpdate update = view.scroll(c.request, c.track);
  EXPECT_EQ(view.topRow(), c.to);
  EXPECT_EQ(update.redraw, c.redraw);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, ScrollTest,
    ::testing::Values(
        // A list that fits: nothing moves.
        ScrollCase{10, 0, kLineDown, 0, 0, false}, ScrollCase{10, 0, kPageDown, 0, 0, false},
        ScrollCase{10, 0, kThumbTrack, 5, 0, true},
        // 50 records in 24 rows.
        ScrollCase{50, 0, kPageDown, 0, 24, true}, ScrollCase{50, 24, kPageDown, 0, 26, true},
        ScrollCase{50, 26, kPageDown, 0, 26, false}, ScrollCase{50, 26, kPageUp, 0, 2, true},
        ScrollCase{50, 2, kPageUp, 0, 0, true}, ScrollCase{50, 0, kPageUp, 0, 0, false},
        ScrollCase{50, 0, kLineDown, 0, 1, true}, ScrollCase{50, 25, kLineDown, 0, 26, true},
        ScrollCase{50, 26, kLineDown, 0, 26, false}, ScrollCase{50, 1, kLineUp, 0, 0, true},
        ScrollCase{50, 0, kLineUp, 0, 0, false}, ScrollCase{50, 3, kThumbTrack, 17, 17, true},
        ScrollCase{50, 3, kThumbTrack, 40, 26, true}, ScrollCase{50, 3, kThumbPosition, 17, 3, false},
        ScrollCase{50, 3, kBottom, 0, 3, false},
        // Only the low byte of the request counts.
        ScrollCase{50, 3, 0x0101, 0, 4, true},
        // Past 65,535 records the track position reaches every record.
        ScrollCase{100000, 0, kThumbTrack, 99976, 99976, true},
        ScrollCase{100000, 99976, kLineDown, 0, 99976, false},
        ScrollCase{100000, 99970, kPageDown, 0, 99976, true}));

struct WheelCase {
  int records;
  std::uint32_t from;
  std::vector<int> deltas;
  std::uint32_t to;
  int redraws;
};

class WheelTest : public ::testing::TestWithParam<WheelCase> {};

TEST_P(WheelTest, ScrollsOneRowPerNotchOfAddedDelta) {
  const WheelCase& c = GetParam();
  ListView view = viewOf(numbered(c.records));
  view.scroll(kThumbTrack, c.from);
  int redraws = 0;
  for (int delta : c.deltas) redraws += view.wheel(delta).redraw ? 1 : 0;
  EXPECT_EQ(view.topRow(), c.to);
  EXPECT_EQ(redraws, c.redraws);
}

INSTANTIATE_TEST_SUITE_P(
    Deltas, WheelTest,
    ::testing::Values(WheelCase{50, 10, {120}, 9, 1}, WheelCase{50, 10, {-120}, 11, 1},
                      WheelCase{50, 10, {240}, 8, 1}, WheelCase{50, 10, {40, 40, 40}, 9, 1},
                      WheelCase{50, 10, {-30, -30, -30, -30, -30}, 11, 1}, WheelCase{50, 10, {112}, 10, 0},
                      WheelCase{50, 10, {112, 8}, 9, 1},
                      // A turn the other way does not first use up the rest.
                      WheelCase{50, 10, {100, -100}, 10, 0}, WheelCase{50, 10, {60, -120}, 11, 1},
                      // At either end the list stays put.
                      WheelCase{50, 0, {120}, 0, 0}, WheelCase{50, 26, {-120}, 26, 0},
                      WheelCase{50, 3, {1200}, 0, 1}, WheelCase{50, 20, {-1200}, 26, 1},
                      WheelCase{10, 0, {120}, 0, 0}, WheelCase{10, 0, {-120}, 0, 0}));

// Mouse events on the list panel; y is the client y of the pointer.
struct Event {
  enum Kind { Down, Move, Up, Wheel } kind;
  int y;
  int x = 100;
};

struct MarkCase {
  const char* what;
  int records;
  std::vector<Event> events;
  std::set<std::uint32_t> marked;
  bool markingAtEnd;
};

class MarkTest : public ::testing::TestWithParam<MarkCase> {};

TEST_P(MarkTest, TogglesEachRowThePointerEnters) {
  const MarkCase& c = GetParam();
  ListView view = viewOf(numbered(c.records));
  for (const Event& e : c.events) {
    switch (e.kind) {
      case Event::Down: {
        const ListUpdate u = view.rightButtonDown(e.x, e.y);
        EXPECT_EQ(u.capture, ListUpdate::Capture::Set) << c.what;
        break;
      }
      case Event::Move: view.mouseMove(e.x, e.y); break;
      case Event::Up: view.rightButtonUp(); break;
      case Event::Wheel: view.wheel(e.y); break;
    }
  }
  std::set<std::uint32_t> marked;
  for (std::uint32_t i = 0; i < view.recordCount(); ++i)
    if (view.list()[i].mark != 0) marked.insert(i);
  EXPECT_EQ(marked, c.marked) << c.what;
  EXPECT_EQ(view.marking(), c.markingAtEnd) << c.what;
}

constexpr int row(int i) { return 14 * i + 5; }

INSTANTIATE_TEST_SUITE_P(
    Sequences, MarkTest,
    ::testing::Values(
        MarkCase{"a press toggles its row", 50, {{Event::Down, row(3)}, {Event::Up, 0}}, {3}, false},
        MarkCase{"a second press unmarks", 50,
                 {{Event::Down, row(3)}, {Event::Up, 0}, {Event::Down, row(3)}, {Event::Up, 0}}, {}, false},
        MarkCase{"drag down and back up", 50,
                 {{Event::Down, row(1)},
                  {Event::Move, row(2)},
                  {Event::Move, row(3)},
                  {Event::Move, row(4)},
                  {Event::Move, row(3)},
                  {Event::Move, row(2)},
                  {Event::Move, row(1)},
                  {Event::Up, 0}},
                 {4}, false},
        MarkCase{"moves inside one row toggle it once", 50,
                 {{Event::Down, row(5)}, {Event::Move, row(5) + 3}, {Event::Move, row(5) + 6}, {Event::Up, 0}},
                 {5}, false},
        MarkCase{"a row the pointer skips stays", 50,
                 {{Event::Down, row(1)}, {Event::Move, row(4)}, {Event::Up, 0}}, {1, 4}, false},
        MarkCase{"moving without the button marks nothing", 50,
                 {{Event::Move, row(1)}, {Event::Move, row(2)}}, {}, false},
        MarkCase{"blank rows below the last record", 10,
                 {{Event::Down, row(12)}, {Event::Move, row(9)}, {Event::Move, row(15)}, {Event::Move, row(9)},
                  {Event::Up, 0}},
                 {9}, false},
        MarkCase{"the strip below the last whole row", 50,
                 {{Event::Down, 337}, {Event::Move, 339}, {Event::Up, 0}}, {}, false},
        MarkCase{"a captured pointer above, below and beside the panel", 50,
                 {{Event::Down, row(0)},
                  {Event::Move, -5},
                  {Event::Move, -200},
                  {Event::Move, 400},
                  {Event::Move, row(2), -3},
                  {Event::Move, row(2), 600},
                  {Event::Up, 0}},
                 {0}, false},
        MarkCase{"the release anywhere ends marking", 50,
                 {{Event::Down, row(0)}, {Event::Move, -40}, {Event::Up, 0}, {Event::Move, row(6)}}, {0}, false},
        MarkCase{"still marking until released", 50, {{Event::Down, row(0)}, {Event::Move, row(1)}}, {0, 1}, true},
        MarkCase{"the list scrolls under a held button", 50,
                 {{Event::Down, row(0)}, {Event::Wheel, -120}, {Event::Move, row(0) + 1}, {Event::Up, 0}}, {0, 1},
                 false},
        MarkCase{"rows past the top of a scrolled list", 50,
                 {{Event::Wheel, -240}, {Event::Down, row(23)}, {Event::Up, 0}}, {25}, false}));

TEST(ListViewTest, ReleaseAsksToFreeThePointerOnlyWhileMarking) {
  ListView view = viewOf(numbered(5));
  EXPECT_EQ(view.rightButtonUp().capture, ListUpdate::Capture::Keep);
  view.rightButtonDown(10, row(0));
  EXPECT_EQ(view.rightButtonUp().capture, ListUpdate::Capture::Release);
}

// ---- Drawing ----

struct Text {
  int x;
  std::string text;
  friend bool operator==(const Text&, const Text&) = default;
};

void PrintTo(const Text& t, std::ostream* os) { *os << "(" << t.x << ", \"" << t.text << "\")"; }

// The texts of the row drawn at `y`, blanks of the background left out.
std::vector<Text> rowTexts(const RecordingSurface& s, int y) {
  std::vector<Text> out;
  for (const DrawCall& c : s.texts())
    if (c.y == y && c.text.find_first_not_of(' ') != std::string::npos) out.push_back({c.x, c.text});
  return out;
}

const std::string kPm = " \xB1 ";

struct RowCase {
  const char* record;
  std::vector<Text> value;  // what follows the date, time and mode name
};

class RowTextTest : public ::testing::TestWithParam<RowCase> {};

TEST_P(RowTextTest, DrawsTheValueInItsColumn) {
  ListView view = viewOf(listOf(std::string("date=05.07.2019 time=09:04:07 ") + GetParam().record));
  RecordingSurface s;
  view.draw(s);
  const std::vector<Text> texts = rowTexts(s, 2);
  ASSERT_GE(texts.size(), 3u);
  EXPECT_EQ(texts[0], (Text{7, "05.07.2019"}));
  EXPECT_EQ(texts[1], (Text{75, "09:04:07"}));
  EXPECT_EQ(texts[2].x, 144);
  EXPECT_EQ(std::vector<Text>(texts.begin() + 3, texts.end()), GetParam().value) << GetParam().record;
}

INSTANTIATE_TEST_SUITE_P(
    Modes, RowTextTest,
    ::testing::Values(
        RowCase{"mode=1 primaryResult=186 primaryError=37", {{314, "186"}, {350, kPm + "37"}}},
        RowCase{"mode=3 primaryResult=1234 primaryError=1187", {{314, "1234"}, {350, kPm + "246"}}},
        RowCase{"mode=21 integralResult=171 integralError=18 primaryResult=1", {{314, "171"}, {350, kPm + "18"}}},
        RowCase{"mode=14 eecRn=57 eecRnError=8", {{426, "57"}, {462, kPm + "8"}}},
        RowCase{"mode=7 ca=0.25 eecRn=5", {{426, "0.250"}}},
        RowCase{"mode=7 ca=12345.5", {{426, "12345.500"}}},
        RowCase{"mode=7 ca=3e6", {{426, "-.---"}}},
        RowCase{"mode=20 primaryResult=4 primaryError=3", {{412, "  < 0.5 "}}},
        RowCase{"mode=20 primaryResult=4294967295 primaryError=3", {{412, "  < 0.5 "}}},
        RowCase{"mode=20 primaryResult=5 primaryError=3", {{426, "0.5"}, {462, kPm + "3"}}},
        RowCase{"mode=20 primaryResult=45 primaryError=12", {{426, "4.5"}, {462, kPm + "12"}}},
        RowCase{"mode=20 primaryResult=90 primaryError=12", {{426, "9.0"}, {462, kPm + "12"}}},
        RowCase{"mode=20 primaryResult=91 primaryError=12", {{426, "9"}, {462, kPm + "12"}}},
        RowCase{"mode=20 primaryResult=123 primaryError=0", {{426, "12"}, {462, kPm + "0"}}},
        RowCase{"mode=10 pulseCount=1650 primaryError=5", {{378, "1650"}}},
        RowCase{"mode=263 ca=0.25 primaryResult=9 primaryError=2", {{314, "9"}, {350, kPm + "2"}}},
        RowCase{"mode=276 primaryResult=4 primaryError=2", {{314, "4"}, {350, kPm + "2"}}}));

struct ModeNameCase {
  int mode;
  std::string drawn;
};

class ModeNameTest : public ::testing::TestWithParam<ModeNameCase> {};

TEST_P(ModeNameTest, DrawsTheNameWithItsDrawnLength) {
  ListView view = viewOf(listOf("mode=" + std::to_string(GetParam().mode)));
  RecordingSurface s;
  view.draw(s);
  const DrawCall* name = s.textAt(144, 2);
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->text, GetParam().drawn);
}

INSTANTIATE_TEST_SUITE_P(Codes, ModeNameTest,
                         ::testing::Values(ModeNameCase{0, "???" + std::string(15, ' ')},
                                           ModeNameCase{24, "CTn "}, ModeNameCase{26, "CRn 60"},
                                           ModeNameCase{22, "EEC  - 10 "},
                                           ModeNameCase{300, "???" + std::string(15, ' ')},
                                           ModeNameCase{65535, "???" + std::string(15, ' ')}));

TEST(ListDrawTest, ClearsEveryRowFromTheLeftEdgeAtItsOwnPosition) {
  ListView view = viewOf(numbered(10));
  RecordingSurface s;
  view.draw(s);
  std::vector<int> cleared;
  for (const DrawCall& c : s.texts()) {
    EXPECT_EQ(c.font, FontRole::Browser);
    if (c.text == std::string(264, ' ')) {
      EXPECT_EQ(c.x, 0);
      EXPECT_EQ(c.bkColor, kBrowserBackground);
      cleared.push_back(c.y);
    }
  }
  std::vector<int> expected;
  for (int i = 0; i < 24; ++i) expected.push_back(2 + 14 * i);
  EXPECT_EQ(cleared, expected);
  // Nothing is drawn below the rows that lie in the panel.
  for (const DrawCall& c : s.texts()) EXPECT_LE(c.y, 2 + 14 * 23);
}

TEST(ListDrawTest, ShowsTheRowsFromTheTopRow) {
  ListView view = viewOf(numbered(50));
  view.scroll(kPageDown);
  view.scroll(kPageDown);
  RecordingSurface s;
  view.draw(s);
  ASSERT_NE(s.textAt(314, 2), nullptr);
  EXPECT_EQ(s.textAt(314, 2)->text, "26");
  ASSERT_NE(s.textAt(314, 2 + 14 * 23), nullptr);
  EXPECT_EQ(s.textAt(314, 2 + 14 * 23)->text, "49");
}

TEST(ListDrawTest, DrawsMarkedRowsMagentaAndTheRowUnderThePointerOnYellow) {
  ListView view = viewOf(numbered(5));
  view.rightButtonDown(10, row(1));
  view.rightButtonUp();
  view.mouseMove(10, row(3));
  EXPECT_EQ(view.hoverY(), 2 + 14 * 3);
  RecordingSurface s;
  view.draw(s);
  for (const DrawCall& c : s.texts()) {
    const int screenRow = (c.y - 2) / 14;
    EXPECT_EQ(c.textColor, screenRow == 1 ? kMarkedText : kBlack) << "row " << screenRow;
    EXPECT_EQ(c.bkColor, screenRow == 3 ? kHoverBackground : kBrowserBackground) << "row " << screenRow;
  }
}

TEST(ListViewTest, AHighlightStaysWhenTheCapturedPointerLeavesThePanel) {
  ListView view = viewOf(numbered(50));
  view.mouseMove(10, row(4));
  view.rightButtonDown(10, row(4));
  EXPECT_FALSE(view.mouseMove(10, -30).redraw);
  EXPECT_EQ(view.hoverY(), 2 + 14 * 4);
}

}  // namespace
}  // namespace zel::browser
