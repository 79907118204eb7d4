// The record's named fields as the instrument meant them, with their units
// in the record's mode, and its spectrum.
#include "common/mode_table.h"
#include "kvd/meaning/record_meaning.h"

namespace zel::cli {

namespace {

// Which unit primaryResult and primaryError are in, by mode: the fields of
// the record layout whose meaning depends on the mode.
Unit primaryUnit(std::uint16_t mode) {
  switch (mode) {
    case 1: case 2: case 3: case 4: case 5: case 12: case 13: case 18: case 19: case 20: case 21: case 24: case 26:
      return Unit::BqPerM3;
    case kModeFlux:
      return Unit::MilliBqPerSM2;
    default:
      return Unit::None;
  }
}

}  // namespace

std::array<std::uint16_t, kSpectrumChannels> spectrumCounts(const MeasurementRecord& record) {
  std::array<std::uint16_t, kSpectrumChannels> counts;
  for (int k = 0; k < kSpectrumChannels; ++k) counts[static_cast<std::size_t>(k)] = record.spectrum(k);
  return counts;
}

std::array<std::string_view, kFieldCount> fieldNames() {
  static_assert(std::tuple_size_v<decltype(kRecordFields)> == kFieldCount);
  std::array<std::string_view, kFieldCount> names;
  for (std::size_t k = 0; k < kFieldCount; ++k) names[k] = kRecordFields[k].name;
  return names;
}

void fieldNumbers(const MeasurementRecord& r, Number* out) {
  for (std::size_t k = 0; k < kFieldCount; ++k) {
    const FieldInfo& field = kRecordFields[k];
    switch (field.kind) {
      case FieldKind::U8: out[k] = Number::ofUnsigned(r.u8(field.offset)); break;
      case FieldKind::U16: out[k] = Number::ofUnsigned(r.u16(field.offset)); break;
      case FieldKind::U32: out[k] = Number::ofUnsigned(r.u32(field.offset)); break;
      case FieldKind::F32: out[k] = Number::ofFloat(r.f32(field.offset)); break;
    }
    switch (field.offset) {
      // The low byte as two's complement: 0x00FB is -5, 0x0119 is 25.
      case offset::temperature: out[k] = Number::ofSigned(static_cast<std::int8_t>(r.temperature() & 0xFF)); break;
      case offset::humidity: out[k] = Number::ofUnsigned(r.humidity() & 0xFFu); break;
      case offset::cycleCount: out[k] = Number::ofUnsigned(r.cycleCount() & 0xFFu); break;
      default: break;
    }
  }
}

std::array<FieldValue, kFieldCount> fieldValues(const MeasurementRecord& r) {
  const std::uint16_t mode = r.modeCode();
  std::array<Number, kFieldCount> numbers;
  fieldNumbers(r, numbers.data());
  std::array<FieldValue, kFieldCount> out;
  for (std::size_t k = 0; k < kFieldCount; ++k) {
    const FieldInfo& field = kRecordFields[k];
    FieldValue& v = out[k];
    v.name = field.name;
    v.value = numbers[k];
    v.unit = Unit::None;
    switch (field.offset) {
      case offset::temperature: v.unit = Unit::Celsius; break;
      case offset::humidity: v.unit = Unit::Percent; break;
      case offset::cycleCount: v.unit = Unit::Cycles; break;
      case offset::delayTime: v.unit = mode == kModeEecThoron ? Unit::Minutes : Unit::Seconds; break;
      case offset::measurementTime:
      case offset::pumpingTime: v.unit = Unit::Seconds; break;
      case offset::pulseCount:
      case offset::countN1:
      case offset::countN2:
      case offset::countN3: v.unit = Unit::Pulses; break;
      case offset::pressure: v.unit = Unit::MmHg; break;
      case offset::windowBound1:
      case offset::windowBound2:
      case offset::windowBound3: v.unit = Unit::Channel; break;
      case offset::primaryResult:
      case offset::primaryError: v.unit = primaryUnit(mode); break;
      case offset::integralResult:
      case offset::integralError:
      case offset::eecRn:
      case offset::eecRnError:
      case offset::eecTn:
      case offset::eecTnError: v.unit = Unit::BqPerM3; break;
      default: break;
    }
  }
  return out;
}

}  // namespace zel::cli
