// The kvd program as a user runs it: exit codes and messages for bad input,
// inputs never changed, outputs complete or absent (also when interrupted),
// Cyrillic file names, the version.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "tests/cli/program_run.h"

namespace {

namespace fs = std::filesystem;
using zel::test::kvdBytes;
using zel::test::readFile;
using zel::test::Result;
using zel::test::writeFile;

// Size, modification time and FNV-1a of the bytes.
std::string fingerprint(const fs::path& path) {
  const std::string bytes = readFile(path);
  std::uint64_t h = 1469598103934665603ull;
  for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ull;
  struct stat st {};
  ::stat(path.c_str(), &st);
  return std::to_string(bytes.size()) + ":" + std::to_string(h) + ":" + std::to_string(st.st_mtim.tv_sec) + "." +
         std::to_string(st.st_mtim.tv_nsec);
}

class KvdProgram : public testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    folder = fs::temp_directory_path() / ("kvd_cli_" + std::to_string(random()) + std::to_string(random()));
    fs::create_directories(folder);
    good = (folder / "good.kvd").string();
    writeFile(good, kvdBytes("mode=1 date=05.07.2019 time=09:04:07 primaryResult=186 primaryError=37\n"
                             "mode=14 date=05.07.2019 time=10:00:00 eecRn=57 eecRnError=8\n"));
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(folder, ec);
  }

  // Runs kvd with these arguments (no shell in between), as another user
  // when `asNobody` (through setpriv, for a root that reads every file).
  Result kvd(const std::vector<std::string>& arguments, bool asNobody = false) {
    std::vector<std::string> argv;
    if (asNobody) argv = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    argv.push_back(ZEL_KVD);
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return zel::test::runProgram(argv, folder);
  }

  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(folder)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }

  fs::path folder;
  std::string good;
};

TEST_F(KvdProgram, VersionAndHelp) {
  const Result v = kvd({"--version"});
  EXPECT_EQ(v.code, 0);
  EXPECT_EQ(v.out, "kvd 1.4.0\n");
  const Result h = kvd({"export", "--help"});
  EXPECT_EQ(h.code, 0);
  EXPECT_NE(h.out.find("--spectrum"), std::string::npos);
}

TEST_F(KvdProgram, UsageErrorsExitWithTwoAndAUsageLine) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {}, {"list"}, {"export", good}, {"export", good, "-o", good}, {"stats", good, "--from", "31.02.2019"},
           {"export", good, good, "-o", (folder / "x.dif").string()}}) {
    const Result r = kvd(args);
    EXPECT_EQ(r.code, 2) << testing::PrintToString(args) << r.err;
    EXPECT_NE(r.err.find("usage: kvd"), std::string::npos) << r.err;
  }
}

TEST_F(KvdProgram, BadInputsEachSaidOnceAndTheRestProcessed) {
  const fs::path empty = folder / "empty.kvd", small = folder / "small.KVD", text = folder / "data.txt",
                 dir = folder / "dir.kvd", missing = folder / "missing.kvd", tail = folder / "tail.kVd",
                 fifo = folder / "pipe.kvd";
  writeFile(empty, "");
  writeFile(small, std::string(687, '\x01'));
  writeFile(text, kvdBytes("mode=1"));
  fs::create_directory(dir);
  writeFile(tail, kvdBytes("mode=2 primaryResult=5\ntrailing=100"));
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::vector<std::string> inputs{missing, empty, small, text, dir, good, tail, fifo};
  std::vector<std::string> before;
  for (const fs::path& p : {empty, small, text, fs::path(good), tail}) before.push_back(fingerprint(p));

  const Result r = kvd({"list", missing, empty, small, text, dir, good, tail, fifo});
  EXPECT_EQ(r.code, 1);
  const std::string expected = "kvd: " + missing.string() + ": no such file\n" + "kvd: " + empty.string() +
                               ": is empty: no records\n" + "kvd: " + small.string() +
                               ": holds no whole record (687 bytes, a record has 688)\n" + "kvd: " + text.string() +
                               ": not a measurement file: the name does not end in .kvd\n" + "kvd: " + dir.string() +
                               ": is a directory, not a measurement file\n" + "kvd: note: " + tail.string() +
                               ": the last 100 bytes form no whole record and are ignored, as the record browser "
                               "ignores them\n" +
                               "kvd: " + fifo.string() + ": is not a regular file\n";
  EXPECT_EQ(r.err, expected);
  EXPECT_NE(r.out.find(good + ": 2 records"), std::string::npos);
  EXPECT_NE(r.out.find(tail.string() + ": 1 record\n"), std::string::npos);

  for (const auto& command : std::vector<std::vector<std::string>>{
           {"show"}, {"stats"}, {"export", "-o", (folder / "out.csv").string()}}) {
    std::vector<std::string> args = command;
    args.insert(args.begin() + 1, inputs.begin(), inputs.end());
    const Result c = kvd(args);
    EXPECT_EQ(c.code, 1) << command[0];
    EXPECT_EQ(c.err.substr(0, c.err.find('\n') + 1), "kvd: " + missing.string() + ": no such file\n") << command[0];
    EXPECT_EQ(std::count(c.err.begin(), c.err.end(), '\n'), 7) << c.err;
  }
  EXPECT_TRUE(fs::exists(folder / "out.csv"));

  std::size_t k = 0;
  for (const fs::path& p : {empty, small, text, fs::path(good), tail}) EXPECT_EQ(fingerprint(p), before[k++]) << p;
}

