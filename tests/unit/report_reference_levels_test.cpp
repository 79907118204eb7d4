// Verdicts against reference levels, at and around every boundary.
#include "kvd/report/reference_levels.h"

#include <gtest/gtest.h>

#include <string>

namespace zel::report {
namespace {

struct VerdictCase {
  double value;
  double error;
  double level;
  Verdict verdict;
};

TEST(Verdict, AboveOnlyBeyondTheErrorBelowUpToTheLevelItself) {
  const VerdictCase cases[] = {
      {250, 40, 200, Verdict::Above},          // 210 > 200
      {240, 40, 200, Verdict::Inconclusive},   // 200 is not above 200
      {240.5, 40, 200, Verdict::Above},        // just beyond
      {160, 40, 200, Verdict::Below},          // 200 ≤ 200: below
      {160.5, 40, 200, Verdict::Inconclusive}, // 200.5 over the level
      {200, 0, 200, Verdict::Below},           // exactly the level, no error
      {200.001, 0, 200, Verdict::Above},
      {199, 1, 200, Verdict::Below},
      {201, 1, 200, Verdict::Inconclusive},
      {201, 0.999, 200, Verdict::Above},
      {0, 0, 100, Verdict::Below},
      {100, 100, 100, Verdict::Inconclusive},
      {150, -40, 100, Verdict::Above},          // a negative error counts as its size
      {80, -30, 100, Verdict::Inconclusive},
      {148, 0, 148, Verdict::Below},            // the EPA action level in Bq/m3
      {81, 0.5, 80, Verdict::Above},            // flux
      {79.5, 0.5, 80, Verdict::Below},
  };
  for (const VerdictCase& c : cases) {
    EXPECT_EQ(judge(c.value, c.error, c.level), c.verdict) << c.value << " ± " << c.error << " vs " << c.level;
  }
}

TEST(Verdict, Names) {
  EXPECT_EQ(verdictName(Verdict::Above), "above");
  EXPECT_EQ(verdictName(Verdict::Below), "below");
  EXPECT_EQ(verdictName(Verdict::Inconclusive), "inconclusive");
}

struct NormCase {
  std::string name;
  double level;
  std::string unit;
  std::vector<int> modes;  // every mode 0 ... 30 not listed is not covered
};

TEST(Norms, LevelsUnitsAndTheRecordsTheyJudge) {
  const NormCase cases[] = {
      {"nrb-new", 100, "Bq/m3", {14, 15, 22}},
      {"nrb-existing", 200, "Bq/m3", {14, 15, 22}},
      {"nrb-workplace", 310, "Bq/m3", {14, 15, 22}},
      {"who", 100, "Bq/m3", {1, 2, 3, 12, 13, 18, 21, 26}},
      {"eu", 300, "Bq/m3", {1, 2, 3, 12, 13, 18, 21, 26}},
      {"epa", 148, "Bq/m3", {1, 2, 3, 12, 13, 18, 21, 26}},
      {"flux", 80, "mBq/(m2*s)", {6}},
  };
  EXPECT_EQ(allNorms().size(), std::size(cases));
  for (const NormCase& c : cases) {
    const Norm* n = findNorm(c.name);
    ASSERT_NE(n, nullptr) << c.name;
    EXPECT_EQ(n->level, c.level) << c.name;
    EXPECT_EQ(n->unit, c.unit) << c.name;
    for (int mode = 0; mode <= 30; ++mode) {
      const bool listed = std::find(c.modes.begin(), c.modes.end(), mode) != c.modes.end();
      EXPECT_EQ(normCoversMode(*n, mode), listed) << c.name << " mode " << mode;
    }
  }
  EXPECT_EQ(findNorm("NRB-new"), nullptr);
  EXPECT_EQ(findNorm(""), nullptr);
  EXPECT_EQ(findNorm("nrb"), nullptr);
}

TEST(Norms, DefaultsAreTheNormsForBuildingsInUse) {
  std::vector<std::string> names;
  for (const Norm* n : defaultNorms()) names.emplace_back(n->name);
  EXPECT_EQ(names, (std::vector<std::string>{"nrb-existing", "who", "eu", "flux"}));
}

struct SumCase {
  Measured rn;
  Measured tn;
  Measured sum;
  Verdict existing;  // against 200
};

TEST(Norms, NrbSumWeighsThoronAndAddsErrorsInQuadrature) {
  const SumCase cases[] = {
      {{100, 30}, {10, 10}, {146, 54.9181}, Verdict::Inconclusive},  // reaches 200.92
      {{100, 10}, {10, 5}, {146, 25.0799}, Verdict::Below},
      {{150, 3}, {10, 1}, {196, 5.4918}, Verdict::Inconclusive},
      {{150, 0}, {10, 0}, {196, 0}, Verdict::Below},
      {{200, 0}, {0, 0}, {200, 0}, Verdict::Below},
      {{108, 6}, {20, 2}, {200, 10.9837}, Verdict::Inconclusive},
      {{0, 0}, {50, 1}, {230, 4.6}, Verdict::Above},
      {{120, 8}, {25, 0}, {235, 8}, Verdict::Above},
  };
  for (const SumCase& c : cases) {
    const Measured s = nrbSum(c.rn, c.tn);
    EXPECT_DOUBLE_EQ(s.value, c.sum.value);
    EXPECT_NEAR(s.error, c.sum.error, 5e-4) << c.rn.value << " " << c.tn.value;
    EXPECT_EQ(judge(s.value, s.error, 200), c.existing) << c.rn.value << " " << c.tn.value;
  }
}

}  // namespace
}  // namespace zel::report
