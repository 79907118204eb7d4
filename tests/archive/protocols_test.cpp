// Issuing protocols on SQLite and on PostgreSQL: numbers per year without
// gaps, also when two connections issue at once; an issued protocol given
// back byte for byte after its records moved, and marked changed; a
// replacement; each refusal; the audit entry; the check that finds an
// issued protocol altered.
#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "kvd/archive/check.h"
#include "kvd/archive/location.h"
#include "kvd/archive/protocols.h"
#include "kvd/archive/sha256.h"
#include "tests/archive/backend_fixture.h"
#include "tests/archive/day_records.h"

namespace zel::archive::test {

namespace {

constexpr unsigned kDevice = 1137;
const std::string kObject = "School 5";

std::string year() { return localTimeNow().substr(0, 4); }

class ProtocolsTest : public BackendTest {
 protected:
  void SetUp() override {
    BackendTest::SetUp();
    archive_ = std::make_unique<Archive>(std::move(db_));
    Archive& a = *archive_;
    importDay(a, kDevice);
    setLab(a, {.name = std::string("Radon lab"), .accreditation = std::string("RA.RU.21AB01"),
               .numberFormat = std::string("{n}/{yyyy}-R")});
    a.addAccount({"petrova", "Anna Petrova", "Head of the laboratory", Role::Approver}, "correct horse 1");
    a.addAccount({"sidorov", "Ivan Sidorov", "Engineer", Role::Operator}, "correct horse 2");
    a.addObject({kObject, "1 Lenin St", "City office", "", "new"});
    a.assign(kObject, {"1", "101", "A"}, hours(kDevice, 0, 11), false);
    a.setDevice({kDevice, "radiometer", "C-123", "2024-01-01", "2024-12-31", "RRA-01M", "0345", "±30 %"});
  }

  IssuedProtocol issue(Archive& a, const std::string& replaces = {}, const std::string& reason = {}) {
    IssueRequest r;
    r.object = kObject;
    r.signers = {"petrova"};
    r.replaces = replaces;
    r.reason = reason;
    return issueProtocol(a, r);
  }

