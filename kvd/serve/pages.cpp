#include "kvd/serve/pages.h"

#include <kainjow/mustache.hpp>

#include <map>
#include <stdexcept>

#include "kvd/archive/accounts.h"
#include "kvd/report/web_assets.h"
#include "kvd/serve/web_files.h"

namespace zel::serve {

namespace {

using kainjow::mustache::data;
using kainjow::mustache::mustache;

constexpr std::string_view kTemplateEnd = ".html.mustache";

bool endsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

data toData(const Json& value) {
  if (value.is_object()) {
    data out{data::type::object};
    for (auto it = value.begin(); it != value.end(); ++it) out.set(it.key(), toData(it.value()));
    return out;
  }
  if (value.is_array()) {
    data out{data::type::list};
    for (const Json& item : value) out.push_back(toData(item));
    return out;
  }
  if (value.is_string()) return data{value.get<std::string>()};
  if (value.is_boolean()) return value.get<bool>() ? data{data::type::bool_true} : data{data::type::bool_false};
  if (value.is_null()) return data{data::type::bool_false};
  return data{value.dump()};
}

const Json& allTexts() {
  static const Json texts = [] {
    const std::optional<std::string_view> file = webFile("serve_texts.json");
    Json parsed = file ? Json::parse(*file, nullptr, false) : Json::object();
    if (parsed.is_discarded() || !parsed.is_object()) throw std::runtime_error("kvd/web/serve_texts.json is no JSON object");
    for (const char* lang : {"en", "ru"})
      if (!parsed.contains(lang) || !parsed[lang].is_object()) parsed[lang] = Json::object();
    return parsed;
  }();
  return texts;
}

// Russian when the browser ranks it above English (or names no English).
bool prefersRussian(std::string_view header) {
  double ru = -1, en = -1;
  std::size_t at = 0;
  while (at <= header.size()) {
    std::size_t end = header.find(',', at);
    if (end == std::string_view::npos) end = header.size();
    std::string_view item = header.substr(at, end - at);
    while (!item.empty() && item.front() == ' ') item.remove_prefix(1);
    double q = 1;
    if (const std::size_t semi = item.find(';'); semi != std::string_view::npos) {
      const std::size_t qAt = item.find("q=", semi);
      if (qAt != std::string_view::npos) q = std::atof(std::string(item.substr(qAt + 2)).c_str());
      item = item.substr(0, semi);
    }
    const std::string_view primary = item.substr(0, item.find('-'));
    if ((primary == "ru" || primary == "RU") && q > ru) ru = q;
    if ((primary == "en" || primary == "EN") && q > en) en = q;
    at = end + 1;
  }
  return ru > 0 && ru > en;
}

}  // namespace

std::string chooseLanguage(std::string_view query, std::string_view cookie, std::string_view option,
                           std::string_view acceptLanguage) {
  for (std::string_view given : {query, cookie, option})
    if (given == "en" || given == "ru") return std::string(given);
  return prefersRussian(acceptLanguage) ? "ru" : "en";
}

const Json& pageTexts(const std::string& language) { return allTexts()[language == "ru" ? "ru" : "en"]; }

std::string renderPage(const PageRequest& request) {
  const std::string name = "serve_" + request.page + std::string(kTemplateEnd);
  const std::optional<std::string_view> source = webFile(name);
  if (!source) throw std::runtime_error("no template " + name);
  Json pageData = request.data;
  pageData["texts"] = pageTexts(request.language);
  pageData["lang"] = request.language;
  const Json me = request.me.is_object() ? request.me : Json::object();
  pageData["me"] = me;
  pageData["pdf"] = request.pdf;
  const archive::Role role = archive::roleFromName(me.value("role", "")).value_or(archive::Role::Viewer);

  data root{data::type::object};
  root.set("t", toData(pageTexts(request.language)));
  root.set("lang", request.language);
  root.set("other_lang", request.language == "ru" ? "en" : "ru");
  root.set("csrf", request.csrf);
  root.set("page", request.page);
  root.set("id", request.id);
  root.set("data_json", scriptJson(pageData));
  root.set("version", request.version);
  const auto flag = [](bool on) { return data{on ? data::type::bool_true : data::type::bool_false}; };
  root.set("mayOperate", flag(archive::mayAct(role, archive::Role::Operator)));
  root.set("mayApprove", flag(archive::mayAct(role, archive::Role::Approver)));
  root.set("mayAdmin", flag(archive::mayAct(role, archive::Role::Admin)));
  root.set("labServer", flag(me.value("lab", false)));
  root.set("pdf", flag(request.pdf));
  root.set("meName", me.value("name", ""));
  root.set("meLogin", me.value("login", ""));
  // Every template is also a partial by its name without the extension.
  for (const WebFile& file : webFiles())
    if (endsWith(file.name, kTemplateEnd)) {
      const std::string text(file.text);
      root.set(std::string(file.name.substr(0, file.name.size() - kTemplateEnd.size())),
               kainjow::mustache::partial{[text] { return text; }});
    }
  mustache tmpl{std::string(*source)};
  if (!tmpl.is_valid()) throw std::runtime_error(name + ": " + tmpl.error_message());
  std::string html = tmpl.render(root);
  if (!tmpl.is_valid()) throw std::runtime_error(name + ": " + tmpl.error_message());
  return html;
}

std::optional<StaticFile> staticFile(std::string_view name) {
  if (name == "dygraph.min.js") return StaticFile{report::kDygraphsScript, "text/javascript; charset=utf-8"};
  if (name == "dygraph.min.css") return StaticFile{report::kDygraphsStyle, "text/css; charset=utf-8"};
  if (name == "chart_levels.js") return StaticFile{report::kChartLevelsScript, "text/javascript; charset=utf-8"};
  if (name.rfind("serve_", 0) != 0) return std::nullopt;
  const std::optional<std::string_view> text = webFile(name);
  if (!text) return std::nullopt;
  if (endsWith(name, ".js")) return StaticFile{*text, "text/javascript; charset=utf-8"};
  if (endsWith(name, ".css")) return StaticFile{*text, "text/css; charset=utf-8"};
  return std::nullopt;
}

}  // namespace zel::serve