TEST_F(KvdProgram, UnreadableFile) {
  const bool root = ::geteuid() == 0;
  if (root && !fs::exists("/usr/bin/setpriv")) GTEST_SKIP() << "root reads every file, and setpriv is missing";
  const fs::path locked = folder / "locked.kvd";
  writeFile(locked, kvdBytes("mode=1"));
  fs::permissions(locked, fs::perms::none);
  fs::permissions(folder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
  fs::permissions(good, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
  const Result r = kvd({"list", locked.string(), good}, root);
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "kvd: " + locked.string() + ": cannot be read (Permission denied)\n");
  EXPECT_NE(r.out.find(good + ": 2 records"), std::string::npos);
}

TEST_F(KvdProgram, EveryExportLeavesTheInputsAsTheyWere) {
  const std::string before = fingerprint(good);
  for (const char* name : {"a.xlsx", "a.csv", "a.json", "a.jsonl", "a.dif"}) {
    const Result r = kvd({"export", good, "-o", (folder / name).string()});
    EXPECT_EQ(r.code, 0) << name << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
  }
  EXPECT_EQ(kvd({"export", good, "-o", (folder / "b.xlsx").string(), "--spectrum", "--units", "pci"}).code, 0);
  EXPECT_EQ(kvd({"list", good}).code, 0);
  EXPECT_EQ(kvd({"show", good}).code, 0);
  EXPECT_EQ(kvd({"stats", good, "--format", "json"}).code, 0);
  EXPECT_EQ(fingerprint(good), before);
  EXPECT_EQ(names(), (std::vector<std::string>{"a.csv", "a.dif", "a.json", "a.jsonl", "a.xlsx", "b.xlsx", "good.kvd"}));
}

// Another measurement file named as the output of any command is refused
// before anything is written: a report or a picture never replaces a
// measurement.
TEST_F(KvdProgram, NoCommandWritesOverAMeasurementFile) {
  const fs::path other = folder / "other.kvd";
  fs::copy_file(good, other);
  const std::string before = fingerprint(other.string());
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"export", good, "-o", other.string(), "--format", "csv"},
           {"report", good, "-o", other.string()},
           {"render", good + ",0", "-o", other.string()},
           {"render", good + ",0", "-o", (folder / "OTHER.KVD").string(), "--spectrum"}}) {
    const Result r = kvd(args);
    EXPECT_EQ(r.code, 2) << testing::PrintToString(args) << r.err;
    EXPECT_NE(r.err.find("is named like a measurement file"), std::string::npos) << r.err;
  }
  EXPECT_EQ(fingerprint(other.string()), before);
  EXPECT_EQ(names(), (std::vector<std::string>{"good.kvd", "other.kvd"}));
}

// An input named as the output, however the two names are spelled (a dot
// folder, a step up and back, a Cyrillic folder with a blank), is refused
// before anything is written: the names are compared as the files they
// reach, not as texts.
TEST_F(KvdProgram, AnOutputThatIsAnInputByAnotherNameIsRefused) {
  const fs::path sub = folder / "Дом 12";
  fs::create_directories(sub);
  const fs::path input = sub / "данные.csv";
  writeFile(input, kvdBytes("mode=1 primaryResult=186 primaryError=37"));
  const std::string before = fingerprint(input);
  const struct {
    std::string command;
    fs::path output;
  } cases[] = {
      {"export", sub / "." / "данные.csv"},
      {"export", sub / ".." / "Дом 12" / "данные.csv"},
      {"report", folder / "." / "Дом 12" / "данные.csv"},
  };
  for (const auto& c : cases) {
    const Result r = kvd({c.command, input.string(), "-o", c.output.string()});
    EXPECT_EQ(r.code, 2) << c.output << r.err;
    EXPECT_NE(r.err.find("is one of the inputs (" + input.string() + ")"), std::string::npos) << r.err;
  }
  EXPECT_EQ(fingerprint(input), before);
}

