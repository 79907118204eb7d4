#include "kvd/report/render.h"

#include "common/svg_surface.h"
#include "viewer/frame/spectrum_panel.h"
#include "viewer/pages/pages.h"

namespace zel::report {
namespace {

SvgResult noViewer(int modeCode) { return {{}, "mode " + std::to_string(modeCode) + " has no viewer program"}; }

SvgObjects programObjects(const pages::ResultPage& page) {
  SvgObjects o;
  o.largeFont = page.largeFont;
  o.redBoundaryPen = viewer::spectrumVariantOf(page.modeCode) == viewer::SpectrumVariant::ThreeBoundary;
  return o;
}

}  // namespace

SvgResult renderPageSvg(const MeasurementRecord& record) {
  const pages::ResultPage* page = pages::resultPageOf(record.modeCode());
  if (!page) return noViewer(record.modeCode());
  SvgSurface s(pages::kPageWidth, pages::kPageHeight, programObjects(*page));
  // The frame fills the page bitmap once, before the page draws on it.
  s.fillRect(0, 0, pages::kPageWidth, pages::kPageHeight, BrushRole::Page);
  page->draw(s, record);
  return {s.document(), {}};
}

SvgResult renderSpectrumSvg(const MeasurementRecord& record) {
  const pages::ResultPage* page = pages::resultPageOf(record.modeCode());
  if (!page) return noViewer(record.modeCode());
  viewer::SpectrumPanel panel(page->modeCode, record);
  panel.setClientSize(kSpectrumWidth, kSpectrumHeight);
  return renderPanelSvg(panel);
}

SvgResult renderPanelSvg(const viewer::SpectrumPanel& panel) {
  const pages::ResultPage* page = pages::resultPageOf(panel.modeCode());
  if (!page) return noViewer(panel.modeCode());
  SvgSurface s(panel.clientWidth(), panel.clientHeight(), programObjects(*page));
  panel.draw(s);
  return {s.document(), {}};
}

SvgResult renderReadOutSvg(const viewer::SpectrumPanel& panel, int width, int height) {
  const pages::ResultPage* page = pages::resultPageOf(panel.modeCode());
  if (!page) return noViewer(panel.modeCode());
  SvgSurface s(width, height, programObjects(*page));
  panel.drawReadOut(s);
  return {s.document(), {}};
}

std::string svgElement(const std::string& document) {
  const std::size_t start = document.find("<svg");
  return start == std::string::npos ? std::string() : document.substr(start);
}

}  // namespace zel::report
