// Issued protocols: numbered, signed and kept whole. Issuing takes the
// year's next number (without gaps, also when two people issue at the same
// moment: the numbering is one transaction at a time), renders the protocol
// once, and keeps its page, its data, the records it used with their
// digests, and the SHA-256 of its page. Nothing changes an issued protocol
// afterwards: one that corrects it is a new number that names it, and the
// old one is then "replaced" and stays as it was.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kvd/archive/protocol.h"

namespace zel::archive {

struct IssuedProtocol {
  std::int64_t id = 0;
  std::string number;
  int year = 0;
  std::int64_t seq = 0;       // the year's running number
  std::string object;         // as the object was named when it was issued
  std::string language;       // "en" or "ru"
  std::string issuedAt;       // UTC, "YYYY-MM-DD hh:mm:ss"
  std::string issuedOn;       // the date it bears, "dd.mm.yyyy"
  std::string issuedBy;       // who issued it, as the audit trail names them
  std::vector<Signer> signers;
  std::string replaces;       // the number it replaces, or empty
  std::string replacedBy;     // the number that replaces it, or empty
  std::string reason;
  bool acceptedUnverified = false;
  std::uint64_t records = 0;
  std::string htmlSha256;     // lower-case hex
  std::string status() const { return replacedBy.empty() ? "issued" : "replaced"; }
};

struct IssueRequest {
  std::string object;
  std::vector<std::string> signers;  // logins of approvers or admins
  std::string replaces;              // a number, or empty
  std::string reason;
  bool acceptUnverified = false;     // issue although records lie outside verification; needs a reason
  report::Language language = report::Language::Ru;
  std::vector<const report::Norm*> norms;  // the information-only levels listed; empty: the defaults
};

// Issues the object's protocol, with the audit entry "protocol.issue", in
// one transaction. Refused with ArchiveError (its code in parentheses)
// when the lab's name or accreditation is missing (lab_incomplete), a
// signer is no active approver or admin (signer), there is no such object
// (no_object) or it has no records at its points (no_records), a record it
// would use lies outside its instrument's verification or the instrument
// has none on record, each named (unverified; acceptUnverified with a
// reason overrides), or the protocol it replaces is not one of the same
// object's in force (replaces).
IssuedProtocol issueProtocol(Archive& archive, const IssueRequest& request);

// By year and number; only the object's (by its current name) when given.
std::vector<IssuedProtocol> issuedProtocols(Archive& archive, const std::optional<std::string>& object = {});
std::optional<IssuedProtocol> issuedProtocol(Archive& archive, const std::string& number);
// The issued page's bytes as they were issued.
std::string issuedProtocolHtml(Archive& archive, const IssuedProtocol& protocol);
// Whether today's records, placements, instruments and object would give
// the protocol other results than those it was issued with.
bool protocolDataChanged(Archive& archive, const IssuedProtocol& protocol);

// A record's identity as the archive keeps it: SHA-256 of its bytes, hex.
std::string recordDigestHex(const MeasurementRecord& record);

}  // namespace zel::archive
