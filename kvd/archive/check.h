// `kvd archive check`: whether the archive still holds what it was given.
// Each part reads the archive as it is, without trusting what it checks:
// the database file itself, the links between files, sightings and
// records, every record's bytes against their digest and the columns
// decoded from them, the audit trail's chain, and every issued protocol
// against its digest. Nothing is changed.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zel::archive {

class Archive;

// One row found at fault.
struct CheckFault {
  std::string part;     // the part of the check that found it (CheckedPart::name)
  std::string table;    // the table of the row; empty for the database file as a whole
  std::int64_t row = 0; // its id there (record_id, entry_id, import_id); 0 when it has none
  std::string subject;  // the row as a user names it: "record 123", "audit entry 7"
  std::string message;  // what is wrong with it: "its bytes do not match its digest"
};

// What one part looked at.
struct CheckedPart {
  std::string name;          // "integrity", "links", "digests", "columns", "audit", "protocols"
  std::uint64_t count = 0;   // rows looked at (records, entries, sightings)
  std::uint64_t faults = 0;  // found, listed or not
};

struct CheckReport {
  // The first faults of each part are listed; a damaged archive of a
  // million records is still told in a page.
  static constexpr std::size_t kListedPerPart = 1000;

  std::vector<CheckedPart> parts;  // in the order checked
  std::vector<CheckFault> faults;  // in the order found
  std::uint64_t unlisted = 0;      // faults counted beyond those listed

  bool clean() const { return faults.empty() && unlisted == 0; }
  // The rows a part looked at; 0 when it did not run.
  std::uint64_t count(std::string_view part) const;
  bool has(std::string_view part) const;
  // Starts a part, or finds it when started.
  CheckedPart& part(std::string_view name);
  // Counts the fault on its part and lists it unless the part has listed
  // enough.
  void add(CheckFault fault);
};

// Records checked so far of all of them, now and then.
using CheckProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

// Checks the whole archive as one moment left it (Database::beginSnapshot),
// while others go on using it. Throws DatabaseError when the database
// cannot be read at all.
CheckReport checkArchive(Archive& archive, const CheckProgress& progress = {});

}  // namespace zel::archive
