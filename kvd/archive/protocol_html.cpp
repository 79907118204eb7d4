// The protocol's page: its template (kvd/web/protocol.html.mustache) filled
// with the protocol's texts and numbers. Every text of the user's reaches
// the page through a {{…}} tag, which escapes it; only the page's own
// style, scripts and JSON (whose '<' are escaped) go in unescaped, and the
// printed pages' foot, a CSS string whose every sign is escaped (cssString).
#include <kainjow/mustache.hpp>

#include <cctype>
#include <cstdio>
#include <set>
#include <stdexcept>

#include "kvd/archive/protocol_page.h"
#include "kvd/archive/protocol_sections.h"
#include "kvd/export/writers.h"
#include "kvd/report/web_assets.h"

namespace zel::archive {

namespace {

using kainjow::mustache::mustache;
using page::data;
using page::list;
using page::userText;
using report::Language;

std::string str(std::string_view s) { return std::string(s); }

// A key that a section tests: present only when the text is not empty.
void setIfAny(data& d, const std::string& key, const std::string& value) {
  if (!value.empty()) d.set(key, value);
}

// The text as the inside of a CSS string ("…"): letters, digits, blanks,
// the signs of a number (". , - / : ( )") and every byte of a UTF-8 sequence
// stand as they are, any other sign as its hexadecimal escape, so that no
// quote, backslash, '<' or line break of a lab's number format can end the
// string or the style element.
std::string cssString(std::string_view text) {
  constexpr std::string_view kPlain = " .,-/:()";
  std::string out;
  for (const char c : cli::validUtf8(text)) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x80 || std::isalnum(u) || kPlain.find(c) != std::string_view::npos) {
      out += c;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\%x ", u);
      out += hex;
    }
  }
  return out;
}

class PageData {
 public:
  explicit PageData(const Protocol& p) : p_(p), lang_(p.language) {}

  data build() {
    data root;
    root.set("lang", lang_ == Language::Ru ? "ru" : "en");
    data t;
    for (const page::PageText& each : page::pageTexts()) t.set(str(each.key), str(lang_ == Language::Ru ? each.ru : each.en));
    const std::string k = page::levelText(p_.coverageFactor);
    t.set("expanded", page::filled(text("expanded"), "{k}", k));
    root.set("t", t);
    heading(root);
    root.set("lab", lab());
    data object;
    object.set("name", userText(p_.object.name));
    setIfAny(object, "address", userText(p_.object.address));
    setIfAny(object, "client", userText(p_.object.client));
    setIfAny(object, "notes", userText(p_.object.notes));
    object.set("kind", str(page::kindText(p_.object.kind, lang_)));
    root.set("object", object);
    setIfAny(root, "issued", userText(p_.issued));
    root.set("period", p_.first ? page::spanText(p_.first, p_.last) : text("noRecords"));
    root.set("scopeText", page::countText(lang_, "roomsCount", p_.rooms.size()) + ", " +
                              page::countText(lang_, "pointsCount", p_.points.size()) + ", " +
                              page::countText(lang_, "recordsCount", p_.records));
    if (!p_.replaces.empty()) root.set("replaces", page::filled(text("replaces"), "{number}", userText(p_.replaces)));
    if (p_.acceptedUnverified) root.set("acceptedUnverified", true);
    // The reason says why of either.
    if (!p_.replaces.empty() || p_.acceptedUnverified) setIfAny(root, "reason", userText(p_.reason));
    root.set("devices", devices());
    root.set("norms", norms(p_.normative));
    root.set("decisionRule", p_.lab.decisionRule.empty() ? page::filled(text("decisionRuleDefault"), "{k}", k)
                                                         : userText(p_.lab.decisionRule));
    const nlohmann::json charts = page::protocolCharts(p_);
    std::vector<std::vector<std::size_t>> chartsOf(p_.points.size());
    for (std::size_t i = 0; i < charts.size(); ++i) chartsOf[charts[i]["point"].get<std::size_t>()].push_back(i);
    root.set("rooms", page::roomsData(p_, chartsOf));
    if (!p_.informative.empty()) {
      data informative;
      informative.set("levels", norms(p_.informative));
      informative.set("rows", page::informativeData(p_));
      root.set("informative", informative);
    }
    conclusion(root);
    root.set("signers", signers());
    if (!p_.apart.empty()) {
      root.set("hasApart", true);
      data apart;
      apart.set("records", page::recordsData(p_, p_.apart));
      root.set("apart", apart);
    }
    setIfAny(root, "footer", userText(p_.lab.footer));
    root.set("style", str(report::kDygraphsStyle) + "\n" + str(report::kProtocolStyle));
    root.set("dygraphs", str(report::kDygraphsScript));
    root.set("script", str(report::kChartLevelsScript) + "\n" + str(report::kProtocolScript));
    root.set("dataJson", page::scriptJson(page::protocolData(p_)));
    root.set("chartsJson", page::scriptJson(charts));
    root.set("recordTable", str(report::kProtocolRecordsTemplate));
    return root;
  }

