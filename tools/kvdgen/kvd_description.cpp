#include "tools/kvdgen/kvd_description.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace zel::kvd {
namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

bool parseInt(std::string_view s, long long& v) {
  s = trim(s);
  if (s.empty()) return false;
  std::string text(s);
  char* end = nullptr;
  const int base = (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) ? 16 : 10;
  v = std::strtoll(text.c_str(), &end, base);
  return end != nullptr && *end == '\0';
}

bool parseFloat(std::string_view s, float& v) {
  std::string text(trim(s));
  if (text.empty()) return false;
  char* end = nullptr;
  v = std::strtof(text.c_str(), &end);
  return end != nullptr && *end == '\0';
}

// Splits "a,b,c" into numbers.
bool parseList(std::string_view s, std::vector<long long>& out) {
  out.clear();
  while (true) {
    const std::size_t comma = s.find(',');
    long long v;
    if (!parseInt(s.substr(0, comma), v)) return false;
    out.push_back(v);
    if (comma == std::string_view::npos) return true;
    s.remove_prefix(comma + 1);
  }
}

void setField(MeasurementRecord& r, std::size_t at, FieldKind kind, long long v) {
  switch (kind) {
    case FieldKind::U8: r.bytes[at] = static_cast<std::uint8_t>(v); break;
    case FieldKind::U16: writeU16(r.bytes.data() + at, static_cast<std::uint16_t>(v)); break;
    case FieldKind::U32:
    case FieldKind::F32: writeU32(r.bytes.data() + at, static_cast<std::uint32_t>(v)); break;
  }
}

bool applySpectrum(std::string_view shapes, MeasurementRecord& r, std::string& error) {
  double counts[kSpectrumChannels] = {};
  while (!shapes.empty()) {
    const std::size_t plus = shapes.find('+');
    std::string_view shape = trim(shapes.substr(0, plus));
    shapes = plus == std::string_view::npos ? std::string_view{} : shapes.substr(plus + 1);
    const std::size_t open = shape.find('(');
    if (open == std::string_view::npos || shape.back() != ')') {
      error = "spectrum shape needs (arguments): " + std::string(shape);
      return false;
    }
    const std::string_view name = shape.substr(0, open);
    std::vector<long long> a;
    if (!parseList(shape.substr(open + 1, shape.size() - open - 2), a)) {
      error = "spectrum shape arguments must be numbers: " + std::string(shape);
      return false;
    }
    if (name == "peak" && a.size() == 3 && a[2] > 0) {
      for (int k = 0; k < kSpectrumChannels; ++k) {
        // In doubles: a centre far outside the channels must not overflow.
        const double d = (static_cast<double>(k) - static_cast<double>(a[0])) / static_cast<double>(a[2]);
        counts[k] += static_cast<double>(a[1]) * std::exp(-0.5 * d * d);
      }
    } else if (name == "flat" && a.size() == 1) {
      for (double& c : counts) c += static_cast<double>(a[0]);
    } else if (name == "channel" && a.size() == 2 && a[0] >= 0 && a[0] < kSpectrumChannels) {
      counts[a[0]] += static_cast<double>(a[1]);
    } else if (name == "decay" && a.size() == 3 && a[2] > 0) {
      // From a channel past the spectrum (or before it) nothing decays.
      for (long long k = a[0]; k >= 0 && k < kSpectrumChannels; ++k)
        counts[k] += static_cast<double>(a[1]) * std::exp(-static_cast<double>(k - a[0]) / static_cast<double>(a[2]));
    } else {
      error = "unknown spectrum shape: " + std::string(shape);
      return false;
    }
  }
  for (int k = 0; k < kSpectrumChannels; ++k) {
    const double c = std::floor(counts[k] + 0.5);
    const auto v = static_cast<std::uint16_t>(c < 0 ? 0 : c > 65535 ? 65535 : c);
    writeU16(r.bytes.data() + offset::spectrum + 2 * static_cast<std::size_t>(k), v);
  }
  return true;
}

constexpr const char* kTooLarge = "the file would pass 256 MiB";

bool fits(const std::vector<std::uint8_t>& out, std::uint64_t more) { return more <= kMaxFileSize - out.size(); }

}  // namespace

