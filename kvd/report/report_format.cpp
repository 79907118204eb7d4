#include "kvd/report/report_format.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace zel::report {

void appendEscaped(std::string& out, std::string_view text) {
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
}

std::string escaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  appendEscaped(out, text);
  return out;
}

void appendJsonString(std::string& out, std::string_view text) {
  out += '"';
  for (char c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20 || c == '<') {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", u);
      out += buf;
    } else {
      out += c;
    }
  }
  out += '"';
}

void appendNumber(std::string& out, double v) {
  if (!std::isfinite(v)) {
    out += "null";
    return;
  }
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, r.ptr);
}

std::string numberText(double v) {
  std::string out;
  appendNumber(out, v);
  return out;
}

std::string roundedText(double v) {
  if (!std::isfinite(v)) return "&ndash;";
  char buf[48];
  std::snprintf(buf, sizeof buf, std::fabs(v) < 1 && v != 0 ? "%.3g" : "%.2f", v);
  return buf;
}

}  // namespace zel::report
