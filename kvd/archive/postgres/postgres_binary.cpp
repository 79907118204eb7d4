#include "kvd/archive/postgres/postgres_binary.h"

#include <bit>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>

namespace zel::archive::postgres {

namespace {

void putBig(std::string& out, std::uint64_t v, int bytes) {
  char big[8];
  for (int k = 0; k < bytes; ++k) big[k] = static_cast<char>((v >> (8 * (bytes - 1 - k))) & 0xFF);
  out.append(big, static_cast<std::size_t>(bytes));
}

void putLength(std::string& out, std::int32_t length) { putBig(out, static_cast<std::uint32_t>(length), 4); }

// Microseconds from 2000-01-01 00:00:00, PostgreSQL's epoch, of the text
// "YYYY-MM-DD hh:mm:ss"; nothing for any other text.
std::optional<std::int64_t> timestampMicroseconds(std::string_view text) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, length = 0;
  const std::string copy(text);
  if (std::sscanf(copy.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%n", &y, &mo, &d, &h, &mi, &s, &length) != 6 ||
      length != static_cast<int>(copy.size()) || copy.size() != 19)
    return std::nullopt;
  using namespace std::chrono;
  const year_month_day day{year{y}, month{static_cast<unsigned>(mo)}, std::chrono::day{static_cast<unsigned>(d)}};
  if (!day.ok() || h > 23 || mi > 59 || s > 59) return std::nullopt;
  const auto days = (sys_days{day} - sys_days{2000y / January / 1}).count();
  return (static_cast<std::int64_t>(days) * 86400 + h * 3600 + mi * 60 + s) * 1000000;
}

bool putInteger(std::string& out, std::int64_t v, std::uint32_t type) {
  switch (type) {
    case oid::kInt8: putLength(out, 8); putBig(out, static_cast<std::uint64_t>(v), 8); return true;
    case oid::kInt4:
      if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max()) return false;
      putLength(out, 4);
      putBig(out, static_cast<std::uint32_t>(v), 4);
      return true;
    case oid::kInt2:
      if (v < std::numeric_limits<std::int16_t>::min() || v > std::numeric_limits<std::int16_t>::max()) return false;
      putLength(out, 2);
      putBig(out, static_cast<std::uint16_t>(v), 2);
      return true;
    case oid::kFloat8: {
      const auto d = static_cast<double>(v);
      if (static_cast<std::int64_t>(d) != v) return false;  // beyond 2^53: the text keeps every digit
      putLength(out, 8);
      putBig(out, std::bit_cast<std::uint64_t>(d), 8);
      return true;
    }
    default: return false;
  }
}

bool putField(std::string& out, const Value& v, std::uint32_t type) {
  switch (v.kind) {
    case Value::Kind::Null: putLength(out, -1); return true;
    case Value::Kind::Integer: return putInteger(out, v.integer, type);
    case Value::Kind::Real:
      if (type != oid::kFloat8) return false;
      if (!std::isfinite(v.real)) {
        putLength(out, -1);
      } else {
        putLength(out, 8);
        putBig(out, std::bit_cast<std::uint64_t>(v.real), 8);
      }
      return true;
    case Value::Kind::Text:
      if (type == oid::kTimestamp) {
        const auto micro = timestampMicroseconds(v.bytes);
        if (!micro) return false;
        putLength(out, 8);
        putBig(out, static_cast<std::uint64_t>(*micro), 8);
        return true;
      }
      if (type != oid::kText && type != oid::kVarchar) return false;
      if (v.bytes.find('\0') != std::string_view::npos)
        throw DatabaseError(DatabaseError::Kind::Other, "a text with a NUL character cannot be stored");
      break;
    case Value::Kind::Blob:
      if (type != oid::kBytea) return false;
      break;
  }
  putLength(out, static_cast<std::int32_t>(v.bytes.size()));
  out.append(v.bytes);
  return true;
}

}  // namespace

bool binaryCopy(std::span<const std::uint32_t> types, std::span<const Value> values, std::string& out) {
  out.clear();
  const std::size_t width = types.size();
  if (width == 0 || values.size() % width != 0) return false;
  // Room for all of it at once: a field is its length and at most eight
  // bytes, or its bytes.
  std::size_t size = 32 + 2 * (values.size() / width);
  for (const Value& v : values) size += 12 + v.bytes.size();
  out.reserve(size);
  static constexpr char kSignature[] = "PGCOPY\n\377\r\n";
  out.append(kSignature, sizeof kSignature);  // with its closing NUL
  putBig(out, 0, 4);                          // flags
  putBig(out, 0, 4);                          // no header extension
  for (std::size_t at = 0; at < values.size(); at += width) {
    putBig(out, width, 2);
    for (std::size_t c = 0; c < width; ++c)
      if (!putField(out, values[at + c], types[c])) return false;
  }
  putBig(out, 0xFFFF, 2);
  return true;
}

}  // namespace zel::archive::postgres
