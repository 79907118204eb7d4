#include "kvd/report/reference_levels.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace zel::report {
namespace {

constexpr double kThoronWeight = 4.6;
// 1 pCi/L = 37 Bq/m3.
constexpr double kEpaLevel = 4 * 37.0;

constexpr Norm kNorms[] = {
    {"nrb-new", 100, "Bq/m3", Quantity::EecSum,
     "NRB-99/2009, dwellings and public buildings being commissioned: EEC(Rn) + 4.6 EEC(Tn)",
     "НРБ-99/2009, жилые и общественные здания, вводимые в эксплуатацию: ЭРОА(Rn) + 4,6 ЭРОА(Tn)",
     "NRB, new buildings", "НРБ, новые здания"},
    {"nrb-existing", 200, "Bq/m3", Quantity::EecSum,
     "NRB-99/2009, dwellings and public buildings in use: EEC(Rn) + 4.6 EEC(Tn)",
     "НРБ-99/2009, эксплуатируемые жилые и общественные здания: ЭРОА(Rn) + 4,6 ЭРОА(Tn)",
     "NRB, buildings in use", "НРБ, эксплуатируемые здания"},
    {"nrb-workplace", 310, "Bq/m3", Quantity::EecSum,
     "NRB-99/2009, air of workplaces: EEC(Rn) + 4.6 EEC(Tn)",
     "НРБ-99/2009, воздух рабочих мест: ЭРОА(Rn) + 4,6 ЭРОА(Tn)", "NRB, workplaces", "НРБ, рабочие места"},
    {"who", 100, "Bq/m3", Quantity::IndoorRadon, "WHO reference level, indoor radon",
     "Референтный уровень ВОЗ, радон в помещениях", "WHO", "ВОЗ", true},
    {"eu", 300, "Bq/m3", Quantity::IndoorRadon, "EU reference level, annual average indoor radon",
     "Референтный уровень ЕС, среднегодовой радон в помещениях", "EU", "ЕС", true},
    {"epa", kEpaLevel, "Bq/m3", Quantity::IndoorRadon, "US EPA action level, 4 pCi/L",
     "Уровень действия EPA США, 4 пКи/л", "US EPA", "EPA США", true},
    {"flux", 80, "mBq/(m2*s)", Quantity::RadonFlux,
     "Radon flux from the soil, building sites of dwellings and public buildings",
     "Плотность потока радона с поверхности грунта, участки жилых и общественных зданий", "Radon flux, building sites",
     "ППР, участки застройки"},
};

bool isOneOf(int mode, std::initializer_list<int> modes) {
  return std::find(modes.begin(), modes.end(), mode) != modes.end();
}

}  // namespace

std::string_view verdictName(Verdict v) {
  switch (v) {
    case Verdict::Above: return "above";
    case Verdict::Below: return "below";
    case Verdict::Inconclusive: return "inconclusive";
  }
  return "inconclusive";
}

Verdict judge(double value, double error, double level) {
  const double e = std::fabs(error);
  if (value - e > level) return Verdict::Above;
  if (value + e <= level) return Verdict::Below;
  return Verdict::Inconclusive;
}

std::span<const Norm> allNorms() { return kNorms; }

const Norm* findNorm(std::string_view name) {
  for (const Norm& n : kNorms)
    if (n.name == name) return &n;
  return nullptr;
}

std::vector<const Norm*> defaultNorms() {
  return {findNorm("nrb-existing"), findNorm("who"), findNorm("eu"), findNorm("flux")};
}

std::vector<const Norm*> informativeNorms() { return {findNorm("who"), findNorm("eu"), findNorm("epa")}; }

const Norm* normativeNorm(std::string_view objectKind) {
  if (objectKind == "new") return findNorm("nrb-new");
  if (objectKind == "workplace") return findNorm("nrb-workplace");
  return findNorm("nrb-existing");
}

bool normCoversMode(const Norm& norm, int modeCode) {
  switch (norm.quantity) {
    case Quantity::EecSum: return isOneOf(modeCode, {14, 15, 22});
    case Quantity::IndoorRadon: return isOneOf(modeCode, {1, 2, 3, 12, 13, 18, 21, 26});
    case Quantity::RadonFlux: return modeCode == 6;
  }
  return false;
}

Measured nrbSum(Measured eecRn, Measured eecTn) {
  return {eecRn.value + kThoronWeight * eecTn.value, std::hypot(eecRn.error, kThoronWeight * eecTn.error)};
}

}  // namespace zel::report
