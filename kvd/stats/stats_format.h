// The statistics of records' value pairs per measurement mode, gathered and
// told as text or JSON: kvd stats over its files, kvd archive stats per
// group of archived records.
#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "common/record.h"
#include "kvd/stats/stats.h"

namespace zel::cli {

class RecordStatistics {
 public:
  // `modes` empty: every mode.
  RecordStatistics(Period period, std::vector<std::uint32_t> modes);

  // Takes the record's browser value pair, unless its mode is not asked for.
  void add(const MeasurementRecord& record);
  bool empty() const { return facts_.empty(); }

  // Appends one block per mode, blocks apart by an empty line (also from
  // text already in `s`).
  void appendText(std::string& s, bool pci) const;
  // One object per mode.
  nlohmann::ordered_json modesJson(bool pci) const;

 private:
  struct ModeFacts {
    Unit unit = Unit::None;
    Conversion conversion = Conversion::None;
  };
  Statistics statistics_;
  std::vector<std::uint32_t> modes_;
  std::map<std::uint32_t, ModeFacts> facts_;
};

// "Period: FROM to TO\n", or empty when the period is open.
std::string periodText(const Period& period);
// The bounds as JSON: ISO text or null.
nlohmann::ordered_json periodBoundJson(const std::optional<DateTime>& bound);
// JSON text as kvd writes it: indented by two, broken UTF-8 replaced.
std::string jsonText(const nlohmann::ordered_json& json);

}  // namespace zel::cli
