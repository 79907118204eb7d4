#include "tests/bench/large_archive.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>

#include "kvd/archive/sha256.h"

namespace zel::archive::bench {

namespace fs = std::filesystem;
using test::databaseUri;
using test::TestServer;

fs::path benchDir() {
  const fs::path dir = fs::path(ZEL_BENCH_DIR) / "archive-bench";
  fs::create_directories(dir);
  return dir;
}

zel::cli::DateTime timeOf(std::size_t g) {
  using namespace std::chrono;
  const auto t = sys_days{year{2015} / January / 1} + hours(g / kDevices);
  const year_month_day day{floor<days>(t)};
  const auto hour = static_cast<std::uint16_t>((t - floor<days>(t)).count());
  return {static_cast<std::uint16_t>(static_cast<int>(day.year())), static_cast<std::uint16_t>(unsigned(day.month())),
          static_cast<std::uint16_t>(unsigned(day.day())), hour, 0, 0};
}

fs::path measurementFile(const std::string& name, std::size_t first, std::size_t count, int trailing) {
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

TestServer& server() {
  static TestServer s(benchDir() / "pg");
  return s;
}

namespace {

void dropDatabase(const std::string& name) {
  openPostgres(server().uri())->execute("DROP DATABASE IF EXISTS " + name + " WITH (FORCE)");
}

}  // namespace

std::unique_ptr<Database> newPostgres(const std::string& name, const std::string& from) {
  dropDatabase(name);
  openPostgres(server().uri())->execute("CREATE DATABASE " + name + " TEMPLATE " + from);
  return openPostgres(databaseUri(server().uri(), name));
}

std::unique_ptr<Database> newSqlite(const fs::path& file) {
  for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(file.string() + suffix);
  return openSqlite(file, true);
}

namespace {

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

}  // namespace

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

}  // namespace zel::archive::bench
