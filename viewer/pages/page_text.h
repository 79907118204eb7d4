// Texts of the result pages: the scratch text that a page builds one number
// into, and the page forms of values whose stored range is wider than two
// digits (temperature, humidity, minutes). Everything here is per call: no
// buffer outlives the draw.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/cp1251.h"
#include "common/surface.h"

namespace zel::pages {

// Nominal character widths of the page fonts; numbers are
// right-aligned by these, not by measured extents.
inline constexpr int kSmallWidth = 6;
inline constexpr int kNormalWidth = 9;
inline constexpr int kLargeWidth = 22;

// Draws a text with its exact length.
inline void drawText(Surface& s, int x, int y, std::string_view text) {
  s.textOut(x, y, text.data(), static_cast<int>(text.size()));
}
template <std::size_t N>
void drawText(Surface& s, int x, int y, const Cp1251Text<N>& text) {
  s.textOut(x, y, text.data, text.length());
}

// One text built for one draw call. Appends stop at the capacity, which is
// beyond every page text, so no value can write past the buffer.
class PageText {
 public:
  static constexpr int kCapacity = 64;

  PageText& append(std::string_view text);
  PageText& blank(int count = 1);
  PageText& word(std::uint32_t v);    // formatWord: a 16-bit field's value
  PageText& dword(std::uint32_t v);   // formatDword: every digit of a 32-bit value
  PageText& byte(std::uint32_t v);    // formatByte: the low byte
  PageText& fixed3(std::uint32_t bits);

  std::string_view view() const { return {data_, static_cast<std::size_t>(length_)}; }
  int length() const { return length_; }
  void draw(Surface& s, int x, int y) const { s.textOut(x, y, data_, length_); }

 private:
  char data_[kCapacity];
  int length_ = 0;
};

// x at which a number of `digits` characters starts so that it ends at `right`.
constexpr int rightAlignedX(int right, int charWidth, int digits) { return right - charWidth * digits; }

// The leftmost start of a right-aligned number: the page's left edge.
inline constexpr int kNumberLeftLimit = 0;

// Draws every digit of v so that the number ends at x = right. A number too
// long for that (nine or more digits in the large font ending at 184) starts
// at the page's left edge instead: its leading digits would fall off the
// page and leave a smaller value in sight.
void drawRightAligned(Surface& s, int right, int y, int charWidth, std::uint32_t v);

// The signed temperature of the low byte b of `temperature`: a minus sign
// when b >= 128, magnitude b or 256 - b (0 ... 128).
struct SignedTemperature {
  bool negative;
  unsigned magnitude;
};
SignedTemperature signedTemperature(std::uint32_t temperature);

// Field routine, 5 characters: the temperature as the concentration pages
// show it (characters 14 to 18 of the "Temperature:" line). Below 100: blank,
// sign or blank, format2DigitsBlank of the magnitude, blank. A magnitude of 100 ... 128 takes the leading blank for
// the sign, so the units digit stays in its column: "-128 ", " 105 ".
void writeTemperatureField(char* out, std::uint32_t temperature);

// The temperature of the one-row climate block: 0 ... 99 with format2Digits
// ("05", "23"); 100 ... 127 with its three digits; a negative
// value as "-" and its magnitude without leading zeros ("-5", "-128").
char* formatRowTemperature(char* out, std::uint32_t temperature);

// The low byte of `humidity`: format2Digits below 100;
// all three digits from 100 on.
char* formatHumidity(char* out, std::uint32_t humidity);

// Minutes and seconds of a duration: the minutes with format2Digits below
// 100 and with all their digits from 100 on (6000 s is "100:00"); the seconds
// always two digits.
char* formatMinutesSeconds(char* out, std::uint16_t seconds);

// Hours, minutes and seconds, each two digits. A 16-bit duration has at most
// 18 hours, so nothing is reduced.
char* formatHoursMinutesSeconds(char* out, std::uint16_t seconds);

}  // namespace zel::pages
