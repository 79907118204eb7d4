// The check, the backup and the copy of a whole archive, on SQLite and on
// PostgreSQL: a sound archive checks clean and each kind of damage is found
// at its row; a backup taken while files are imported is one moment of the
// archive; a copy SQLite → PostgreSQL → SQLite gives back every row as it
// was; a copy into an archive that holds anything is refused and changes
// nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <thread>

#include "kvd/archive/archive.h"
#include "kvd/archive/check.h"
#include "kvd/archive/copy.h"
#include "kvd/archive/sha256.h"
#include "tests/archive/backend_fixture.h"
#include "tools/kvdgen/kvd_description.h"

namespace zel::archive::test {

namespace {

namespace fs = std::filesystem;

// `count` different records of one device, one an hour from `first` hours
// after 1 March 2024 on.
std::vector<MeasurementRecord> hourly(int first, int count) {
  std::string d;
  for (int k = first; k < first + count; ++k) {
    char line[200];
    std::snprintf(line, sizeof line,
                  "mode=14 deviceNumber=1137 date=%02d.%02d.2024 time=%02d:00:00 eecRn=%d eecRnError=5 eecTn=%d "
                  "eecTnError=1 ca=0.1 bounds=44,62,86 spectrum=flat(2)\n",
                  1 + k / 24 % 28, 3 + k / 672, k % 24, 40 + k, k % 7);
    d += line;
  }
  std::vector<std::uint8_t> bytes;
  kvd::ParseError error;
  EXPECT_TRUE(kvd::buildFile(d, bytes, error)) << error.line << ": " << error.message;
  std::vector<MeasurementRecord> out(bytes.size() / kRecordSize);
  for (std::size_t k = 0; k < out.size(); ++k) std::memcpy(out[k].bytes.data(), &bytes[k * kRecordSize], kRecordSize);
  return out;
}

void importRecords(Archive& a, const std::vector<MeasurementRecord>& recs, const std::string& name) {
  std::string bytes;
  for (const MeasurementRecord& r : recs) bytes.append(reinterpret_cast<const char*>(r.bytes.data()), kRecordSize);
  const Digest d = sha256(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  std::size_t next = 0;
  a.importFile({name, "/lab/" + name, bytes.size(), hexText(d.data(), d.size()), 0},
               [&](MeasurementRecord& r) { return next < recs.size() ? (r = recs[next++], true) : false; }, "anna",
               "lab-pc");
}

// Every row of a query, a number as its exact value (SQLite writes a real
// 0 as "0.0", PostgreSQL as "0"), anything else as its text.
std::vector<std::string> rows(Database& db, const std::string& sql) {
  std::vector<std::string> out;
  db.run(sql, {}, [&](const Row& row) {
    std::string line;
    for (int c = 0; c < row.size(); ++c) {
      const std::string text = row.text(c);
      char* end = nullptr;
      const double number = std::strtod(text.c_str(), &end);
      char exact[40];
      std::snprintf(exact, sizeof exact, "%.17g", number);
      line += row.isNull(c) ? "NULL" : !text.empty() && *end == '\0' ? exact : text;
      line += '|';
    }
    out.push_back(line);
  });
  return out;
}

// The rows of two archives alike, the first that differs told.
void expectSameRows(Database& a, const std::string& sql, Database& b, const std::string& sqlOfB) {
  const std::vector<std::string> x = rows(a, sql), y = rows(b, sqlOfB);
  ASSERT_EQ(x.size(), y.size()) << sql;
  for (std::size_t k = 0; k < x.size(); ++k) ASSERT_EQ(x[k], y[k]) << sql << ", row " << k;
}

// An archive with all its kinds of rows: two overlapping files, an object
// with a point and a placement, a device, an account, and an audit trail.
void fill(Archive& a) {
  a.setActor({"anna@lab-pc", ""});
  importRecords(a, hourly(0, 60), "march.kvd");
  importRecords(a, hourly(40, 60), "march-2.kvd");
  a.setDevice({1137, "RRA-01M", "C-77", "2024-01-10", "2025-01-09"});
  Selection s;
  s.device = 1137;
  s.from = DateTime{2024, 3, 1, 0, 0, 0};
  s.to = DateTime{2024, 3, 2, 23, 0, 0};
  a.addObject({"School 5", "Lenina 5", "", ""});
  a.assign("School 5", {"1", "101", "A"}, s, false);
  a.addAccount({"boris", "Boris Petrov", "engineer", Role::Operator, true, ""}, "a long password");
  for (int k = 0; k < 12; ++k) a.audit("device.set", "1137", "", "{\"step\":" + std::to_string(k) + "}");
}

std::set<std::pair<std::string, std::int64_t>> faultRows(const CheckReport& report) {
  std::set<std::pair<std::string, std::int64_t>> out;
  for (const CheckFault& f : report.faults) out.insert({f.part, f.row});
  return out;
}

class CheckCopy : public BackendTest {
 protected:
  Archive& archive() {
    if (!archive_) archive_ = std::make_unique<Archive>(freshDatabase());
    return *archive_;
  }
  std::unique_ptr<Archive> sqliteArchive(const std::string& name) {
    return std::make_unique<Archive>(openSqlite(dir_ / name, true));
  }
  std::unique_ptr<Archive> archive_;
};

TEST_P(CheckCopy, ASoundArchiveChecksClean) {
  Archive& a = archive();
  fill(a);
  const CheckReport report = checkArchive(a);
  EXPECT_TRUE(report.clean()) << (report.faults.empty() ? "" : report.faults[0].message);
  EXPECT_EQ(report.count("digests"), 100u);
  EXPECT_EQ(report.count("columns"), 100u);
  EXPECT_EQ(report.count("links"), 120u);
  EXPECT_EQ(report.count("audit"), static_cast<std::uint64_t>(count(a.database(), "SELECT count(*) FROM audit_log")));
  EXPECT_EQ(report.has("integrity"), !postgres());
}

TEST_P(CheckCopy, EachDamageIsFoundAtItsRow) {
  Archive& a = archive();
  fill(a);
  Database& db = a.database();
  const std::int64_t e = count(db, "SELECT max(entry_id) FROM audit_log") - 11;  // the first of fill's own entries
  // Records of the first file only, by their index there.
  auto at = [&](int index) {
    return count(db, "SELECT record_id FROM stored_records WHERE first_import_id = 1 AND first_index = " +
                         std::to_string(index));
  };
  const std::int64_t r1 = at(4), r2 = at(6), r3 = at(8), r4 = at(10);
  std::string raw, dateTime;
  db.run("SELECT raw FROM stored_records WHERE record_id = $1", std::vector{Value::of(r2)},
         [&](const Row& row) { raw = row.blob(0); });
  raw[300] ^= 1;
  const std::int64_t eecRn = count(db, "SELECT eec_rn FROM stored_records WHERE record_id = " + std::to_string(r3));
  db.run("SELECT date_time FROM stored_records WHERE record_id = $1", std::vector{Value::of(r4)},
         [&](const Row& row) { dateTime = row.text(0); });
  auto sql = [&](std::string text, std::vector<Value> values = {}) { db.run(text, values); };
  const std::string id = std::to_string(e);
  struct Damage {
    std::string what;
    std::function<void()> done;
    std::string part;
    std::int64_t row;
    std::string message;
  } damages[] = {
      {"a record's bytes",
       [&] { sql("UPDATE stored_records SET raw = $1 WHERE record_id = $2", {Value::ofBlob(raw), Value::of(r2)}); },
       "digests", r2, "its bytes do not match its digest"},
      {"a decoded number",
       [&] { sql("UPDATE stored_records SET eec_rn = eec_rn + 1 WHERE record_id = $1", {Value::of(r3)}); }, "columns",
       r3,
       "its columns do not match its bytes: eec_rn is " + std::to_string(eecRn + 1) + ", its bytes say " +
           std::to_string(eecRn)},
      {"a decoded date", [&] { sql("UPDATE stored_records SET date_time = NULL WHERE record_id = $1", {Value::of(r4)}); },
       "columns", r4, "its columns do not match its bytes: date_time is NULL, its bytes say \"" + dateTime + "\""},
      {"a record gone", [&] { sql("DELETE FROM stored_records WHERE record_id = $1", {Value::of(r1)}); }, "links", r1,
       "is not in the archive, yet 1 sighting names it"},
      {"an empty run of sightings",
       [&] { sql("INSERT INTO sighting_runs (import_id, first_index, record_id, records) VALUES (1, 100000, 1, 0)"); },
       "links", 1, "has a run of 0 sightings from index 100000, not 1 to 4096"},
      {"an entry's after_value", [&] { sql("UPDATE audit_log SET after_value = '{}' WHERE entry_id = " + id); },
       "audit", e, "its hash does not match its content"},
      {"an entry deleted", [&] { sql("DELETE FROM audit_log WHERE entry_id = " + std::to_string(e + 3)); }, "audit",
       e + 4, "does not follow entry " + std::to_string(e + 2) + " (entry " + std::to_string(e + 3) +
                  " missing or moved)"},
      {"two entries' ids swapped",
       [&] {
         const std::string x = std::to_string(e + 6), y = std::to_string(e + 7);
         sql("UPDATE audit_log SET entry_id = -1 WHERE entry_id = " + x);
         sql("UPDATE audit_log SET entry_id = " + x + " WHERE entry_id = " + y);
         sql("UPDATE audit_log SET entry_id = " + y + " WHERE entry_id = -1");
       },
       "audit", e + 6, "its hash does not match its content; does not follow entry " + std::to_string(e + 5) +
                           " (its link to that entry's hash is broken)"},
      {"", [] {}, "audit", e + 7, "its hash does not match its content"},
  };
  for (const Damage& d : damages) d.done();
  const CheckReport report = checkArchive(a);
  std::set<std::pair<std::string, std::int64_t>> expected;
  for (const Damage& d : damages) {
    SCOPED_TRACE(d.what);
    expected.insert({d.part, d.row});
    const auto found = std::find_if(report.faults.begin(), report.faults.end(),
                                    [&](const CheckFault& f) { return f.part == d.part && f.row == d.row; });
    ASSERT_NE(found, report.faults.end());
    EXPECT_EQ(found->message, d.message);
  }
  EXPECT_EQ(faultRows(report), expected);
  EXPECT_EQ(report.unlisted, 0u);
}

TEST_P(CheckCopy, ABackupDuringImportsIsOneMomentOfTheArchive) {
  Archive& a = archive();
  importRecords(a, hourly(0, 100), "file-0.kvd");
  constexpr int kFiles = 12;
  std::exception_ptr failed;
  std::thread importer([&] {
    try {
      Archive other(secondConnection());
      for (int f = 1; f < kFiles; ++f) importRecords(other, hourly(100 * f, 100), "file-" + std::to_string(f) + ".kvd");
    } catch (...) {
      failed = std::current_exception();
    }
  });
  // Taken once the second file is in, while the others come.
  const auto until = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (count(a.database(), "SELECT count(*) FROM imports") < 2 && std::chrono::steady_clock::now() < until)
    std::this_thread::yield();
  const fs::path file = dir_ / "backup.sqlite";
  backupArchive(a, file);
  importer.join();
  if (failed) std::rethrow_exception(failed);

  Archive backup(openSqlite(file, false));
  EXPECT_TRUE(checkArchive(backup).clean());
  // Whole files, the first ones: import k holds records 100k … 100k + 99.
  const std::int64_t files = count(backup.database(), "SELECT count(*) FROM imports");
  EXPECT_GE(files, 2);
  EXPECT_EQ(count(backup.database(), "SELECT max(import_id) FROM imports"), files);
  EXPECT_EQ(count(backup.database(), "SELECT count(*) FROM stored_records"), 100 * files);
  EXPECT_EQ(count(backup.database(), "SELECT count(*) FROM sightings"), 100 * files);
  expectSameRows(backup.database(), "SELECT * FROM records ORDER BY record_id", a.database(),
                 "SELECT * FROM records WHERE record_id <= " + std::to_string(100 * files) + " ORDER BY record_id");
}

TEST_P(CheckCopy, ACopyIntoAnArchiveThatHoldsAnythingIsRefused) {
  auto source = sqliteArchive("source.sqlite");
  fill(*source);
  Archive& target = archive();
  Database& db = target.database();
  const std::vector<MeasurementRecord> recs = hourly(500, 3);
  // Each holds one kind of row only (the trail of the record's import is
  // taken off again).
  const struct {
    const char* what;
    std::function<void()> add;
  } holdings[] = {
      {"a record",
       [&] {
         importRecords(target, recs, "other.kvd");
         db.execute("DELETE FROM audit_log");
       }},
      {"an object", [&] { db.execute("INSERT INTO objects (name) VALUES ('Flat 3')"); }},
      {"an account",
       [&] {
         db.execute("INSERT INTO accounts (login, full_name, role, password_hash, created_at) "
                    "VALUES ('vera', 'Vera', 'viewer', 'x', '2024-05-01 10:00:00')");
       }},
      {"an audit entry", [&] { target.audit("archive.backup", "x.sqlite", "", ""); }},
  };
  const char* tables[] = {"imports", "stored_records", "sightings", "objects", "points", "accounts", "audit_log"};
  for (const auto& h : holdings) {
    SCOPED_TRACE(h.what);
    h.add();
    std::vector<std::int64_t> before;
    for (const char* t : tables) before.push_back(count(db, std::string("SELECT count(*) FROM ") + t));
    try {
      copyArchive(*source, target);
      ADD_FAILURE() << "copied";
    } catch (const ArchiveError& e) {
      EXPECT_EQ(e.code(), "not_empty");
      EXPECT_EQ(std::string(e.what()), db.describe() + " is not empty: copy into a new or empty archive");
    }
    std::vector<std::int64_t> after;
    for (const char* t : tables) after.push_back(count(db, std::string("SELECT count(*) FROM ") + t));
    EXPECT_EQ(after, before);
    db.execute("DELETE FROM sighting_runs; DELETE FROM stored_records; DELETE FROM imports; DELETE FROM objects; "
               "DELETE FROM accounts; DELETE FROM audit_log");
  }
  // A table that this kvd does not know is not left behind: the copy is refused.
  source->database().execute("CREATE TABLE notes (note TEXT)");
  EXPECT_THROW(copyArchive(*source, target), ArchiveError);
  EXPECT_EQ(count(db, "SELECT count(*) FROM stored_records"), 0);
  source->database().execute("DROP TABLE notes");
  EXPECT_EQ(copyArchive(*source, target).records, 100u);
}

INSTANTIATE_BACKENDS(CheckCopy);

class CopyRoundTrip : public CheckCopy {};

TEST_P(CopyRoundTrip, SqliteToPostgresAndBackKeepsEveryRow) {
  auto source = sqliteArchive("source.sqlite");
  fill(*source);
  Archive& server = archive();
  const CopyCounts there = copyArchive(*source, server);
  EXPECT_EQ(there.records, 100u);
  auto back = sqliteArchive("back.sqlite");
  const CopyCounts again = copyArchive(server, *back);
  EXPECT_EQ(again.rows, there.rows);
  for (Archive* copy : {&server, back.get()}) EXPECT_TRUE(checkArchive(*copy).clean());
  for (const char* sql : {"SELECT * FROM records ORDER BY record_id", "SELECT * FROM audit_log ORDER BY entry_id",
                          "SELECT * FROM imports ORDER BY import_id", "SELECT * FROM placements ORDER BY placement_id",
                          "SELECT * FROM devices", "SELECT * FROM accounts ORDER BY account_id",
                          "SELECT * FROM sightings ORDER BY import_id, record_index"}) {
    expectSameRows(back->database(), sql, source->database(), sql);
  }
  // The server's ids go on after the copied ones, also those an import
  // takes for its new records itself.
  server.addObject({"Flat 3", "", "", ""});
  EXPECT_EQ(count(server.database(), "SELECT object_id FROM objects WHERE name = 'Flat 3'"),
            count(source->database(), "SELECT max(object_id) FROM objects") + 1);
  importRecords(server, hourly(500, 3), "after-copy.kvd");
  const std::int64_t copied = count(source->database(), "SELECT max(record_id) FROM stored_records");
  EXPECT_EQ(count(server.database(), "SELECT min(record_id) FROM stored_records WHERE record_id > " +
                                         std::to_string(copied)),
            copied + 1);
  EXPECT_EQ(count(server.database(), "SELECT count(*) FROM stored_records"), 103);
  EXPECT_TRUE(checkArchive(server).clean());
}

INSTANTIATE_TEST_SUITE_P(Backends, CopyRoundTrip, ::testing::Values(std::string("postgres")), backendName);

}  // namespace

}  // namespace zel::archive::test
