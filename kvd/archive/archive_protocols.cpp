// Issuing protocols and reading them back (protocols.h).
#include <nlohmann/json.hpp>

#include <set>
#include <sstream>

#include "kvd/archive/audit_append.h"
#include "kvd/archive/location.h"
#include "kvd/archive/placing_sql.h"
#include "kvd/archive/protocol_page.h"
#include "kvd/archive/protocols.h"
#include "kvd/archive/sha256.h"

namespace zel::archive {

namespace {

using nlohmann::json;

constexpr std::size_t kNamedAtMost = 10;  // records named in a refusal, the rest counted

constexpr const char* kColumns =
    "SELECT p.protocol_id, p.number, p.year, p.seq, p.object_name, p.language, p.issued_at, p.issued_on, "
    "p.issued_by, p.signers, r.number, n.number, p.reason, p.accepted_unverified, p.html_sha256, "
    "(SELECT count(*) FROM protocol_records x WHERE x.protocol_id = p.protocol_id) "
    "FROM protocols p LEFT JOIN protocols r ON r.protocol_id = p.replaces_id "
    "LEFT JOIN protocols n ON n.replaces_id = p.protocol_id";

IssuedProtocol readProtocol(const Row& row) {
  IssuedProtocol p;
  p.id = row.integer(0);
  p.number = row.text(1);
  p.year = static_cast<int>(row.integer(2));
  p.seq = row.integer(3);
  p.object = row.text(4);
  p.language = row.text(5);
  p.issuedAt = row.text(6);
  p.issuedOn = row.text(7);
  p.issuedBy = row.text(8);
  const json signers = json::parse(row.text(9), nullptr, false);
  if (signers.is_array())
    for (const json& s : signers)
      p.signers.push_back({s.value("login", ""), s.value("name", ""), s.value("position", "")});
  p.replaces = row.text(10);
  p.replacedBy = row.text(11);
  p.reason = row.text(12);
  p.acceptedUnverified = row.integer(13) != 0;
  p.htmlSha256 = row.text(14);
  p.records = static_cast<std::uint64_t>(row.integer(15));
  return p;
}

std::vector<Signer> signersOf(Archive& archive, const std::vector<std::string>& logins) {
  if (logins.empty())
    throw ArchiveError("a protocol is signed by at least one approver: give --signed-by LOGIN", "signer");
  std::vector<Signer> out;
  std::set<std::string> seen;
  for (const std::string& login : logins) {
    if (!seen.insert(login).second) continue;
    const std::optional<Account> account = archive.account(login);
    if (!account || !account->active)
      throw ArchiveError("no active account \"" + login + "\" to sign the protocol (kvd archive users lists them)",
                         "signer");
    if (!mayAct(account->role, Role::Approver))
      throw ArchiveError("\"" + login + "\" is " + roleName(account->role) +
                             ": only an approver or an admin signs a protocol",
                         "signer");
    out.push_back({account->login, account->name, account->position});
  }
  return out;
}

// The records the protocol would use that lie outside their instrument's
// verification, named.
std::vector<std::string> unverifiedRecords(const ProtocolInput& input) {
  std::vector<std::string> out;
  for (const ProtocolPoint& point : input.points)
    for (const StoredRecord& r : point.records) {
      const std::uint32_t number = r.record.deviceNumber();
      const DeviceInfo* device = nullptr;
      for (const DeviceInfo& d : input.devices)
        if (d.number == number) device = &d;
      const cli::DateTime when = cli::recordDateTime(r.record);
      const Verification v = verificationOf(device, when);
      if (v == Verification::Valid) continue;
      std::string why = v == Verification::Outside      ? "measured outside its verification"
                        : v == Verification::Undated    ? "has no date to check against the verification"
                                                        : "has no verification on record";
      out.push_back("record " + std::to_string(r.id) + " of device " + std::to_string(number) +
                    (cli::isCalendarDate(when) ? " (" + cli::readableDateTimeText(when) + ")" : std::string()) +
                    " " + why);
    }
  return out;
}

void refuseUnverified(const std::vector<std::string>& records) {
  std::string message = std::to_string(records.size()) +
                        (records.size() == 1 ? " record" : " records") +
                        " the protocol would use cannot be shown to lie within verification:";
  for (std::size_t i = 0; i < records.size() && i < kNamedAtMost; ++i) message += "\n  " + records[i];
  if (records.size() > kNamedAtMost) message += "\n  and " + std::to_string(records.size() - kNamedAtMost) + " more";
  message += "\nkvd archive device set records the verification; --accept-unverified --reason TEXT issues anyway";
  throw ArchiveError(message, "unverified");
}

// The protocol in force that this one replaces: one of the same object's,
// not replaced yet.
std::int64_t replacedId(Database& db, const std::string& number, std::int64_t objectId) {
  std::int64_t id = 0, object = 0;
  bool replaced = false;
  const Value n[] = {Value::ofText(number)};
  db.run("SELECT p.protocol_id, p.object_id, (SELECT count(*) FROM protocols x WHERE x.replaces_id = p.protocol_id) "
         "FROM protocols p WHERE p.number = $1",
         n, [&](const Row& row) {
           id = row.integer(0);
           object = row.integer(1);
           replaced = row.integer(2) > 0;
         });
  if (id == 0) throw ArchiveError("there is no issued protocol " + number, "replaces");
  if (object != objectId) throw ArchiveError("protocol " + number + " is another object's", "replaces");
  if (replaced) throw ArchiveError("protocol " + number + " is replaced already", "replaces");
  return id;
}

std::string dayOf(const std::string& localTime) {  // "YYYY-MM-DD hh:mm:ss" as "dd.mm.yyyy"
  return localTime.substr(8, 2) + "." + localTime.substr(5, 2) + "." + localTime.substr(0, 4);
}

json signersJson(const std::vector<Signer>& signers) {
  json out = json::array();
  for (const Signer& s : signers) out.push_back({{"login", s.login}, {"name", s.name}, {"position", s.position}});
  return out;
}

}  // namespace

std::string recordDigestHex(const MeasurementRecord& record) {
  const Digest d = sha256(record.bytes.data(), record.bytes.size());
  return hexText(d.data(), d.size());
}

IssuedProtocol issueProtocol(Archive& archive, const IssueRequest& request) {
  if ((request.acceptUnverified || !request.replaces.empty()) && request.reason.empty())
    throw ArchiveError(request.acceptUnverified
                           ? "issuing with records outside verification needs a reason: give --reason TEXT"
                           : "a protocol that replaces another needs a reason: give --reason TEXT",
                       "reason");
  const std::vector<Signer> signers = signersOf(archive, request.signers);
  const LabInfo lab = labInfo(archive);
  if (lab.name.empty() || lab.accreditation.empty())
    throw ArchiveError("the laboratory's name and accreditation are needed to issue a protocol: "
                       "kvd archive lab set --name TEXT --accreditation TEXT",
                       "lab_incomplete");
  Database& db = archive.database();
  return inTransaction(db, [&] {
    // One issue at a time takes a number: SQLite's write transaction is
    // one at a time anyway; PostgreSQL's lock lets readers through.
    if (db.dialect() == Dialect::Postgres) db.run("LOCK TABLE protocols IN EXCLUSIVE MODE");
    const std::optional<ObjectInfo> object = archive.object(request.object);
    if (!object) throw ArchiveError("there is no object \"" + request.object + "\"", "no_object");
    const std::int64_t objectId = objectIdOf(db, object->name);
    ProtocolInput input = protocolInput(archive, *object);
    std::uint64_t used = 0;
    for (const ProtocolPoint& p : input.points) used += p.records.size();
    if (used == 0)
      throw ArchiveError("object \"" + object->name + "\" has no records at its points: there is nothing to issue",
                         "no_records");
    const std::vector<std::string> unverified = unverifiedRecords(input);
    if (!unverified.empty() && !request.acceptUnverified) refuseUnverified(unverified);
    const std::int64_t replaces = request.replaces.empty() ? 0 : replacedId(db, request.replaces, objectId);

    const std::string now = localTimeNow();
    const int year = std::stoi(now.substr(0, 4));
    std::int64_t seq = 1;
    const Value y[] = {Value::of(year)};
    db.run("SELECT COALESCE(MAX(seq), 0) + 1 FROM protocols WHERE year = $1", y,
           [&](const Row& row) { seq = row.integer(0); });
    IssuedProtocol issued;
    issued.number = protocolNumber(lab.numberFormat, seq, year);
    if (issuedProtocol(archive, issued.number))
      throw ArchiveError("protocol number " + issued.number + " is taken: the lab's number format (" +
                             lab.numberFormat + ") gives it again; kvd archive lab set --number-format changes it",
                         "number_taken");

    input.language = request.language;
    input.norms = request.norms;
    input.issued = dayOf(now);
    input.number = issued.number;
    input.signers = signers;
    input.replaces = request.replaces;
    input.reason = request.reason;
    input.acceptedUnverified = !unverified.empty();
    const Protocol protocol = computeProtocol(input);
    const std::string html = protocolHtml(protocol);
    const std::string data = page::protocolData(protocol).dump();
    const Digest digest = sha256(reinterpret_cast<const std::uint8_t*>(html.data()), html.size());
    const std::string sha = hexText(digest.data(), digest.size());
    const std::string signerText = signersJson(signers).dump();
    const std::string at = utcNow(), on = dayOf(now), by = archive.actor().who;
    const std::string language = request.language == report::Language::Ru ? "ru" : "en";
    const Value values[] = {Value::ofText(issued.number), Value::of(year), Value::of(seq), Value::of(objectId),
                            Value::ofText(object->name), Value::ofText(language), Value::ofText(at),
                            Value::ofText(on), Value::ofText(by), Value::ofText(signerText),
                            replaces ? Value::of(replaces) : Value::null(), Value::ofText(request.reason),
                            Value::of(input.acceptedUnverified ? 1 : 0), Value::ofBlob(html), Value::ofText(data),
                            Value::ofText(sha)};
    db.run("INSERT INTO protocols (number, year, seq, object_id, object_name, language, issued_at, issued_on, "
           "issued_by, signers, replaces_id, reason, accepted_unverified, html, data, html_sha256) "
           "VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14, $15, $16) RETURNING protocol_id",
           values, [&](const Row& row) { issued.id = row.integer(0); });

    std::vector<std::string> digests;
    std::vector<Value> rows;
    for (const ProtocolPoint& p : input.points)
      for (const StoredRecord& r : p.records) digests.push_back(recordDigestHex(r.record));
    std::size_t k = 0;
    for (const ProtocolPoint& p : input.points)
      for (const StoredRecord& r : p.records) {
        rows.push_back(Value::of(issued.id));
        rows.push_back(Value::of(r.id));
        rows.push_back(Value::ofText(digests[k++]));
      }
    const std::string_view columns[] = {"protocol_id", "record_id", "digest"};
    db.insertRows("protocol_records", columns, rows, false);

    json after = {{"number", issued.number}, {"object", object->name}, {"signers", signersJson(signers)},
                  {"records", used}, {"html_sha256", sha}};
    if (!request.replaces.empty()) after["replaces"] = request.replaces;
    if (input.acceptedUnverified) after["accepted_unverified"] = unverified.size();
    Actor actor = archive.actor();
    actor.reason = request.reason;
    appendAudit(db, actor, "protocol.issue", object->name, "", after.dump());
    issued = *issuedProtocol(archive, issued.number);
    return issued;
  });
}

std::vector<IssuedProtocol> issuedProtocols(Archive& archive, const std::optional<std::string>& object) {
  std::vector<IssuedProtocol> out;
  std::string sql = kColumns;
  std::vector<Value> values;
  if (object) {
    sql += " WHERE p.object_id = (SELECT object_id FROM objects WHERE name = $1)";
    values.push_back(Value::ofText(*object));
  }
  sql += " ORDER BY p.year, p.seq";
  archive.database().run(sql, values, [&](const Row& row) { out.push_back(readProtocol(row)); });
  return out;
}

std::optional<IssuedProtocol> issuedProtocol(Archive& archive, const std::string& number) {
  std::optional<IssuedProtocol> out;
  const Value n[] = {Value::ofText(number)};
  archive.database().run(std::string(kColumns) + " WHERE p.number = $1", n,
                         [&](const Row& row) { out = readProtocol(row); });
  return out;
}

std::string issuedProtocolHtml(Archive& archive, const IssuedProtocol& protocol) {
  std::string html;
  const Value id[] = {Value::of(protocol.id)};
  archive.database().run("SELECT html FROM protocols WHERE protocol_id = $1", id,
                         [&](const Row& row) { html = row.blob(0); });
  return html;
}

bool protocolDataChanged(Archive& archive, const IssuedProtocol& protocol) {
  std::string data;
  std::optional<ObjectInfo> object;
  const Value id[] = {Value::of(protocol.id)};
  archive.database().run(
      "SELECT p.data, o.name, o.address, o.client, o.notes, o.kind FROM protocols p "
      "JOIN objects o ON o.object_id = p.object_id WHERE p.protocol_id = $1",
      id, [&](const Row& row) {
        data = row.text(0);
        object = ObjectInfo{row.text(1), row.text(2), row.text(3), row.text(4), row.text(5)};
      });
  if (!object) return false;
  const json stored = json::parse(data, nullptr, false);
  if (stored.is_discarded()) return true;
  ProtocolInput input = protocolInput(archive, *object);
  input.language = protocol.language == "ru" ? report::Language::Ru : report::Language::En;
  if (stored.contains("norms"))
    for (const json& n : stored["norms"])
      if (const report::Norm* norm = report::findNorm(n.value("name", ""))) input.norms.push_back(norm);
  const json today = page::protocolData(computeProtocol(input));
  for (const char* key : {"rooms", "conclusion", "devices"})
    if (stored.value(key, json()) != today.value(key, json())) return true;
  return false;
}

}  // namespace zel::archive
