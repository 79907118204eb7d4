#include "common/text_format.h"

#include <initializer_list>

#include "common/record.h"

namespace zel {
namespace {

// Writes v in decimal from the digit position `highest` (a power of ten)
// down, suppressing leading zeros; the units digit is always written.
char* writeSuppressed(char* out, std::uint64_t v, std::uint64_t highest) {
  bool started = false;
  for (std::uint64_t p = highest; p >= 1; p /= 10) {
    const unsigned digit = static_cast<unsigned>((v / p) % 10);
    if (digit != 0 || started || p == 1) {
      *out++ = static_cast<char>('0' + digit);
      started = true;
    }
  }
  return out;
}

}  // namespace

char* formatByte(char* out, std::uint32_t v) { return writeSuppressed(out, v & 0xFFu, 100); }

char* format2Digits(char* out, std::uint32_t v) {
  const unsigned m = (v & 0xFFu) % 100;
  *out++ = static_cast<char>('0' + m / 10);
  *out++ = static_cast<char>('0' + m % 10);
  return out;
}

char* format2DigitsBlank(char* out, std::uint32_t v) {
  const unsigned m = (v & 0xFFu) % 100;
  *out++ = m / 10 == 0 ? ' ' : static_cast<char>('0' + m / 10);
  *out++ = static_cast<char>('0' + m % 10);
  return out;
}

char* formatWord(char* out, std::uint32_t v) { return writeSuppressed(out, v & 0xFFFFu, 10000); }

char* formatDword(char* out, std::uint32_t v) {
  // The ten-millions position covers the counts and sums of the instrument;
  // larger stored values keep all their digits rather than losing the top ones.
  return writeSuppressed(out, v, v >= 100000000u ? 1000000000u : 10000000u);
}

TextSpan formatDwordLength(char* out, std::uint32_t v) {
  char* end = formatDword(out, v);
  return {out, static_cast<int>(end - out)};
}

TextSpan formatRange(char* out, std::uint32_t a, std::uint32_t b) {
  char* p = formatByte(out, a);
  *p++ = '-';
  p = formatByte(p, b);
  return {out, static_cast<int>(p - out)};
}

char* formatFixed3(char* out, std::uint32_t w) {
  if ((w & 0x7FFFFFFFu) == 0) {
    // Both zeros read 0.000.
    for (char c : {'0', '.', '0', '0', '0'}) *out++ = c;
    return out;
  }
  const bool negative = (w & 0x80000000u) != 0;
  const int e = static_cast<int>((w >> 23) & 0xFFu) - 127;
  const std::uint64_t m = (w & 0x7FFFFFu) + 0x800000u;  // the implicit one, also for E = 0
  // s = floor(m * 1000 / 2^(23 - e)), exactly; truncated, never rounded.
  std::uint64_t s;
  const int shift = 23 - e;
  if (shift >= 0) {
    s = shift >= 64 ? 0 : (m * 1000u) >> shift;
  } else {
    // e > 23: the magnitude is at least 2^24, far beyond the overflow limit.
    s = 1000000000u;
  }
  if (s >= 1000000000u) {
    for (char c : {'-', '.', '-', '-', '-'}) *out++ = c;
    return out;
  }
  if (negative && s != 0) *out++ = '-';
  out = writeSuppressed(out, s / 1000, 100000);
  *out++ = '.';
  const unsigned frac = static_cast<unsigned>(s % 1000);
  *out++ = static_cast<char>('0' + frac / 100);
  *out++ = static_cast<char>('0' + frac / 10 % 10);
  *out++ = static_cast<char>('0' + frac % 10);
  return out;
}

char* format2DigitsPlain(char* out, std::uint32_t v) {
  const unsigned b = v & 0xFFu;
  *out++ = static_cast<char>('0' + (b / 10) % 10);
  *out++ = static_cast<char>('0' + b % 10);
  return out;
}

void fillBlanks8(char* out) {
  for (int i = 0; i < 8; ++i) out[i] = ' ';
}

namespace {

char* formatDateTime(char* out, const MeasurementRecord& r, int blanks) {
  out = format2Digits(out, r.day());
  *out++ = '.';
  out = format2Digits(out, r.month());
  *out++ = '.';
  out = formatWord(out, r.year());
  for (int i = 0; i < blanks; ++i) *out++ = ' ';
  out = format2Digits(out, r.hour());
  *out++ = ':';
  out = format2Digits(out, r.minute());
  *out++ = ':';
  out = format2Digits(out, r.second());
  *out = '\0';
  return out;
}

}  // namespace

char* formatPageDateTime(char* out, const MeasurementRecord& r) { return formatDateTime(out, r, 4); }
char* formatPanelDateTime(char* out, const MeasurementRecord& r) { return formatDateTime(out, r, 2); }

}  // namespace zel
