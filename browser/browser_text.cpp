#include "browser/browser_text.h"

#include <array>

#include "common/text_format.h"

namespace zel::browser {

char* formatWordPadded(char* out, std::uint32_t v) {
  unsigned w = v & 0xFFFFu;
  for (int i = 4; i >= 0; --i) {
    // Positions left of the highest non-zero digit stay blank; the units
    // position always gets its digit.
    out[i] = (w != 0 || i == 4) ? static_cast<char>('0' + w % 10) : ' ';
    w /= 10;
  }
  return out + 5;
}

char* formatByte3(char* out, std::uint32_t v) {
  const unsigned b = v & 0xFFu;
  out[0] = b >= 100 ? static_cast<char>('0' + b / 100) : ' ';
  out[1] = static_cast<char>('0' + b / 10 % 10);
  out[2] = static_cast<char>('0' + b % 10);
  return out + 3;
}

char* formatByte3Tail(char* out, std::uint32_t v) {
  char three[3];
  formatByte3(three, v);
  out[0] = three[1];
  out[1] = three[2];
  return out + 2;
}

char* formatCountPadded(char* out, std::uint32_t v) {
  return v <= 0xFFFFu ? formatWordPadded(out, v) : formatDword(out, v);
}

char* formatListDate(char* out, std::uint32_t day, std::uint32_t month, std::uint32_t year) {
  out = formatByte3Tail(out, day);
  *out++ = '.';
  out = formatByte3Tail(out, month);
  *out++ = '.';
  // The last four of the five padded characters: every four-digit year whole.
  char padded[5];
  formatWordPadded(padded, year);
  for (int i = 1; i < 5; ++i) *out++ = padded[i];
  return out;
}

char* formatListTime(char* out, std::uint32_t hour, std::uint32_t minute, std::uint32_t second) {
  out = formatByte3Tail(out, hour);
  *out++ = ':';
  out = formatByte3Tail(out, minute);
  *out++ = ':';
  return formatByte3Tail(out, second);
}

char* formatTenths(char* out, std::uint32_t v) {
  if (v <= 9) {
    *out++ = '0';
    *out++ = '.';
    *out++ = static_cast<char>('0' + v);
    return out;
  }
  out = formatDword(out, v / 10);
  if (v <= 90) {
    *out++ = '.';
    *out++ = static_cast<char>('0' + v % 10);
  }
  return out;
}

const char* blankRun() {
  static constexpr auto kRun = [] {
    std::array<char, kMaxBlankRun + 1> run{};
    for (int i = 0; i < kMaxBlankRun; ++i) run[static_cast<std::size_t>(i)] = ' ';
    return run;
  }();
  return kRun.data();
}

}  // namespace zel::browser
