// What distinguishes one viewer program from another: its name, its mode, its
// result page, its spectrum panel and its class icon.
#pragma once

#include "common/record.h"
#include "common/surface.h"

namespace zel::viewer {

enum class SpectrumVariant { TwoBoundary, ThreeBoundary };

// The main window, as created; the page bitmap is its client area, smaller by
// the frame and caption.
inline constexpr int kMainWindowWidth = 620;
inline constexpr int kMainWindowHeight = 480;

// Draws the mode's result page once, after the record was read. It may leave
// any pen, font or colour selected.
using DrawResultPage = void (*)(Surface& surface, const MeasurementRecord& record);

struct ViewerProgram {
  const char* name;  // the window title and the caption of every message
  int modeCode;
  DrawResultPage drawResultPage;
  SpectrumVariant spectrum;
  bool classIcon;  // ICON_BIG as the class icon, or the system default
  bool largeFont;  // the page uses the 44 / 22 font
};

}  // namespace zel::viewer
