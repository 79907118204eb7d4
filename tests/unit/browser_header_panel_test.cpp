#include "browser/header_panel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "browser/list_view.h"
#include "common/recording_surface.h"

namespace zel::browser {
namespace {

struct Placed {
  int x;
  int y;
  std::string text;
  friend bool operator==(const Placed&, const Placed&) = default;
};

void PrintTo(const Placed& p, std::ostream* os) { *os << "(" << p.x << ", " << p.y << ", \"" << p.text << "\")"; }

std::vector<Placed> placed(const RecordingSurface& s) {
  std::vector<Placed> out;
  for (const DrawCall& c : s.texts()) {
    EXPECT_EQ(c.font, FontRole::Browser);
    EXPECT_EQ(c.textColor, kBlack);
    EXPECT_EQ(c.bkColor, kBrowserBackground);
    out.push_back({c.x, c.y, c.text});
  }
  return out;
}

TEST(HeaderPanelTest, DrawsTheColumnHeadings) {
  RecordingSurface s;
  drawColumnHeadings(s, 524, 22);
  const std::vector<Placed> texts = placed(s);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].x, 10);
  EXPECT_EQ(texts[0].y, 4);
  EXPECT_EQ(texts[0].text.size(), 114u);
  EXPECT_EQ(texts[0].text.rfind("   Date ", 0), 0u);
  EXPECT_EQ(texts[0].text.find("Crn(Bq/m3)"), 77u);
  EXPECT_EQ(texts[0].text.substr(103), "EEC(Bq/m3) ");
}

struct ValuesCase {
  const char* name;
  std::uint32_t count;
  std::uint32_t device;
  const char* countText;
  const char* deviceText;
};

class HeaderValuesTest : public ::testing::TestWithParam<ValuesCase> {};

TEST_P(HeaderValuesTest, ClearsThenDrawsFileCountAndDevice) {
  const ValuesCase& c = GetParam();
  RecordingSurface s;
  drawHeaderValues(s, c.name, c.count, c.device);
  EXPECT_EQ(placed(s), (std::vector<Placed>{{84, 6, std::string(256, ' ')},
                                            {84, 6, c.name},
                                            {74, 30, std::string(10, ' ')},
                                            {74, 30, c.countText},
                                            {82, 54, c.deviceText}}));
}

INSTANTIATE_TEST_SUITE_P(
    Files, HeaderValuesTest,
    ::testing::Values(ValuesCase{"C:\\data\\m.kvd", 3, 1234, "    3  ", " 1234  "},
                      ValuesCase{"m.kvd", 65535, 0, "65535  ", "    0  "},
                      // Past 65,535 the count keeps all its digits; the device
                      // shows its low 16 bits.
                      ValuesCase{"m.kvd", 65536, 70001, "65536  ", " 4465  "},
                      ValuesCase{"m.kvd", 6242687, 65535, "6242687  ", "65535  "}));

}  // namespace
}  // namespace zel::browser
