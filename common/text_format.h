// The number and date texts that every screen and the export use.
// Each routine appends at a write position in the caller's buffer and returns
// the position after its last character; none writes a terminator.
// 8-bit routines use only the low 8 bits of their value, 16-bit routines only
// the low 16 bits: callers pass wider record fields and rely on that.
#pragma once

#include <cstdint>

namespace zel {

class MeasurementRecord;

struct TextSpan {
  char* start;
  int length;
};

char* formatByte(char* out, std::uint32_t v);          // 1 ... 3 characters
char* format2Digits(char* out, std::uint32_t v);       // (low byte mod 100), two digits
char* format2DigitsBlank(char* out, std::uint32_t v);  // as format2Digits, tens 0 as a blank
char* formatWord(char* out, std::uint32_t v);          // 1 ... 5 characters
// All digits of the 32-bit value: 1 ... 8 characters below 100,000,000,
// 9 or 10 above.
char* formatDword(char* out, std::uint32_t v);
TextSpan formatDwordLength(char* out, std::uint32_t v);
// formatByte(a) "-" formatByte(b): channel ranges of the spectrum panel.
TextSpan formatRange(char* out, std::uint32_t a, std::uint32_t b);
// Magnitude of a single-precision value (its 32 bits) with three decimals,
// truncated; "-" before a negative value; "-.---" from one million on.
char* formatFixed3(char* out, std::uint32_t bits);
char* format2DigitsPlain(char* out, std::uint32_t v);  // tens and units of 0 ... 99
void fillBlanks8(char* out);                           // field routine: eight blanks

// "dd.mm.yyyy    hh:mm:ss" followed by a NUL; returns the position of the NUL.
char* formatPageDateTime(char* out, const MeasurementRecord& record);
// "dd.mm.yyyy  hh:mm:ss" followed by a NUL; returns the position of the NUL.
char* formatPanelDateTime(char* out, const MeasurementRecord& record);

// Longest texts, for sizing buffers.
inline constexpr int kMaxDwordText = 10;
inline constexpr int kMaxFixed3Text = 11;
inline constexpr int kDateTimeBuffer = 32;

}  // namespace zel
