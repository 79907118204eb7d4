// The spectrum panels that pages have open: the viewer's own SpectrumPanel
// model per panel, driven by the events the page sends, drawn through
// SvgSurface. At most kMaxPanels are kept; the one used least recently
// goes first (its page then opens a new one).
#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "common/record.h"
#include "viewer/frame/spectrum_panel.h"

namespace zel::serve {

class SpectrumSessions {
 public:
  static constexpr std::size_t kMaxPanels = 64;

  // A new panel on the record, open as the viewer opens it; its id and state.
  nlohmann::ordered_json open(const MeasurementRecord& record);
  // The events applied in order (400 for a bad one, nothing applied), then
  // the state; nullopt for an unknown panel.
  std::optional<nlohmann::ordered_json> apply(const std::string& id, const nlohmann::ordered_json& events);
  std::size_t size();

 private:
  struct Session {
    std::string id;
    std::unique_ptr<viewer::SpectrumPanel> panel;
    std::mutex mutex;
  };
  std::mutex mutex_;
  std::list<std::shared_ptr<Session>> sessions_;  // most recently used first
};

// The state of a panel as the page draws it.
nlohmann::ordered_json panelState(const viewer::SpectrumPanel& panel);

}  // namespace zel::serve
