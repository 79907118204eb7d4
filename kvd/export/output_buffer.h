// The writers' output: text collected in one block and handed to the sink
// in large pieces. Appending is a copy into the block, nothing more.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

#include "browser/dif_export.h"

namespace zel::cli {

class OutputBuffer {
 public:
  explicit OutputBuffer(browser::ByteSink& sink) : sink_(sink), data_(new char[kCapacity]) {}

  void append(const char* text, std::size_t n) {
    if (n > kCapacity - size_) {
      flush();
      // A piece larger than the block (a very long file name) goes through
      // on its own.
      if (n > kCapacity) {
        write(text, n);
        return;
      }
    }
    std::memcpy(data_.get() + size_, text, n);
    size_ += n;
  }
  void append(std::string_view text) { append(text.data(), text.size()); }
  void push(char c) {
    if (size_ == kCapacity) flush();
    data_[size_++] = c;
  }

  // Room for `n` more characters written through position().
  char* reserve(std::size_t n) {
    if (n > kCapacity - size_) flush();
    return data_.get() + size_;
  }
  void advance(char* end) { size_ = static_cast<std::size_t>(end - data_.get()); }

  // Hands the collected text to the sink once a good piece has come
  // together; false once the sink has refused.
  bool flushIfFull() { return size_ < kFlushAt || flush(); }
  bool flush() {
    if (size_ > 0) write(data_.get(), size_);
    size_ = 0;
    return !failed_;
  }
  bool failed() const { return failed_; }

 private:
  static constexpr std::size_t kCapacity = 1 << 20;
  static constexpr std::size_t kFlushAt = kCapacity / 2;

  void write(const char* text, std::size_t n) {
    if (!failed_ && !sink_.write(text, n)) failed_ = true;
  }

  browser::ByteSink& sink_;
  std::unique_ptr<char[]> data_;
  std::size_t size_ = 0;
  bool failed_ = false;
};

}  // namespace zel::cli
