// The result pages, one hook per viewer program. Each hook draws its page
// through the Surface only, with the program's own mode-name literal (not the
// record's modeCode), and can be called any number of times with the same
// result. The frame calls it with the normal font selected, black text on
// RGB(255,255,216); it may leave any font, pen or colour selected.
#pragma once

#include "common/record.h"
#include "common/surface.h"

namespace zel::pages {

void drawResultPage01(Surface& s, const MeasurementRecord& r);
void drawResultPage02(Surface& s, const MeasurementRecord& r);
void drawResultPage03(Surface& s, const MeasurementRecord& r);
void drawResultPage04(Surface& s, const MeasurementRecord& r);
void drawResultPage05(Surface& s, const MeasurementRecord& r);
void drawResultPage06(Surface& s, const MeasurementRecord& r);
void drawResultPage07(Surface& s, const MeasurementRecord& r);
void drawResultPage10(Surface& s, const MeasurementRecord& r);
void drawResultPage12(Surface& s, const MeasurementRecord& r);
void drawResultPage13(Surface& s, const MeasurementRecord& r);
void drawResultPage14(Surface& s, const MeasurementRecord& r);
void drawResultPage15(Surface& s, const MeasurementRecord& r);
void drawResultPage18(Surface& s, const MeasurementRecord& r);
void drawResultPage19(Surface& s, const MeasurementRecord& r);
void drawResultPage20(Surface& s, const MeasurementRecord& r);
void drawResultPage21(Surface& s, const MeasurementRecord& r);
void drawResultPage22(Surface& s, const MeasurementRecord& r);
void drawResultPage24(Surface& s, const MeasurementRecord& r);
void drawResultPage25(Surface& s, const MeasurementRecord& r);
void drawResultPage26(Surface& s, const MeasurementRecord& r);

// Whether the viewer program of `modeCode` creates the large font (Arial
// 44 / 22): modes 1, 2, 4, 5, 6, 12, 13, 18, 19, 20, 24 and 26.
// Mode 20 creates it without drawing in it: its width places a number.
bool pageUsesLargeFont(int modeCode);

// The page bitmap: the client area of the 620 x 480 main window, less its
// fixed frame, client edge and caption under the standard window metrics.
inline constexpr int kPageWidth = 610;
inline constexpr int kPageHeight = 451;

struct ResultPage {
  int modeCode;
  void (*draw)(Surface& s, const MeasurementRecord& r);
  bool largeFont;
};

// The result page of a mode code, or nullptr for the codes without a viewer
// program.
const ResultPage* resultPageOf(int modeCode);

}  // namespace zel::pages
