// A progress line on standard error while a long command works: drawn only
// when standard error is a terminal, redrawn at most ten times a second,
// and cleared when done, so that nothing of it reaches a file or a pipe.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "kvd/io/text_sink.h"

namespace zel::cli {

class ProgressLine {
 public:
  // `enabled`: whether standard error is a terminal. `total`: the amount
  // that done counts towards (bytes, say).
  ProgressLine(TextSink& err, bool enabled, std::uint64_t total);
  ~ProgressLine() { clear(); }
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // Redraws when a tenth of a second has passed since the last drawing.
  void update(std::uint64_t done, const std::string& label);
  // Takes the line off the screen, before other output.
  void clear();

 private:
  TextSink& err_;
  bool enabled_;
  std::uint64_t total_;
  std::chrono::steady_clock::time_point last_{};
  std::size_t drawn_ = 0;  // columns on the screen
};

}  // namespace zel::cli
