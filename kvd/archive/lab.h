// The laboratory as its protocols name it: its name, address and
// accreditation, the method it measures by, the decision rule of its
// statements of conformity, the coverage factor of its expanded
// uncertainty, and how it numbers its protocols. Kept in the archive, one
// value per key, so that every workstation issues under the same details.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "kvd/archive/archive.h"

namespace zel::archive {

inline constexpr double kDefaultCoverageFactor = 2;
inline constexpr const char* kDefaultNumberFormat = "{n}/{yyyy}";

struct LabInfo {
  std::string name;
  std::string address;
  std::string phone;
  std::string email;
  std::string accreditation;    // e.g. the accreditation certificate's number
  std::string accreditedUntil;  // "YYYY-MM-DD" or empty
  std::string method;           // the measurement method's title
  std::string decisionRule;     // as the protocol states it beside the verdicts
  double coverageFactor = kDefaultCoverageFactor;
  std::string numberFormat = kDefaultNumberFormat;  // {n}: the year's running number, {yyyy}: the year
  std::string footer;
};

// What `lab set` changes: only the fields given; an empty text clears.
struct LabChange {
  std::optional<std::string> name, address, phone, email, accreditation, accreditedUntil, method, decisionRule;
  std::optional<double> coverageFactor;
  std::optional<std::string> numberFormat;
  std::optional<std::string> footer;
};

// The text details by their keys, as the table, the audit trail's "lab.set"
// entries and the lab server's API name them; the coverage factor, a
// number, is kLabCoverageKey.
struct LabTextField {
  const char* key;
  std::string LabInfo::*info;
  std::optional<std::string> LabChange::*change;
};
std::span<const LabTextField> labTextFields();
inline constexpr const char* kLabCoverageKey = "coverage_factor";

LabInfo labInfo(Archive& archive);
// Refused with ArchiveError when the coverage factor is not a number from 1
// to 10, the number format lacks {n} or holds another {…}, or the date is
// no calendar day. Written to the audit trail as "lab.set".
void setLab(Archive& archive, const LabChange& change);

// The protocol number of the year's n-th protocol: "{n}/{yyyy}-Р" → "7/2026-Р".
std::string protocolNumber(const std::string& format, std::int64_t n, int year);
// Why a number format will not do, empty when it will.
std::string numberFormatRefusal(const std::string& format);

}  // namespace zel::archive
