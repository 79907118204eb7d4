// The report's own texts in English and Russian (UTF-8), by key: the
// template takes them all as {{t.key}}, the charts' titles and labels and
// the verdicts a few by name.
#pragma once

#include <span>
#include <string_view>

#include "kvd/report/html_report.h"

namespace zel::report {

struct ReportText {
  std::string_view key;
  std::string_view en;
  std::string_view ru;
};
std::span<const ReportText> reportTexts();
std::string_view reportText(Language language, std::string_view key);
// "above", "below" or "inconclusive" in the language.
std::string_view verdictWord(Language language, Verdict verdict);

}  // namespace zel::report
