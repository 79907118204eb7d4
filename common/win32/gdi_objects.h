// The fonts, pens and brushes a program creates once at start-up and keeps
// for its whole run; the drawing code names them by role.
#pragma once

#include <windows.h>

#include "common/surface.h"

namespace zel::win32 {

struct GdiObjects {
  HFONT fonts[5] = {};   // by FontRole
  HPEN pens[11] = {};    // by PenRole
  HBRUSH brushes[3] = {};  // by BrushRole

  HFONT font(FontRole r) const { return fonts[static_cast<int>(r)]; }
  HPEN pen(PenRole r) const { return pens[static_cast<int>(r)]; }
  HBRUSH brush(BrushRole r) const { return brushes[static_cast<int>(r)]; }
};

// Arial, weight 400, Cyrillic character set, proof quality.
HFONT createArial(int height, int width);

// The viewer's pens in their order of creation (the red boundary pen only
// where the spectrum has three boundaries), then its fonts: normal, large
// (where the page uses it), small.
void createViewerObjects(GdiObjects& objects, bool redPen, bool largeFont);

// The two brushes of a viewer's panels, created with the page panel.
void createViewerBrushes(GdiObjects& objects);

inline COLORREF colorRef(Color c) { return static_cast<COLORREF>(c); }

}  // namespace zel::win32
