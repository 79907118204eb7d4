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

namespace {

namespace fs = std::filesystem;
using namespace zel::archive;
using test::databaseUri;
using test::TestServer;

constexpr std::size_t kFileRecords = 65535;
constexpr std::size_t kLargeFiles = 16;
constexpr std::size_t kLargeFileRecords = 62500;  // 16 files: a million records
constexpr std::uint64_t kLargeRecords = kLargeFiles * kLargeFileRecords;
constexpr unsigned kDevices = 50;
constexpr unsigned kFirstDevice = 1100;
constexpr int kObjects = 100;

fs::path benchDir() {
  const fs::path dir = fs::path(ZEL_BENCH_DIR) / "archive-bench";
  fs::create_directories(dir);
  return dir;
}

// Record g of the series: device kFirstDevice + g % kDevices, each device
// measuring once an hour from 1 January 2015 on.
zel::cli::DateTime timeOf(std::size_t g) {
  using namespace std::chrono;
  const auto t = sys_days{year{2015} / January / 1} + hours(g / kDevices);
  const year_month_day day{floor<days>(t)};
  const auto hour = static_cast<std::uint16_t>((t - floor<days>(t)).count());
  return {static_cast<std::uint16_t>(static_cast<int>(day.year())), static_cast<std::uint16_t>(unsigned(day.month())),
          static_cast<std::uint16_t>(unsigned(day.day())), hour, 0, 0};
}

// A measurement file of `count` different records from record `first` on,
// made by kvdgen; `trailing` bytes after them make another file of the same
// records.
fs::path measurementFile(const std::string& name, std::size_t first, std::size_t count, int trailing = 0) {
  const fs::path path = benchDir() / (name + ".kvd");
  std::error_code ec;
  if (fs::file_size(path, ec) == count * zel::kRecordSize + static_cast<std::size_t>(trailing)) return path;
  const fs::path description = benchDir() / (name + ".txt");
  {
    std::ofstream out(description, std::ios::trunc);
    for (std::size_t g = first; g < first + count; ++g) {
      const auto t = timeOf(g);
      char line[256];
      std::snprintf(line, sizeof line,
                    "mode=14 deviceNumber=%u date=%02u.%02u.%04u time=%02u:00:00 eecRn=%zu eecRnError=5 "
                    "eecTn=%zu eecTnError=1 bounds=44,62,86 spectrum=flat(2)\n",
                    kFirstDevice + static_cast<unsigned>(g % kDevices), t.day, t.month, t.year, t.hour,
                    20 + g % 977, g % 13);
      out << line;
    }
    if (trailing) out << "trailing=" << trailing << "\n";
  }
  const std::string command = std::string("'") + ZEL_KVDGEN + "' '" + description.string() + "' '" + path.string() + "'";
  if (std::system(command.c_str()) != 0) throw std::runtime_error("kvdgen failed on " + description.string());
  fs::remove(description);
  return path;
}

const fs::path& downloadFile() {
  static const fs::path file = measurementFile("download", 0, kFileRecords);
  return file;
}
// The same records in a file of other contents.
const fs::path& downloadCopy() {
  static const fs::path file = measurementFile("download-again", 0, kFileRecords, 1);
  return file;
}

ImportResult importFile(Archive& archive, const fs::path& file) {
  const auto size = fs::file_size(file);
  const FileFacts facts{file.string(), fs::absolute(file).string(), size, sha256FileHex(file),
                        size % zel::kRecordSize};
  std::ifstream in(file, std::ios::binary);
  return archive.importFile(
      facts,
      [&](zel::MeasurementRecord& r) {
        return static_cast<bool>(in.read(reinterpret_cast<char*>(r.bytes.data()), zel::kRecordSize));
      },
      "bench", "localhost");
}

// --- The databases -------------------------------------------------------

TestServer& server() {
  static TestServer s(benchDir() / "pg");
  return s;
}

void dropDatabase(const std::string& name) {
  openPostgres(server().uri())->execute("DROP DATABASE IF EXISTS " + name + " WITH (FORCE)");
}

std::unique_ptr<Database> newPostgres(const std::string& name, const std::string& from = "template0") {
  dropDatabase(name);
  openPostgres(server().uri())->execute("CREATE DATABASE " + name + " TEMPLATE " + from);
  return openPostgres(databaseUri(server().uri(), name));
}

std::unique_ptr<Database> newSqlite(const fs::path& file) {
  for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(file.string() + suffix);
  return openSqlite(file, true);
}

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

// Each device moves every 30 days to a point of another object.
std::vector<PlanRow> largePlan() {
  std::vector<PlanRow> plan;
  const std::size_t hours = kLargeRecords / kDevices;
  for (unsigned d = 0; d < kDevices; ++d) {
    for (std::size_t from = 0, period = 0; from < hours; from += 30 * 24, ++period) {
      const std::string object = "Object " + std::to_string((d * 7 + period) % kObjects);
      const std::size_t to = std::min(hours, from + 30 * 24) - 1;
      Placement p{object, {"1", "Room " + std::to_string(period % 5), std::to_string(d)}, kFirstDevice + d,
                  timeOf(from * kDevices), timeOf(to * kDevices)};
      p.to.minute = 59;
      plan.push_back({plan.size() + 1, object, "Street " + object, p});
    }
  }
  return plan;
}

std::unique_ptr<Database> largeDatabase(Dialect dialect) {
  if (dialect == Dialect::Sqlite) return openSqlite(benchDir() / "large.sqlite", true);
  try {
    return openPostgres(databaseUri(server().uri(), "bench_large"));
  } catch (const DatabaseError&) {
    return newPostgres("bench_large");
  }
}

Archive& largeArchive(Dialect dialect) {
  static std::map<Dialect, std::unique_ptr<Archive>> archives;
  auto& archive = archives[dialect];
  if (archive) return *archive;
  archive = std::make_unique<Archive>(largeDatabase(dialect));
  if (archive->countRecords({}) != kLargeRecords) {
    archive = std::make_unique<Archive>(dialect == Dialect::Postgres ? newPostgres("bench_large")
                                                                     : newSqlite(benchDir() / "large.sqlite"));
    for (std::size_t f = 0; f < kLargeFiles; ++f) {
      const fs::path file = measurementFile("large-" + std::to_string(f), f * kLargeFileRecords, kLargeFileRecords);
      importFile(*archive, file);
      fs::remove(file);
    }
  }
  Selection unassigned;
  unassigned.unassigned = true;
  if (archive->countRecords(unassigned) != 0) {
    // The server's own analysis would have seen the imports by the time a
    // lab places them, and the placing by the time it reads them; right
    // after them, the queries would be planned on the statistics of an
    // archive whose records are nowhere yet.
    if (dialect == Dialect::Postgres) archive->database().execute("ANALYZE");
    archive->assignPlan(largePlan(), false);
    if (dialect == Dialect::Postgres) archive->database().execute("ANALYZE");
  }
  return *archive;
}

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