bool applyLine(std::string_view line, MeasurementRecord& r, int& repeat, std::string& error) {
  repeat = 1;
  std::istringstream words{std::string(line)};
  std::string word;
  while (words >> word) {
    const std::size_t eq = word.find('=');
    if (eq == std::string::npos || eq == 0) {
      error = "expected name=value: " + word;
      return false;
    }
    const std::string name = word.substr(0, eq);
    const std::string value = word.substr(eq + 1);
    std::vector<long long> list;
    long long v = 0;
    if (name == "mode") {
      if (!parseInt(value, v)) return error = "mode must be a number", false;
      setField(r, offset::modeCode, FieldKind::U16, v);
    } else if (name == "date" || name == "time") {
      std::string joined = value;
      for (char& c : joined)
        if (c == '.' || c == ':') c = ',';
      if (!parseList(joined, list) || list.size() != 3) return error = name + " needs three parts: " + value, false;
      const std::size_t at = name == "date" ? offset::year : offset::hour;
      if (name == "date") {
        setField(r, offset::day, FieldKind::U16, list[0]);
        setField(r, offset::month, FieldKind::U16, list[1]);
        setField(r, offset::year, FieldKind::U16, list[2]);
      } else {
        for (int i = 0; i < 3; ++i) setField(r, at + 2 * static_cast<std::size_t>(i), FieldKind::U16, list[i]);
      }
    } else if (name == "bounds") {
      if (!parseList(value, list) || list.empty() || list.size() > 3) return error = "bounds needs 1 to 3 numbers", false;
      for (std::size_t i = 0; i < list.size(); ++i) setField(r, offset::windowBound1 + 2 * i, FieldKind::U16, list[i]);
    } else if (name == "spectrum") {
      if (!applySpectrum(value, r, error)) return false;
    } else if (name == "repeat") {
      if (!parseInt(value, v) || v < 0 || v > 10000000) return error = "repeat must be 0 ... 10000000", false;
      repeat = static_cast<int>(v);
    } else if (name.rfind("byte@", 0) == 0) {
      long long at = 0;
      if (!parseInt(name.substr(5), at) || at < 0 || at >= static_cast<long long>(kRecordSize) || !parseInt(value, v))
        return error = "byte@OFFSET needs an offset 0 ... 687 and a value", false;
      r.bytes[static_cast<std::size_t>(at)] = static_cast<std::uint8_t>(v);
    } else {
      const FieldInfo* field = nullptr;
      for (const FieldInfo& f : kRecordFields)
        if (f.name == name) field = &f;
      if (field == nullptr) return error = "unknown field: " + name, false;
      if (field->kind == FieldKind::F32) {
        float f;
        if (!parseFloat(value, f)) return error = name + " must be a number", false;
        std::uint32_t bits;
        std::memcpy(&bits, &f, sizeof bits);
        setField(r, field->offset, FieldKind::U32, bits);
      } else {
        if (!parseInt(value, v)) return error = name + " must be an integer", false;
        setField(r, field->offset, field->kind, v);
      }
    }
  }
  return true;
}

bool buildFile(std::string_view description, std::vector<std::uint8_t>& out, ParseError& error) {
  out.clear();
  int lineNumber = 0;
  while (!description.empty()) {
    const std::size_t nl = description.find('\n');
    const std::string_view line = trim(description.substr(0, nl));
    description = nl == std::string_view::npos ? std::string_view{} : description.substr(nl + 1);
    ++lineNumber;
    if (line.empty() || line[0] == '#') continue;
    if (line.rfind("trailing=", 0) == 0) {
      long long k = 0;
      if (!parseInt(line.substr(9), k) || k < 0 || k >= static_cast<long long>(kRecordSize)) {
        error = {lineNumber, "trailing needs 0 ... 687 bytes"};
        return false;
      }
      if (!fits(out, static_cast<std::uint64_t>(k))) {
        error = {lineNumber, kTooLarge};
        return false;
      }
      for (long long i = 0; i < k; ++i) out.push_back(static_cast<std::uint8_t>(0xA5));
      continue;
    }
    MeasurementRecord record;
    int repeat = 1;
    std::string message;
    if (!applyLine(line, record, repeat, message)) {
      error = {lineNumber, message};
      return false;
    }
    if (!fits(out, std::uint64_t{kRecordSize} * static_cast<std::uint64_t>(repeat))) {
      error = {lineNumber, kTooLarge};
      return false;
    }
    for (int i = 0; i < repeat; ++i) out.insert(out.end(), record.bytes.begin(), record.bytes.end());
  }
  return true;
}

