// kvd stats of any file's bytes, with any period bounds and mode filters: a
// bound that is no date and time is a usage error; otherwise the JSON parses,
// every record is counted once (taken, or left out by the period), the
// figures agree with each other, and both forms come out the same twice.
#include <fuzzer/FuzzedDataProvider.h>

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "common/record.h"
#include "support/fuzz_check.h"
#include "support/kvd_run.h"

namespace {

using zel::fuzz::fail;
using zel::fuzz::require;
using Json = nlohmann::json;

// Bounds as users write them, and text of the fuzzer's own.
const char* const kBounds[] = {"2019-07-01", "2019-07-01T10:00", "2019-07-01 10:00:00", "01.07.2019",
                               "01.07.2019 10:00", "31.12.2019 23:59:59", "2019-02-29", "0000-01-01"};

std::string bound(FuzzedDataProvider& in) {
  const int choice = in.ConsumeIntegralInRange<int>(0, 10);
  if (choice < static_cast<int>(std::size(kBounds))) return kBounds[choice];
  if (choice == 8) return "";
  return in.ConsumeRandomLengthString(24);
}

std::uint64_t count(const Json& mode, const char* key) {
  const Json& v = mode.at(key);
  require(v.is_number_unsigned(), std::string("stats: ") + key + " is no count");
  return v.get<std::uint64_t>();
}

// A mean of finite values lies between their least and their greatest, but
// for the rounding of the sum.
bool between(double low, double value, double high) {
  const double slack = 1e-9 * std::max({std::fabs(low), std::fabs(high), 1.0});
  return value >= low - slack && value <= high + slack;
}

void checkJson(const std::string& text, std::uint64_t records, const std::set<std::uint32_t>& modes) {
  Json all;
  try {
    all = Json::parse(text);
  } catch (const Json::exception& e) {
    fail(std::string("stats JSON does not parse: ") + e.what());
  }
  std::uint64_t seen = 0;
  for (const Json& m : all.at("modes")) {
    const std::uint32_t mode = m.at("mode").get<std::uint32_t>();
    require(modes.empty() || modes.count(mode) == 1, "stats of a mode not asked for");
    const std::uint64_t taken = count(m, "count");
    seen += taken + count(m, "outsidePeriod") + count(m, "undatedExcluded");
    require(count(m, "undated") <= taken && count(m, "nonFinite") <= taken, "stats: parts larger than the count");
    const Json& mean = m.at("mean");
    if (mean.is_number()) {
      require(m.at("min").is_number() && m.at("max").is_number(), "stats: a mean without min and max");
      if (!between(m["min"].get<double>(), mean.get<double>(), m["max"].get<double>()))
        fail("stats: mean " + mean.dump() + " outside " + m["min"].dump() + " .. " + m["max"].dump());
    }
    if (m.at("standardDeviation").is_number()) require(m["standardDeviation"].get<double>() >= 0, "negative deviation");
  }
  if (modes.empty()) require(seen == records, "stats count " + std::to_string(seen) + " of " +
                                                  std::to_string(records) + " records");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  std::vector<std::string> options;
  const std::string from = bound(in), to = bound(in);
  if (!from.empty()) options.insert(options.end(), {"--from", from});
  if (!to.empty()) options.insert(options.end(), {"--to", to});
  std::set<std::uint32_t> modes;
  for (int n = in.ConsumeIntegralInRange<int>(0, 2); n > 0; --n) {
    const std::uint32_t mode = in.ConsumeIntegralInRange<std::uint32_t>(0, 30);
    modes.insert(mode);
    options.insert(options.end(), {"--mode", std::to_string(mode)});
  }
  if (in.ConsumeBool()) options.insert(options.end(), {"--units", "pci"});
  const std::vector<std::uint8_t> bytes = in.ConsumeRemainingBytes<std::uint8_t>();

  const std::filesystem::path file = zel::fuzz::workFolder() / "stats.kvd";
  zel::fuzz::writeBytes(file, bytes.data(), bytes.size());
  std::vector<std::string> arguments{"stats", file.string()};
  arguments.insert(arguments.end(), options.begin(), options.end());

  const zel::fuzz::KvdRun text = zel::fuzz::runKvd(arguments);
  require(zel::fuzz::runKvd(arguments) == text, "stats differ a second time");
  arguments.insert(arguments.end(), {"--format", "json"});
  const zel::fuzz::KvdRun json = zel::fuzz::runKvd(arguments);
  require(zel::fuzz::runKvd(arguments) == json, "stats JSON differs a second time");
  require(json.code == text.code && json.err == text.err, "text and JSON stats end differently");

  if (json.code == zel::cli::kExitUsage) {
    require(!from.empty() || !to.empty(), "a usage error without a bound: " + json.err);
    require(json.err.find("usage: kvd stats") != std::string::npos, "a usage error without the usage");
    return 0;
  }
  const std::uint64_t records = bytes.size() / zel::kRecordSize;
  require(json.code == (records == 0 ? 1 : 0), "stats exit code " + std::to_string(json.code) + ": " + json.err);
  if (records > 0) checkJson(json.out, records, modes);
  return 0;
}
