// The instrument's measurement record: 688 bytes, fields at fixed offsets,
// little-endian, no alignment gaps. Fields are assembled from the raw bytes,
// never by laying a structure over them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zel {

inline constexpr std::size_t kRecordSize = 688;

// Offsets of the named fields in the record.
namespace offset {
inline constexpr std::size_t deviceNumber = 4;
inline constexpr std::size_t modeCode = 8;
inline constexpr std::size_t year = 10;
inline constexpr std::size_t month = 12;
inline constexpr std::size_t day = 14;
inline constexpr std::size_t hour = 16;
inline constexpr std::size_t minute = 18;
inline constexpr std::size_t second = 20;
inline constexpr std::size_t delayTime = 22;
inline constexpr std::size_t measurementTime = 26;
inline constexpr std::size_t pulseCount = 28;
inline constexpr std::size_t countN1 = 30;
inline constexpr std::size_t countN2 = 32;
inline constexpr std::size_t countN3 = 34;
inline constexpr std::size_t pumpingTime = 36;
inline constexpr std::size_t temperature = 38;
inline constexpr std::size_t humidity = 40;
inline constexpr std::size_t pressure = 42;
inline constexpr std::size_t windowBound1 = 44;
inline constexpr std::size_t windowBound2 = 46;
inline constexpr std::size_t windowBound3 = 48;
inline constexpr std::size_t cycleCount = 62;
inline constexpr std::size_t spectrum = 68;
inline constexpr std::size_t primaryResult = 580;
inline constexpr std::size_t primaryError = 584;
inline constexpr std::size_t integralResult = 588;
inline constexpr std::size_t integralError = 592;
inline constexpr std::size_t eecRn = 604;
inline constexpr std::size_t eecRnError = 608;
inline constexpr std::size_t eecTn = 616;
inline constexpr std::size_t eecTnError = 620;
inline constexpr std::size_t variantFlag = 630;
inline constexpr std::size_t ca = 640;
inline constexpr std::size_t cb = 644;
inline constexpr std::size_t cc = 648;
inline constexpr std::size_t kv = 652;
inline constexpr std::size_t fd = 656;
}  // namespace offset

inline constexpr int kSpectrumChannels = 256;

enum class FieldKind : std::uint8_t { U8, U16, U32, F32 };

// One named field of the record, for tools that address fields by name.
struct FieldInfo {
  std::string_view name;
  std::uint16_t offset;
  FieldKind kind;
};

// Every named field except the spectrum, in file order.
extern const std::array<FieldInfo, 36> kRecordFields;

// Reads little-endian values out of a byte buffer.
inline std::uint16_t readU16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t readU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline void writeU16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void writeU32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

class MeasurementRecord {
 public:
  std::array<std::uint8_t, kRecordSize> bytes{};

  std::uint8_t u8(std::size_t at) const { return bytes[at]; }
  std::uint16_t u16(std::size_t at) const { return readU16(bytes.data() + at); }
  std::uint32_t u32(std::size_t at) const { return readU32(bytes.data() + at); }
  float f32(std::size_t at) const;

  std::uint32_t deviceNumber() const { return u32(offset::deviceNumber); }
  std::uint16_t modeCode() const { return u16(offset::modeCode); }
  std::uint16_t year() const { return u16(offset::year); }
  std::uint16_t month() const { return u16(offset::month); }
  std::uint16_t day() const { return u16(offset::day); }
  std::uint16_t hour() const { return u16(offset::hour); }
  std::uint16_t minute() const { return u16(offset::minute); }
  std::uint16_t second() const { return u16(offset::second); }
  std::uint16_t delayTime() const { return u16(offset::delayTime); }
  std::uint16_t measurementTime() const { return u16(offset::measurementTime); }
  std::uint16_t pulseCount() const { return u16(offset::pulseCount); }
  std::uint16_t countN1() const { return u16(offset::countN1); }
  std::uint16_t countN2() const { return u16(offset::countN2); }
  std::uint16_t countN3() const { return u16(offset::countN3); }
  std::uint16_t pumpingTime() const { return u16(offset::pumpingTime); }
  // The instrument keeps the temperature as a signed byte in the low byte.
  std::uint16_t temperature() const { return u16(offset::temperature); }
  std::uint16_t humidity() const { return u16(offset::humidity); }
  std::uint16_t pressure() const { return u16(offset::pressure); }
  std::uint16_t windowBound1() const { return u16(offset::windowBound1); }
  std::uint16_t windowBound2() const { return u16(offset::windowBound2); }
  std::uint16_t windowBound3() const { return u16(offset::windowBound3); }
  std::uint16_t cycleCount() const { return u16(offset::cycleCount); }
  // Count of channel k (0 ... 255).
  std::uint16_t spectrum(int k) const { return u16(offset::spectrum + 2 * static_cast<std::size_t>(k)); }
  std::uint32_t primaryResult() const { return u32(offset::primaryResult); }
  std::uint32_t primaryError() const { return u32(offset::primaryError); }
  std::uint32_t integralResult() const { return u32(offset::integralResult); }
  std::uint32_t integralError() const { return u32(offset::integralError); }
  std::uint32_t eecRn() const { return u32(offset::eecRn); }
  std::uint32_t eecRnError() const { return u32(offset::eecRnError); }
  std::uint32_t eecTn() const { return u32(offset::eecTn); }
  std::uint32_t eecTnError() const { return u32(offset::eecTnError); }
  std::uint8_t variantFlag() const { return u8(offset::variantFlag); }
  // The single-precision coefficients, as their raw 32 bits (what the
  // fixed-point text routine takes) and as values.
  std::uint32_t caBits() const { return u32(offset::ca); }
  std::uint32_t cbBits() const { return u32(offset::cb); }
  std::uint32_t ccBits() const { return u32(offset::cc); }
  std::uint32_t kvBits() const { return u32(offset::kv); }
  std::uint32_t fdBits() const { return u32(offset::fd); }
  float ca() const { return f32(offset::ca); }
  float cb() const { return f32(offset::cb); }
  float cc() const { return f32(offset::cc); }
  float kv() const { return f32(offset::kv); }
  float fd() const { return f32(offset::fd); }
};

// Measurement file rules: records back to back, no header.
inline constexpr std::uint64_t recordCount(std::uint64_t fileSize) { return fileSize / kRecordSize; }

// Byte offset of record `index`, or false when it cannot be represented
// (then the record lies past the end of any file).
inline constexpr bool recordOffset(std::uint64_t index, std::uint64_t& out) {
  if (index > UINT64_MAX / kRecordSize) return false;
  out = index * kRecordSize;
  return true;
}

}  // namespace zel
