#include "kvd/archive/postgres/postgres_text.h"

#include <charconv>
#include <cmath>
#include <algorithm>

namespace zel::archive::postgres {

namespace {

constexpr char kHex[] = "0123456789abcdef";

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool isUri(std::string_view s) { return s.starts_with("postgresql://") || s.starts_with("postgres://"); }

// "user:secret@host" → "user@host"; the query's password=… goes too.
std::string uriWithoutPassword(std::string_view uri) {
  const auto schemeEnd = uri.find("://") + 3;
  auto authorityEnd = uri.find_first_of("/?", schemeEnd);
  if (authorityEnd == std::string_view::npos) authorityEnd = uri.size();
  std::string out(uri.substr(0, schemeEnd));
  const auto authority = uri.substr(schemeEnd, authorityEnd - schemeEnd);
  const auto at = authority.rfind('@');
  if (at != std::string_view::npos) {
    const auto userinfo = authority.substr(0, at);
    out += userinfo.substr(0, userinfo.find(':'));
    out += authority.substr(at);
  } else {
    out += authority;
  }
  const auto rest = uri.substr(authorityEnd);
  const auto question = rest.find('?');
  out += rest.substr(0, question);
  if (question == std::string_view::npos) return out;
  std::string query;
  for (auto params = rest.substr(question + 1); !params.empty();) {
    const auto amp = params.find('&');
    const auto param = params.substr(0, amp);
    if (!param.starts_with("password=") && !param.empty()) {
      query += query.empty() ? "?" : "&";
      query += param;
    }
    params = amp == std::string_view::npos ? std::string_view{} : params.substr(amp + 1);
  }
  return out + query;
}

// A key=value string with its password=… setting left out, the rest as written.
std::string conninfoWithoutPassword(std::string_view conninfo) {
  std::string out;
  std::size_t i = 0;
  const auto space = [&] {
    return i < conninfo.size() && (conninfo[i] == ' ' || conninfo[i] == '\t' || conninfo[i] == '\n');
  };
  while (i < conninfo.size()) {
    while (space()) ++i;
    const std::size_t begin = i;
    while (i < conninfo.size() && conninfo[i] != '=' && !space()) ++i;
    const auto keyword = conninfo.substr(begin, i - begin);
    while (space()) ++i;
    if (i < conninfo.size() && conninfo[i] == '=') ++i;
    while (space()) ++i;
    const bool quoted = i < conninfo.size() && conninfo[i] == '\'';
    if (quoted) ++i;
    while (i < conninfo.size() && (quoted ? conninfo[i] != '\'' : !space())) i += conninfo[i] == '\\' ? 2 : 1;
    if (quoted) ++i;
    i = std::min(i, conninfo.size());
    if (keyword.empty() || keyword == "password") continue;
    if (!out.empty()) out += ' ';
    out += conninfo.substr(begin, i - begin);
  }
  return out;
}

}  // namespace

std::string numberText(const Value& value) {
  char buffer[32];
  std::to_chars_result r{};
  if (value.kind == Value::Kind::Integer) {
    r = std::to_chars(buffer, buffer + sizeof buffer, value.integer);
  } else {
    if (!std::isfinite(value.real)) return {};
    r = std::to_chars(buffer, buffer + sizeof buffer, value.real);
  }
  return std::string(buffer, r.ptr);
}

void appendCopyField(std::string& line, const Value& value) {
  switch (value.kind) {
    case Value::Kind::Null:
      line += "\\N";
      return;
    case Value::Kind::Integer:
    case Value::Kind::Real: {
      const auto text = numberText(value);
      line += text.empty() ? "\\N" : text;
      return;
    }
    case Value::Kind::Text:
      for (const char c : value.bytes) {
        switch (c) {
          case '\0':
            throw DatabaseError(DatabaseError::Kind::Other, "a text with a NUL character cannot be stored");
          case '\\': line += "\\\\"; break;
          case '\t': line += "\\t"; break;
          case '\n': line += "\\n"; break;
          case '\r': line += "\\r"; break;
          default: line += c;
        }
      }
      return;
    case Value::Kind::Blob:
      // bytea's own text form is \x…, whose backslash COPY wants doubled.
      line += "\\\\x";
      for (const char c : value.bytes) {
        const auto b = static_cast<unsigned char>(c);
        line += kHex[b >> 4];
        line += kHex[b & 15];
      }
      return;
  }
}

std::string decodeBytea(std::string_view text) {
  if (!text.starts_with("\\x") || text.size() % 2 != 0) return std::string(text);
  std::string bytes;
  bytes.reserve(text.size() / 2 - 1);
  for (std::size_t i = 2; i < text.size(); i += 2) {
    const int hi = hexDigit(text[i]);
    const int lo = hexDigit(text[i + 1]);
    if (hi < 0 || lo < 0) return std::string(text);
    bytes += static_cast<char>(hi << 4 | lo);
  }
  return bytes;
}

std::string withoutPassword(std::string_view uri) {
  return isUri(uri) ? uriWithoutPassword(uri) : conninfoWithoutPassword(uri);
}

}  // namespace zel::archive::postgres
