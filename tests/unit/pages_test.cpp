// The twenty result pages through RecordingSurface. For a sample record each
// page is compared call by call: the shared blocks (checked on their own in
// page_blocks_test) in the page's order, and the page's own texts from a table
// of position, bytes, font and colour.
#include "viewer/pages/pages.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "page_test_support.h"
#include "viewer/pages/page_blocks.h"

namespace zel::pages {
namespace {

using namespace zel::pages::test;

using Hook = void (*)(Surface&, const MeasurementRecord&);
using Calls = std::vector<std::string>;

constexpr FontRole S = FontRole::Small;
constexpr FontRole N = FontRole::Normal;
constexpr FontRole L = FontRole::Large;

Calls operator+(Calls a, const Calls& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Calls texts(const std::vector<Txt>& list) {
  Calls out;
  for (const Txt& t : list) out.push_back(describe(t));
  return out;
}

// A block as it draws on its own, from the state the frame leaves: normal
// font, black on the page colour.
template <typename F>
Calls block(F draw) {
  RecordingSurface s;
  draw(s);
  return describe(s);
}
Calls frame(FrameVariant v) {
  return block([&](Surface& s) { drawPageFrame(s, v); });
}
Calls pulse(const MeasurementRecord& r) {
  return block([&](Surface& s) { drawPulseLine(s, r); });
}
Calls header(const MeasurementRecord& r, const std::string& name) {
  return block([&](Surface& s) { drawMeasurementHeader(s, r, name); });
}
Calls climateLines(const MeasurementRecord& r) {
  return block([&](Surface& s) { drawClimateLines(s, r); });
}
Calls climateRow(const MeasurementRecord& r) {
  return block([&](Surface& s) { drawClimateRow(s, r); });
}

Calls draw(Hook hook, const MeasurementRecord& r) {
  RecordingSurface s;
  hook(s, r);
  return describe(s);
}

// --- whole pages for the sample record -------------------------------------

struct PageCase {
  const char* program;
  Hook hook;
  std::function<Calls(const MeasurementRecord&)> expected;
};

void PrintTo(const PageCase& c, std::ostream* os) { *os << c.program; }

// The concentration page: its blocks, its result, the frame last.
Calls concentration(const MeasurementRecord& r, const std::string& name) {
  return pulse(r) + header(r, name) +
         texts({{304, 200, " " + kPm, N, kBlack},
                {404, 200, " Bq/m ", N, kBlack},
                {328, 200, "89 ", N, kBlack},
                {456, 196, "3 ", S, kBlack},
                {158, 180, "567", L, kBlack}}) +
         climateLines(r) + frame(FrameVariant::Short);
}

// The sample pages: the frame first.
Calls sample(const MeasurementRecord& r, const std::string& name, const std::vector<Txt>& labelled) {
  return frame(FrameVariant::Short) + pulse(r) + header(r, name) +
         texts({{324, 200, " " + kPm, N, kBlack},
                {424, 200, " Bq/m ", N, kBlack},
                {358, 200, "89 ", N, kBlack},
                {476, 196, "3 ", S, kBlack}}) +
         texts(labelled) + climateLines(r);
}

// The EEC pages: header, block, row, the frame last.
Calls eec(const MeasurementRecord& r, const std::string& name) {
  return header(r, name) +
         texts({{34, 160, "EEC(Rn)   = 123 ", N, kBlack},
                {34, 180, "EEC(Tn)   = 45 ", N, kBlack},
                {34, 220, "Fd  = 1.500 ", N, kBlack},
                {240, 160, " " + kPm, N, kBlack},
                {240, 180, " " + kPm, N, kBlack},
                {262, 160, "10 ", N, kBlack},
                {332, 160, " Bq/m ", N, kBlack},
                {262, 180, "6 ", N, kBlack},
                {332, 180, " Bq/m ", N, kBlack},
                {34, 260, "N1 =  100 ", N, kBlack},
                {34, 280, "N2 =  200 ", N, kBlack},
                {34, 320, "N3 =  300 ", N, kBlack},
                {34, 300, "Kv =  0.000 ", N, kBlack},
                {280, 260, "Ca =  0.250 ", N, kBlack},
                {280, 300, "Cb =  1.500 ", N, kBlack},
                {280, 280, "Cc =  2.000 ", N, kBlack},
                {383, 156, "3 ", S, kBlack},
                {383, 176, "3 ", S, kBlack}}) +
         climateRow(r) + frame(FrameVariant::Tall);
}

const std::string kCycles =  // "Тактов измерения: " in Windows-1251
    "\xD2\xE0\xEA\xF2\xEE\xE2 \xE8\xE7\xEC\xE5\xF0\xE5\xED\xE8\xFF: ";

const PageCase kPages[] = {
    {"ZelV_01", drawResultPage01, [](auto& r) { return concentration(r, "CRn 20 estimate            "); }},
    {"ZelV_02", drawResultPage02, [](auto& r) { return concentration(r, "CRn 20                     "); }},
    {"ZelV_12", drawResultPage12, [](auto& r) { return concentration(r, "CRn 20 without blower (wb) "); }},
    {"ZelV_13", drawResultPage13, [](auto& r) { return concentration(r, "CRn 60 without blower (wb)"); }},
    {"ZelV_24", drawResultPage24, [](auto& r) { return concentration(r, "CTn                        "); }},
    {"ZelV_26", drawResultPage26, [](auto& r) { return concentration(r, "CRn 60                     "); }},
    {"ZelV_05", drawResultPage05,
     [](auto& r) {
       return sample(r, "Radon in water      ",
                     {{24, 180, "Q   = ", L, kBlack}, {168, 180, "567", L, kBlack}, {66, 204, "water", S, kBlack}});
     }},
    {"ZelV_18", drawResultPage18,
     [](auto& r) {
       return sample(r, "Radon in air        ",
                     {{24, 180, "Q   = ", L, kBlack}, {182, 180, "567", L, kBlack}, {62, 206, "sample", S, kBlack}});
     }},
    {"ZelV_19", drawResultPage19,
     [](auto& r) {
       return sample(r, "Radon in soil       ",
                     {{24, 180, "Q  =  ", L, kBlack}, {192, 180, "567", L, kBlack}, {60, 208, "soil ", S, kBlack}});
     }},
    {"ZelV_06", drawResultPage06,
     [](auto& r) {
       return frame(FrameVariant::Short) + pulse(r) + header(r, "Radon flux  ") +
              texts({{390, 118, "(Method 1)", N, kBlack},
                     {324, 200, " " + kPm, N, kBlack},
                     {424, 200, "mBq/s*m ", N, kBlack},
                     {358, 200, "89 ", N, kBlack},
                     {24, 180, "Q    = ", L, kBlack},
                     {196, 180, "567", L, kBlack},
                     {62, 205, "Radon flux", S, kBlack},
                     {504, 196, "2 ", S, kBlack}}) +
              climateLines(r);
     }},
    {"ZelV_03", drawResultPage03,
     [](auto& r) {
       return frame(FrameVariant::Tall) + header(r, "Integral 1 CRn    ") + pulse(r) +
              texts({{34, 180, "Qi =  ", N, kBlack},
                     {404, 180, " Bq/m ", N, kBlack},
                     {166, 180, "89", N, kBlack},
                     {34, 220, "Qint =  ", N, kBlack},
                     {157, 220, "567", N, kBlack},
                     {313, 220, "113", N, kBlack},  // 567 × 20 ÷ 100, truncated
                     {284, 220, " " + kPm, N, kBlack},
                     {404, 220, " Bq/m ", N, kBlack},
                     {456, 176, "3 ", S, kBlack},
                     {456, 216, "3 ", S, kBlack}}) +
              climateRow(r);
     }},
    {"ZelV_21", drawResultPage21,
     [](auto& r) {
       const Calls ownFrame = {"polyline frame (20,20) (524,20) (524,420) (20,420) (20,20)",
                               move(30, 80),
                               line(30, 80, 510, 80, PenRole::Frame),
                               move(30, 188),
                               line(30, 188, 510, 188, PenRole::Separator),
                               move(30, 368),
                               line(30, 368, 510, 368, PenRole::Separator)};
       return ownFrame + header(r, "Integral 2 CRn    ") + pulse(r) +
              texts({{34, 140, kCycles, N, kBlue},
                     {234, 140, "12 ", N, kBlack},
                     {34, 220, "Q(12) = ", N, kBlack},
                     {284, 220, " " + kPm, N, kBlack},
                     {404, 220, " Bq/m ", N, kBlack},
                     {157, 220, "567", N, kBlack},
                     {322, 220, "89", N, kBlack},
                     {34, 250, "Qint =  ", N, kBlack},
                     {148, 250, "4321", N, kBlack},
                     {313, 250, "210", N, kBlack},
                     {284, 250, " " + kPm, N, kBlack},
                     {404, 250, " Bq/m ", N, kBlack},
                     {456, 216, "3 ", S, kBlack},
                     {456, 246, "3 ", S, kBlack}}) +
              climateRow(r);
     }},
    {"ZelV_04", drawResultPage04,
     [](auto& r) {
       return frame(FrameVariant::Tall) + header(r, " CRn channel background  ") + pulse(r) +
              texts({{124, 180, "Intrinsic background of radiometer ", N, kBlue},
                     {264, 250, " " + kPm, N, kBlack},
                     {364, 250, " Bq/m ", N, kBlack},
                     {288, 250, "89 ", N, kBlack},
                     {416, 246, "3 ", S, kBlack},
                     {118, 230, "567", L, kBlack}});
     }},
    {"ZelV_25", drawResultPage25,
     [](auto& r) {
       return texts({{80, 164, "Pumping mode:   ", N, kBlue},
                     {100, 204, "  Time (hours:minutes:seconds)  ", N, kBlue},
                     {98, 224, "pumping   |    delay    | measurement ", N, kBlue},
                     {324, 164, "timed           ", N, kBlack},
                     {114, 254, "05:00 ", N, kBlack},
                     {220, 254, "01:30 ", N, kBlack},
                     {320, 254, "01:02:05 ", N, kBlack}}) +
              header(r, "CRn manual settings (ms)   ") +
              Calls{move(30, 294), line(30, 294, 510, 294, PenRole::Separator)} +
              texts({{184, 320, "N =     ", N, kBlue},
                     {234, 320, "1234 ", N, kBlack},
                     {34, 380, kTe + " =       " + kDeg + kEs + "  ", N, kBlue},
                     {202, 380, "H =       % ", N, kBlue},
                     {368, 380, "P =       mmHg  ", N, kBlue},
                     {66, 380, "  23 ", N, kBlack},
                     {246, 380, "45 ", N, kBlack},
                     {402, 380, "745 ", N, kBlack}}) +
              frame(FrameVariant::Tall);
     }},
    {"ZelV_14", drawResultPage14, [](auto& r) { return eec(r, "EEC  - 5                "); }},
    {"ZelV_15", drawResultPage15, [](auto& r) { return eec(r, "EEC  - 2                "); }},
    {"ZelV_22", drawResultPage22, [](auto& r) { return eec(r, "EEC  - 10               "); }},
    {"ZelV_20", drawResultPage20,
     [](auto& r) {
       return frame(FrameVariant::Tall) + header(r, "EEC Thoron  ") + climateRow(r) +
              texts({{324, 180, " " + kPm, N, kBlack},
                     {424, 180, " Bq/m ", N, kBlack},
                     {358, 180, "89 ", N, kBlack},
                     {34, 180, "EEC(Tn)   = ", N, kBlack},
                     {196, 180, "567", N, kBlack},  // placed by the large font's width
                     {34, 230, "Delay time   =    ", N, kBlack},
                     {240, 230, "  90:00 ", N, kBlack},
                     {476, 176, "3 ", S, kBlack}});
     }},
    {"ZelV_07", drawResultPage07,
     [](auto& r) {
       return frame(FrameVariant::Tall) + header(r, "EEC background ") +
              texts({{134, 180, "Intrinsic background of radiometer ", N, kBlue},
                     {194, 210, "Nk =", N, kBlue},
                     {244, 210, "0.250 ", N, kBlack}});
     }},
    {"ZelV_10", drawResultPage10,
     [](auto& r) {
       const Calls ownFrame = {"polyline frame (20,20) (524,20) (524,420) (20,420) (20,20)",
                               move(30, 80),
                               line(30, 80, 510, 80, PenRole::Frame),
                               move(30, 148),
                               line(30, 148, 510, 148, PenRole::Separator),
                               move(30, 228),
                               line(30, 228, 510, 228, PenRole::Separator),
                               move(30, 368),
                               line(30, 368, 510, 368, PenRole::Separator)};
       return ownFrame + header(r, " EEC with manual settings") +
              texts({{36, 180, "N1 =  100 ", N, kBlack},
                     {196, 180, "N2 =  200 ", N, kBlack},
                     {356, 180, "N3 =  300 ", N, kBlack},
                     {128, 256, " Time (hours:minutes:seconds)", N, kBlue},
                     {120, 280, " pumping  |    delay    | measurement ", N, kBlue},
                     {134, 320, " 05:00" + kEight + " 01:30" + kEight + " 01:02:05 ", N, kBlack},
                     // This program's template: ° and a Latin C.
                     {34, 380, kTe + " = 23   " + kDeg + "C ", N, kBlack},
                     {202, 380, "H = 45  % ", N, kBlack},
                     {368, 380, "P = 745 mmHg", N, kBlack}});
     }},
};

class WholePage : public ::testing::TestWithParam<PageCase> {};

TEST_P(WholePage, DrawsCallByCall) {
  const PageCase& c = GetParam();
  const MeasurementRecord r = sampleRecord();
  EXPECT_EQ(draw(c.hook, r), c.expected(r));
}

TEST_P(WholePage, DrawingAgainGivesTheSameCalls) {
  // A page that wrote its digits into shared templates would carry a longer
  // value of one drawing into the next.
  const PageCase& c = GetParam();
  const MeasurementRecord wide = withFields(
      sampleRecord(),
      "pressure=10000 temperature=128 humidity=200 cycleCount=255 pumpingTime=65535 delayTime=65535 year=10000"
      " primaryResult=4294967295 primaryError=4294967295 integralResult=4294967295 integralError=4294967295"
      " eecRn=4294967295 eecRnError=4294967295 eecTn=4294967295 eecTnError=4294967295");

  const MeasurementRecord r = sampleRecord();
  const Calls first = draw(c.hook, r);
  const Calls wideCalls = draw(c.hook, wide);
  EXPECT_EQ(draw(c.hook, wide), wideCalls);
  EXPECT_EQ(draw(c.hook, r), first);
  EXPECT_EQ(draw(c.hook, r), c.expected(r));
}

TEST_P(WholePage, ModeNameIsTheProgramsOwn) {
  const PageCase& c = GetParam();
  const Calls expected = draw(c.hook, sampleRecord());
  for (const char* code : {"0", "7", "14", "26", "255"}) {
    EXPECT_EQ(draw(c.hook, withFields(sampleRecord(), std::string("modeCode=") + code)), expected)
        << "modeCode " << code;
  }
}

INSTANTIATE_TEST_SUITE_P(Programs, WholePage, ::testing::ValuesIn(kPages),
                         [](const auto& info) { return std::string(info.param.program); });

}  // namespace
}  // namespace zel::pages
