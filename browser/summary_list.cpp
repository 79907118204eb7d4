#include "browser/summary_list.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include "common/mode_table.h"

namespace zel::browser {

namespace {

// Records per read: large reads keep the number of system calls low, and a
// whole number of records per chunk keeps every record in one piece.
constexpr std::size_t kChunkRecords = 64;
constexpr std::size_t kChunkBytes = kChunkRecords * kRecordSize;

// Keeps asking until `count` bytes came or the source delivers nothing more.
std::size_t readFully(FileSource& source, std::uint8_t* out, std::size_t count) {
  std::size_t got = 0;
  while (got < count) {
    const std::size_t n = source.read(out + got, count - got);
    if (n == 0 || n > count - got) break;
    got += n;
  }
  return got;
}

}  // namespace

RecordSummary summarizeRecord(const MeasurementRecord& r) {
  RecordSummary s{};
  s.deviceNumber = r.deviceNumber();
  s.modeCode = r.modeCode();
  s.year = r.year();
  s.month = r.month();
  s.day = r.day();
  s.hour = r.hour();
  s.minute = r.minute();
  s.second = r.second();
  s.mark = 0;
  s.category = modeCategory(s.modeCode);
  const std::uint16_t mode = s.modeCode;
  if (s.category == kCategoryManual) {
    s.value = r.pulseCount();
    s.error = 0;
  } else if (s.category == kCategoryEec) {
    if (mode == kModeEecBackground) {
      s.value = r.caBits();
      s.error = 0;
    } else if (mode == kModeEecThoron) {
      s.value = r.primaryResult();
      s.error = r.primaryError();
    } else {
      s.value = r.eecRn();
      s.error = r.eecRnError();
    }
  } else if (mode == kModeIntegral2) {
    s.value = r.integralResult();
    s.error = r.integralError();
  } else if (mode == kModeIntegral1) {
    // The instrument stores no error for this mode; 20 % of the value is
    // shown. Taken in 64 bits: a product modulo 2^32 would show a small,
    // wrong error for values above 214,748,364.
    s.value = r.primaryResult();
    s.error = static_cast<std::uint32_t>(std::uint64_t{s.value} * 20 / 100);
  } else {
    s.value = r.primaryResult();
    s.error = r.primaryError();
  }
  return s;
}

ValueForm valueForm(const RecordSummary& s) {
  if (s.modeCode == kModeEecBackground) return ValueForm::Float;
  if (s.modeCode == kModeEecThoron) return ValueForm::Tenths;
  return ValueForm::Number;
}

bool SummaryList::allocate(std::uint32_t count) {
  entries_.reset(new (std::nothrow) RecordSummary[count]());
  count_ = entries_ ? count : 0;
  return entries_ != nullptr;
}

void SummaryList::truncate(std::uint32_t count) {
  if (count >= count_) return;
  // Worth a copy only when most of the block would lie idle.
  if (count < count_ / 2) {
    std::unique_ptr<RecordSummary[]> fit(new (std::nothrow) RecordSummary[count]);
    if (fit) {
      std::copy(entries_.get(), entries_.get() + count, fit.get());
      entries_ = std::move(fit);
    }
  }
  count_ = count;
}

ReadStatus readSummaryList(FileSource& source, SummaryList& out) {
  const std::uint64_t total = recordCount(source.size());
  if (total == 0) return ReadStatus::NoWholeRecord;
  if (total > kMaxRecords || total > SIZE_MAX / sizeof(RecordSummary)) return ReadStatus::NoMemory;
  const auto count = static_cast<std::uint32_t>(total);

  SummaryList list;
  if (!list.allocate(count)) return ReadStatus::NoMemory;
  std::unique_ptr<std::uint8_t[]> chunk(new (std::nothrow) std::uint8_t[kChunkBytes]);
  if (!chunk) return ReadStatus::NoMemory;

  MeasurementRecord record;
  std::uint32_t filled = 0;
  while (filled < count) {
    const std::size_t want = std::min<std::size_t>(count - filled, kChunkRecords) * kRecordSize;
    const std::size_t got = readFully(source, chunk.get(), want);
    const std::size_t whole = got / kRecordSize;
    for (std::size_t i = 0; i < whole; ++i) {
      std::memcpy(record.bytes.data(), chunk.get() + i * kRecordSize, kRecordSize);
      list[filled++] = summarizeRecord(record);
    }
    if (got < want) break;
  }
  if (filled == 0) return ReadStatus::NoWholeRecord;
  list.truncate(filled);
  out = std::move(list);
  return ReadStatus::Ok;
}

namespace {

class BytesSource : public FileSource {
 public:
  BytesSource(const std::uint8_t* bytes, std::size_t size) : bytes_(bytes), size_(size) {}
  bool open(const char*) override { return true; }
  std::uint64_t size() override { return size_; }
  std::size_t read(std::uint8_t* out, std::size_t count) override {
    const std::size_t n = std::min(count, size_ - at_);
    if (n > 0) std::memcpy(out, bytes_ + at_, n);
    at_ += n;
    return n;
  }
  void close() override {}

 private:
  const std::uint8_t* bytes_;
  std::size_t size_;
  std::size_t at_ = 0;
};

}  // namespace

ReadStatus readSummaryList(const std::uint8_t* bytes, std::size_t size, SummaryList& out) {
  BytesSource source(bytes, size);
  return readSummaryList(source, out);
}

}  // namespace zel::browser
