// The browser's list: one 28-byte summary per measurement record, built from
// the file in one pass. Only the summaries are kept; the file is not read
// again for drawing, marking or export.
//
// The shell implements FileSource over the file handle (CreateFileA with read
// sharing, the size from GetFileSizeEx, ReadFile, CloseHandle) and hands it to
// Browser::load, which decides everything else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "common/record.h"

namespace zel::browser {

struct RecordSummary {
  std::uint32_t deviceNumber;
  std::uint16_t modeCode;
  std::uint16_t year;
  std::uint16_t month;
  std::uint16_t day;
  std::uint16_t hour;
  std::uint16_t minute;
  std::uint16_t second;
  std::uint8_t mark;      // 0, or 1 while marked
  std::uint8_t category;  // ModeCategory of the mode code: 0, 2 or 4
  // Mode 7 keeps the 32 bits of a float here, mode 20 a value in tenths.
  std::uint32_t value;
  std::uint32_t error;  // 0 where the mode has no error
};
static_assert(sizeof(RecordSummary) == 28);

RecordSummary summarizeRecord(const MeasurementRecord& record);

// How a summary's value is shown. The modes with their own rules are told by
// the full code: a code outside the table whose low byte happens to be 7 or 20
// is an ordinary row of category 0.
enum class ValueForm : std::uint8_t {
  Number,  // formatDword, with " ± " and the error unless category 4
  Float,   // mode 7: formatFixed3, no error
  Tenths,  // mode 20: tenths rules, the error only from 0.5 on
};
ValueForm valueForm(const RecordSummary& summary);

// A measurement file read sequentially from its start.
class FileSource {
 public:
  virtual ~FileSource() = default;
  // Opens the file for reading; false when it is missing or locked.
  virtual bool open(const char* name) = 0;
  // The full 64-bit size, taken once before reading.
  virtual std::uint64_t size() = 0;
  // Up to `count` bytes; fewer, or 0, only at the end of the file or on an
  // error (the file may have shrunk since its size was taken).
  virtual std::size_t read(std::uint8_t* out, std::size_t count) = 0;
  virtual void close() = 0;
};

// The summaries of one loaded file, in file order.
class SummaryList {
 public:
  SummaryList() = default;
  SummaryList(SummaryList&&) = default;
  SummaryList& operator=(SummaryList&&) = default;

  std::uint32_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  RecordSummary& operator[](std::uint32_t i) { return entries_[i]; }
  const RecordSummary& operator[](std::uint32_t i) const { return entries_[i]; }
  const RecordSummary* begin() const { return entries_.get(); }
  const RecordSummary* end() const { return entries_.get() + count_; }

  // Zero-filled entries, or false when the memory cannot be had.
  bool allocate(std::uint32_t count);
  // Keeps the first `count` entries, giving back the memory of the rest when
  // that is worth it and possible.
  void truncate(std::uint32_t count);

 private:
  std::unique_ptr<RecordSummary[]> entries_;
  std::uint32_t count_ = 0;
};

// A list above this many records could not be scrolled through (the scroll
// bar's range is a signed 32-bit number); such a file is treated as one whose
// list cannot be held.
inline constexpr std::uint64_t kMaxRecords = 0x7FFFFFFFu;

enum class ReadStatus { Ok, NoWholeRecord, NoMemory };

// Reads the opened source from its start and fills `out`. The list ends at
// the last whole record delivered, so a file that shrinks while it is read
// gives its remaining records and no summary of stale bytes. `out` is
// replaced only on Ok.
ReadStatus readSummaryList(FileSource& source, SummaryList& out);

// The same from a file's bytes already in memory (for tools and tests).
ReadStatus readSummaryList(const std::uint8_t* bytes, std::size_t size, SummaryList& out);

}  // namespace zel::browser
