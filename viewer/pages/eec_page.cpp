// EEC page: ZelV_14, ZelV_15 and ZelV_22 draw the same page and
// differ only in their mode-name literal. EEC(Rn) and EEC(Tn) with their
// errors, Fd, the counts N1 ... N3 and the coefficients Kv, Ca, Cb, Cc.
#include <algorithm>

#include "viewer/pages/page_blocks.h"
#include "viewer/pages/pages.h"

namespace zel::pages {

namespace {

constexpr Cp1251Text kName14{"EEC  - 5                "};
constexpr Cp1251Text kName15{"EEC  - 2                "};
constexpr Cp1251Text kName22{"EEC  - 10               "};
static_assert(kName14.length() == 24 && kName15.length() == 24 && kName22.length() == 24);

constexpr Cp1251Text kEecRn{"EEC(Rn)   = "};
constexpr Cp1251Text kEecTn{"EEC(Tn)   = "};
constexpr Cp1251Text kFd{"Fd  = "};
constexpr Cp1251Text kN1{"N1 =  "};
constexpr Cp1251Text kN2{"N2 =  "};
constexpr Cp1251Text kN3{"N3 =  "};
constexpr Cp1251Text kKv{"Kv =  "};
constexpr Cp1251Text kCa{"Ca =  "};
constexpr Cp1251Text kCb{"Cb =  "};
constexpr Cp1251Text kCc{"Cc =  "};
static_assert(kEecRn.length() == 12 && kEecTn.length() == 12 && kFd.length() == 6);
static_assert(kN1.length() == 6 && kN2.length() == 6 && kN3.length() == 6 && kKv.length() == 6 &&
              kCa.length() == 6 && kCb.length() == 6 && kCc.length() == 6);

constexpr int kErrorX = 262;
constexpr int kUnitX = 332;
constexpr int kExponentX = 383;

// Every number of the block is drawn with its label as one text, followed by
// a blank.
void drawDword(Surface& s, int x, int y, std::string_view label, std::uint32_t v) {
  PageText t;
  t.append(label).dword(v).blank();
  t.draw(s, x, y);
}
void drawWord(Surface& s, int x, int y, std::string_view label, std::uint32_t v) {
  PageText t;
  t.append(label).word(v).blank();
  t.draw(s, x, y);
}
void drawFixed3(Surface& s, int x, int y, std::string_view label, std::uint32_t bits) {
  PageText t;
  t.append(label).fixed3(bits).blank();
  t.draw(s, x, y);
}

// The error with all the digits of the stored 32-bit value, then the unit.
// The unit is drawn after the error, so an error of eight or more digits
// (10,000,000 and more) would lie under the unit's opaque cells: there the
// unit starts where the digits end, and the raised 3 moves with it. Shorter
// errors leave both where they always are. Returns how far the unit moved.
int drawEecError(Surface& s, int y, std::uint32_t error) {
  PageText t;
  t.dword(error);
  const int digitsEnd = kErrorX + kNormalWidth * t.length();
  t.blank();
  t.draw(s, kErrorX, y);
  const int unitX = std::max(kUnitX, digitsEnd);
  drawText(s, unitX, y, kBqPerM);
  return unitX - kUnitX;
}

void drawEecBlock(Surface& s, const MeasurementRecord& r) {
  drawDword(s, 34, 160, kEecRn.view(), r.eecRn());
  drawDword(s, 34, 180, kEecTn.view(), r.eecTn());
  drawFixed3(s, 34, 220, kFd.view(), r.fdBits());
  drawText(s, 240, 160, kPlusMinus);
  drawText(s, 240, 180, kPlusMinus);
  const int rnShift = drawEecError(s, 160, r.eecRnError());
  const int tnShift = drawEecError(s, 180, r.eecTnError());
  drawWord(s, 34, 260, kN1.view(), r.countN1());
  drawWord(s, 34, 280, kN2.view(), r.countN2());
  drawWord(s, 34, 320, kN3.view(), r.countN3());
  drawFixed3(s, 34, 300, kKv.view(), r.kvBits());
  drawFixed3(s, 280, 260, kCa.view(), r.caBits());
  drawFixed3(s, 280, 300, kCb.view(), r.cbBits());
  drawFixed3(s, 280, 280, kCc.view(), r.ccBits());
  s.selectFont(FontRole::Small);
  drawText(s, kExponentX + rnShift, 156, kCubed);
  drawText(s, kExponentX + tnShift, 176, kCubed);
}

void drawEecPage(Surface& s, const MeasurementRecord& r, std::string_view modeName) {
  drawMeasurementHeader(s, r, modeName);
  drawEecBlock(s, r);
  drawClimateRow(s, r);
  drawPageFrame(s, FrameVariant::Tall);  // last, over whatever lies under its lines
}

}  // namespace

void drawResultPage14(Surface& s, const MeasurementRecord& r) { drawEecPage(s, r, kName14.view()); }
void drawResultPage15(Surface& s, const MeasurementRecord& r) { drawEecPage(s, r, kName15.view()); }
void drawResultPage22(Surface& s, const MeasurementRecord& r) { drawEecPage(s, r, kName22.view()); }

}  // namespace zel::pages
