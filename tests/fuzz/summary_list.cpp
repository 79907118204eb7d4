// The browser's summary list from any file: read at once, in pieces of any
// size, and from a file that shrinks while it is read. Every way gives one
// summary per whole record, each from that record's own bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "browser/summary_list.h"
#include "common/mode_table.h"
#include "support/fuzz_check.h"

namespace {

using zel::fuzz::require;
using namespace zel::browser;

class PiecesSource : public FileSource {
 public:
  PiecesSource(const std::uint8_t* data, std::size_t size, std::size_t piece, std::uint64_t reported)
      : data_(data), size_(size), piece_(piece), reported_(reported) {}
  bool open(const char*) override { return true; }
  std::uint64_t size() override { return reported_; }
  std::size_t read(std::uint8_t* out, std::size_t count) override {
    const std::size_t n = std::min({count, piece_, size_ - at_});
    std::memcpy(out, data_ + at_, n);
    at_ += n;
    return n;
  }
  void close() override {}

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t piece_;
  std::uint64_t reported_;
  std::size_t at_ = 0;
};

bool sameSummary(const RecordSummary& a, const RecordSummary& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void requireSameList(const SummaryList& a, const SummaryList& b, const char* how) {
  require(a.size() == b.size(), std::string(how) + ": another number of summaries");
  for (std::uint32_t i = 0; i < a.size(); ++i)
    if (!sameSummary(a[i], b[i])) zel::fuzz::fail(std::string(how) + ": summary " + std::to_string(i) + " differs");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::size_t records = size / zel::kRecordSize;
  SummaryList list;
  list.allocate(1);
  list[0].deviceNumber = 0xDEADBEEF;
  const ReadStatus status = readSummaryList(data, size, list);
  if (records == 0) {
    require(status == ReadStatus::NoWholeRecord, "a file without a whole record read as a list");
    require(list.size() == 1 && list[0].deviceNumber == 0xDEADBEEF, "a failed read replaced the list");
    return 0;
  }
  require(status == ReadStatus::Ok, "a file with whole records not read");
  require(list.size() == records, "not one summary per whole record");
  for (std::uint32_t i = 0; i < list.size(); ++i) {
    zel::MeasurementRecord record;
    std::memcpy(record.bytes.data(), data + std::size_t{i} * zel::kRecordSize, zel::kRecordSize);
    const RecordSummary& s = list[i];
    const char* broken = nullptr;
    if (!sameSummary(s, summarizeRecord(record))) broken = "is not its record's";
    // The fields the list shows as stored, whatever the mode.
    if (s.deviceNumber != record.deviceNumber() || s.modeCode != record.modeCode() || s.year != record.year() ||
        s.month != record.month() || s.day != record.day() || s.hour != record.hour() ||
        s.minute != record.minute() || s.second != record.second())
      broken = "has a stored field changed";
    if (s.mark != 0) broken = "is marked on reading";
    if (s.category != zel::modeCategory(s.modeCode)) broken = "has another category";
    if (broken) zel::fuzz::fail("summary " + std::to_string(i) + " " + broken);
  }

  // The same list when the file arrives in pieces of any size...
  const std::size_t piece = 1 + std::size_t{data[0]} * 61 + data[size - 1];
  SummaryList pieces;
  PiecesSource pieceSource(data, size, piece, size);
  require(readSummaryList(pieceSource, pieces) == ReadStatus::Ok, "a file in pieces not read");
  requireSameList(list, pieces, "in pieces");

  // ... and when it is shorter than its size said: the records that came.
  SummaryList shrunk;
  PiecesSource shrunkSource(data, size, piece, size + (1 + data[0] % 3) * zel::kRecordSize);
  require(readSummaryList(shrunkSource, shrunk) == ReadStatus::Ok, "a shrunk file not read");
  requireSameList(list, shrunk, "shrunk");
  return 0;
}
