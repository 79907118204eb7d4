// Every viewer's result page on screen: the blue frame, the orange
// separators, blue labels and black values where the page puts them, and
// the picture coming back from its bitmap after the window was covered.
#include <string>
#include <vector>

#include "tests/e2e/driver.h"
#include "tools/kvdgen/kvd_description.h"

namespace {

using namespace e2e;


struct PageLayout {
  int mode;
  int bottom;               // frame bottom: 340 short, 420 tall
  std::vector<int> orange;  // separator lines
  bool header = true;       // "Measurement:" and the date at y = 96
  bool pulses = true;       // "Pulses:" at (284, 44)
};

const PageLayout kLayouts[] = {
    {1, 340, {148, 248}},        {2, 340, {148, 248}},        {3, 420, {148, 368}},
    {4, 420, {148, 368}},        {5, 340, {148, 248}},        {6, 340, {148, 248}},
    {7, 420, {148, 368}, true, false},  {10, 420, {148, 228, 368}, true, false},
    {12, 340, {148, 248}},       {13, 340, {148, 248}},       {14, 420, {148, 368}, true, false},
    {15, 420, {148, 368}, true, false}, {18, 340, {148, 248}}, {19, 340, {148, 248}},
    {20, 420, {148, 368}, true, false}, {21, 420, {188, 368}}, {22, 420, {148, 368}, true, false},
    {24, 340, {148, 248}},       {25, 420, {148, 294, 368}, true, false}, {26, 340, {148, 248}},
};

const PageLayout& layoutOf(int mode) {
  for (const PageLayout& l : kLayouts)
    if (l.mode == mode) return l;
  fail("no layout for mode " + std::to_string(mode));
}

// A two-pixel pen line crosses one of the rows y - 1 ... y + 1.
bool horizontalLine(HWND w, int y, int x0, int x1, COLORREF color) {
  const int n = countPixels(w, RECT{x0, y - 1, x1, y + 2}, color);
  return n >= (x1 - x0);
}

bool verticalLine(HWND w, int x, int y0, int y1, COLORREF color) {
  const int n = countPixels(w, RECT{x - 1, y0, x + 2, y1}, color);
  return n >= (y1 - y0);
}

int textPixels(HWND w, RECT area, COLORREF color) { return countPixels(w, area, color); }

void checkPage(HWND main, const PageLayout& l, const std::string& program) {
  const std::string at = program + ": ";
  check(horizontalLine(main, 20, 30, 510, kBlue), at + "no blue frame top at y = 20");
  check(horizontalLine(main, l.bottom, 30, 510, kBlue), at + "no blue frame bottom at y = " + std::to_string(l.bottom));
  check(verticalLine(main, 20, 30, l.bottom - 10, kBlue), at + "no blue frame side at x = 20");
  check(verticalLine(main, 524, 30, l.bottom - 10, kBlue), at + "no blue frame side at x = 524");
  check(horizontalLine(main, 80, 40, 500, kBlue), at + "no blue line at y = 80");
  for (int y : l.orange)
    check(horizontalLine(main, y, 40, 500, kOrange), at + "no orange separator at y = " + std::to_string(y));
  // Nothing orange where no separator is.
  check(!horizontalLine(main, 200, 40, 500, kOrange), at + "unexpected separator at y = 200");
  if (l.header) {
    check(textPixels(main, RECT{34, 96, 130, 114}, kBlue) > 40, at + "no blue \"Measurement:\" label");
    check(textPixels(main, RECT{34, 118, 190, 136}, kBlue) > 60, at + "no blue \"Measurement mode:\" label");
    check(textPixels(main, RECT{230, 96, 420, 114}, kBlack) > 60, at + "no black date and time");
    check(textPixels(main, RECT{230, 118, 330, 136}, kBlack) > 20, at + "no black mode name");
  }
  if (l.pulses) {
    check(textPixels(main, RECT{284, 44, 340, 62}, kBlue) > 20, at + "no blue \"Pulses:\" label");
    check(textPixels(main, RECT{404, 44, 460, 62}, kBlack) > 10, at + "no black pulse count");
  }
  // The band between the result and the lower separator holds black values.
  const int top = l.orange[0] + 4;
  check(textPixels(main, RECT{30, top, 510, l.orange.back() - 4}, kBlack) > 60, at + "no black values on the page");
}

// A window of the driver's own, laid over the viewer and taken away again.
LRESULT CALLBACK coverProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

void pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void coverAndUncover(HWND main, const std::string& program) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = coverProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "ZelTestCover";
    RegisterClassA(&wc);
    registered = true;
  }
  RECT r;
  GetWindowRect(main, &r);
  HWND cover = CreateWindowExA(WS_EX_TOPMOST, "ZelTestCover", "", WS_POPUP | WS_VISIBLE, r.left, r.top,
                               r.right - r.left, r.bottom - r.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  UpdateWindow(cover);
  const bool covered = waitFor([&] {
    pump();
    return pixel(main, 272, 20) == RGB(255, 255, 255) || pixel(main, 272, 21) == RGB(255, 255, 255);
  }, 3000);
  DestroyWindow(cover);
  pump();
  check(covered, program + ": the cover never showed");
  check(waitFor([&] {
          pump();
          return horizontalLine(main, 20, 30, 510, kBlue) && pixel(main, 4, 4) == kPage;
        }, 3000),
        program + ": the page did not come back after it was uncovered");
}

void pagePixels(const Context& c, const std::vector<std::string>& args) {
  const std::string program = args.at(0);
  const int mode = std::stoi(program.substr(5));
  const std::string file = path(c, "demo.kvd");
  writeFile(file, measurementFile(zel::kvd::demoDescription()));
  // The demo file holds one record per mode code, in code order.
  Process p = start(quoted(c.binDir + "\\" + program + ".exe") + " " + file + "," + std::to_string(mode));
  HWND main = waitWindow(p.id(), "SimpleWinClass");
  const PageLayout& layout = layoutOf(mode);
  check(waitFor([&] { return horizontalLine(main, 20, 30, 510, kBlue); }, 5000), program + ": page never drawn");
  checkPage(main, layout, program);
  coverAndUncover(main, program);
  checkPage(main, layout, program);
  PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
  check(p.waitExit() == 0, program + ": did not end with 0");
}
E2E_SCENARIO("page-pixels", pagePixels);

}  // namespace
