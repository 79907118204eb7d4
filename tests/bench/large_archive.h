// The archives the benchmarks share, made once and kept in the build tree
// (build/native/archive-bench): measurement files made by kvdgen, the
// benchmarks' own PostgreSQL server, and the archive of a million records
// of 50 devices measuring hourly from 2015 on, each device moved every 30
// days to a point of another of 100 objects.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "kvd/archive/archive.h"
#include "tests/archive/test_server.h"

namespace zel::archive::bench {

inline constexpr std::size_t kFileRecords = 65535;
inline constexpr std::size_t kLargeFiles = 16;
inline constexpr std::size_t kLargeFileRecords = 62500;  // 16 files: a million records
inline constexpr std::uint64_t kLargeRecords = kLargeFiles * kLargeFileRecords;
inline constexpr unsigned kDevices = 50;
inline constexpr unsigned kFirstDevice = 1100;
inline constexpr int kObjects = 100;

std::filesystem::path benchDir();
// Record g of the series: device kFirstDevice + g % kDevices, each device
// measuring once an hour from 1 January 2015 on.
cli::DateTime timeOf(std::size_t g);
// A measurement file of `count` different records from record `first` on,
// made by kvdgen; `trailing` bytes after them make another file of the same
// records.
std::filesystem::path measurementFile(const std::string& name, std::size_t first, std::size_t count,
                                      int trailing = 0);
ImportResult importFile(Archive& archive, const std::filesystem::path& file);

test::TestServer& server();
std::unique_ptr<Database> newPostgres(const std::string& name, const std::string& from = "template0");
std::unique_ptr<Database> newSqlite(const std::filesystem::path& file);

// The million-record archive, made on first use (minutes) and kept.
Archive& largeArchive(Dialect dialect);

}  // namespace zel::archive::bench
