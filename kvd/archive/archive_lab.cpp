// The laboratory's details, one row per key of lab_details.
#include <cmath>
#include <cstdio>
#include <regex>

#include "kvd/archive/audit_append.h"
#include "kvd/archive/audit_json.h"
#include "kvd/archive/lab.h"
#include "kvd/archive/placing_sql.h"

namespace zel::archive {

namespace {

constexpr LabTextField kTextFields[] = {
    {"name", &LabInfo::name, &LabChange::name},
    {"address", &LabInfo::address, &LabChange::address},
    {"phone", &LabInfo::phone, &LabChange::phone},
    {"email", &LabInfo::email, &LabChange::email},
    {"accreditation", &LabInfo::accreditation, &LabChange::accreditation},
    {"accredited_until", &LabInfo::accreditedUntil, &LabChange::accreditedUntil},
    {"method", &LabInfo::method, &LabChange::method},
    {"decision_rule", &LabInfo::decisionRule, &LabChange::decisionRule},
    {"number_format", &LabInfo::numberFormat, &LabChange::numberFormat},
    {"footer", &LabInfo::footer, &LabChange::footer},
};
constexpr const char* kCoverageKey = kLabCoverageKey;

// The factor as it is stored and shown: "2", "1.96".
std::string factorText(double k) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", k);
  return text;
}

audit::Json labJson(const LabInfo& lab) {
  audit::Json out;
  for (const LabTextField& f : kTextFields) out[f.key] = lab.*f.info;
  out[kCoverageKey] = factorText(lab.coverageFactor);
  return out;
}

}  // namespace

std::span<const LabTextField> labTextFields() { return kTextFields; }

std::string numberFormatRefusal(const std::string& format) {
  if (format.find("{n}") == std::string::npos)
    return "a protocol number format needs {n}, the year's running number, e.g. {n}/{yyyy}";
  static const std::regex placeholder(R"(\{[^}]*\}?)");
  for (auto it = std::sregex_iterator(format.begin(), format.end(), placeholder); it != std::sregex_iterator(); ++it)
    if (it->str() != "{n}" && it->str() != "{yyyy}")
      return "a protocol number format knows only {n} and {yyyy}, not " + it->str();
  if (format.size() > 64) return "a protocol number format is at most 64 characters";
  return {};
}

std::string protocolNumber(const std::string& format, std::int64_t n, int year) {
  std::string out;
  for (std::size_t i = 0; i < format.size();) {
    if (format.compare(i, 3, "{n}") == 0) {
      out += std::to_string(n);
      i += 3;
    } else if (format.compare(i, 6, "{yyyy}") == 0) {
      out += std::to_string(year);
      i += 6;
    } else {
      out += format[i++];
    }
  }
  return out;
}

LabInfo labInfo(Archive& archive) {
  LabInfo lab;
  archive.database().run("SELECT key, value FROM lab_details", {}, [&](const Row& row) {
    const std::string key = row.text(0);
    for (const LabTextField& f : kTextFields)
      if (key == f.key) lab.*f.info = row.text(1);
    if (key == kCoverageKey) {
      try {
        lab.coverageFactor = std::stod(row.text(1));
      } catch (const std::exception&) {
        lab.coverageFactor = kDefaultCoverageFactor;
      }
    }
  });
  if (lab.numberFormat.empty()) lab.numberFormat = kDefaultNumberFormat;
  return lab;
}

void setLab(Archive& archive, const LabChange& change) {
  if (change.coverageFactor && !(*change.coverageFactor >= 1 && *change.coverageFactor <= 10))
    throw ArchiveError("the coverage factor is a number from 1 to 10, e.g. 2", "lab_coverage_factor");
  if (change.numberFormat && !change.numberFormat->empty())
    if (const std::string why = numberFormatRefusal(*change.numberFormat); !why.empty())
      throw ArchiveError(why, "lab_number_format");
  std::string day;
  if (change.accreditedUntil && !verificationDay(*change.accreditedUntil, day))
    throw ArchiveError("the accreditation's end is no date: " + *change.accreditedUntil + " (YYYY-MM-DD)",
                       "lab_date");
  Database& db = archive.database();
  inTransaction(db, [&] {
    const LabInfo before = labInfo(archive);
    LabInfo after = before;
    auto put = [&](const char* key, const std::string& value) {
      const Value values[] = {Value::ofText(key), Value::ofText(value)};
      db.run("INSERT INTO lab_details (key, value) VALUES ($1, $2) ON CONFLICT (key) DO UPDATE SET value = "
             "excluded.value",
             values);
    };
    for (const LabTextField& f : kTextFields) {
      if (!(change.*f.change)) continue;
      std::string value = *(change.*f.change);
      if (f.change == &LabChange::accreditedUntil) value = day;
      if (f.change == &LabChange::numberFormat && value.empty()) value = kDefaultNumberFormat;
      after.*f.info = value;
      put(f.key, value);
    }
    if (change.coverageFactor) {
      after.coverageFactor = *change.coverageFactor;
      put(kCoverageKey, factorText(*change.coverageFactor));
    }
    const std::string was = labJson(before).dump(), is = labJson(after).dump();
    if (was != is) appendAudit(db, archive.actor(), "lab.set", "laboratory", was, is);
    return 0;
  });
}

}  // namespace zel::archive
