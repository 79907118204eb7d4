// The check of the stored records: each one's 688 bytes against their
// SHA-256 (its digest, the record's identity), and the columns stored
// beside them against the bytes decoded again by the import's own code.
// The records are read in id order, a batch at a time, so that a million
// of them take no more memory than a batch.
#include <charconv>
#include <limits>
#include <cmath>
#include <cstring>

#include "kvd/archive/check_steps.h"
#include "kvd/archive/record_columns.h"
#include "kvd/archive/schema.h"
#include "kvd/archive/sha256.h"

namespace zel::archive::check {

namespace {

constexpr std::int64_t kBatch = 4096;

// Whether the stored value is exactly the decoded one. A number is compared
// both as an integer and as a real, so that neither 186.5 for 186 nor 186
// for 186.5 passes; a real that is no finite number is stored as NULL.
bool same(const Value& v, const Row& row, int c) {
  if (v.kind == Value::Kind::Null || (v.kind == Value::Kind::Real && !std::isfinite(v.real))) return row.isNull(c);
  if (row.isNull(c)) return false;
  switch (v.kind) {
    case Value::Kind::Integer: return row.integer(c) == v.integer && row.real(c) == static_cast<double>(v.integer);
    case Value::Kind::Real: return row.real(c) == v.real;
    case Value::Kind::Text: return row.text(c) == v.bytes;
    case Value::Kind::Blob: return row.blob(c) == v.bytes;
    case Value::Kind::Null: break;
  }
  return false;
}

std::string valueText(const Value& v) {
  switch (v.kind) {
    case Value::Kind::Integer: return std::to_string(v.integer);
    case Value::Kind::Real: {
      if (!std::isfinite(v.real)) return "NULL";
      char text[32];
      const auto end = std::to_chars(text, text + sizeof text, v.real).ptr;
      return std::string(text, end);
    }
    case Value::Kind::Text: return "\"" + std::string(v.bytes) + "\"";
    case Value::Kind::Blob: return std::to_string(v.bytes.size()) + " bytes";
    case Value::Kind::Null: break;
  }
  return "NULL";
}

std::string storedText(const Row& row, int c, const Value& like) {
  if (row.isNull(c)) return "NULL";
  return like.kind == Value::Kind::Text ? "\"" + row.text(c) + "\"" : row.text(c);
}

class RecordCheck {
 public:
  explicit RecordCheck(CheckReport& report) : report_(report) {}

  void operator()(const Row& row) {
    const std::int64_t id = row.integer(0);
    ++report_.part("digests").count;
    ++report_.part("columns").count;
    const std::string digest = row.blob(1);
    const std::string raw = row.blob(2);
    if (raw.size() != kRecordSize) {
      fault("digests", id, "its bytes are " + std::to_string(raw.size()) + ", not one record of " +
                               std::to_string(kRecordSize));
      return;
    }
    const Digest d = sha256(reinterpret_cast<const std::uint8_t*>(raw.data()), raw.size());
    if (digest.size() != d.size() || std::memcmp(digest.data(), d.data(), d.size()) != 0) {
      // The columns are judged by bytes that are sound only.
      fault("digests", id, "its bytes do not match its digest");
      return;
    }
    std::memcpy(record_.bytes.data(), raw.data(), kRecordSize);
    dateTime_ = storedDateTime(record_);
    expected_.clear();
    appendMeaningValues(record_, dateTime_, windows_, expected_);
    const std::vector<schema::Column>& columns = schema::meaningColumns();
    std::string differing;
    for (std::size_t k = 0; k < columns.size(); ++k) {
      const int c = static_cast<int>(k) + 3;
      if (same(expected_[k], row, c)) continue;
      differing += (differing.empty() ? "" : ", ") + columns[k].name + " is " + storedText(row, c, expected_[k]) +
                   ", its bytes say " + valueText(expected_[k]);
    }
    if (!differing.empty()) fault("columns", id, "its columns do not match its bytes: " + differing);
  }

 private:
  void fault(const char* part, std::int64_t id, std::string message) {
    report_.add({part, "stored_records", id, "record " + std::to_string(id), std::move(message)});
  }

  CheckReport& report_;
  MeasurementRecord record_;
  std::string dateTime_;
  std::vector<Value> expected_;
  cli::WindowSumCalculator windows_;
};

}  // namespace

void records(Database& db, CheckReport& report, const CheckProgress& progress) {
  report.part("digests");
  report.part("columns");
  std::uint64_t total = 0;
  db.run("SELECT count(*) FROM stored_records", {}, [&](const Row& row) { total = static_cast<std::uint64_t>(row.integer(0)); });
  static const std::string sql = [] {
    std::string text = "SELECT record_id, digest, raw";
    for (const schema::Column& c : schema::meaningColumns()) text += ", " + c.name;
    return text + " FROM stored_records WHERE record_id > $1 ORDER BY record_id LIMIT $2";
  }();
  RecordCheck check(report);
  std::int64_t after = std::numeric_limits<std::int64_t>::min();
  std::uint64_t done = 0;
  for (;;) {
    std::int64_t rows = 0;
    const Value bounds[] = {Value::of(after), Value::of(kBatch)};
    db.run(sql, bounds, [&](const Row& row) {
      after = row.integer(0);
      ++rows;
      check(row);
    });
    done += static_cast<std::uint64_t>(rows);
    if (progress) progress(done, total);
    if (rows < kBatch) break;
  }
}

}  // namespace zel::archive::check
