// The results of a record as its viewer program's page shows them.
#include <string>

#include "common/mode_table.h"
#include "kvd/meaning/record_meaning.h"

namespace zel::cli {

namespace {

Number u(std::uint64_t v) { return Number::ofUnsigned(v); }

Quantity quantity(std::string_view key, std::string label, Number value, Number error, Unit unit,
                  Conversion conversion = Conversion::None) {
  return {key, std::move(label), value, error, unit, conversion, {}};
}

Quantity textQuantity(std::string_view key, std::string label, std::string_view text) {
  return {key, std::move(label), Number::none(), Number::none(), Unit::None, Conversion::None, text};
}

void addCounts(std::vector<Quantity>& out, const MeasurementRecord& r) {
  out.push_back(quantity("N1", "N1", u(r.countN1()), {}, Unit::Pulses));
  out.push_back(quantity("N2", "N2", u(r.countN2()), {}, Unit::Pulses));
  out.push_back(quantity("N3", "N3", u(r.countN3()), {}, Unit::Pulses));
}

void addManualTimes(std::vector<Quantity>& out, const MeasurementRecord& r, bool delayShown) {
  out.push_back(quantity("pumpingTime", "pumping", u(r.pumpingTime()), {}, Unit::Seconds));
  if (delayShown) out.push_back(quantity("delayTime", "delay", u(r.delayTime()), {}, Unit::Seconds));
  out.push_back(quantity("measurementTime", "measurement", u(r.measurementTime()), {}, Unit::Seconds));
}

}  // namespace

std::vector<Quantity> results(const MeasurementRecord& r) {
  std::vector<Quantity> out;
  const std::uint16_t mode = r.modeCode();
  if (!hasViewerProgram(mode)) return out;
  constexpr Conversion kPci = Conversion::PicoCuriePerLitre;
  constexpr Conversion kWl = Conversion::WorkingLevel;
  const Number result = u(r.primaryResult());
  const Number error = u(r.primaryError());
  switch (mode) {
    case 1: case 2: case 12: case 13: case 26:
      out.push_back(quantity("CRn", "CRn", result, error, Unit::BqPerM3, kPci));
      break;
    case kModeThoron:
      out.push_back(quantity("CTn", "CTn", result, error, Unit::BqPerM3, kPci));
      break;
    case kModeIntegral1:
      // This mode keeps Qi in the error field and stores no error: the page
      // shows 20 % of Qint, taken in 64 bits.
      out.push_back(quantity("Qi", "Qi", error, {}, Unit::BqPerM3, kPci));
      out.push_back(quantity("Qint", "Qint", result, u(std::uint64_t{r.primaryResult()} * 20 / 100), Unit::BqPerM3,
                             kPci));
      break;
    case kModeBackground:
      out.push_back(quantity("background", "Intrinsic background of radiometer", result, error, Unit::BqPerM3, kPci));
      break;
    case kModeWater:
      out.push_back(quantity("Qwater", "Q(water)", result, error, Unit::BqPerM3, kPci));
      break;
    case kModeAir:
      out.push_back(quantity("Qsample", "Q(sample)", result, error, Unit::BqPerM3, kPci));
      break;
    case kModeSoil:
      out.push_back(quantity("Qsoil", "Q(soil)", result, error, Unit::BqPerM3, kPci));
      break;
    case kModeFlux:
      out.push_back(quantity("flux", "Q(Radon flux)", result, error, Unit::MilliBqPerSM2));
      out.push_back(textQuantity("method", "Method", r.variantFlag() == 0 ? "Method 1" : "Method 2"));
      break;
    case kModeEecBackground:
      out.push_back(quantity("Nk", "Nk", Number::ofFloat(r.ca()), {}, Unit::None));
      break;
    case kModeEecManual:
      addCounts(out, r);
      addManualTimes(out, r, true);
      break;
    case 14: case 15: case 22:
      out.push_back(quantity("EECRn", "EEC(Rn)", u(r.eecRn()), u(r.eecRnError()), Unit::BqPerM3, kWl));
      out.push_back(quantity("EECTn", "EEC(Tn)", u(r.eecTn()), u(r.eecTnError()), Unit::BqPerM3, kWl));
      out.push_back(quantity("Fd", "Fd", Number::ofFloat(r.fd()), {}, Unit::None));
      addCounts(out, r);
      out.push_back(quantity("Kv", "Kv", Number::ofFloat(r.kv()), {}, Unit::None));
      out.push_back(quantity("Ca", "Ca", Number::ofFloat(r.ca()), {}, Unit::None));
      out.push_back(quantity("Cb", "Cb", Number::ofFloat(r.cb()), {}, Unit::None));
      out.push_back(quantity("Cc", "Cc", Number::ofFloat(r.cc()), {}, Unit::None));
      break;
    case kModeEecThoron:
      out.push_back(quantity("EECTn", "EEC(Tn)", result, error, Unit::BqPerM3, kWl));
      out.push_back(quantity("delayTime", "Delay time", u(r.delayTime()), {}, Unit::Minutes));
      break;
    case kModeIntegral2: {
      const unsigned cycles = r.cycleCount() & 0xFFu;
      out.push_back(quantity("cycles", "Cycles", u(cycles), {}, Unit::Cycles));
      out.push_back(quantity("Qn", "Q(" + std::to_string(cycles) + ")", result, error, Unit::BqPerM3, kPci));
      out.push_back(quantity("Qint", "Qint", u(r.integralResult()), u(r.integralError()), Unit::BqPerM3, kPci));
      break;
    }
    case kModeCrnManual:
      out.push_back(textQuantity("pumpingMode", "Pumping mode", r.variantFlag() == 0 ? "timed" : "continuous"));
      // In continuous pumping the page shows no delay.
      addManualTimes(out, r, r.variantFlag() == 0);
      out.push_back(quantity("N", "N", u(r.pulseCount()), {}, Unit::Pulses));
      break;
    default:
      break;
  }
  return out;
}

std::string viewerProgramText(std::uint32_t modeCode) {
  if (!hasViewerProgram(modeCode)) return {};
  char name[16];
  return {name, formatViewerProgramName(name, modeCode)};
}

}  // namespace zel::cli
