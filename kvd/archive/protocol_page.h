// The parts of the protocol's page: its texts in English and Russian, the
// numbers as a reader sees them, and the JSON that the page carries for
// tools and for its charts.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "kvd/archive/protocol.h"

namespace zel::archive::page {

// The text of a key in the protocol's language (UTF-8); every key of the
// template's "t" has one in both languages.
struct PageText {
  std::string_view key;
  std::string_view en;
  std::string_view ru;
};
std::span<const PageText> pageTexts();
std::string_view text(report::Language language, std::string_view key);

// "1 room", "3 rooms"; "1 помещение", "2 помещения", "5 помещений": the
// count and the form of the key's counted word that the language takes.
std::string countText(report::Language language, std::string_view key, std::uint64_t n);
// "Bq/m3" as "Bq/m³" or "Бк/м³", the flux as "mBq/(m²·s)" or "мБк/(м²·с)".
std::string unitLabel(std::string_view unit, report::Language language);
std::string_view verdictText(report::Verdict verdict, report::Language language);
std::string_view verificationText(Verification v, report::Language language);
std::string_view verificationName(Verification v);  // "valid", "outside", "not-on-record", "undated"
std::string_view normTitle(const report::Norm& norm, report::Language language);
// "WHO", "ВОЗ": the level in a table's heading or a chart's legend.
std::string_view normShortTitle(const report::Norm& norm, report::Language language);
// A result that the protocol averages, by its key ("EECRn"), in the
// protocol's language: "EEC(Rn)" or "ЭРОА(Rn)"; `label` where Russian has
// no other (the symbols Qint, Q(n)).
std::string quantityLabel(std::string_view key, const std::string& label, report::Language language);
// The mode's name in the protocol's language; `name` (the record
// browser's) in English.
std::string modeName(std::uint32_t code, const std::string& name, report::Language language);

// A computed number (a mean, an uncertainty) for a reader: two decimals, or
// three significant digits below one.
std::string roundedText(double v);
// A stored level exactly: "100", "148".
std::string levelText(double v);
// "YYYY-MM-DD" of a verification as "05.07.2019"; another text as it is.
std::string dayText(std::string_view isoDay);
// The kind of object in words: "in-use", "new", "workplace" (any other as
// in use, as the levels take it).
std::string_view kindText(std::string_view kind, report::Language language);
// °C, %, mmHg, or °C, %, мм рт. ст.
std::string conditionUnit(cli::Unit unit, report::Language language);
// `text` with its placeholder `name` ("{number}") replaced by `value`.
std::string filled(std::string_view text, std::string_view name, std::string_view value);
// "Floor 1, room 101" in the protocol's language; without a floor "Room 101".
std::string roomTitle(const RoomResult& room, report::Language language);

// The JSON inside a <script> element: every '<' as \u003c, so that no text
// can close the element or open a comment; bytes that are not UTF-8
// replaced.
std::string scriptJson(const nlohmann::json& value);

// Every room's and point's numbers and verdicts, for tools.
nlohmann::json protocolData(const Protocol& protocol);
// One chart per point and unit: its series over the point's placements.
// `charts` of each point are numbered in the order of the points.
nlohmann::json protocolCharts(const Protocol& protocol);

}  // namespace zel::archive::page
