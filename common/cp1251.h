// Windows-1251 texts. Cyrillic and symbol literals stay readable in the UTF-8
// source and are converted to the single-byte code page at compile time.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zel {

namespace cp1251_detail {

// Byte of a Unicode code point in Windows-1251, or 0 when it has none.
// Called only by the consteval constructor below, so still at compile time;
// clang 14 rejects a consteval call on the constructor's own variables.
constexpr unsigned char encode(char32_t c) {
  if (c < 0x80) return static_cast<unsigned char>(c);
  if (c >= 0x0410 && c <= 0x044F) return static_cast<unsigned char>(0xC0 + (c - 0x0410));
  switch (c) {
    case 0x0401: return 0xA8;  // Ё
    case 0x0451: return 0xB8;  // ё
    case 0x00A0: return 0xA0;
    case 0x00A7: return 0xA7;  // §
    case 0x00AB: return 0xAB;  // «
    case 0x00BB: return 0xBB;  // »
    case 0x00B0: return 0xB0;  // °
    case 0x00B1: return 0xB1;  // ±
    case 0x00B5: return 0xB5;  // µ
    case 0x00B7: return 0xB7;  // ·
    case 0x2116: return 0xB9;  // №
    case 0x2013: return 0x96;
    case 0x2014: return 0x97;
    default: return 0;
  }
}

}  // namespace cp1251_detail

// A Windows-1251 text built from a UTF-8 literal: Cp1251Text k{"Нет файла: "};
template <std::size_t N>
struct Cp1251Text {
  char data[N]{};
  std::size_t size = 0;

  consteval Cp1251Text(const char (&utf8)[N]) {
    std::size_t i = 0;
    while (i + 1 < N) {
      const unsigned char b = static_cast<unsigned char>(utf8[i]);
      char32_t c;
      if (b < 0x80) {
        c = b;
        i += 1;
      } else if ((b & 0xE0) == 0xC0) {
        c = (static_cast<char32_t>(b & 0x1F) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F);
        i += 2;
      } else {
        c = (static_cast<char32_t>(b & 0x0F) << 12) |
            ((static_cast<char32_t>(static_cast<unsigned char>(utf8[i + 1])) & 0x3F) << 6) |
            (static_cast<unsigned char>(utf8[i + 2]) & 0x3F);
        i += 3;
      }
      const unsigned char out = cp1251_detail::encode(c);
      if (out == 0) throw "character without a Windows-1251 byte";
      data[size++] = static_cast<char>(out);
    }
  }

  constexpr std::string_view view() const { return {data, size}; }
  constexpr const char* c_str() const { return data; }  // NUL-terminated: data is zero-filled
  constexpr int length() const { return static_cast<int>(size); }
};

// UTF-16 text of a Windows-1251 string, for the wide functions of the platform.
std::u16string cp1251ToUtf16(std::string_view text);
// UTF-8 of a Windows-1251 string, for what reads UTF-8 (SVG, a browser).
std::string cp1251ToUtf8(std::string_view text);
// Appends one character of the Basic Multilingual Plane as UTF-8.
void appendUtf8(std::string& out, char32_t c);

}  // namespace zel