// --pages picks records by index and range; an index at the end of the
// 64-bit range, or many long ranges, is quick and takes no memory.
TEST_F(KvdProgram, ReportPagesByIndexAndRange) {
  std::string manyRanges;
  for (std::uint64_t first = 0; first < 3000 * 100001ull; first += 100001)
    manyRanges += (manyRanges.empty() ? "" : ",") + std::to_string(first) + "-" + std::to_string(first + 100000);
  const std::string html = (folder / "r.html").string();
  const struct {
    std::string pages;
    int code;
    std::size_t figures;
  } cases[] = {{"none", 0, 0},  {"all", 0, 2},  {"1", 0, 1},       {"0,1-1", 0, 2},
               {"18446744073709551615", 0, 0}, {"5-18446744073709551615", 2, 0}, {manyRanges, 0, 2}, {"1-0", 2, 0},
               {"x", 2, 0}};
  for (const auto& c : cases) {
    const Result r = kvd({"report", good, "-o", html, "--pages", c.pages});
    EXPECT_EQ(r.code, c.code) << c.pages.substr(0, 40) << r.err;
    const std::string text = readFile(html);
    std::size_t figures = 0;
    for (std::size_t at = text.find("<figure"); at != std::string::npos; at = text.find("<figure", at + 1)) ++figures;
    EXPECT_EQ(figures, c.figures) << c.pages.substr(0, 40);
    fs::remove(html);
  }
}

TEST_F(KvdProgram, CyrillicFileNamesAsGiven) {
  const fs::path cyrillic = folder / "Радон, подвал №2.kvd";
  writeFile(cyrillic, kvdBytes("mode=14 eecRn=57 eecRnError=8"));
  const fs::path out = folder / "Отчёт.json";
  const Result r = kvd({"export", cyrillic.string(), "-o", out.string()});
  ASSERT_EQ(r.code, 0) << r.err;
  const auto rows = nlohmann::json::parse(readFile(out));
  EXPECT_EQ(rows[0]["File"], cyrillic.string());
  const Result list = kvd({"list", cyrillic.string()});
  EXPECT_NE(list.out.find(cyrillic.string() + ": 1 record"), std::string::npos);
  EXPECT_NE(list.out.find("57 \u00B1 8"), std::string::npos);
  const Result show = kvd({"show", cyrillic.string() + ",0"});
  EXPECT_EQ(show.code, 0) << show.err;
  EXPECT_EQ(kvd({"export", cyrillic.string(), "-o", (folder / "Отчёт.dif").string()}).code, 0);
  EXPECT_NE(readFile(folder / "Отчёт.dif").find(cyrillic.string()), std::string::npos);
}

// An export stopped by Ctrl+C (SIGINT) or a termination request leaves
// neither a half file under the output's name nor its temporary file.
TEST_F(KvdProgram, AnInterruptedExportLeavesNoFile) {
  const fs::path big = folder / "big.kvd";
  writeFile(big, kvdBytes("mode=14 eecRn=57 eecRnError=8 spectrum=flat(300) repeat=65535"));
  for (int signal : {SIGINT, SIGTERM}) {
    const fs::path out = folder / "big.xlsx";
    const pid_t pid = ::fork();
    if (pid == 0) {
      std::freopen("/dev/null", "wb", stdout);
      std::freopen("/dev/null", "wb", stderr);
      ::execl(ZEL_KVD, ZEL_KVD, "export", big.c_str(), "-o", out.c_str(), "--spectrum", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    // Wait until the temporary file is there, then interrupt. Bounded by a
    // minute, as a loaded machine may start the program late.
    bool writing = false;
    const auto until = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!writing && std::chrono::steady_clock::now() < until) {
      for (const std::string& name : names())
        if (name.find(".kvd-part-") != std::string::npos) writing = true;
      if (!writing) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(writing) << "the export did not start";
    ::kill(pid, signal);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) GTEST_SKIP() << "the export finished before the signal came";
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(names(), (std::vector<std::string>{"big.kvd", "good.kvd"})) << signal;
  }
}

TEST_F(KvdProgram, AnOutputInAFolderThatCannotBeWritten) {
  const Result r = kvd({"export", good, "-o", (folder / "none" / "x.csv").string()});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "kvd: " + (folder / "none" / "x.csv").string() +
                       ": cannot be written (No such file or directory)\n");
  EXPECT_EQ(names(), std::vector<std::string>{"good.kvd"});
}

}  // namespace
