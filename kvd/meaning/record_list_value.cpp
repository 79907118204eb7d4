// The record browser's list row: the mode's name and the value pair, decided
// by the browser's own summary so that kvd lists what the list shows.
#include <cstring>

#include "browser/browser_text.h"
#include "browser/summary_list.h"
#include "common/mode_table.h"
#include "common/text_format.h"
#include "kvd/meaning/record_meaning.h"

namespace zel::cli {

namespace {

std::string_view trimRight(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

}  // namespace

std::string_view modeNameText(std::uint32_t modeCode) {
  const ModeNameEntry& entry = modeName(modeCode);
  return trimRight({entry.name, sizeof entry.name});
}

ListValue listValue(const MeasurementRecord& record, bool texts) {
  const browser::RecordSummary s = browser::summarizeRecord(record);
  ListValue out;
  out.mode = s.modeCode;
  out.modeName = modeNameText(s.modeCode);
  out.category = s.category;
  char buf[kMaxNumberText];
  if (texts) {
    out.date.assign(buf, browser::formatListDate(buf, s.day, s.month, s.year));
    out.time.assign(buf, browser::formatListTime(buf, s.hour, s.minute, s.second));
  }
  switch (browser::valueForm(s)) {
    case browser::ValueForm::Float: {
      float f;
      std::memcpy(&f, &s.value, sizeof f);
      out.value = Number::ofFloat(f);
      if (texts) out.valueText.assign(buf, formatFixed3(buf, s.value));
      break;
    }
    case browser::ValueForm::Tenths:
      if (browser::tenthsBelowHalf(s.value)) {
        // The list's "< 0.5" is no number: the exact stored tenths instead.
        out.value = Number::ofTenths(static_cast<std::int32_t>(s.value));
        if (texts) {
          out.valueText = trimRight(browser::kBelowHalf);
          out.valueText.erase(0, out.valueText.find_first_not_of(' '));
        }
      } else {
        // The number the list's text reads: past 90 without the tenth.
        out.value = s.value <= 90 ? Number::ofTenths(s.value) : Number::ofUnsigned(s.value / 10);
        out.error = Number::ofUnsigned(s.error);
        if (texts) {
          out.valueText.assign(buf, browser::formatTenths(buf, s.value));
          out.errorText.assign(buf, formatDword(buf, s.error));
        }
      }
      break;
    case browser::ValueForm::Number:
      out.value = Number::ofUnsigned(s.value);
      if (texts) out.valueText.assign(buf, formatDword(buf, s.value));
      if (s.category != kCategoryManual) {
        out.error = Number::ofUnsigned(s.error);
        if (texts) out.errorText.assign(buf, formatDword(buf, s.error));
      }
      break;
  }
  if (s.category == kCategoryManual) {
    out.unit = Unit::Pulses;
    out.conversion = Conversion::None;
  } else if (s.category == kCategoryEec) {
    out.unit = Unit::BqPerM3;
    out.conversion = Conversion::WorkingLevel;
  } else if (s.modeCode == kModeFlux) {
    out.unit = Unit::MilliBqPerSM2;
    out.conversion = Conversion::None;
  } else {
    out.unit = Unit::BqPerM3;
    out.conversion = Conversion::PicoCuriePerLitre;
  }
  return out;
}

}  // namespace zel::cli
