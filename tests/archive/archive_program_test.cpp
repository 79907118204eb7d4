// kvd archive import when things go wrong, run as a user runs it: killed
// in the middle of a large file, two imports into one archive at once, the
// server stopped under it, an archive file that is damaged or cannot be
// written. Each time the archive holds whole files only, and a new import
// finishes the job.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

#include "kvd/archive/archive.h"
#include "kvd/archive/sha256.h"
#include "tests/archive/backend_fixture.h"
#include "tests/archive/test_server.h"
#include "tools/kvdgen/kvd_description.h"

namespace zel::archive::test {

namespace {

namespace fs = std::filesystem;

// A file of `count` different records, one a minute from `day` March 2024 on;
// two files overlapping in time hold the same records there.
void writeRecords(const fs::path& file, int day, int count, unsigned device = 1137) {
  std::string d;
  for (int m = (day - 1) * 1440; m < (day - 1) * 1440 + count; ++m) {
    char line[160];
    std::snprintf(line, sizeof line, "mode=1 deviceNumber=%u date=%02d.03.2024 time=%02d:%02d:%02d primaryResult=%d "
                  "primaryError=9\n", device, 1 + m / 1440, m / 60 % 24, m % 60, m % 50, 100 + m % 900);
    d += line;
  }
  std::vector<std::uint8_t> bytes;
  kvd::ParseError error;
  ASSERT_TRUE(kvd::buildFile(d, bytes, error)) << error.message;
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::string readText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// kvd in a process of its own, its output in files beside the archive.
class Kvd {
 public:
  Kvd(const fs::path& dir, std::vector<std::string> arguments, const std::string& name = "kvd")
      : out_(dir / (name + ".out")), err_(dir / (name + ".err")) {
    pid_ = fork();
    if (pid_ == 0) {
      freopen(out_.c_str(), "w", stdout);
      freopen(err_.c_str(), "w", stderr);
      std::vector<char*> argv{const_cast<char*>(ZEL_KVD)};
      for (std::string& a : arguments) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(ZEL_KVD, argv.data());
      _exit(127);
    }
  }
  // The exit code, or -1 when it did not end within a minute (it is killed).
  int wait() {
    for (int k = 0; k < 6000; ++k) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    return -1;
  }
  void killHard() {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  std::string out() const { return readText(out_); }
  std::string err() const { return readText(err_); }

 private:
  pid_t pid_ = -1;
  fs::path out_, err_;
};

std::uint64_t count(Database& db, const std::string& sql) {
  std::uint64_t n = 0;
  db.run(sql, {}, [&](const Row& row) { n = static_cast<std::uint64_t>(row.integer(0)); });
  return n;
}

class ArchiveProgram : public BackendTest {
 protected:
  // Keeps the next import inside its transaction until released: on
  // PostgreSQL a lock on its sightings, which it writes after its first
  // records, so that it waits there; SQLite has no such hold (see below).
  void holdImports() {
    if (!postgres()) return;
    holder_ = secondConnection();
    holder_->begin();
    holder_->run("LOCK TABLE sighting_runs IN SHARE MODE");
  }
  void releaseImports() {
    if (holder_) holder_->rollback();
    holder_.reset();
  }
  // Waits (bounded by a minute) until the import of the large file is inside
  // its transaction, where being killed leaves nothing of it: on PostgreSQL
  // waiting for the hold, on SQLite holding the archive's write lock, which
  // it takes as its transaction begins and keeps through a second or so of
  // work until its commit.
  bool importInItsTransaction(const std::string& largeFile) {
    auto watcher = secondConnection();
    sqlite3* probe = nullptr;
    if (!postgres()) {
      EXPECT_EQ(sqlite3_open_v2(location().c_str(), &probe, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
      sqlite3_busy_timeout(probe, 0);
    }
    bool inside = false;
    const auto until = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!inside && std::chrono::steady_clock::now() < until) {
      if (postgres()) {
        watcher->run("SELECT count(*) FROM pg_stat_activity WHERE application_name = 'kvd' "
                     "AND datname = current_database() AND wait_event_type = 'Lock'",
                     {}, [&](const Row& row) { inside = row.integer(0) > 0; });
      } else {
        inside = sqlite3_exec(probe, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_BUSY;
        if (!inside) sqlite3_exec(probe, "ROLLBACK", nullptr, nullptr, nullptr);
      }
      if (!inside) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    sqlite3_close(probe);
    if (!inside) ADD_FAILURE() << "the import of " << largeFile << " never began";
    return inside;
  }
  void TearDown() override {
    releaseImports();
    BackendTest::TearDown();
  }

 private:
  std::unique_ptr<Database> holder_;
};

TEST_P(ArchiveProgram, AKilledImportLeavesTheFilesBeforeItAndANewImportFinishes) {
  const fs::path small = dir_ / "small.kvd", large = dir_ / "large.kvd";
  writeRecords(small, 1, 100);
  writeRecords(large, 5, 30000, 2001);
  { Archive made(freshDatabase()); }  // made, so that the watcher can look at it
  ASSERT_EQ(Kvd(dir_, {"archive", "import", "--archive", location(), small.string()}).wait(), 0);
  holdImports();
  Kvd killed(dir_, {"archive", "import", "--archive", location(), large.string()}, "killed");
  ASSERT_TRUE(importInItsTransaction(large.string()));
  killed.killHard();
  releaseImports();

  Archive after(secondConnection());
  EXPECT_EQ(count(after.database(), "SELECT count(*) FROM records"), 100u);
  EXPECT_EQ(count(after.database(), "SELECT count(*) FROM imports"), 1u);
  EXPECT_EQ(count(after.database(), "SELECT count(*) FROM sightings"), 100u);
  Kvd again(dir_, {"archive", "import", "--archive", location(), "--format", "json", small.string(), large.string()});
  ASSERT_EQ(again.wait(), 0) << again.err();
  const nlohmann::json report = nlohmann::json::parse(again.out());
  EXPECT_EQ(report["new"], 30000);
  EXPECT_EQ(report["known"], 100);  // the small file's, imported before
  EXPECT_EQ(count(after.database(), "SELECT count(*) FROM records"), 30100u);
}

TEST_P(ArchiveProgram, TwoImportsAtOnceStoreEveryRecordOnce) {
  // Both files hold the same 2,120 records (days 3 and 4), and others of their own.
  writeRecords(dir_ / "a.kvd", 1, 5000);
  writeRecords(dir_ / "b.kvd", 3, 5000);
  { Archive made(freshDatabase()); }
  Kvd first(dir_, {"archive", "import", "--archive", location(), "--format", "json", (dir_ / "a.kvd").string()}, "a");
  Kvd second(dir_, {"archive", "import", "--archive", location(), "--format", "json", (dir_ / "b.kvd").string()}, "b");
  ASSERT_EQ(first.wait(), 0) << first.err();
  ASSERT_EQ(second.wait(), 0) << second.err();
  const int fresh = nlohmann::json::parse(first.out())["new"].get<int>() +
                    nlohmann::json::parse(second.out())["new"].get<int>();
  EXPECT_EQ(fresh, 7880);
  Archive after(secondConnection());
  EXPECT_EQ(count(after.database(), "SELECT count(*) FROM records"), 7880u);
  EXPECT_EQ(count(after.database(), "SELECT count(*) FROM sightings"), 10000u);
}

INSTANTIATE_BACKENDS(ArchiveProgram);

// The server goes away in the middle of a file: a clear message, exit 1,
// and nothing of that file once it is back.
TEST(ArchiveServer, StoppedDuringAnImport) {
  TestServer server;
  const fs::path dir = fs::temp_directory_path() / uniqueName("kvd_server_");
  fs::create_directories(dir);
  writeRecords(dir / "small.kvd", 1, 50);
  writeRecords(dir / "large.kvd", 5, 60000, 2001);
  ASSERT_EQ(Kvd(dir, {"archive", "import", "--archive", server.uri(), (dir / "small.kvd").string()}).wait(), 0);
  // The import is held inside its transaction, at its first sightings, by a
  // lock of the test's: the server goes while it waits there.
  auto holder = openPostgres(server.uri());
  holder->begin();
  holder->run("LOCK TABLE sighting_runs IN SHARE MODE");
  Kvd import(dir, {"archive", "import", "--archive", server.uri(), (dir / "large.kvd").string()});
  auto watcher = openPostgres(server.uri());
  bool begun = false;
  for (const auto until = std::chrono::steady_clock::now() + std::chrono::minutes(1);
       !begun && std::chrono::steady_clock::now() < until;) {
    watcher->run("SELECT count(*) FROM pg_stat_activity WHERE application_name = 'kvd' AND wait_event_type = 'Lock'",
                 {}, [&](const Row& row) { begun = row.integer(0) > 0; });
    if (!begun) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  watcher.reset();
  ASSERT_TRUE(begun);
  server.crash();
  holder.reset();
  EXPECT_EQ(import.wait(), 1);
  EXPECT_NE(import.err().find("kvd: archive"), std::string::npos) << import.err();
  server.start();
  Archive after(openPostgres(server.uri()));
  std::uint64_t records = 0;
  after.database().run("SELECT count(*) FROM records", {}, [&](const Row& row) { records = row.integer(0); });
  EXPECT_EQ(records, 50u);
  fs::remove_all(dir);
}

// A damaged archive and one that cannot be written: said plainly, exit 1,
// the file as it was.
TEST(ArchiveFile, DamagedOrReadOnly) {
  const fs::path dir = fs::temp_directory_path() / uniqueName("kvd_file_");
  fs::create_directories(dir);
  writeRecords(dir / "a.kvd", 1, 10);
  const fs::path damaged = dir / "damaged.sqlite";
  std::ofstream(damaged, std::ios::binary) << std::string(8192, '\x5a');
  Kvd onDamaged(dir, {"archive", "import", "--archive", damaged.string(), (dir / "a.kvd").string()});
  EXPECT_EQ(onDamaged.wait(), 1);
  EXPECT_NE(onDamaged.err().find("not an archive"), std::string::npos) << onDamaged.err();
  EXPECT_EQ(readText(damaged), std::string(8192, '\x5a'));

  // Root writes any file: the read-only case is run as nobody where the test is root.
  const fs::path locked = dir / "locked.sqlite";
  ASSERT_EQ(Kvd(dir, {"archive", "import", "--archive", locked.string(), (dir / "a.kvd").string()}).wait(), 0);
  writeRecords(dir / "b.kvd", 9, 10);
  fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  fs::permissions(dir, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                           fs::perms::others_read | fs::perms::others_exec);
  const std::string before = readText(locked);
  std::vector<std::string> args = {"archive", "import", "--archive", locked.string(), (dir / "b.kvd").string()};
  const pid_t pid = fork();
  if (pid == 0) {
    freopen((dir / "locked.err").c_str(), "w", stderr);
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(126);
    std::vector<char*> argv{const_cast<char*>(ZEL_KVD)};
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(ZEL_KVD, argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 1) << readText(dir / "locked.err");
  EXPECT_NE(readText(dir / "locked.err").find("kvd: archive"), std::string::npos) << readText(dir / "locked.err");
  EXPECT_EQ(readText(locked), before);
  fs::permissions(dir, fs::perms::owner_all);
  fs::remove_all(dir);
}

// A download larger than SQLite's page cache: its pages go on to the WAL
// before its commit. Killed there, the archive is as after the file before,
// and the next import brings the whole download.
TEST(ArchiveFile, KilledWithItsPagesAlreadyInTheWal) {
  const fs::path dir = fs::temp_directory_path() / uniqueName("kvd_spill_");
  fs::create_directories(dir);
  const fs::path small = dir / "small.kvd", large = dir / "large.kvd", file = dir / "archive.sqlite";
  writeRecords(small, 1, 100);
  writeRecords(large, 5, 30000, 2001);
  ASSERT_EQ(Kvd(dir, {"archive", "import", "--archive", file.string(), small.string()}).wait(), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    Archive archive(openSqlite(file, false));
    std::ifstream in(large, std::ios::binary);
    const FileFacts facts{"large.kvd", large.string(), fs::file_size(large), sha256FileHex(large), 0};
    std::size_t read = 0;
    archive.importFile(
        facts,
        [&](MeasurementRecord& r) {
          if (++read == 29000) raise(SIGKILL);
          return static_cast<bool>(in.read(reinterpret_cast<char*>(r.bytes.data()), kRecordSize));
        },
        "anna", "lab-pc");
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
  // Some 20,000 records stored are over 20 MB of pages, more than the 8 MB
  // that the cache of so small an archive holds: the rest went to the WAL.
  EXPECT_GT(fs::file_size(dir / "archive.sqlite-wal"), std::uintmax_t{8} << 20);
  {
    Archive after(openSqlite(file, false));
    EXPECT_EQ(count(after.database(), "SELECT count(*) FROM records"), 100u);
    EXPECT_EQ(count(after.database(), "SELECT count(*) FROM imports"), 1u);
    EXPECT_EQ(count(after.database(), "SELECT count(*) FROM sightings"), 100u);
    std::string integrity;
    after.database().run("PRAGMA integrity_check", {}, [&](const Row& row) { integrity = row.text(0); });
    EXPECT_EQ(integrity, "ok");
  }
  Kvd again(dir, {"archive", "import", "--archive", file.string(), "--format", "json", large.string()});
  ASSERT_EQ(again.wait(), 0) << again.err();
  EXPECT_EQ(nlohmann::json::parse(again.out())["new"], 30000);
  fs::remove_all(dir);
}

}  // namespace

}  // namespace zel::archive::test
