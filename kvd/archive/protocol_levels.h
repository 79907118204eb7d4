// Inside the protocol's computation: the statistics of one quantity over
// records, and the levels' means and verdicts of points and rooms.
#pragma once

#include <cmath>
#include <optional>
#include <vector>

#include "kvd/archive/protocol.h"
#include "kvd/stats/stats.h"

namespace zel::archive::levels {

// One quantity's mean over observations, by the statistics kvd stats gives.
struct MeanOf {
  cli::Statistics statistics;
  // No value: one that is NaN or infinite, left out of the mean.
  void add(const cli::DateTime& when, std::optional<double> value, std::optional<double> error) {
    const cli::Number v = cli::Number::ofReal(value ? *value : std::nan(""));
    statistics.add({when, 0, v, error ? cli::Number::ofReal(*error) : cli::Number::none()});
  }
  std::optional<cli::ModeStatistics> result() const {
    const std::vector<cli::ModeStatistics> all = statistics.result();
    if (all.empty() || all.front().finiteCount() == 0) return std::nullopt;
    return all.front();
  }
};

// The points' verdicts and informative means, the rooms' verdicts and the
// conclusions, from the points' records and the protocol's levels and k.
void assess(Protocol& protocol);

}  // namespace zel::archive::levels
