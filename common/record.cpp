#include "common/record.h"

#include <cstring>

namespace zel {

float MeasurementRecord::f32(std::size_t at) const {
  const std::uint32_t w = u32(at);
  float f;
  std::memcpy(&f, &w, sizeof f);
  return f;
}

const std::array<FieldInfo, 36> kRecordFields = {{
    {"deviceNumber", offset::deviceNumber, FieldKind::U32},
    {"modeCode", offset::modeCode, FieldKind::U16},
    {"year", offset::year, FieldKind::U16},
    {"month", offset::month, FieldKind::U16},
    {"day", offset::day, FieldKind::U16},
    {"hour", offset::hour, FieldKind::U16},
    {"minute", offset::minute, FieldKind::U16},
    {"second", offset::second, FieldKind::U16},
    {"delayTime", offset::delayTime, FieldKind::U16},
    {"measurementTime", offset::measurementTime, FieldKind::U16},
    {"pulseCount", offset::pulseCount, FieldKind::U16},
    {"countN1", offset::countN1, FieldKind::U16},
    {"countN2", offset::countN2, FieldKind::U16},
    {"countN3", offset::countN3, FieldKind::U16},
    {"pumpingTime", offset::pumpingTime, FieldKind::U16},
    {"temperature", offset::temperature, FieldKind::U16},
    {"humidity", offset::humidity, FieldKind::U16},
    {"pressure", offset::pressure, FieldKind::U16},
    {"windowBound1", offset::windowBound1, FieldKind::U16},
    {"windowBound2", offset::windowBound2, FieldKind::U16},
    {"windowBound3", offset::windowBound3, FieldKind::U16},
    {"cycleCount", offset::cycleCount, FieldKind::U16},
    {"primaryResult", offset::primaryResult, FieldKind::U32},
    {"primaryError", offset::primaryError, FieldKind::U32},
    {"integralResult", offset::integralResult, FieldKind::U32},
    {"integralError", offset::integralError, FieldKind::U32},
    {"eecRn", offset::eecRn, FieldKind::U32},
    {"eecRnError", offset::eecRnError, FieldKind::U32},
    {"eecTn", offset::eecTn, FieldKind::U32},
    {"eecTnError", offset::eecTnError, FieldKind::U32},
    {"variantFlag", offset::variantFlag, FieldKind::U8},
    {"ca", offset::ca, FieldKind::F32},
    {"cb", offset::cb, FieldKind::F32},
    {"cc", offset::cc, FieldKind::F32},
    {"kv", offset::kv, FieldKind::F32},
    {"fd", offset::fd, FieldKind::F32},
}};

}  // namespace zel
