#include "kvd/archive/record_columns.h"

#include <array>

#include "kvd/archive/selection_sql.h"

namespace zel::archive {

namespace {

Value numberValue(const cli::Number& n) {
  using K = cli::Number::Kind;
  switch (n.kind) {
    case K::None: return Value::null();
    case K::Unsigned: return Value::of(static_cast<std::int64_t>(n.u));
    case K::Signed: return Value::of(n.i);
    default: return n.finite() ? Value::ofReal(n.toDouble()) : Value::null();
  }
}

}  // namespace

std::string storedDateTime(const MeasurementRecord& record) {
  const cli::DateTime t = cli::recordDateTime(record);
  return cli::isCalendarDate(t) ? timestampText(t) : std::string();
}

void appendMeaningValues(const MeasurementRecord& record, const std::string& dateTime,
                         cli::WindowSumCalculator& windows, std::vector<Value>& out) {
  const cli::ListValue pair = cli::listValue(record, false);
  out.push_back(dateTime.empty() ? Value::null() : Value::ofText(dateTime));
  out.push_back(Value::of(pair.mode));
  out.push_back(Value::ofText(pair.modeName));
  out.push_back(numberValue(pair.value));
  out.push_back(numberValue(pair.error));
  out.push_back(Value::ofText(cli::unitText(pair.unit)));
  std::array<cli::Number, cli::kFieldCount> fields;
  cli::fieldNumbers(record, fields.data());
  for (const cli::Number& n : fields) out.push_back(numberValue(n));
  std::array<std::uint32_t, 4> sums{};
  const int count = windows.sums(record, sums);
  for (int w = 0; w < 4; ++w) out.push_back(w < count ? Value::of(sums[w]) : Value::null());
}

}  // namespace zel::archive
