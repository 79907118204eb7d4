#include "tests/spreadsheet/expected_row.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>

#include "common/mode_table.h"
#include "viewer/frame/spectrum_panel.h"

namespace zel::sheet_test {

namespace {

Expected text(std::string s) { return {Expected::Text, std::move(s)}; }
Expected number(double v) { return {Expected::Number, {}, v}; }
Expected derived(double v) { return {Expected::Number, {}, v, true}; }

// A stored float: its shortest decimal text (what a reader gets), or the
// text of NaN and the infinities.
Expected storedFloat(float f) {
  if (std::isnan(f)) return text("NaN");
  if (std::isinf(f)) return text(f > 0 ? "Infinity" : "-Infinity");
  char buf[64];
  const auto end = std::to_chars(buf, buf + sizeof buf, f).ptr;
  Expected e = number(std::strtod(std::string(buf, end).c_str(), nullptr));
  e.isFloat = true;
  e.storedFloat = f;
  return e;
}

bool leap(unsigned y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

}  // namespace

std::vector<Expected> expectedRow(const std::string& file, std::size_t index, const MeasurementRecord& r, bool pci) {
  std::vector<Expected> row;
  row.push_back(text(file));
  row.push_back(number(static_cast<double>(index)));
  {
    const unsigned y = r.year(), mo = r.month(), d = r.day(), h = r.hour(), mi = r.minute(), s = r.second();
    static const unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool calendar = y >= 1 && y <= 9999 && mo >= 1 && mo <= 12 && d >= 1 &&
                          d <= (mo == 2 && leap(y) ? 29 : days[mo - 1]) && h < 24 && mi < 60 && s < 60;
    char iso[64];
    std::snprintf(iso, sizeof iso, "%04u-%02u-%02uT%02u:%02u:%02u", y, mo, d, h, mi, s);
    const bool dateCell = calendar && (y > 1900 || (y == 1900 && mo >= 3));
    row.push_back({dateCell ? Expected::Date : Expected::Text, iso});
  }
  const unsigned mode = r.modeCode();
  row.push_back(number(mode));
  {
    const zel::ModeNameEntry& e = zel::modeName(mode);
    std::string name(e.name, sizeof e.name);
    name.erase(name.find_last_not_of(' ') + 1);
    row.push_back(text(name));
  }
  // The record browser's value pair.
  const unsigned category = zel::modeCategory(mode);
  Expected value, error;
  std::string unit = "Bq/m3";
  int conversion = 0;  // 1 pCi/L, 2 WL
  if (category == 4) {
    value = number(r.pulseCount());
    unit = "pulses";
  } else if (category == 2) {
    conversion = 2;
    if (mode == 7) {
      value = storedFloat(r.ca());
    } else if (mode == 20) {
      const auto v = static_cast<std::int32_t>(r.primaryResult());
      if (v < 5) {
        value = number(v / 10.0);
      } else {
        value = number(v <= 90 ? v / 10.0 : static_cast<double>(v / 10));
        error = number(r.primaryError());
      }
    } else {
      value = number(r.eecRn());
      error = number(r.eecRnError());
    }
  } else {
    conversion = mode == 6 ? 0 : 1;
    if (mode == 6) unit = "mBq/(s\u00B7m2)";
    if (mode == 21) {
      value = number(r.integralResult());
      error = number(r.integralError());
    } else if (mode == 3) {
      value = number(r.primaryResult());
      error = number(static_cast<double>(std::uint64_t{r.primaryResult()} * 20 / 100));
    } else {
      value = number(r.primaryResult());
      error = number(r.primaryError());
    }
  }
  row.push_back(value);
  row.push_back(error);
  row.push_back(text(unit));
  if (pci) {
    auto conv = [&](const Expected& e, double divisor) {
      return e.kind == Expected::Number ? derived(e.number / divisor) : e.kind == Expected::Text ? e : Expected{};
    };
    row.push_back(conversion == 1 ? conv(value, 37) : Expected{});
    row.push_back(conversion == 1 ? conv(error, 37) : Expected{});
    row.push_back(conversion == 2 ? conv(value, 3700) : Expected{});
    row.push_back(conversion == 2 ? conv(error, 3700) : Expected{});
  }
  // Every named field, as the instrument meant it.
  for (const zel::FieldInfo& f : zel::kRecordFields) {
    const std::uint8_t* p = r.bytes.data() + f.offset;
    const std::string_view name = f.name;
    if (name == "temperature") {
      row.push_back(number(static_cast<std::int8_t>(p[0])));
    } else if (name == "humidity" || name == "cycleCount" || f.kind == zel::FieldKind::U8) {
      row.push_back(number(p[0]));
    } else if (f.kind == zel::FieldKind::U16) {
      row.push_back(number(p[0] | p[1] << 8));
    } else if (f.kind == zel::FieldKind::U32) {
      row.push_back(number(static_cast<double>(zel::readU32(p))));
    } else {
      row.push_back(storedFloat(r.f32(f.offset)));
    }
  }
  // The window sums as the spectrum panel computes them when it opens.
  const int windows = zel::hasViewerProgram(mode) ? zel::viewer::SpectrumPanel(static_cast<int>(mode)).windowCount() : 0;
  const zel::viewer::SpectrumPanel panel(static_cast<int>(mode), r);
  for (int w = 0; w < 4; ++w) row.push_back(w < windows ? number(panel.windowSum(w)) : Expected{});
  return row;
}

}  // namespace zel::sheet_test
