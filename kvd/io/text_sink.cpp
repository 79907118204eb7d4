#include "kvd/io/text_sink.h"

#include "kvd/io/platform.h"

namespace zel::cli {

namespace {
constexpr std::size_t kConsoleChunk = 1 << 16;
}

void ConsoleSink::write(std::string_view text) {
  buffer_.append(text);
  if (buffer_.size() >= kConsoleChunk) flush();
}

void ConsoleSink::flush() {
  if (!buffer_.empty()) platform::writeText(stream_, buffer_);
  buffer_.clear();
  std::fflush(stream_);
}

void Diagnostics::fileFailed(std::string_view name, std::string_view why) {
  failed_ = true;
  std::string line = "kvd: ";
  line.append(name).append(": ").append(why).append("\n");
  err_.write(line);
  err_.flush();
}

void Diagnostics::note(std::string_view name, std::string_view text) {
  std::string line = "kvd: note: ";
  line.append(name).append(": ").append(text).append("\n");
  err_.write(line);
  err_.flush();
}

void Diagnostics::failed(std::string_view text) {
  failed_ = true;
  std::string line = "kvd: ";
  line.append(text).append("\n");
  err_.write(line);
  err_.flush();
}

}  // namespace zel::cli
