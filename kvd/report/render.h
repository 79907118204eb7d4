// A record's result page and its spectrum as SVG pictures, drawn by the
// viewer programs' own page and panel code.
#pragma once

#include <string>

#include "common/record.h"

namespace zel::viewer {
class SpectrumPanel;
}

namespace zel::report {

struct SvgResult {
  std::string svg;    // a stand-alone SVG file, empty on an error
  std::string error;  // why there is no picture
  bool ok() const { return error.empty(); }
};

// The spectrum panel's client area: the 798 x 378 window less its frame,
// client edge and caption.
inline constexpr int kSpectrumWidth = 788;
inline constexpr int kSpectrumHeight = 349;

// The page as the mode's viewer program draws it into its window.
SvgResult renderPageSvg(const MeasurementRecord& record);
// The spectrum panel as it opens: the stored boundaries, zoom 1:1, no read-out.
SvgResult renderSpectrumSvg(const MeasurementRecord& record);

// An open panel in whatever state its events left it, and its read-out
// window, with the fonts and pens of the mode's viewer program.
SvgResult renderPanelSvg(const viewer::SpectrumPanel& panel);
SvgResult renderReadOutSvg(const viewer::SpectrumPanel& panel, int width, int height);

// The <svg> element of a stand-alone SVG file, for embedding in HTML.
std::string svgElement(const std::string& document);

}  // namespace zel::report
