#include "kvd/report/render.h"

#include "common/svg_surface.h"
#include "viewer/frame/spectrum_panel.h"
#include "viewer/pages/pages.h"

namespace zel::report {
namespace {

SvgResult noViewer(const MeasurementRecord& record) {
  return {{}, "mode " + std::to_string(record.modeCode()) + " has no viewer program"};
}

SvgObjects programObjects(const pages::ResultPage& page) {
  SvgObjects o;
  o.largeFont = page.largeFont;
  o.redBoundaryPen = viewer::spectrumVariantOf(page.modeCode) == viewer::SpectrumVariant::ThreeBoundary;
  return o;
}

}  // namespace

SvgResult renderPageSvg(const MeasurementRecord& record) {
  const pages::ResultPage* page = pages::resultPageOf(record.modeCode());
  if (!page) return noViewer(record);
  SvgSurface s(pages::kPageWidth, pages::kPageHeight, programObjects(*page));
  // The frame fills the page bitmap once, before the page draws on it.
  s.fillRect(0, 0, pages::kPageWidth, pages::kPageHeight, BrushRole::Page);
  page->draw(s, record);
  return {s.document(), {}};
}

SvgResult renderSpectrumSvg(const MeasurementRecord& record) {
  const pages::ResultPage* page = pages::resultPageOf(record.modeCode());
  if (!page) return noViewer(record);
  viewer::SpectrumPanel panel(page->modeCode, record);
  panel.setClientSize(kSpectrumWidth, kSpectrumHeight);
  SvgSurface s(kSpectrumWidth, kSpectrumHeight, programObjects(*page));
  panel.draw(s);
  return {s.document(), {}};
}

std::string svgElement(const std::string& document) {
  const std::size_t start = document.find("<svg");
  return start == std::string::npos ? std::string() : document.substr(start);
}

}  // namespace zel::report
