// Reference levels for radon and its decay products, and the plain verdict
// of a measured value against one of them.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zel::report {

enum class Verdict { Above, Below, Inconclusive };

// "above", "below", "inconclusive".
std::string_view verdictName(Verdict v);

// Above only when even value − error exceeds the level; below only when even
// value + error stays at or under it.
Verdict judge(double value, double error, double level);

// What a level is compared with.
enum class Quantity {
  EecSum,              // EEC(Rn) + 4.6 × EEC(Tn), Bq/m3
  IndoorRadon,         // radon concentration of indoor air, Bq/m3
  RadonFlux,           // radon flux from the soil surface, mBq/(m2·s)
};

struct Norm {
  std::string_view name;  // as given to --norm
  double level;
  std::string_view unit;  // the unit of the level and of the values judged
  Quantity quantity;
  std::string_view titleEn;
  std::string_view titleRu;  // UTF-8
  // What a table's heading or a chart's legend calls it.
  std::string_view shortEn;
  std::string_view shortRu;
  // A level of another body (WHO, EU, US EPA): a protocol lists it for
  // information and never states conformity with it.
  bool informative = false;
};

std::span<const Norm> allNorms();
// nullptr for a name that is not one of allNorms().
const Norm* findNorm(std::string_view name);
// The norms a report shows when none is chosen.
std::vector<const Norm*> defaultNorms();
// The informative levels a protocol lists when none is chosen: WHO, EU, US EPA.
std::vector<const Norm*> informativeNorms();
// The NRB-99/2009 level that is normative for the rooms of an object of a
// kind: "in-use" (dwellings and public buildings in use) 200, "new"
// (buildings being commissioned) 100, "workplace" 310 Bq/m3; any other kind
// is taken as in use.
const Norm* normativeNorm(std::string_view objectKind);

// The modes whose records a norm judges: the records that hold both EEC
// values (14, 15, 22), the indoor-air radon modes (1, 2, 3, 12, 13, 18, 21,
// 26), the radon flux (6).
bool normCoversMode(const Norm& norm, int modeCode);

struct Measured {
  double value;
  double error;
};

// The Russian norms judge radon and thoron decay products together: thoron's
// EEC weighs 4.6 times, and the errors add in quadrature.
Measured nrbSum(Measured eecRn, Measured eecTn);

}  // namespace zel::report
