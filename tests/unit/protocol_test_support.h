// Objects for the protocol's tests: records from generator lines at points
// of rooms, with the archive's ids and files.
#pragma once

#include <string>
#include <vector>

#include "kvd/archive/protocol.h"
#include "tests/unit/page_test_support.h"

namespace zel::archive::test {

inline StoredRecord stored(std::int64_t id, const std::string& fields) {
  StoredRecord r;
  r.id = id;
  r.record = pages::test::withFields({}, "deviceNumber=1137 " + fields);
  r.firstFile = "field/2024-03.kvd";
  r.firstIndex = static_cast<std::uint64_t>(id);
  return r;
}

// An indoor radon record (mode 1): CRn value ± error, Bq/m3.
inline StoredRecord radon(std::int64_t id, int value, int error, const std::string& date = "05.03.2024") {
  return stored(id, "mode=1 date=" + date + " time=10:00:00 primaryResult=" + std::to_string(value) +
                        " primaryError=" + std::to_string(error));
}

// An EEC record (mode 14): EEC(Rn) and EEC(Tn) with their errors.
inline StoredRecord eec(std::int64_t id, int rn, int rnError, int tn, int tnError,
                        const std::string& date = "06.03.2024") {
  return stored(id, "mode=14 date=" + date + " time=11:30:00 eecRn=" + std::to_string(rn) + " eecRnError=" +
                        std::to_string(rnError) + " eecTn=" + std::to_string(tn) + " eecTnError=" +
                        std::to_string(tnError));
}

inline ProtocolPoint point(const std::string& floor, const std::string& room, const std::string& name,
                           std::vector<StoredRecord> records) {
  ProtocolPoint p;
  p.name = {floor, room, name};
  p.records = std::move(records);
  return p;
}

inline DeviceInfo verifiedDevice(std::uint32_t number = 1137) {
  return {number, "ZR-2", "C-AB/12-03-2024/317", "2024-01-15", "2025-01-14"};
}

}  // namespace zel::archive::test
