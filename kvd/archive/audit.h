// The audit trail: one entry for every change of the archive, written in
// the same transaction as the change, so that there is never a change
// without its entry nor an entry without its change. Entries are only ever
// appended. Each one carries the SHA-256 of the previous entry's hash and
// its own content (auditEntryHash), so that an entry changed, removed or
// put in another place breaks the chain, which `kvd archive check` follows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zel::archive {

// Who makes the changes of an Archive from now on: a login of the lab
// server, or on the command line and in the personal `kvd serve` the
// operating system's user and host ("anna@LAB-PC-3"); `reason` is the
// optional reason given for them (--reason, a dialog's field).
struct Actor {
  std::string who;
  std::string reason;
};

struct AuditEntry {
  std::int64_t id = 0;     // 1, 2, 3, … in the order written
  std::string at;          // UTC "YYYY-MM-DD hh:mm:ss"
  std::string who;
  std::string action;      // see kAuditActions
  std::string target;      // what it was done to: an object's name, a file, a login, …
  std::string before;      // JSON, "" when there was nothing before (an addition)
  std::string after;       // JSON, "" when nothing is left (a removal)
  std::string reason;
  std::string previousHash;  // lower-case hex; 64 zeros for the first entry
  std::string hash;          // lower-case hex
};

// The actions an entry may name.
// import, object.add, object.edit, object.remove, records.assign,
// records.move, records.unassign, placement.change, placement.remove,
// device.set, plan.apply, user.add, user.set, user.passwd, user.disable,
// user.enable, signin.failed, signin.locked, archive.upgrade,
// archive.backup, archive.copy, protocol.issue, lab.set
inline constexpr const char* kAuditActions[] = {
    "import",           "object.add",      "object.edit",   "object.remove",  "records.assign",
    "records.move",     "records.unassign", "placement.change", "placement.remove", "device.set",
    "plan.apply",       "user.add",        "user.set",      "user.passwd",    "user.disable",
    "user.enable",      "signin.failed",   "signin.locked", "archive.upgrade", "archive.backup",
    "archive.copy",     "protocol.issue",  "lab.set",
};

// The hash of an entry: SHA-256 (lower-case hex) of the previous hash and
// the entry's content, each field as UTF-8 bytes, in this order, each
// followed by one NUL byte: previousHash, id (decimal), at, who, action,
// target, before, after, reason.
std::string auditEntryHash(const AuditEntry& entry);

// Which entries `kvd archive log` and the pages show: every filter given
// must hold.
struct AuditFilter {
  std::optional<std::string> object;  // entries whose target is the object or one of its points/placements
  std::optional<std::string> who;
  std::optional<std::string> since;   // UTC "YYYY-MM-DD hh:mm:ss"
  std::size_t limit = 0;              // 0: all
};

}  // namespace zel::archive
