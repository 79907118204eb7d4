// Measurement files for the browser's tests: built from the sample
// generator's descriptions and read back through an in-memory source that
// can shrink, fail to open or deliver in small pieces.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "browser/summary_list.h"
#include "tools/kvdgen/kvd_description.h"

namespace zel::browser::test {

inline std::vector<std::uint8_t> kvdBytes(std::string_view description) {
  std::vector<std::uint8_t> bytes;
  kvd::ParseError error;
  EXPECT_TRUE(kvd::buildFile(description, bytes, error)) << "line " << error.line << ": " << error.message;
  return bytes;
}

class MemorySource : public FileSource {
 public:
  explicit MemorySource(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)), size_(bytes_.size()) {}

  // The size reported before reading, when the file changes under the reader.
  MemorySource& reportSize(std::uint64_t size) {
    size_ = size;
    return *this;
  }
  // At most this many bytes per read call.
  MemorySource& piecesOf(std::size_t n) {
    piece_ = n;
    return *this;
  }
  MemorySource& failOpen() {
    openable_ = false;
    return *this;
  }

  bool open(const char* name) override {
    openedName = name;
    ++opens;
    position_ = 0;
    return openable_;
  }
  std::uint64_t size() override { return size_; }
  std::size_t read(std::uint8_t* out, std::size_t count) override {
    const std::size_t n = std::min({count, piece_, bytes_.size() - position_});
    if (n > 0) std::memcpy(out, bytes_.data() + position_, n);
    position_ += n;
    return n;
  }
  void close() override { ++closes; }

  std::string openedName;
  int opens = 0;
  int closes = 0;

 private:
  std::vector<std::uint8_t> bytes_;
  std::uint64_t size_;
  std::size_t piece_ = SIZE_MAX;
  std::size_t position_ = 0;
  bool openable_ = true;
};

inline SummaryList listOf(std::string_view description) {
  MemorySource source(kvdBytes(description));
  SummaryList list;
  EXPECT_EQ(readSummaryList(source, list), ReadStatus::Ok);
  return list;
}

}  // namespace zel::browser::test