  std::unique_ptr<Archive> archive_;
};

std::string digestOf(const std::string& text) {
  const Digest d = sha256(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  return hexText(d.data(), d.size());
}

TEST_P(ProtocolsTest, IssuedIsNumberedFrozenAndMarkedChangedLater) {
  Archive& a = *archive_;
  const IssuedProtocol first = issue(a);
  EXPECT_EQ(first.number, "1/" + year() + "-R");
  EXPECT_EQ(first.records, 12u);
  ASSERT_EQ(first.signers.size(), 1u);
  EXPECT_EQ(first.signers[0].name, "Anna Petrova");
  const std::string html = issuedProtocolHtml(a, first);
  EXPECT_EQ(digestOf(html), first.htmlSha256);
  EXPECT_NE(html.find(first.number), std::string::npos);
  EXPECT_FALSE(protocolDataChanged(a, first));

  // Records leave the point: the issued page stays as it was, marked.
  a.unassign(hours(kDevice, 0, 5));
  EXPECT_EQ(issuedProtocolHtml(a, first), html);
  EXPECT_TRUE(protocolDataChanged(a, first));
  EXPECT_EQ(issue(a).number, "2/" + year() + "-R");

  const std::vector<AuditEntry> trail = a.auditLog({.object = kObject});
  std::size_t issues = 0;
  for (const AuditEntry& e : trail)
    if (e.action == "protocol.issue") ++issues;
  EXPECT_EQ(issues, 2u);
  EXPECT_TRUE(checkArchive(a).clean());
}

TEST_P(ProtocolsTest, ReplacementNamesTheOldWhichStaysWhole) {
  Archive& a = *archive_;
  const IssuedProtocol old = issue(a);
  const std::string oldHtml = issuedProtocolHtml(a, old);
  const IssuedProtocol fresh = issue(a, old.number, "the client's address corrected");
  EXPECT_EQ(fresh.replaces, old.number);
  const std::optional<IssuedProtocol> after = issuedProtocol(a, old.number);
  ASSERT_TRUE(after);
  EXPECT_EQ(after->replacedBy, fresh.number);
  EXPECT_EQ(after->status(), "replaced");
  EXPECT_EQ(issuedProtocolHtml(a, *after), oldHtml);
  EXPECT_NE(issuedProtocolHtml(a, fresh).find(old.number), std::string::npos);
}

TEST_P(ProtocolsTest, RefusalsChangeNothing) {
  Archive& a = *archive_;
  const IssuedProtocol old = issue(a);
  issue(a, old.number, "corrected");
  struct Case {
    const char* name;
    std::function<void(IssueRequest&)> change;
    const char* code;
  } cases[] = {
      {"no signer", [](IssueRequest& r) { r.signers.clear(); }, "signer"},
      {"unknown signer", [](IssueRequest& r) { r.signers = {"nobody"}; }, "signer"},
      {"operator signs", [](IssueRequest& r) { r.signers = {"sidorov"}; }, "signer"},
      {"no object", [](IssueRequest& r) { r.object = "School 6"; }, "no_object"},
      {"replaced twice", [&](IssueRequest& r) { r.replaces = old.number, r.reason = "again"; }, "replaces"},
      {"replaces unknown", [](IssueRequest& r) { r.replaces = "99/1999", r.reason = "x"; }, "replaces"},
      {"replaces without reason", [&](IssueRequest& r) { r.replaces = old.number; }, "reason"},
  };
  for (const Case& c : cases) {
    IssueRequest r;
    r.object = kObject;
    r.signers = {"petrova"};
    c.change(r);
    try {
      issueProtocol(a, r);
      ADD_FAILURE() << c.name << ": issued";
    } catch (const ArchiveError& e) {
      EXPECT_EQ(e.code(), c.code) << c.name << ": " << e.what();
    }
  }
  EXPECT_EQ(issuedProtocols(a).size(), 2u);

  // Outside verification: refused with the records named, unless accepted
  // with a reason.
  a.setDevice({kDevice, "radiometer", "C-123", "2024-01-01", "2024-02-28", "RRA-01M", "0345", "±30 %"});
  try {
    issue(a);
    ADD_FAILURE() << "issued outside verification";
  } catch (const ArchiveError& e) {
    EXPECT_EQ(e.code(), "unverified");
    EXPECT_NE(std::string(e.what()).find("record 1 of device 1137"), std::string::npos) << e.what();
  }
  IssueRequest accepted;
  accepted.object = kObject;
  accepted.signers = {"petrova"};
  accepted.acceptUnverified = true;
  accepted.reason = "verification renewed, certificate on its way";
  EXPECT_TRUE(issueProtocol(a, accepted).acceptedUnverified);

  setLab(a, {.accreditation = std::string()});
  try {
    issue(a);
    ADD_FAILURE() << "issued without accreditation";
  } catch (const ArchiveError& e) {
    EXPECT_EQ(e.code(), "lab_incomplete");
  }
}

TEST_P(ProtocolsTest, TwoIssuingAtOnceGetConsecutiveNumbers) {
  Archive other(secondConnection());
  other.setActor({"second", ""});
  std::set<std::string> numbers;
  std::string second;
  std::thread t([&] { second = issue(other).number; });
  numbers.insert(issue(*archive_).number);
  t.join();
  numbers.insert(second);
  EXPECT_EQ(numbers, (std::set<std::string>{"1/" + year() + "-R", "2/" + year() + "-R"}));
}

TEST_P(ProtocolsTest, CheckFindsAnIssuedProtocolAltered) {
  Archive& a = *archive_;
  issue(a);
  issue(a);
  Database& db = a.database();
  db.run(postgres() ? "UPDATE protocols SET html = html || '\\x20'::bytea WHERE seq = 1"
                    : "UPDATE protocols SET html = CAST(html || ' ' AS BLOB) WHERE seq = 1");
  db.run("UPDATE protocol_records SET digest = 'ab' WHERE record_id = 3 AND protocol_id = "
         "(SELECT protocol_id FROM protocols WHERE seq = 2)");
  const CheckReport report = checkArchive(a);
  ASSERT_EQ(report.faults.size(), 2u);
  EXPECT_EQ(report.faults[0].message, "its page does not match the digest it was issued with");
  EXPECT_EQ(report.faults[1].message, "record 3 is not the record it used");
  EXPECT_EQ(report.count("protocols"), 2u);
}

}  // namespace

INSTANTIATE_BACKENDS(ProtocolsTest);

}  // namespace zel::archive::test
