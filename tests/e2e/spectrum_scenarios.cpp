// The spectrum panel as a user meets it: opening, zoom, dragging a boundary,
// the read-out, closing and opening again.
#include <string>

#include "tests/e2e/driver.h"

namespace {

using namespace e2e;

constexpr COLORREF kBar = kBlue;
constexpr COLORREF kGreen = RGB(0, 255, 34);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kCursor = RGB(255, 0, 255);

// Between the plot frame's sides and from its top to the bar foot: bars,
// markers and the cursor, nothing else.
constexpr RECT kPlot{14, 16, 779, 271};
constexpr int kRow = 150;  // a height inside the plot band

int columnOf(int channel) { return 3 * channel + 12; }

int modeOf(const std::string& program) { return std::stoi(program.substr(5)); }

std::string exe(const Context& c, const std::string& program) { return c.binDir + "\\" + program + ".exe"; }

struct Sample {
  std::string file;
  std::vector<std::uint8_t> bytes;
  int count(int channel) const { return bytes.at(68 + 2 * channel) | bytes.at(69 + 2 * channel) << 8; }
};

// No count of the sample reaches the clipping height, so orange in the plot
// is the first boundary's marker alone.
Sample sampleFile(const Context& c, const std::string& program) {
  Sample s;
  s.file = path(c, "spectrum.kvd");
  s.bytes = measurementFile("mode=" + std::to_string(modeOf(program)) +
                            " date=05.07.2019 time=09:04:07 temperature=23 humidity=45 pressure=745"
                            " pulseCount=412 bounds=44,62,86 spectrum=flat(3)+peak(50,120,3)+peak(120,60,6)"
                            "+channel(96,100)\n");
  writeFile(s.file, s.bytes);
  return s;
}

struct Viewer {
  Process process;
  HWND main = nullptr;
};

Viewer startViewer(const Context& c, const std::string& program, const std::string& file) {
  Viewer v{start(quoted(exe(c, program)) + " " + file + ",0")};
  v.main = waitWindow(v.process.id(), "SimpleWinClass");
  // The record is read a little after the window is up; the page's blue
  // labels and frame show that it is there.
  check(waitFor([&] { return countPixels(v.main, RECT{0, 0, 520, 440}, kBar) > 0; }, 5000), "page not drawn");
  return v;
}

struct OwnedState {
  HWND owner;
  HWND found;
};

BOOL CALLBACK findOwned(HWND window, LPARAM param) {
  auto* s = reinterpret_cast<OwnedState*>(param);
  if (GetWindow(window, GW_OWNER) != s->owner || !IsWindowVisible(window)) return TRUE;
  s->found = window;
  return FALSE;
}

HWND findPanel(HWND main) {
  OwnedState s{main, nullptr};
  EnumWindows(findOwned, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND openPanel(HWND main) {
  click(children(main, "Button").at(1));  // LOOK
  HWND panel = nullptr;
  check(waitFor([&] { return (panel = findPanel(main)) != nullptr; }, 5000), "LOOK opened no panel");
  // Its picture is up once the axis labels' page background is copied.
  check(waitPixel(panel, 400, 5, kPage), "panel not painted");
  return panel;
}

LPARAM at(int x, int y) { return MAKELPARAM(x, y); }

void press(HWND panel, int x, int y) {
  PostMessageA(panel, WM_MOUSEMOVE, 0, at(x, y));
  PostMessageA(panel, WM_LBUTTONDOWN, MK_LBUTTON, at(x, y));
}

void release(HWND panel, int x, int y) { PostMessageA(panel, WM_LBUTTONUP, 0, at(x, y)); }

void clickAt(HWND panel, int x, int y) {
  press(panel, x, y);
  release(panel, x, y);
}

void dragTo(HWND panel, int fromX, int toX) {
  press(panel, fromX, kRow);
  PostMessageA(panel, WM_MOUSEMOVE, MK_LBUTTON, at(toX, kRow));
  release(panel, toX, kRow);
}

int columnPixels(HWND panel, int x, COLORREF color) { return countPixels(panel, RECT{x, 16, x + 1, 271}, color); }

// A dotted marker line: every other pixel of the column, bars or not.
bool markerAt(HWND panel, int channel, COLORREF color) { return columnPixels(panel, columnOf(channel), color) >= 100; }

bool waitMarker(HWND panel, int channel, COLORREF color) {
  return waitFor([&] { return markerAt(panel, channel, color); }, 3000);
}

std::string describe(const RECT& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + ")";
}

void checkWindowAndButtons(HWND panel) {
  RECT r;
  GetWindowRect(panel, &r);
  check(r.left == 2 && r.top == 100 && r.right == 800 && r.bottom == 478, "panel at " + describe(r));
  std::vector<HWND> buttons = children(panel, "Button");
  check(buttons.size() == 2, "expected DOWN and UP, found " + std::to_string(buttons.size()) + " buttons");
  const RECT down = rectInParent(buttons[0]);
  const RECT up = rectInParent(buttons[1]);
  check(down.left == 712 && down.top == 316 && down.right == 756 && down.bottom == 340, "DOWN at " + describe(down));
  check(up.left == 712 && up.top == 293 && up.right == 756 && up.bottom == 317, "UP at " + describe(up));
}

// Waits for the bar pixels to settle on a value other than `before`.
int barsAfterChange(HWND panel, int before) {
  int now = before;
  waitFor([&] { return (now = countPixels(panel, kPlot, kBar)) != before; }, 3000);
  return now;
}

HWND readOutOf(HWND panel) {
  std::vector<HWND> found = children(panel, "SimpleWinClass");
  return found.empty() ? nullptr : found.front();
}

// The read-out text is "channel:count " in the 6-pixel small font, 2 pixels
// of margin; its window sits 8 pixels right of and 8 above the pointer.
int readOutWidth(int channel, int count) {
  return 6 * static_cast<int>((std::to_string(channel) + ":" + std::to_string(count) + " ").size()) + 2;
}

void checkReadOut(HWND panel, const Sample& s, int x, int y, int expectedLeft) {
  HWND readOut = nullptr;
  check(waitFor([&] { return (readOut = readOutOf(panel)) != nullptr; }, 3000), "no read-out window");
  const int channel = (x - 11) / 3;
  const int width = readOutWidth(channel, s.count(channel));
  RECT r;
  check(waitFor([&] { return (r = rectInParent(readOut)).left == expectedLeft; }, 3000), "read-out at " + describe(r));
  check(r.top == y - 8 && r.right - r.left == width && r.bottom - r.top == 16,
        "read-out of channel " + std::to_string(channel) + " at " + describe(r) + ", expected width " +
            std::to_string(width));
  check(IsWindowVisible(readOut), "read-out hidden");
  check(waitPixel(readOut, 0, 0, kReadOut) && waitPixel(readOut, width - 1, 15, kReadOut),
        "read-out background " + hex(pixel(readOut, 0, 0)));
  check(waitFor([&] { return columnPixels(panel, columnOf(channel), kCursor) >= 100; }, 3000),
        "no cursor line at channel " + std::to_string(channel));
}

GUITHREADINFO threadInfo(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return GUITHREADINFO{};
  return info;
}

bool hasFocus(HWND panel) {
  return waitFor([&] { return threadInfo(panel).hwndFocus == panel; }, 3000);
}

HWND captureOf(HWND window) { return threadInfo(window).hwndCapture; }

void closePanel(HWND panel) {
  PostMessageA(panel, WM_SYSCOMMAND, SC_CLOSE, 0);
  check(waitFor([&] { return !IsWindow(panel); }, 3000), "the close box left the panel open");
}

void spectrumPanel(const Context& c, const std::vector<std::string>& args) {
  const std::string program = args.at(0);
  const bool three = args.at(1) == "3";
  const Sample s = sampleFile(c, program);
  Viewer v = startViewer(c, program, s.file);
  HWND panel = openPanel(v.main);

  check(windowText(panel) == L"Srectrum 05.07.2019  09:04:07", "title is " + narrow(windowText(panel)));
  checkWindowAndButtons(panel);
  check(hasFocus(panel), "the panel does not have the keyboard focus");
  check(waitMarker(panel, 44, kOrange), "no orange marker at b1");
  check(waitMarker(panel, 62, kGreen), "no green marker at b2");
  check(markerAt(panel, 86, kRed) == three, three ? "no red marker at b3" : "a red marker without a third boundary");

  // Zoom: DOWN halves the bars, UP doubles them.
  const std::vector<HWND> buttons = children(panel, "Button");
  const int opening = countPixels(panel, kPlot, kBar);
  click(buttons[0]);
  const int lower = barsAfterChange(panel, opening);
  check(lower < opening, "DOWN: " + std::to_string(opening) + " bar pixels became " + std::to_string(lower));
  click(buttons[1]);
  click(buttons[1]);
  int higher = barsAfterChange(panel, lower);
  if (higher == opening) higher = barsAfterChange(panel, opening);
  check(higher > opening, "UP twice: " + std::to_string(opening) + " bar pixels became " + std::to_string(higher));
  check(IsWindow(panel) && findPanel(v.main) == panel, "zoom lost the panel");

  // Dragging the first boundary from channel 44 to 50.
  dragTo(panel, columnOf(44), columnOf(50));
  check(waitMarker(panel, 50, kOrange), "b1 marker not at channel 50");
  check(columnPixels(panel, columnOf(44), kOrange) == 0, "b1 marker still at channel 44");
  check(readOutOf(panel) == nullptr, "a drag showed the read-out");
  // Far past the left edge (a captured pointer's negative x): to its limit,
  // channel 19, not wrapped round to the right.
  press(panel, columnOf(50), kRow);
  PostMessageA(panel, WM_MOUSEMOVE, MK_LBUTTON, at(-40, kRow));
  release(panel, -40, kRow);
  check(waitMarker(panel, 19, kOrange), "b1 not stopped at channel 19");
  check(columnPixels(panel, columnOf(50), kOrange) == 0, "b1 marker still at channel 50");
  // The last boundary to the far right stops at 254.
  const int last = three ? 86 : 62;
  dragTo(panel, columnOf(last), 900);
  check(waitMarker(panel, 254, three ? kRed : kGreen), "last boundary not stopped at channel 254");

  // A click on the plot: the read-out next to the pointer, then left of it
  // near the right edge.
  clickAt(panel, 200, 120);
  checkReadOut(panel, s, 200, 120, 208);
  clickAt(panel, 750, 200);
  const int width = readOutWidth((750 - 11) / 3, s.count((750 - 11) / 3));
  checkReadOut(panel, s, 750, 200, 750 - width);
  // The arrows step it one channel.
  PostMessageA(panel, WM_KEYDOWN, VK_LEFT, 0);
  checkReadOut(panel, s, 747, 200, 747 - readOutWidth((747 - 11) / 3, s.count((747 - 11) / 3)));
  PostMessageA(panel, WM_KEYDOWN, 'A', 0);
  clickAt(panel, columnOf(96), 100);
  checkReadOut(panel, s, columnOf(96), 100, columnOf(96) + 8);

  // Closing, then opening again: stored boundaries, 1:1, no read-out.
  closePanel(panel);
  check(v.process.running(), "closing the panel ended the program");
  panel = openPanel(v.main);
  check(waitMarker(panel, 44, kOrange), "b1 not back at its stored 44");
  check(columnPixels(panel, columnOf(19), kOrange) == 0, "b1 still at channel 19");
  check(markerAt(panel, 62, kGreen), "b2 not back at its stored 62");
  check(!markerAt(panel, 254, three ? kRed : kGreen), "the last boundary still at 254");
  const int reopened = countPixels(panel, kPlot, kBar);
  check(reopened == opening, "zoom not 1:1 again: " + std::to_string(reopened) + " bar pixels, at first " +
                                 std::to_string(opening));
  check(readOutOf(panel) == nullptr, "read-out shown after reopening");
  check(columnPixels(panel, columnOf(96), kCursor) == 0, "cursor line after reopening");
  // The new panel has a read-out window of its own.
  clickAt(panel, 200, 120);
  checkReadOut(panel, s, 200, 120, 208);

  // A second LOOK and a click on the page leave the one panel. Sent, not
  // posted: each has been handled when the panels are counted.
  SendMessageA(children(v.main, "Button").at(1), BM_CLICK, 0, 0);
  SendMessageA(v.main, WM_LBUTTONDOWN, MK_LBUTTON, at(100, 400));
  SendMessageA(v.main, WM_LBUTTONUP, 0, at(100, 400));
  check(waitPixel(panel, 400, 5, kPage), "panel gone after LOOK");
  check(IsWindow(panel) && findPanel(v.main) == panel, "a second panel opened");

  // The viewer's close box takes the panel with it.
  PostMessageA(v.main, WM_SYSCOMMAND, SC_CLOSE, 0);
  check(v.process.waitExit() == 0, "the viewer did not end with 0");
}
E2E_SCENARIO("spectrum-panel", spectrumPanel);

// spectrum-early-look PROGRAM: LOOK pressed as soon as the window is up,
// before the record is read, must not leave a panel of an empty record.
void spectrumEarlyLook(const Context& c, const std::vector<std::string>& args) {
  const std::string program = args.at(0);
  const Sample s = sampleFile(c, program);
  Process p = start(quoted(exe(c, program)) + " " + s.file + ",0");
  HWND main = nullptr;
  check(waitFor([&] { return (main = findWindow(p.id(), "SimpleWinClass")) && children(main, "Button").size() == 2; },
                8000),
        "no viewer window");
  click(children(main, "Button").at(1));
  check(waitFor([&] { return countPixels(main, RECT{0, 0, 520, 440}, kBar) > 0; }, 5000),
        "page not drawn, or hidden by a panel opened before the record was read");
  HWND panel = findPanel(main);
  if (!panel) panel = openPanel(main);
  check(windowText(panel) == L"Srectrum 05.07.2019  09:04:07", "title is " + narrow(windowText(panel)));
  check(waitMarker(panel, 44, kOrange), "no orange marker at the stored b1");
  PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
  check(p.waitExit() == 0, "the viewer did not end with 0");
}
E2E_SCENARIO("spectrum-early-look", spectrumEarlyLook);

// spectrum-capture PROGRAM: the panel holds the pointer while a boundary is
// dragged, so that moves and the release outside it still reach it, and lets
// it go with the release.
void spectrumCapture(const Context& c, const std::vector<std::string>& args) {
  const std::string program = args.at(0);
  const Sample s = sampleFile(c, program);
  Viewer v = startViewer(c, program, s.file);
  HWND panel = openPanel(v.main);
  check(waitMarker(panel, 44, kOrange), "no orange marker at b1");
  RECT client;
  GetClientRect(panel, &client);

  // A press beside every boundary holds nothing.
  clickAt(panel, columnOf(100), kRow);
  check(waitFor([&] { return readOutOf(panel) != nullptr; }, 3000), "a click showed no read-out");
  check(captureOf(panel) == nullptr, "a click holds the pointer");

  press(panel, columnOf(44), kRow);
  check(waitFor([&] { return captureOf(panel) == panel; }, 3000), "the drag does not hold the pointer");
  // Below the panel, over the viewer's page.
  PostMessageA(panel, WM_MOUSEMOVE, MK_LBUTTON, at(columnOf(52), client.bottom + 60));
  check(waitMarker(panel, 52, kOrange), "the drag did not follow the pointer out of the panel");
  release(panel, columnOf(52), client.bottom + 60);
  check(waitFor([&] { return captureOf(panel) == nullptr; }, 3000), "the release left the pointer held");
  // Back over the plot with the button up: the boundary stays.
  PostMessageA(panel, WM_MOUSEMOVE, 0, at(columnOf(30), kRow));
  check(!waitFor([&] { return !markerAt(panel, 52, kOrange); }, 600), "the released boundary moved on");
  PostMessageA(v.main, WM_SYSCOMMAND, SC_CLOSE, 0);
  check(v.process.waitExit() == 0, "the viewer did not end with 0");
}
E2E_SCENARIO("spectrum-capture", spectrumCapture);

// spectrum-screenshot PROGRAM FILE INDEX OUT.bmp [X Y]: the panel with a
// read-out of the channel at (X, Y), 300, 150 if not given.
void spectrumScreenshot(const Context& c, const std::vector<std::string>& args) {
  const std::string program = args.at(0);
  Process p = start(quoted(exe(c, program)) + " " + quoted(args.at(1) + "," + args.at(2)));
  HWND main = waitWindow(p.id(), "SimpleWinClass");
  check(waitFor([&] { return countPixels(main, RECT{0, 0, 520, 440}, kBar) > 0; }, 5000), "page not drawn");
  HWND panel = openPanel(main);
  const int x = args.size() > 5 ? std::stoi(args[4]) : 300;
  const int y = args.size() > 5 ? std::stoi(args[5]) : 150;
  clickAt(panel, x, y);
  check(waitFor([&] { return readOutOf(panel) != nullptr; }, 3000), "no read-out window");
  check(waitPixel(readOutOf(panel), 0, 0, kReadOut), "read-out not painted");
  saveScreenshot(panel, args.at(3));
  PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
  p.waitExit();
}
E2E_SCENARIO("spectrum-screenshot", spectrumScreenshot);

}  // namespace
