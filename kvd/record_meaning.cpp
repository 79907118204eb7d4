#include "kvd/record_meaning.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>

#include "browser/browser_text.h"
#include "browser/summary_list.h"
#include "common/mode_table.h"
#include "common/text_format.h"
#include "viewer/frame/spectrum_panel.h"

namespace zel::cli {

namespace {

constexpr double kBqPerPicoCurieLitre = 37.0;
constexpr double kBqPerWorkingLevel = 3700.0;

char* put(char* out, std::string_view text) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

char* nonFiniteText(char* out, double v) {
  if (std::isnan(v)) return put(out, "NaN");
  return put(out, v < 0 ? "-Infinity" : "Infinity");
}

char* replacePoint(char* begin, char* end, char decimalPoint) {
  if (decimalPoint != '.')
    for (char* p = begin; p != end; ++p)
      if (*p == '.') *p = decimalPoint;
  return end;
}

// Enough room for any number this module writes.
char* toChars(char* out, std::uint64_t v) { return std::to_chars(out, out + kMaxNumberText, v).ptr; }
char* toChars(char* out, std::int64_t v) { return std::to_chars(out, out + kMaxNumberText, v).ptr; }

bool isLeapYear(unsigned y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned daysInMonth(unsigned year, unsigned month) {
  static constexpr unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

// At least `digits` digits, leading zeros added; all digits of larger values.
char* padded(char* out, unsigned v, int digits) {
  char buf[8];
  char* end = std::to_chars(buf, buf + sizeof buf, v).ptr;
  for (int n = static_cast<int>(end - buf); n < digits; ++n) *out++ = '0';
  return put(out, {buf, static_cast<std::size_t>(end - buf)});
}

std::string_view trimRight(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// Which unit primaryResult and primaryError are in, by mode (Part of the
// record layout: the fields whose meaning depends on the mode).
Unit primaryUnit(std::uint16_t mode) {
  switch (mode) {
    case 1: case 2: case 3: case 4: case 5: case 12: case 13: case 18: case 19: case 20: case 21: case 24: case 26:
      return Unit::BqPerM3;
    case kModeFlux:
      return Unit::MilliBqPerSM2;
    default:
      return Unit::None;
  }
}

Number u(std::uint64_t v) { return Number::ofUnsigned(v); }

Quantity quantity(std::string_view key, std::string label, Number value, Number error, Unit unit,
                  Conversion conversion = Conversion::None) {
  return {key, std::move(label), value, error, unit, conversion, {}};
}

Quantity textQuantity(std::string_view key, std::string label, std::string_view text) {
  return {key, std::move(label), Number::none(), Number::none(), Unit::None, Conversion::None, text};
}

void addCounts(std::vector<Quantity>& out, const MeasurementRecord& r) {
  out.push_back(quantity("N1", "N1", u(r.countN1()), {}, Unit::Pulses));
  out.push_back(quantity("N2", "N2", u(r.countN2()), {}, Unit::Pulses));
  out.push_back(quantity("N3", "N3", u(r.countN3()), {}, Unit::Pulses));
}

void addManualTimes(std::vector<Quantity>& out, const MeasurementRecord& r, bool delayShown) {
  out.push_back(quantity("pumpingTime", "pumping", u(r.pumpingTime()), {}, Unit::Seconds));
  if (delayShown) out.push_back(quantity("delayTime", "delay", u(r.delayTime()), {}, Unit::Seconds));
  out.push_back(quantity("measurementTime", "measurement", u(r.measurementTime()), {}, Unit::Seconds));
}

}  // namespace

bool Number::finite() const {
  switch (kind) {
    case Kind::None: return false;
    case Kind::Float: return std::isfinite(f);
    case Kind::Real: return std::isfinite(d);
    default: return true;
  }
}

double Number::toDouble() const {
  switch (kind) {
    case Kind::None: return std::nan("");
    case Kind::Unsigned: return static_cast<double>(u);
    case Kind::Signed: return static_cast<double>(i);
    case Kind::Tenths: return static_cast<double>(i) / 10.0;
    case Kind::Real: return d;
    case Kind::Float: {
      if (!std::isfinite(f)) return static_cast<double>(f);
      char text[kMaxNumberText];
      char* end = std::to_chars(text, text + sizeof text, f).ptr;
      double v = 0;
      std::from_chars(text, end, v);
      return v;
    }
  }
  return 0;
}

char* formatNumber(char* out, const Number& n, char decimalPoint) {
  switch (n.kind) {
    case Number::Kind::None:
      return out;
    case Number::Kind::Unsigned:
      return toChars(out, n.u);
    case Number::Kind::Signed:
      return toChars(out, n.i);
    case Number::Kind::Float:
      if (!std::isfinite(n.f)) return nonFiniteText(out, n.f);
      return replacePoint(out, std::to_chars(out, out + kMaxNumberText, n.f).ptr, decimalPoint);
    case Number::Kind::Real:
      if (!std::isfinite(n.d)) return nonFiniteText(out, n.d);
      return replacePoint(out, std::to_chars(out, out + kMaxNumberText, n.d).ptr, decimalPoint);
    case Number::Kind::Tenths: {
      // In 64 bits, so that the magnitude of the most negative value exists.
      std::uint64_t magnitude = n.i < 0 ? 0 - static_cast<std::uint64_t>(n.i) : static_cast<std::uint64_t>(n.i);
      if (n.i < 0) *out++ = '-';
      out = toChars(out, magnitude / 10);
      if (magnitude % 10 != 0) {
        *out++ = decimalPoint;
        *out++ = static_cast<char>('0' + magnitude % 10);
      }
      return out;
    }
  }
  return out;
}

std::string numberText(const Number& n, char decimalPoint) {
  char buf[kMaxNumberText];
  return {buf, formatNumber(buf, n, decimalPoint)};
}

std::string readableNumberText(const Number& n) {
  if (n.kind != Number::Kind::Real || !std::isfinite(n.d)) return numberText(n);
  char buf[kMaxNumberText];
  char* end = std::to_chars(buf, buf + sizeof buf, n.d, std::chars_format::general, 6).ptr;
  return {buf, end};
}

DateTime recordDateTime(const MeasurementRecord& r) {
  return {r.year(), r.month(), r.day(), r.hour(), r.minute(), r.second()};
}

bool isCalendarDate(const DateTime& t) {
  return t.year >= 1 && t.year <= 9999 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
         t.day <= daysInMonth(t.year, t.month) && t.hour <= 23 && t.minute <= 59 && t.second <= 59;
}

bool fitsSpreadsheetDate(const DateTime& t) {
  return isCalendarDate(t) && (t.year > 1900 || (t.year == 1900 && t.month >= 3));
}

char* formatIsoDateTime(char* out, const DateTime& t) {
  out = padded(out, t.year, 4);
  *out++ = '-';
  out = padded(out, t.month, 2);
  *out++ = '-';
  out = padded(out, t.day, 2);
  *out++ = 'T';
  out = padded(out, t.hour, 2);
  *out++ = ':';
  out = padded(out, t.minute, 2);
  *out++ = ':';
  return padded(out, t.second, 2);
}

std::string isoDateTimeText(const DateTime& t) {
  char buf[kMaxIsoDateTimeText];
  return {buf, formatIsoDateTime(buf, t)};
}

std::string readableDateTimeText(const DateTime& t) {
  char buf[kMaxIsoDateTimeText];
  char* p = padded(buf, t.day, 2);
  *p++ = '.';
  p = padded(p, t.month, 2);
  *p++ = '.';
  p = padded(p, t.year, 4);
  *p++ = ' ';
  p = padded(p, t.hour, 2);
  *p++ = ':';
  p = padded(p, t.minute, 2);
  *p++ = ':';
  p = padded(p, t.second, 2);
  return {buf, p};
}

std::string_view unitText(Unit unit) {
  switch (unit) {
    case Unit::None: return "";
    case Unit::BqPerM3: return "Bq/m3";
    case Unit::MilliBqPerSM2: return "mBq/(s\u00B7m2)";
    case Unit::Pulses: return "pulses";
    case Unit::Seconds: return "s";
    case Unit::Minutes: return "min";
    case Unit::Celsius: return "\u00B0C";
    case Unit::Percent: return "%";
    case Unit::MmHg: return "mmHg";
    case Unit::Channel: return "channel";
    case Unit::Cycles: return "cycles";
  }
  return "";
}

std::string_view conversionUnitText(Conversion c) {
  switch (c) {
    case Conversion::PicoCuriePerLitre: return "pCi/L";
    case Conversion::WorkingLevel: return "WL";
    case Conversion::None: break;
  }
  return "";
}

Number convert(const Number& n, Conversion c) {
  if (!n.present() || c == Conversion::None) return Number::none();
  const double divisor = c == Conversion::PicoCuriePerLitre ? kBqPerPicoCurieLitre : kBqPerWorkingLevel;
  return Number::ofReal(n.toDouble() / divisor);
}

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
        out.value = s.value <= 90 ? Number::ofTenths(s.value) : u(s.value / 10);
        out.error = u(s.error);
        if (texts) {
          out.valueText.assign(buf, browser::formatTenths(buf, s.value));
          out.errorText.assign(buf, formatDword(buf, s.error));
        }
      }
      break;
    case browser::ValueForm::Number:
      out.value = u(s.value);
      if (texts) out.valueText.assign(buf, formatDword(buf, s.value));
      if (s.category != kCategoryManual) {
        out.error = u(s.error);
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

std::vector<Quantity> results(const MeasurementRecord& r) {
  std::vector<Quantity> out;
  const std::uint16_t mode = r.modeCode();
  if (!hasViewerProgram(mode)) return out;
  constexpr Conversion kPci = Conversion::PicoCuriePerLitre;
  constexpr Conversion kWl = Conversion::WorkingLevel;
  const Number result = u(r.primaryResult());
  const Number error = u(r.primaryError());
  switch (mode) {
    case 1: case 2: case 12: case 13: case 26:
      out.push_back(quantity("CRn", "CRn", result, error, Unit::BqPerM3, kPci));
      break;
    case kModeThoron:
      out.push_back(quantity("CTn", "CTn", result, error, Unit::BqPerM3, kPci));
      break;
    case kModeIntegral1:
      // This mode keeps Qi in the error field and stores no error: the page
      // shows 20 % of Qint, taken in 64 bits.
      out.push_back(quantity("Qi", "Qi", error, {}, Unit::BqPerM3, kPci));
      out.push_back(quantity("Qint", "Qint", result, u(std::uint64_t{r.primaryResult()} * 20 / 100), Unit::BqPerM3,
                             kPci));
      break;
    case kModeBackground:
      out.push_back(quantity("background", "Intrinsic background of radiometer", result, error, Unit::BqPerM3, kPci));
      break;
    case kModeWater:
      out.push_back(quantity("Qwater", "Q(water)", result, error, Unit::BqPerM3, kPci));
      break;
    case kModeAir:
      out.push_back(quantity("Qsample", "Q(sample)", result, error, Unit::BqPerM3, kPci));
      break;
    case kModeSoil:
      out.push_back(quantity("Qsoil", "Q(soil)", result, error, Unit::BqPerM3, kPci));
      break;
    case kModeFlux:
      out.push_back(quantity("flux", "Q(Radon flux)", result, error, Unit::MilliBqPerSM2));
      out.push_back(textQuantity("method", "Method", r.variantFlag() == 0 ? "Method 1" : "Method 2"));
      break;
    case kModeEecBackground:
      out.push_back(quantity("Nk", "Nk", Number::ofFloat(r.ca()), {}, Unit::None));
      break;
    case kModeEecManual:
      addCounts(out, r);
      addManualTimes(out, r, true);
      break;
    case 14: case 15: case 22:
      out.push_back(quantity("EECRn", "EEC(Rn)", u(r.eecRn()), u(r.eecRnError()), Unit::BqPerM3, kWl));
      out.push_back(quantity("EECTn", "EEC(Tn)", u(r.eecTn()), u(r.eecTnError()), Unit::BqPerM3, kWl));
      out.push_back(quantity("Fd", "Fd", Number::ofFloat(r.fd()), {}, Unit::None));
      addCounts(out, r);
      out.push_back(quantity("Kv", "Kv", Number::ofFloat(r.kv()), {}, Unit::None));
      out.push_back(quantity("Ca", "Ca", Number::ofFloat(r.ca()), {}, Unit::None));
      out.push_back(quantity("Cb", "Cb", Number::ofFloat(r.cb()), {}, Unit::None));
      out.push_back(quantity("Cc", "Cc", Number::ofFloat(r.cc()), {}, Unit::None));
      break;
    case kModeEecThoron:
      out.push_back(quantity("EECTn", "EEC(Tn)", result, error, Unit::BqPerM3, kWl));
      out.push_back(quantity("delayTime", "Delay time", u(r.delayTime()), {}, Unit::Minutes));
      break;
    case kModeIntegral2: {
      const unsigned cycles = r.cycleCount() & 0xFFu;
      out.push_back(quantity("cycles", "Cycles", u(cycles), {}, Unit::Cycles));
      out.push_back(quantity("Qn", "Q(" + std::to_string(cycles) + ")", result, error, Unit::BqPerM3, kPci));
      out.push_back(quantity("Qint", "Qint", u(r.integralResult()), u(r.integralError()), Unit::BqPerM3, kPci));
      break;
    }
    case kModeCrnManual:
      out.push_back(textQuantity("pumpingMode", "Pumping mode", r.variantFlag() == 0 ? "timed" : "continuous"));
      // In continuous pumping the page shows no delay.
      addManualTimes(out, r, r.variantFlag() == 0);
      out.push_back(quantity("N", "N", u(r.pulseCount()), {}, Unit::Pulses));
      break;
    default:
      break;
  }
  return out;
}

std::string viewerProgramText(std::uint32_t modeCode) {
  if (!hasViewerProgram(modeCode)) return {};
  char name[16];
  return {name, formatViewerProgramName(name, modeCode)};
}

std::array<std::uint16_t, kSpectrumChannels> spectrumCounts(const MeasurementRecord& record) {
  std::array<std::uint16_t, kSpectrumChannels> counts;
  for (int k = 0; k < kSpectrumChannels; ++k) counts[static_cast<std::size_t>(k)] = record.spectrum(k);
  return counts;
}

std::array<std::string_view, kFieldCount> fieldNames() {
  static_assert(std::tuple_size_v<decltype(kRecordFields)> == kFieldCount);
  std::array<std::string_view, kFieldCount> names;
  for (std::size_t k = 0; k < kFieldCount; ++k) names[k] = kRecordFields[k].name;
  return names;
}

void fieldNumbers(const MeasurementRecord& r, Number* out) {
  for (std::size_t k = 0; k < kFieldCount; ++k) {
    const FieldInfo& field = kRecordFields[k];
    switch (field.kind) {
      case FieldKind::U8: out[k] = u(r.u8(field.offset)); break;
      case FieldKind::U16: out[k] = u(r.u16(field.offset)); break;
      case FieldKind::U32: out[k] = u(r.u32(field.offset)); break;
      case FieldKind::F32: out[k] = Number::ofFloat(r.f32(field.offset)); break;
    }
    switch (field.offset) {
      // The low byte as two's complement: 0x00FB is -5, 0x0119 is 25.
      case offset::temperature: out[k] = Number::ofSigned(static_cast<std::int8_t>(r.temperature() & 0xFF)); break;
      case offset::humidity: out[k] = u(r.humidity() & 0xFFu); break;
      case offset::cycleCount: out[k] = u(r.cycleCount() & 0xFFu); break;
      default: break;
    }
  }
}

std::array<FieldValue, kFieldCount> fieldValues(const MeasurementRecord& r) {
  const std::uint16_t mode = r.modeCode();
  std::array<Number, kFieldCount> numbers;
  fieldNumbers(r, numbers.data());
  std::array<FieldValue, kFieldCount> out;
  for (std::size_t k = 0; k < kFieldCount; ++k) {
    const FieldInfo& field = kRecordFields[k];
    FieldValue& v = out[k];
    v.name = field.name;
    v.value = numbers[k];
    v.unit = Unit::None;
    switch (field.offset) {
      case offset::temperature: v.unit = Unit::Celsius; break;
      case offset::humidity: v.unit = Unit::Percent; break;
      case offset::cycleCount: v.unit = Unit::Cycles; break;
      case offset::delayTime: v.unit = mode == kModeEecThoron ? Unit::Minutes : Unit::Seconds; break;
      case offset::measurementTime:
      case offset::pumpingTime: v.unit = Unit::Seconds; break;
      case offset::pulseCount:
      case offset::countN1:
      case offset::countN2:
      case offset::countN3: v.unit = Unit::Pulses; break;
      case offset::pressure: v.unit = Unit::MmHg; break;
      case offset::windowBound1:
      case offset::windowBound2:
      case offset::windowBound3: v.unit = Unit::Channel; break;
      case offset::primaryResult:
      case offset::primaryError: v.unit = primaryUnit(mode); break;
      case offset::integralResult:
      case offset::integralError:
      case offset::eecRn:
      case offset::eecRnError:
      case offset::eecTn:
      case offset::eecTnError: v.unit = Unit::BqPerM3; break;
      default: break;
    }
  }
  return out;
}

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
