// Numbers as the instrument stored them, their texts without any locale,
// their units and the conversions of --units pci.
#include <charconv>
#include <cmath>
#include <cstring>

#include "kvd/meaning/record_meaning.h"

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

}  // namespace zel::cli
