// The archive on both of its databases: importing a full download of
// 65,535 records into a new archive, and the same records again under
// another file (every one known); and on an archive of a million records,
// the records of one object and of one device in one month, counted and
// read. The PostgreSQL server is the benchmarks' own (tests/archive/
// pg-server, on a Unix socket in the build tree), stopped when they end;
// the measurement files, the large SQLite archive and the server's data
// stay in the build tree for the next run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "kvd/archive/archive.h"
#include "kvd/archive/sha256.h"
#include "tests/archive/test_server.h"
#include "tests/bench/large_archive.h"

namespace {

namespace fs = std::filesystem;
using namespace zel::archive;
using namespace zel::archive::bench;

const fs::path& downloadFile() {
  static const fs::path file = measurementFile("download", 0, kFileRecords);
  return file;
}
// The same records in a file of other contents.
const fs::path& downloadCopy() {
  static const fs::path file = measurementFile("download-again", 0, kFileRecords, 1);
  return file;
}

// A file copied just before would otherwise be written out during the
// import timed next: its commit waits for the file system's journal, which
// takes the copy's dirty pages with it.
void flushToDisk(const fs::path& file) {
  const int fd = ::open(file.c_str(), O_RDONLY);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

// The download itself under another name.
const fs::path& downloadRenamed() {
  static const fs::path file = [] {
    const fs::path to = benchDir() / "download-renamed.kvd";
    fs::copy_file(downloadFile(), to, fs::copy_options::overwrite_existing);
    flushToDisk(to);
    return to;
  }();
  return file;
}

// --- The databases -------------------------------------------------------

std::unique_ptr<Database> newDatabase(Dialect d, const std::string& name) {
  return d == Dialect::Postgres ? newPostgres(name) : newSqlite(benchDir() / (name + ".sqlite"));
}

// --- Import ----------------------------------------------------------------

void countRecords(benchmark::State& state, std::size_t records) {
  state.counters["records_per_s"] =
      benchmark::Counter(static_cast<double>(state.iterations() * records), benchmark::Counter::kIsRate);
}

// Times importing `file` into the archive that `open` gives for each run,
// where every record of it is to be new (`fresh`) or else known.
void timeImport(benchmark::State& state, const std::function<std::unique_ptr<Database>()>& open,
                const fs::path& file, bool fresh) {
  for (auto _ : state) {
    state.PauseTiming();
    auto archive = std::make_unique<Archive>(open());
    state.ResumeTiming();
    const ImportResult r = importFile(*archive, file);
    state.PauseTiming();
    if ((fresh ? r.fresh : r.known) != kFileRecords) state.SkipWithError("the records were not as new as made");
    archive.reset();
    state.ResumeTiming();
  }
  countRecords(state, kFileRecords);
}

void BM_ImportIntoNewArchive(benchmark::State& state, Dialect dialect) {
  timeImport(state, [&] { return newDatabase(dialect, "bench_new"); }, downloadFile(), true);
}

// An archive that holds the download, copied for each run.
std::unique_ptr<Database> archiveWithDownload(Dialect dialect) {
  static std::map<Dialect, bool> made;
  const fs::path base = benchDir() / "bench_known_base.sqlite";
  if (!made[dialect]) {
    Archive archive(newDatabase(dialect, "bench_known_base"));
    importFile(archive, downloadFile());
    made[dialect] = true;
  }
  if (dialect == Dialect::Postgres) return newPostgres("bench_known", "bench_known_base");
  const fs::path copy = benchDir() / "bench_known.sqlite";
  fs::copy_file(base, copy, fs::copy_options::overwrite_existing);
  flushToDisk(copy);
  return openSqlite(copy, false);
}

void BM_ImportKnownRecords(benchmark::State& state, Dialect dialect) {
  timeImport(state, [&] { return archiveWithDownload(dialect); }, downloadCopy(), false);
}

// The same bytes at another path: every record known without being read.
void BM_ImportRenamedCopy(benchmark::State& state, Dialect dialect) {
  timeImport(state, [&] { return archiveWithDownload(dialect); }, downloadRenamed(), false);
}

// --- Beside the yardstick -------------------------------------------------------

// tests/bench/python_sqlite_import.py: Python's sqlite3 module keeping the
// same columns, the same sightings and the same indexes.
const fs::path kYardstick = fs::path(__FILE__).parent_path() / "python_sqlite_import.py";

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// The yardstick's "new" and "known" seconds of one run.
std::map<std::string, double> runYardstick() {
  const std::string command = "/usr/bin/python3 '" + kYardstick.string() + "' '" + downloadFile().string() +
                              "' --known '" + downloadCopy().string() + "' --runs 1";
  std::map<std::string, double> out;
  std::unique_ptr<FILE, decltype(&pclose)> pipe(popen(command.c_str(), "r"), &pclose);
  char name[16];
  double seconds = 0;
  while (pipe && std::fscanf(pipe.get(), "%15s %lf", name, &seconds) == 2) out[name] = seconds;
  return out;
}

// kvd and the yardstick one after the other in each run, so that both see
// the machine as it is: the download into a new SQLite archive, then its
// copy of other contents (every record known) into the same archive. The
// time reported is kvd's new archive; the counters are the medians of both
// and how many times as fast kvd is.
void BM_ImportBesidePython(benchmark::State& state) {
  std::vector<double> kvdNew, kvdKnown, pyNew, pyKnown;
  for (auto _ : state) {
    auto archive = std::make_unique<Archive>(newDatabase(Dialect::Sqlite, "bench_beside"));
    auto start = std::chrono::steady_clock::now();
    const ImportResult fresh = importFile(*archive, downloadFile());
    kvdNew.push_back(secondsSince(start));
    start = std::chrono::steady_clock::now();
    const ImportResult known = importFile(*archive, downloadCopy());
    kvdKnown.push_back(secondsSince(start));
    archive.reset();
    state.SetIterationTime(kvdNew.back());
    if (fresh.fresh != kFileRecords || known.known != kFileRecords) state.SkipWithError("the records were not as made");
    auto python = runYardstick();
    if (!python.count("new") || !python.count("known")) state.SkipWithError("the yardstick did not run");
    pyNew.push_back(python["new"]);
    pyKnown.push_back(python["known"]);
  }
  state.counters["kvd_new_s"] = median(kvdNew);
  state.counters["python_new_s"] = median(pyNew);
  state.counters["new_x"] = median(pyNew) / median(kvdNew);
  state.counters["kvd_known_s"] = median(kvdKnown);
  state.counters["python_known_s"] = median(pyKnown);
  state.counters["known_x"] = median(pyKnown) / median(kvdKnown);
  double load[1] = {0};
  if (getloadavg(load, 1) == 1) state.counters["load1"] = load[0];
}

// --- A million records -------------------------------------------------------

Selection oneObject() {
  Selection s;
  s.object = "Object 42";
  return s;
}

Selection oneDeviceOneMonth() {
  Selection s;
  s.device = kFirstDevice + 17;
  s.from = zel::cli::DateTime{2016, 3, 1, 0, 0, 0};
  s.to = zel::cli::DateTime{2016, 3, 31, 23, 59, 59};
  return s;
}

void BM_Count(benchmark::State& state, Dialect dialect, Selection (*selection)()) {
  Archive& archive = largeArchive(dialect);
  const Selection s = selection();
  std::uint64_t n = 0;
  for (auto _ : state) benchmark::DoNotOptimize(n = archive.countRecords(s));
  state.counters["records"] = static_cast<double>(n);
  if (n == 0) state.SkipWithError("the selection holds no records");
}

void BM_ForEach(benchmark::State& state, Dialect dialect, Selection (*selection)()) {
  Archive& archive = largeArchive(dialect);
  const Selection s = selection();
  std::uint64_t n = 0;
  for (auto _ : state) {
    n = 0;
    archive.forEachRecord(s, [&](const StoredRecord& r) { n += r.record.bytes[0] != 0xFF; });
  }
  state.counters["records"] = static_cast<double>(n);
  countRecords(state, n);
}

constexpr auto kSqlite = Dialect::Sqlite;
constexpr auto kPostgres = Dialect::Postgres;

}  // namespace

BENCHMARK(BM_ImportBesidePython)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK_CAPTURE(BM_ImportIntoNewArchive, sqlite, kSqlite)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK_CAPTURE(BM_ImportKnownRecords, sqlite, kSqlite)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK_CAPTURE(BM_ImportRenamedCopy, sqlite, kSqlite)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK_CAPTURE(BM_ImportIntoNewArchive, postgres, kPostgres)
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK_CAPTURE(BM_ImportKnownRecords, postgres, kPostgres)
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK_CAPTURE(BM_ImportRenamedCopy, postgres, kPostgres)
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK_CAPTURE(BM_Count, sqlite_object, kSqlite, oneObject)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_ForEach, sqlite_object, kSqlite, oneObject)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Count, sqlite_device_month, kSqlite, oneDeviceOneMonth)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_ForEach, sqlite_device_month, kSqlite, oneDeviceOneMonth)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Count, postgres_object, kPostgres, oneObject)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_ForEach, postgres_object, kPostgres, oneObject)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Count, postgres_device_month, kPostgres, oneDeviceOneMonth)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_ForEach, postgres_device_month, kPostgres, oneDeviceOneMonth)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
