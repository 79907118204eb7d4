// A day of one device's records for the archive tests: one record at every
// hour of 1 March 2024, imported as "deviceN.kvd", and the selections of
// its hours.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "kvd/archive/archive.h"
#include "kvd/archive/sha256.h"
#include "tools/kvdgen/kvd_description.h"

namespace zel::archive::test {

inline void importDay(Archive& a, unsigned device) {
  std::string d;
  for (int h = 0; h < 24; ++h)
    d += "mode=14 deviceNumber=" + std::to_string(device) + " date=01.03.2024 time=" + (h < 10 ? "0" : "") +
         std::to_string(h) + ":00:00 eecRn=" + std::to_string(40 + h) + " eecRnError=5 bounds=44,62,86\n";
  std::vector<std::uint8_t> bytes;
  kvd::ParseError error;
  ASSERT_TRUE(kvd::buildFile(d, bytes, error)) << error.line << ": " << error.message;
  const Digest digest = sha256(bytes.data(), bytes.size());
  const std::string name = "device" + std::to_string(device) + ".kvd";
  FileFacts facts{name, "/lab/" + name, bytes.size(), hexText(digest.data(), digest.size()), 0};
  std::size_t next = 0;
  a.importFile(
      facts,
      [&](MeasurementRecord& r) {
        if (next * kRecordSize >= bytes.size()) return false;
        std::memcpy(r.bytes.data(), &bytes[next++ * kRecordSize], kRecordSize);
        return true;
      },
      "anna", "lab-pc");
}

inline DateTime hour(int h) { return {2024, 3, 1, static_cast<std::uint16_t>(h), 0, 0}; }

// The device's records from hour `from` to hour `to`.
inline Selection hours(unsigned device, int from, int to) {
  Selection s;
  s.device = device;
  s.from = hour(from);
  s.to = hour(to);
  return s;
}

}  // namespace zel::archive::test
