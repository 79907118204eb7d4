// The spectrum windows' sums, from the spectrum panel's own model so that
// they are the ones a viewer shows when it opens.
#include <memory>

#include "common/mode_table.h"
#include "kvd/meaning/record_meaning.h"
#include "viewer/frame/spectrum_panel.h"

namespace zel::cli {

int windowSumValues(const MeasurementRecord& record, std::array<std::uint32_t, 4>& sums) {
  const std::uint16_t mode = record.modeCode();
  if (!hasViewerProgram(mode)) return 0;
  const viewer::SpectrumPanel panel(mode, record);
  for (int w = 0; w < panel.windowCount(); ++w) sums[static_cast<std::size_t>(w)] = panel.windowSum(w);
  return panel.windowCount();
}

struct WindowSumCalculator::Panels {
  std::array<std::unique_ptr<viewer::SpectrumPanel>, kModeCount> byMode;
};

WindowSumCalculator::WindowSumCalculator() : panels_(std::make_unique<Panels>()) {}
WindowSumCalculator::~WindowSumCalculator() = default;

int WindowSumCalculator::sums(const MeasurementRecord& record, std::array<std::uint32_t, 4>& out) {
  const std::uint16_t mode = record.modeCode();
  if (!hasViewerProgram(mode)) return 0;
  std::unique_ptr<viewer::SpectrumPanel>& panel = panels_->byMode[mode];
  if (!panel) panel = std::make_unique<viewer::SpectrumPanel>(mode);
  panel->open(record);
  for (int w = 0; w < panel->windowCount(); ++w) out[static_cast<std::size_t>(w)] = panel->windowSum(w);
  return panel->windowCount();
}

WindowSums windowSums(const MeasurementRecord& record) {
  WindowSums out;
  const std::uint16_t mode = record.modeCode();
  if (!hasViewerProgram(mode)) return out;
  const viewer::SpectrumPanel panel(mode, record);
  out.boundaryCount = panel.boundaryCount();
  out.windowCount = panel.windowCount();
  for (int b = 0; b < out.boundaryCount; ++b) out.boundaries[static_cast<std::size_t>(b)] = panel.boundary(b);
  for (int w = 0; w < out.windowCount; ++w) {
    out.sums[static_cast<std::size_t>(w)] = panel.windowSum(w);
    out.ranges[static_cast<std::size_t>(w)] = std::string(panel.windowRangeText(w));
  }
  return out;
}

}  // namespace zel::cli
