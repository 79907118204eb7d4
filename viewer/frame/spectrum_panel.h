// The spectrum panel: the record's 256 channels as bars, the channel windows
// the instrument used (their boundaries can be dragged), the counts in each
// window, a vertical zoom and a read-out of one channel.
//
// The model takes the panel window's events and says what the window has to
// do next; it draws through Surface and knows nothing of Windows. A window
// procedure makes one call per message and then follows the PanelRequest:
//
//   redraw   draw() into the panel bitmap, repaint the panel, show it and
//            give it the keyboard focus (every redraw takes the focus back);
//   readOut  then show the read-out window at readOutPlacement(exists),
//            its bitmap filled by drawReadOut().
#pragma once

#include <cstdint>
#include <string_view>

#include "common/record.h"
#include "common/surface.h"
#include "viewer/frame/viewer_program.h"

namespace zel::viewer {

// Key state of a mouse move, bit for bit the wParam of WM_MOUSEMOVE, so the
// window procedure passes it through unchanged.
inline constexpr unsigned kKeyLeftButton = 0x0001;
inline constexpr unsigned kKeyRightButton = 0x0002;
inline constexpr unsigned kKeyShift = 0x0004;
inline constexpr unsigned kKeyControl = 0x0008;
inline constexpr unsigned kKeyMiddleButton = 0x0010;

enum class Key { Left, Right, Other };

struct PanelRequest {
  bool redraw = false;
  bool readOut = false;  // only together with redraw
  friend bool operator==(const PanelRequest&, const PanelRequest&) = default;
};

struct ReadOutPlacement {
  int left;
  int top;
  int width;
  int height;
  friend bool operator==(const ReadOutPlacement&, const ReadOutPlacement&) = default;
};

// The three-boundary panel belongs to the EEC modes 7, 10, 14, 15, 20, 22.
SpectrumVariant spectrumVariantOf(int modeCode);

class SpectrumPanel {
 public:
  // The panel window, as created; its client area is smaller by the frame
  // and caption, which only the platform knows (setClientSize).
  static constexpr int kWindowWidth = 798;
  static constexpr int kWindowHeight = 378;
  static constexpr int kMaxBoundaries = 3;
  static constexpr int kMaxWindows = 4;
  static constexpr int kMinZoomStep = 0;
  static constexpr int kMaxZoomStep = 12;
  static constexpr int kOpeningZoomStep = 6;
  // Buffer sizes for the texts handed out below (with room for a NUL).
  static constexpr int kTitleBuffer = 48;
  static constexpr int kReadOutTextBuffer = 16;
  static constexpr int kZoomLabelLength = 5;

  explicit SpectrumPanel(int modeCode);
  SpectrumPanel(int modeCode, const MeasurementRecord& record);  // already open

  int modeCode() const { return mode_; }
  SpectrumVariant variant() const { return variant_; }
  int boundaryCount() const { return variant_ == SpectrumVariant::ThreeBoundary ? 3 : 2; }
  int windowCount() const { return boundaryCount() + 1; }

  // Takes the record's stored boundaries as they are, zoom step 6, no
  // read-out; the panel is to be drawn.
  PanelRequest open(const MeasurementRecord& record);
  // The panel window was destroyed: no read-out, no panel.
  void close();
  bool isOpen() const { return open_; }

  // The panel's client size as GetClientRect reports it. It bounds the
  // background fill and the pointer positions of a captured mouse.
  void setClientSize(int width, int height);
  int clientWidth() const { return clientWidth_; }
  int clientHeight() const { return clientHeight_; }

  // DOWN lowers the bars (up to step 12), UP raises them (down to step 0).
  PanelRequest zoomDown();
  PanelRequest zoomUp();

  // Signed client coordinates, as in the message's lParam; keyState as its
  // wParam.
  PanelRequest mouseMove(int x, int y, unsigned keyState);
  // Picks the boundary under the last pointer position, if any.
  PanelRequest leftButtonDown();
  // A left press in another window of the program: the next release on the
  // panel answers it as a click.
  void noteButtonPress() { buttonPressed_ = true; }
  PanelRequest leftButtonUp();
  // The pointer was taken away mid-drag (another window grabbed it): the
  // boundary stays where the drag left it and the release, which the panel
  // will never see, is not waited for.
  void endDrag();
  PanelRequest keyDown(Key key);

  // The whole panel bitmap.
  void draw(Surface& surface) const;

  // "Srectrum " and the record's panel date-time text, NUL-terminated into a
  // buffer of kTitleBuffer; returns the length.
  int titleText(char* out) const;
  // The read-out window's text (no NUL) into a buffer of kReadOutTextBuffer;
  // returns its length.
  int readOutText(char* out) const;
  // Where the read-out window goes. Near the right edge it is put left of the
  // pointer, and a window being moved there lands 8 pixels further right
  // than a new one.
  ReadOutPlacement readOutPlacement(bool windowExists) const;
  // The read-out window's own bitmap.
  void drawReadOut(Surface& surface) const;

  // State, for the window procedure and for tests.
  std::uint32_t boundary(int index) const { return bounds_[index]; }  // index 0 ... boundaryCount() - 1
  int zoomStep() const { return zoomStep_; }
  bool dragging() const { return dragging_; }
  bool moved() const { return moved_; }
  int draggedBoundary() const { return dragged_; }  // 0 ... 2
  bool buttonPressed() const { return buttonPressed_; }
  Point pointer() const { return pointer_; }
  bool readOutActive() const { return readOutActive_; }
  Point readOutPosition() const { return readOutPosition_; }
  Point readOutAnchor() const { return readOutAnchor_; }
  std::uint16_t readOutChannel() const { return readOutChannel_; }
  std::uint16_t readOutCount() const { return readOutCount_; }
  int cursorX() const { return cursorX_; }

  // The window computation, window 0 first.
  std::uint32_t windowSum(int window) const { return windows_[window].sum; }
  std::string_view windowRangeText(int window) const;
  std::string_view windowSumText(int window) const;
  // "64: 1" ... " 1: 1" ... " 1:64", kZoomLabelLength characters, no NUL.
  void zoomLabel(char* out) const;

 private:
  struct Window {
    std::uint32_t sum = 0;
    char range[16] = {};
    int rangeLength = 0;
    char sumText[12] = {};
    int sumLength = 0;
  };

  void computeWindows();
  bool lastWindowSkipsChannel255() const;
  PanelRequest redraw() const { return {true, readOutActive_}; }
  PanelRequest readOutRequest(Point at);
  PanelRequest drag();
  std::int64_t draggedValue(int channel) const;

  void drawPlot(Surface& s) const;
  void drawBars(Surface& s) const;
  void drawMarkers(Surface& s) const;
  void drawWindowTexts(Surface& s) const;
  void drawZoomAndTable(Surface& s) const;

  int mode_;
  SpectrumVariant variant_;
  MeasurementRecord record_{};
  bool open_ = false;
  int clientWidth_ = kWindowWidth;
  int clientHeight_ = kWindowHeight;

  std::uint32_t bounds_[kMaxBoundaries] = {};
  int zoomStep_ = kOpeningZoomStep;
  int dragged_ = 0;
  bool dragging_ = false;
  bool moved_ = false;
  bool buttonPressed_ = false;
  Point pointer_{0, 0};
  Point readOutPosition_{0, 0};
  Point readOutAnchor_{0, 0};
  bool readOutActive_ = false;
  std::uint16_t readOutChannel_ = 0;
  std::uint16_t readOutCount_ = 0;
  int cursorX_ = 0;
  Window windows_[kMaxWindows];
};

}  // namespace zel::viewer