 private:
  std::string text(std::string_view key) const { return str(page::text(lang_, key)); }

  // The title, the draft's mark and the printed pages' foot.
  void heading(data& root) const {
    const std::string number = userText(p_.number);
    root.set("heading", p_.draft() ? text("headingDraft") : page::filled(text("heading"), "{number}", number));
    root.set("number", number);
    root.set("draft", p_.draft());
    data css;
    css.set("pageFoot", cssString(p_.draft() ? text("pageDraft") : page::filled(text("pageNumbered"), "{number}", number)));
    css.set("pageOf", cssString(text("pageOf")));
    css.set("draftMark", cssString(text("draftMark")));
    root.set("css", css);
  }

  data lab() const {
    const LabInfo& l = p_.lab;
    data d;
    setIfAny(d, "name", userText(l.name));
    setIfAny(d, "address", userText(l.address));
    setIfAny(d, "phone", userText(l.phone));
    setIfAny(d, "email", userText(l.email));
    setIfAny(d, "accreditation", userText(l.accreditation));
    setIfAny(d, "accreditedUntil", page::dayText(userText(l.accreditedUntil)));
    setIfAny(d, "method", userText(l.method));
    return d;
  }

  data devices() const {
    data out = list();
    for (const DeviceResult& d : p_.devices) {
      data row;
      row.set("number", std::to_string(d.info.number));
      row.set("model", d.onRecord ? userText(d.info.model) : text("unknownModel"));
      row.set("type", userText(d.info.type));
      row.set("serial", d.info.serial.empty() ? std::to_string(d.info.number) : userText(d.info.serial));
      row.set("statedError", userText(d.info.statedError));
      row.set("certificate", userText(d.info.certificate));
      const bool verified = !d.info.verifiedFrom.empty() || !d.info.verifiedUntil.empty();
      row.set("validity", verified ? page::dayText(userText(d.info.verifiedFrom)) + " \u2013 " +
                                          page::dayText(userText(d.info.verifiedUntil))
                                    : str(page::verificationText(Verification::NotOnRecord, lang_)));
      row.set("span", page::spanText(d.first, d.last));
      row.set("records", std::to_string(d.records));
      row.set("outside", std::to_string(d.outsideVerification));
      row.set("warn", d.outsideVerification > 0);
      setIfAny(row, "outsideRecords", outsideRecords(d.info.number));
      out.push_back(row);
    }
    return out;
  }

  // "12 (05.03.2024 10:00:00), 13 (…)": the device's records outside its
  // verification, by id and time, at the points and apart.
  std::string outsideRecords(std::uint32_t device) const {
    std::string out;
    const auto add = [&](const ProtocolRecord& r) {
      if (r.device != device || r.verification == Verification::Valid) return;
      out += (out.empty() ? "" : ", ") + std::to_string(r.id) + " (" + r.date + " " + r.time + ")";
    };
    for (const PointResult& p : p_.points)
      for (const ProtocolRecord& r : p.records) add(r);
    for (const ProtocolRecord& r : p_.apart) add(r);
    return out;
  }

