#include "kvd/io/progress_line.h"

namespace zel::cli {

namespace {

constexpr std::size_t kBarWidth = 24;
constexpr std::size_t kLineWidth = 78;  // fits an 80-column console

// Columns of UTF-8 text: one per character.
std::size_t columns(const std::string& text) {
  std::size_t n = 0;
  for (unsigned char c : text) n += (c & 0xC0) != 0x80 ? 1 : 0;
  return n;
}

// The last characters of `text` that fit `width` columns, marked by "…".
std::string tail(const std::string& text, std::size_t width) {
  if (columns(text) <= width || width < 2) return text;
  std::size_t at = text.size(), kept = 0;
  while (at > 0 && kept < width - 1) {
    --at;
    if ((static_cast<unsigned char>(text[at]) & 0xC0) != 0x80) ++kept;
  }
  return "\u2026" + text.substr(at);
}

}  // namespace

ProgressLine::ProgressLine(TextSink& err, bool enabled, std::uint64_t total)
    : err_(err), enabled_(enabled), total_(total) {}

void ProgressLine::update(std::uint64_t done, const std::string& label) {
  if (!enabled_) return;
  const auto now = std::chrono::steady_clock::now();
  if (drawn_ > 0 && now - last_ < std::chrono::milliseconds(100)) return;
  last_ = now;
  const std::uint64_t percent = total_ == 0 ? 100 : std::min<std::uint64_t>(100, done * 100 / total_);
  const std::size_t filled = static_cast<std::size_t>(percent) * kBarWidth / 100;
  std::string line = "[" + std::string(filled, '#') + std::string(kBarWidth - filled, '.') + "] ";
  const std::string number = std::to_string(percent) + "%";
  line += std::string(4 - number.size(), ' ') + number + "  ";
  line += tail(label, kLineWidth - columns(line));
  const std::size_t width = columns(line);
  std::string out = "\r" + line;
  if (width < drawn_) out += std::string(drawn_ - width, ' ');
  err_.write(out);
  err_.flush();
  drawn_ = std::max(width, drawn_);
}

void ProgressLine::clear() {
  if (drawn_ == 0) return;
  err_.write("\r" + std::string(drawn_, ' ') + "\r");
  err_.flush();
  drawn_ = 0;
}

}  // namespace zel::cli
