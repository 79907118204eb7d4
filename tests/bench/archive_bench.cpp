// The archive on both of its databases: importing a full download of
// 65,535 records into a new archive, and the same records again under
// another file (every one known); and on an archive of a million records,
// the records of one object and of one device in one month, counted and
// read. The PostgreSQL server is the benchmarks' own (tests/archive/
// pg-server, on a Unix socket in the build tree), stopped when they end;
// the measurement files, the large SQLite archive and the server's data
// stay in the build tree for the next run.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>

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
  return openSqlite(copy, false);
}

void BM_ImportKnownRecords(benchmark::State& state, Dialect dialect) {
  timeImport(state, [&] { return archiveWithDownload(dialect); }, downloadCopy(), false);
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

BENCHMARK_CAPTURE(BM_ImportIntoNewArchive, sqlite, kSqlite)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK_CAPTURE(BM_ImportKnownRecords, sqlite, kSqlite)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK_CAPTURE(BM_ImportIntoNewArchive, postgres, kPostgres)
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK_CAPTURE(BM_ImportKnownRecords, postgres, kPostgres)
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
