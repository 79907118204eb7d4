#include "kvd/serve/spectrum_sessions.h"

#include <vector>

#include "kvd/report/render.h"
#include "kvd/serve/http_error.h"
#include "kvd/serve/serve_platform.h"
#include "common/cp1251.h"
#include "viewer/pages/pages.h"

namespace zel::serve {

namespace {

// One event of a page, checked before any is applied.
struct PanelEvent {
  enum class Type { Move, Down, Up, Key, ZoomIn, ZoomOut, Leave } type;
  int x = 0, y = 0;
  unsigned keys = 0;
  viewer::Key key = viewer::Key::Other;
};

int coordinate(const Json& event, const char* key) {
  const auto it = event.find(key);
  if (it == event.end() || !it->is_number_integer())
    throw HttpError(400, std::string("a move event needs \"") + key + "\" as a whole number", "bad_event");
  const std::int64_t v = it->get<std::int64_t>();
  // Client coordinates are 16-bit signed in the message's lParam.
  if (v < -32768 || v > 32767)
    throw HttpError(400, std::string("\"") + key + "\" lies outside -32768 … 32767", "bad_event");
  return static_cast<int>(v);
}

PanelEvent parseEvent(const Json& event) {
  if (!event.is_object() || !event.contains("type") || !event["type"].is_string())
    throw HttpError(400, "every event is an object with a \"type\"", "bad_event");
  const std::string type = event["type"].get<std::string>();
  PanelEvent e{PanelEvent::Type::Leave};
  if (type == "move") {
    e.type = PanelEvent::Type::Move;
    e.x = coordinate(event, "x");
    e.y = coordinate(event, "y");
    if (event.contains("keys")) {
      if (!event["keys"].is_number_unsigned() || event["keys"].get<std::uint64_t>() > 0xFFFF)
        throw HttpError(400, "\"keys\" must be the mouse move's key bits (0 … 65535)", "bad_event");
      e.keys = event["keys"].get<unsigned>();
    }
  } else if (type == "down") {
    e.type = PanelEvent::Type::Down;
  } else if (type == "up") {
    e.type = PanelEvent::Type::Up;
  } else if (type == "key") {
    e.type = PanelEvent::Type::Key;
    const std::string key = event.value("key", std::string());
    if (key == "left") e.key = viewer::Key::Left;
    else if (key == "right") e.key = viewer::Key::Right;
    else throw HttpError(400, "a key event's \"key\" is \"left\" or \"right\"", "bad_event");
  } else if (type == "zoom_in") {
    e.type = PanelEvent::Type::ZoomIn;
  } else if (type == "zoom_out") {
    e.type = PanelEvent::Type::ZoomOut;
  } else if (type != "leave") {
    throw HttpError(400, "unknown event type \"" + type + "\"", "bad_event");
  }
  return e;
}

void applyEvent(viewer::SpectrumPanel& panel, const PanelEvent& e) {
  switch (e.type) {
    case PanelEvent::Type::Move: panel.mouseMove(e.x, e.y, e.keys); break;
    case PanelEvent::Type::Down: panel.leftButtonDown(); break;
    case PanelEvent::Type::Up: panel.leftButtonUp(); break;
    case PanelEvent::Type::Key: panel.keyDown(e.key); break;
    // Zooming in enlarges the bars: the panel's UP key.
    case PanelEvent::Type::ZoomIn: panel.zoomUp(); break;
    case PanelEvent::Type::ZoomOut: panel.zoomDown(); break;
    // The pointer left the panel: a drag ends where it was, as when the
    // window loses the capture.
    case PanelEvent::Type::Leave: panel.endDrag(); break;
  }
}

}  // namespace

Json panelState(const viewer::SpectrumPanel& panel) {
  char title[viewer::SpectrumPanel::kTitleBuffer];
  const int titleLength = panel.titleText(title);
  Json boundaries = Json::array();
  for (int k = 0; k < panel.boundaryCount(); ++k) boundaries.push_back(panel.boundary(k));
  Json windows = Json::array();
  for (int k = 0; k < panel.windowCount(); ++k)
    windows.push_back(Json{{"range", cp1251ToUtf8(panel.windowRangeText(k))},
                           {"sum", cp1251ToUtf8(panel.windowSumText(k))},
                           {"value", panel.windowSum(k)}});
  char zoom[viewer::SpectrumPanel::kZoomLabelLength];
  panel.zoomLabel(zoom);
  Json readOut = nullptr;
  if (panel.readOutActive()) {
    char text[viewer::SpectrumPanel::kReadOutTextBuffer];
    const int length = panel.readOutText(text);
    const viewer::ReadOutPlacement at = panel.readOutPlacement(false);
    readOut = Json{{"text", cp1251ToUtf8({text, static_cast<std::size_t>(length)})},
                   {"channel", panel.readOutChannel()},
                   {"count", panel.readOutCount()},
                   {"left", at.left},
                   {"top", at.top},
                   {"width", at.width},
                   {"height", at.height},
                   {"svg", report::svgElement(report::renderReadOutSvg(panel, at.width, at.height).svg)}};
  }
  return Json{{"svg", report::svgElement(report::renderPanelSvg(panel).svg)},
              {"title", cp1251ToUtf8({title, static_cast<std::size_t>(titleLength)})},
              {"boundaries", boundaries},
              {"windows", windows},
              {"zoom_step", panel.zoomStep()},
              {"zoom_label", std::string(zoom, viewer::SpectrumPanel::kZoomLabelLength)},
              {"read_out", readOut},
              {"dragging", panel.dragging()},
              {"cursor_x", panel.cursorX()}};
}

Json SpectrumSessions::open(const MeasurementRecord& record) {
  const pages::ResultPage* page = pages::resultPageOf(record.modeCode());
  if (!page) throw HttpError(404, "mode " + std::to_string(record.modeCode()) + " has no spectrum panel", "no_spectrum",
                              Json{{"mode", record.modeCode()}});
  auto session = std::make_shared<Session>();
  session->id = randomHex(16);
  session->panel = std::make_unique<viewer::SpectrumPanel>(page->modeCode, record);
  session->panel->setClientSize(report::kSpectrumWidth, report::kSpectrumHeight);
  Json state = panelState(*session->panel);
  {
    std::lock_guard lock(mutex_);
    sessions_.push_front(session);
    while (sessions_.size() > kMaxPanels) sessions_.pop_back();
  }
  Json out{{"panel", session->id}};
  out.update(state);
  return out;
}

std::optional<Json> SpectrumSessions::apply(const std::string& id, const Json& events) {
  if (!events.is_array()) throw HttpError(400, "\"events\" must be a list", "bad_event");
  std::vector<PanelEvent> parsed;
  for (const Json& e : events) parsed.push_back(parseEvent(e));
  std::shared_ptr<Session> session;
  {
    std::lock_guard lock(mutex_);
    for (auto it = sessions_.begin(); it != sessions_.end(); ++it)
      if ((*it)->id == id) {
        session = *it;
        sessions_.splice(sessions_.begin(), sessions_, it);
        break;
      }
  }
  if (!session) return std::nullopt;
  std::lock_guard lock(session->mutex);
  for (const PanelEvent& e : parsed) applyEvent(*session->panel, e);
  Json out{{"panel", id}};
  out.update(panelState(*session->panel));
  return out;
}

std::size_t SpectrumSessions::size() {
  std::lock_guard lock(mutex_);
  return sessions_.size();
}

}  // namespace zel::serve
