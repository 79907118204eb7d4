// One row of a libpq result as the archive reads it: numbers from their
// text, a bytea decoded from its hex output.
#pragma once

#include <libpq-fe.h>

#include <charconv>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>

#include "kvd/archive/database.h"
#include "kvd/archive/postgres/postgres_binary.h"
#include "kvd/archive/postgres/postgres_text.h"

namespace zel::archive::postgres {

class PgRow final : public Row {
 public:
  PgRow(const PGresult* result, int row) : r_(result), row_(row) {}
  int size() const override { return PQnfields(r_); }
  bool isNull(int column) const override { return PQgetisnull(r_, row_, checked(column)) != 0; }

  std::int64_t integer(int column) const override {
    const auto s = raw(column);
    std::int64_t v = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (error == std::errc() && end == s.data() + s.size()) return v;
    if (s == "t" || s == "f") return s == "t";
    return static_cast<std::int64_t>(real(column));
  }
  double real(int column) const override { return std::strtod(std::string(raw(column)).c_str(), nullptr); }
  std::string text(int column) const override {
    return PQftype(r_, column) == oid::kBytea ? blob(column) : std::string(raw(column));
  }
  std::string blob(int column) const override { return decodeBytea(raw(column)); }

 private:
  int checked(int column) const {
    if (column < 0 || column >= PQnfields(r_)) throw std::out_of_range("no column " + std::to_string(column));
    return column;
  }
  std::string_view raw(int column) const {
    checked(column);
    return {PQgetvalue(r_, row_, column), static_cast<std::size_t>(PQgetlength(r_, row_, column))};
  }
  const PGresult* r_;
  int row_;
};

}  // namespace zel::archive::postgres
