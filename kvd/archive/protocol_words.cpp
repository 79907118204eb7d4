// The protocol's words that depend on a value: units, quantities, modes,
// counted words, verdicts, verification, levels, kinds of object, and the
// numbers and dates as a reader sees them.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "kvd/archive/protocol_page.h"
#include "kvd/stats/stats.h"

namespace zel::archive::page {

std::string unitLabel(std::string_view unit, report::Language language) {
  const bool ru = language == report::Language::Ru;
  if (unit == "Bq/m3") return ru ? "Бк/м³" : "Bq/m³";
  if (unit == "mBq/(s\u00B7m2)" || unit == "mBq/(m2*s)") return ru ? "мБк/(м²·с)" : "mBq/(m²·s)";
  if (unit == "pulses" && ru) return std::string(cli::russianUnitText(cli::Unit::Pulses));
  return std::string(unit);
}

std::string quantityLabel(std::string_view key, const std::string& label, report::Language language) {
  if (language != report::Language::Ru) return label;
  // The NRB sum is the protocol's own, written as the levels' titles write it.
  const std::string_view russian = key == "EECsum" ? "ЭРОА(Rn) + 4,6 ЭРОА(Tn)" : cli::russianResultLabel(key);
  return russian.empty() ? label : std::string(russian);
}

std::string modeName(std::uint32_t code, const std::string& name, report::Language language) {
  const std::string_view russian = language == report::Language::Ru ? cli::russianModeName(code) : "";
  return russian.empty() ? name : std::string(russian);
}

std::string countText(report::Language language, std::string_view key, std::uint64_t n) {
  std::vector<std::string_view> forms;
  for (std::string_view rest = text(language, key);;) {
    const std::size_t bar = rest.find('|');
    forms.push_back(rest.substr(0, bar));
    if (bar == std::string_view::npos) break;
    rest.remove_prefix(bar + 1);
  }
  std::size_t form = n == 1 ? 0 : 1;
  if (language == report::Language::Ru) {
    const std::uint64_t tens = n % 100, ones = n % 10;
    form = ones == 1 && tens != 11 ? 0 : ones >= 2 && ones <= 4 && (tens < 12 || tens > 14) ? 1 : 2;
  }
  return std::to_string(n) + " " + std::string(forms[std::min(form, forms.size() - 1)]);
}

std::string_view verdictText(report::Verdict verdict, report::Language language) {
  switch (verdict) {
    case report::Verdict::Above: return text(language, "levelAbove");
    case report::Verdict::Below: return text(language, "levelBelow");
    case report::Verdict::Inconclusive: break;
  }
  return text(language, "levelInconclusive");
}

std::string_view verificationText(Verification v, report::Language language) {
  const bool ru = language == report::Language::Ru;
  switch (v) {
    case Verification::Valid: return ru ? "в сроке поверки" : "within verification";
    case Verification::Outside: return ru ? "вне срока поверки" : "outside the verification period";
    case Verification::NotOnRecord: return ru ? "нет сведений о поверке" : "no verification on record";
    case Verification::Undated: break;
  }
  return ru ? "нет календарной даты: поверку проверить нельзя" : "no calendar date: verification cannot be checked";
}

std::string_view verificationName(Verification v) {
  switch (v) {
    case Verification::Valid: return "valid";
    case Verification::Outside: return "outside";
    case Verification::NotOnRecord: return "not-on-record";
    case Verification::Undated: break;
  }
  return "undated";
}

std::string_view normTitle(const report::Norm& norm, report::Language language) {
  return language == report::Language::Ru ? norm.titleRu : norm.titleEn;
}

std::string_view normShortTitle(const report::Norm& norm, report::Language language) {
  return language == report::Language::Ru ? norm.shortRu : norm.shortEn;
}

std::string roundedText(double v) {
  if (!std::isfinite(v)) return "\u2013";
  char buf[48];
  std::snprintf(buf, sizeof buf, std::fabs(v) < 1 && v != 0 ? "%.3g" : "%.2f", v);
  return buf;
}

std::string levelText(double v) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%g", v);
  return buf;
}

std::string dayText(std::string_view isoDay) {
  cli::DateTime t;
  if (!cli::parsePeriodBound(isoDay, false, t)) return std::string(isoDay);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02u.%02u.%04u", unsigned{t.day}, unsigned{t.month}, unsigned{t.year});
  return buf;
}

std::string_view kindText(std::string_view kind, report::Language language) {
  if (kind == "new") return text(language, "kindNew");
  if (kind == "workplace") return text(language, "kindWorkplace");
  return text(language, "kindInUse");
}

std::string conditionUnit(cli::Unit unit, report::Language language) {
  return std::string(language == report::Language::Ru ? cli::russianUnitText(unit) : cli::unitText(unit));
}

std::string filled(std::string_view text, std::string_view name, std::string_view value) {
  std::string out(text);
  const std::size_t at = out.find(name);
  if (at != std::string::npos) out.replace(at, name.size(), value);
  return out;
}

std::string roomTitle(const RoomResult& room, report::Language language) {
  const bool ru = language == report::Language::Ru;
  std::string title;
  if (!room.floor.empty()) title = std::string(ru ? "Этаж " : "Floor ") + room.floor + ", ";
  title += title.empty() ? (ru ? "Помещение " : "Room ") : (ru ? "помещение " : "room ");
  return title + room.room;
}

}  // namespace zel::archive::page