  data norms(const std::vector<const report::Norm*>& which) const {
    data out = list();
    for (const report::Norm* n : which) {
      data row;
      row.set("name", str(page::normShortTitle(*n, lang_)));
      row.set("title", str(page::normTitle(*n, lang_)));
      row.set("level", page::levelText(n->level));
      row.set("unit", page::unitLabel(n->unit, lang_));
      out.push_back(row);
    }
    return out;
  }

  std::string roomList(const std::vector<std::size_t>& rooms) const {
    std::string out;
    for (std::size_t k : rooms) out += (out.empty() ? "" : "; ") + userText(page::roomTitle(p_.rooms[k], lang_));
    return out;
  }

  void conclusion(data& root) const {
    std::set<std::size_t> above, unsure;
    data levels = list();
    for (const LevelConclusion& c : p_.conclusions) {
      data d;
      d.set("title", str(page::normTitle(*c.norm, lang_)));
      d.set("level", page::levelText(c.norm->level));
      d.set("unit", page::unitLabel(c.norm->unit, lang_));
      d.set("judged", c.judgedAny());
      setIfAny(d, "aboveRooms", roomList(c.above));
      setIfAny(d, "inconclusiveRooms", roomList(c.inconclusive));
      setIfAny(d, "belowRooms", roomList(c.below));
      above.insert(c.above.begin(), c.above.end());
      unsure.insert(c.inconclusive.begin(), c.inconclusive.end());
      levels.push_back(d);
    }
    root.set("conclusions", levels);
    // Rooms above, and those undecided; all below only when neither is.
    const auto share = [&](const char* key, std::size_t n) {
      return text(key) + ": " + std::to_string(n) + " " + text("of") + " " + std::to_string(p_.rooms.size()) + ".";
    };
    std::string lead;
    if (!above.empty()) lead = share("conclusionSome", above.size());
    if (!unsure.empty()) lead += (lead.empty() ? "" : " ") + share("conclusionUnsure", unsure.size());
    root.set("conclusionLead", lead.empty() ? text("conclusionNone") : lead);
    if (p_.outsideVerification > 0)
      root.set("outsideVerification", page::countText(lang_, "outsideNote", p_.outsideVerification));
  }

  // Who signs, on the date of issue; a draft's lines stay empty, two of them.
  data signers() const {
    data out = list();
    if (p_.draft()) {
      for (int i = 0; i < 2; ++i) out.push_back(data());
      return out;
    }
    for (const Signer& s : p_.signers) {
      data row;
      row.set("position", userText(s.position));
      row.set("name", userText(s.name));
      row.set("date", userText(p_.issued));
      out.push_back(row);
    }
    return out;
  }

  const Protocol& p_;
  Language lang_;
};

}  // namespace

namespace page {

std::string userText(std::string_view s) { return cli::validUtf8(s); }

std::string spanText(const std::optional<cli::DateTime>& first, const std::optional<cli::DateTime>& last) {
  if (!first || !last) return "\u2013";
  return cli::readableDateTimeText(*first) + " \u2013 " + cli::readableDateTimeText(*last);
}

}  // namespace page

std::string protocolHtml(const Protocol& protocol) {
  mustache tmpl{str(report::kProtocolTemplate)};
  if (!tmpl.is_valid()) throw std::runtime_error("the protocol's template: " + tmpl.error_message());
  data root = PageData(protocol).build();
  std::string html = tmpl.render(root);
  if (!tmpl.is_valid()) throw std::runtime_error("the protocol's template: " + tmpl.error_message());
  return html;
}

void writeProtocolHtml(std::ostream& out, const ProtocolInput& input) {
  const std::string html = protocolHtml(computeProtocol(input));
  out.write(html.data(), static_cast<std::streamsize>(html.size()));
}

}  // namespace zel::archive