std::string demoDescription() {
  // One record per mode code, a few hours apart, through a July week.
  struct Mode {
    int code;
    const char* fields;
  };
  static const Mode kModes[] = {
      {0, "pulseCount=12 primaryResult=0 primaryError=0"},
      {1, "pulseCount=412 primaryResult=186 primaryError=37"},
      {2, "pulseCount=1377 primaryResult=142 primaryError=21"},
      {3, "pulseCount=5120 primaryResult=1234 primaryError=1187"},
      {4, "pulseCount=36 primaryResult=4 primaryError=2"},
      {5, "pulseCount=2210 primaryResult=5340 primaryError=820"},
      {6, "pulseCount=964 primaryResult=37 primaryError=9 variantFlag=1"},
      {7, "ca=0.25"},
      {8, "pulseCount=7 primaryResult=3 primaryError=1"},
      {9, "pulseCount=9 primaryResult=5 primaryError=2"},
      {10, "pulseCount=1650 countN1=812 countN2=455 countN3=383 pumpingTime=300 delayTime=90 measurementTime=3725"},
      {11, "pulseCount=4 primaryResult=2 primaryError=1"},
      {12, "pulseCount=845 primaryResult=97 primaryError=19"},
      {13, "pulseCount=2604 primaryResult=88 primaryError=11"},
      {14, "eecRn=57 eecRnError=8 eecTn=3 eecTnError=1 countN1=1024 countN2=618 countN3=290 ca=1.352 cb=0.847 cc=0.221 kv=12.5 fd=0.482"},
      {15, "eecRn=41 eecRnError=9 eecTn=2 eecTnError=1 countN1=655 countN2=402 countN3=188 ca=1.298 cb=0.861 cc=0.207 kv=12.5 fd=0.455"},
      {16, "pulseCount=3 primaryResult=1 primaryError=1"},
      {17, "pulseCount=2 primaryResult=1 primaryError=0"},
      {18, "pulseCount=1830 primaryResult=264 primaryError=52"},
      {19, "pulseCount=7420 primaryResult=18650 primaryError=2790"},
      {20, "pulseCount=310 primaryResult=45 primaryError=12 delayTime=5"},
      {21, "pulseCount=6330 cycleCount=12 primaryResult=158 primaryError=24 integralResult=171 integralError=18"},
      {22, "eecRn=66 eecRnError=7 eecTn=4 eecTnError=1 countN1=1480 countN2=904 countN3=377 ca=1.401 cb=0.833 cc=0.236 kv=12.5 fd=0.507"},
      {23, "pulseCount=2048 eecRn=73 eecRnError=11"},
      {24, "pulseCount=512 primaryResult=23 primaryError=6"},
      {25, "pulseCount=2871 pumpingTime=300 delayTime=59 measurementTime=3725 variantFlag=0"},
      {26, "pulseCount=3952 primaryResult=131 primaryError=14"},
  };
  std::string out = "# Demo measurements of one radiometer, one for every mode code.\n";
  int hour = 8;
  int day = 1;
  for (const Mode& m : kModes) {
    const bool threeBounds = m.code == 7 || m.code == 10 || m.code == 14 || m.code == 15 || m.code == 20 || m.code == 22;
    const int temperature = -10 + (m.code * 17) % 46;  // -10 ... +35 degrees
    const int humidity = 30 + (m.code * 13) % 60;
    const int pressure = 738 + (m.code * 7) % 15;
    std::ostringstream line;
    line << "mode=" << m.code << " deviceNumber=1137";
    line << " date=" << (day < 10 ? "0" : "") << day << ".07.2019";
    line << " time=" << (hour < 10 ? "0" : "") << hour << ":" << (m.code * 7) % 60 / 10 << (m.code * 7) % 10 << ":"
         << (m.code * 13) % 60 / 10 << (m.code * 13) % 10;
    line << " temperature=" << temperature << " humidity=" << humidity << " pressure=" << pressure;
    if (threeBounds) {
      line << " bounds=44,62,86 spectrum=flat(1)+peak(40,"
           << 120 + m.code * 5 << ",3)+peak(55," << 60 + m.code * 3 << ",3)+peak(75," << 90 + m.code * 2
           << ",4)+decay(18,20,30)";
    } else {
      line << " bounds=52,70 spectrum=flat(1)+peak(47," << 150 + m.code * 6 << ",3)+peak(64," << 80 + m.code * 4
           << ",3)+peak(88," << 40 + m.code << ",4)+decay(18,25,25)";
    }
    line << " " << m.fields << "\n";
    out += line.str();
    hour += 3 + m.code % 3;
    if (hour >= 24) {
      hour -= 24;
      ++day;
    }
  }
  return out;
}

}  // namespace zel::kvd
