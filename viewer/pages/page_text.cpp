#include "viewer/pages/page_text.h"

#include <algorithm>

#include "common/text_format.h"

namespace zel::pages {

namespace {

using Routine = char* (*)(char*, std::uint32_t);

// Longer than any text routine writes (formatFixed3: 11 characters).
constexpr int kPieceSize = 16;

}  // namespace

PageText& PageText::append(std::string_view text) {
  for (char c : text) {
    if (length_ == kCapacity) break;
    data_[length_++] = c;
  }
  return *this;
}

PageText& PageText::blank(int count) {
  for (int i = 0; i < count && length_ < kCapacity; ++i) data_[length_++] = ' ';
  return *this;
}

namespace {

PageText& appendFormatted(PageText& t, Routine f, std::uint32_t v) {
  char piece[kPieceSize];
  const char* end = f(piece, v);
  return t.append({piece, static_cast<std::size_t>(end - piece)});
}

}  // namespace

PageText& PageText::word(std::uint32_t v) { return appendFormatted(*this, formatWord, v); }
PageText& PageText::dword(std::uint32_t v) { return appendFormatted(*this, formatDword, v); }
PageText& PageText::byte(std::uint32_t v) { return appendFormatted(*this, formatByte, v); }
PageText& PageText::fixed3(std::uint32_t bits) { return appendFormatted(*this, formatFixed3, bits); }

void drawRightAligned(Surface& s, int right, int y, int charWidth, std::uint32_t v) {
  PageText t;
  t.dword(v);
  t.draw(s, std::max(rightAlignedX(right, charWidth, t.length()), kNumberLeftLimit), y);
}

SignedTemperature signedTemperature(std::uint32_t temperature) {
  // The instrument stores a signed byte; only the low byte is the value.
  const unsigned b = temperature & 0xFFu;
  if (b < 128) return {false, b};
  return {true, 256 - b};
}

void writeTemperatureField(char* out, std::uint32_t temperature) {
  const SignedTemperature t = signedTemperature(temperature);
  const char sign = t.negative ? '-' : ' ';
  if (t.magnitude < 100) {
    out[0] = ' ';
    out[1] = sign;
    format2DigitsBlank(out + 2, t.magnitude);
  } else {
    out[0] = sign;
    formatByte(out + 1, t.magnitude);  // three digits: 100 ... 128
  }
  out[4] = ' ';
}

char* formatRowTemperature(char* out, std::uint32_t temperature) {
  const SignedTemperature t = signedTemperature(temperature);
  if (t.negative) {
    *out++ = '-';
    return formatByte(out, t.magnitude);
  }
  return t.magnitude < 100 ? format2Digits(out, t.magnitude) : formatByte(out, t.magnitude);
}

char* formatHumidity(char* out, std::uint32_t humidity) {
  const unsigned b = humidity & 0xFFu;
  return b < 100 ? format2Digits(out, b) : formatByte(out, b);
}

char* formatMinutesSeconds(char* out, std::uint16_t seconds) {
  const unsigned minutes = seconds / 60u;  // at most 1092
  out = minutes < 100 ? format2Digits(out, minutes) : formatWord(out, minutes);
  *out++ = ':';
  return format2Digits(out, seconds % 60u);
}

char* formatHoursMinutesSeconds(char* out, std::uint16_t seconds) {
  out = format2Digits(out, seconds / 3600u);
  *out++ = ':';
  out = format2Digits(out, (seconds % 3600u) / 60u);
  *out++ = ':';
  return format2Digits(out, seconds % 60u);
}

}  // namespace zel::pages
