// The record browser's own fixed-width number texts, shared by the header
// panel, the list and the spreadsheet export. Like the common routines, each
// appends at a write position and returns the position after its last
// character; none writes a terminator.
#pragma once

#include <cstdint>
#include <string_view>

namespace zel::browser {

// Low 16 bits, exactly 5 characters, right-aligned: leading zeros as blanks,
// the units digit always written. 51 gives "   51".
char* formatWordPadded(char* out, std::uint32_t v);

// Low 8 bits, exactly 3 characters: the hundreds digit or a blank, then the
// tens and units digits. 5 gives " 05".
char* formatByte3(char* out, std::uint32_t v);

// The last two characters of formatByte3: a date or time field as two digits.
char* formatByte3Tail(char* out, std::uint32_t v);

// A count that may exceed 16 bits: formatWordPadded up to 65,535, all its
// digits beyond, so a large file never shows a wrapped count.
char* formatCountPadded(char* out, std::uint32_t v);

// "dd.mm.yyyy" (10 characters for a four-digit year) and "hh:mm:ss".
char* formatListDate(char* out, std::uint32_t day, std::uint32_t month, std::uint32_t year);
char* formatListTime(char* out, std::uint32_t hour, std::uint32_t minute, std::uint32_t second);

// The thoron mode stores its result in tenths. Values below 5, compared as
// signed 32-bit numbers (the instrument's negative results too), read as this
// text instead of a number.
inline constexpr std::string_view kBelowHalf{"  < 0.5 "};
inline bool tenthsBelowHalf(std::uint32_t v) { return static_cast<std::int32_t>(v) < 5; }

// A tenths value of 5 or more: "0.7" for 7, "4.5" for 45, "9.0" for 90; past 90
// the tenth is dropped, "9" for 91, "12" for 123.
char* formatTenths(char* out, std::uint32_t v);

inline constexpr int kMaxTenthsText = 10;

// A run of blanks for clearing: at least kMaxBlankRun characters.
inline constexpr int kMaxBlankRun = 264;
const char* blankRun();

}  // namespace zel::browser
