// kvd archive check, backup and copy as a user runs them, on an SQLite file
// and on a PostgreSQL database: what they say, their exit codes, files that
// are never written over, and the audit trail's entry of each backup and
// copy.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>

#include "kvd/archive/archive.h"
#include "kvd/archive/sha256.h"
#include "tests/archive/backend_fixture.h"
#include "tests/cli/program_run.h"

namespace zel::archive::test {

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;
using zel::test::Result;

constexpr const char* kFile =
    "deviceNumber=101 mode=1 date=05.07.2019 time=09:00:00 primaryResult=186 primaryError=37\n"
    "deviceNumber=101 mode=14 date=05.07.2019 time=10:00:00 eecRn=57 eecRnError=8\n"
    "deviceNumber=202 mode=1 date=08.07.2019 time=12:00:00 primaryResult=90 primaryError=10\n";

class CheckCopyCommands : public BackendTest {
 protected:
  void SetUp() override {
    BackendTest::SetUp();
    if (HasFatalFailure()) return;
    db_.reset();  // kvd opens the archive itself
    zel::test::writeFile(dir_ / "a.kvd", zel::test::kvdBytes(kFile));
    EXPECT_EQ(kvd({"archive", "import", (dir_ / "a.kvd").string()}).code, 0);
  }

  Result kvd(std::vector<std::string> arguments, const std::string& archive = "") {
    arguments.insert(arguments.begin(), ZEL_KVD);
    arguments.push_back("--archive");
    arguments.push_back(archive.empty() ? location() : archive);
    return zel::test::runProgram(arguments, dir_);
  }

  // The last entry of an archive's audit trail: its action, target and after_value.
  std::vector<std::string> lastEntry(const std::string& archive) {
    std::vector<std::string> entry;
    openLocation(archive, false)->run("SELECT action, target, after_value FROM audit_log ORDER BY entry_id DESC LIMIT 1",
                                      {}, [&](const Row& row) { entry = {row.text(0), row.text(1), row.text(2)}; });
    return entry;
  }
};

TEST_P(CheckCopyCommands, CheckSaysWhatItCheckedAndEachFaultWithItsRow) {
  const Result clean = kvd({"archive", "check"});
  EXPECT_EQ(clean.code, 0) << clean.err;
  for (const std::string line : {"3 sightings: links to files and records\n", "3 records: bytes and digests\n",
                                 "3 records: decoded columns\n", "no faults\n"})
    EXPECT_NE(clean.out.find(line), std::string::npos) << line << clean.out;
  EXPECT_EQ(clean.out.find("database integrity: ok\n") != std::string::npos, !postgres()) << clean.out;
  EXPECT_NE(clean.out.find(", chain intact\n"), std::string::npos) << clean.out;

  openLocation(location(), false)->run("UPDATE stored_records SET raw = digest WHERE record_id = 2");
  const Result damaged = kvd({"archive", "check"});
  EXPECT_EQ(damaged.code, 1);
  for (const std::string line : {"3 records: bytes and digests (1 fault)\n",
                                 "\nrecord 2: its bytes are 32, not one record of 688\n1 fault\n"})
    EXPECT_NE(damaged.out.find(line), std::string::npos) << line << damaged.out;
  const Json json = Json::parse(kvd({"archive", "check", "--format", "json"}).out);
  EXPECT_FALSE(json["clean"]);
  ASSERT_EQ(json["faults"].size(), 1u);
  EXPECT_EQ(json["faults"][0]["table"], "stored_records");
  EXPECT_EQ(json["faults"][0]["row"], 2);
}

TEST_P(CheckCopyCommands, BackupIsCheckedAndNeverWrittenOverAFile) {
  std::int64_t entries = 0;
  openLocation(location(), false)->run("SELECT count(*) FROM audit_log", {},
                                       [&](const Row& row) { entries = row.integer(0); });
  const std::string file = (dir_ / "backup.sqlite").string();
  const Result r = kvd({"archive", "backup", "-o", file});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "backup written: " + file + " (3 records, " + std::to_string(entries) +
                       (entries == 1 ? " audit entry" : " audit entries") + "), checked\n");
  const std::string sha256 = sha256FileHex(file);
  const std::vector<std::string> entry = lastEntry(location());
  ASSERT_EQ(entry.size(), 3u);
  EXPECT_EQ(entry[0], "archive.backup");
  EXPECT_EQ(entry[1], file);
  EXPECT_EQ(Json::parse(entry[2]), (Json{{"file", file}, {"records", 3}, {"sha256", sha256}}));
  EXPECT_EQ(kvd({"archive", "check"}, file).code, 0);

  const Result again = kvd({"archive", "backup", "-o", file});
  EXPECT_EQ(again.code, 2);
  EXPECT_NE(again.err.find(file + " exists: name a new file"), std::string::npos) << again.err;
  EXPECT_EQ(sha256FileHex(file), sha256);
  for (const auto& f : fs::directory_iterator(dir_))
    EXPECT_EQ(f.path().filename().string().find(".kvd-part-"), std::string::npos) << f.path();
}

TEST_P(CheckCopyCommands, CopyIntoANewArchiveAndNeverIntoOneThatHoldsAnything) {
  const std::string copy = (dir_ / "copy.sqlite").string();
  const Result r = kvd({"archive", "copy", "--to", copy});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, r.out.find(',')), "copied to " + copy + ": 3 records");
  EXPECT_EQ(lastEntry(copy).at(0), "archive.copy");
  EXPECT_EQ(Json::parse(lastEntry(copy).at(2)), (Json{{"from", location()}, {"records", 3}}));
  EXPECT_EQ(lastEntry(location()).at(1), copy);
  EXPECT_EQ(Json::parse(lastEntry(location()).at(2)), (Json{{"to", copy}, {"records", 3}}));

  // Back into the first archive, which holds the records already.
  const Result refused = kvd({"archive", "copy", "--to", location()}, copy);
  EXPECT_EQ(refused.code, 1);
  EXPECT_EQ(refused.err, "kvd: " + location() + " is not empty: copy into a new or empty archive\n");
  EXPECT_EQ(kvd({"archive", "copy", "--to", copy}).code, 1);
  EXPECT_EQ(kvd({"archive", "copy", "--to", copy}, copy).code, 2);
}

INSTANTIATE_BACKENDS(CheckCopyCommands);

}  // namespace

}  // namespace zel::archive::test
