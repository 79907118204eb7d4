// The measurement files that a command names: each is checked (named .kvd,
// present, a file, readable, at least one whole record), opened for reading
// only, and read from its start in large pieces. A file that fails is
// reported on standard error with the reason and the command goes on with
// the next one.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "browser/summary_list.h"
#include "common/record.h"
#include "kvd/io/file_name.h"
#include "kvd/io/text_sink.h"

namespace zel::cli {

// The file arguments as names with their paths, wildcards expanded where
// the platform's shell does not do it.
std::vector<FileName> expandFileArguments(const std::vector<std::string>& arguments);

// Why a file of `size` bytes holds no records ("is empty: no records",
// "holds no whole record (…)"), empty when it holds at least one.
std::string recordSizeRefusal(std::uint64_t size);

class RecordFile {
 public:
  RecordFile() = default;
  RecordFile(const RecordFile&) = delete;
  RecordFile& operator=(const RecordFile&) = delete;

  // Checks and opens the file; on failure says why on `diagnostics` and
  // returns false.
  bool open(const FileName& name, Diagnostics& diagnostics);

  const std::string& name() const { return name_; }
  const std::filesystem::path& path() const { return path_; }
  std::uint64_t size() const { return size_; }
  // Whole records, by the size taken when the file was opened.
  std::uint64_t recordCount() const { return size_ / kRecordSize; }

  // The next record in file order; false at the end (or when the file
  // delivers fewer bytes than its size promised).
  bool next(MeasurementRecord& record);
  // Record `index` (0-based); false past the end.
  bool readAt(std::uint64_t index, MeasurementRecord& record);

  // Says once what was left unread: a partial record at the end, or a file
  // that ended before its size. Closes the file.
  void finish(Diagnostics& diagnostics);

 private:
  bool fill();

  std::string name_;
  std::filesystem::path path_;
  std::ifstream in_;
  std::uint64_t size_ = 0;
  std::uint64_t delivered_ = 0;  // records handed out by next()
  std::unique_ptr<std::uint8_t[]> chunk_;
  std::size_t chunkRecords_ = 0;
  std::size_t chunkAt_ = 0;
  bool shortRead_ = false;
};

// The browser's FileSource over an opened RecordFile's path, for the DIF,
// which is built from the browser's own summary list.
class PathFileSource : public browser::FileSource {
 public:
  explicit PathFileSource(std::filesystem::path path) : path_(std::move(path)) {}
  bool open(const char*) override;
  std::uint64_t size() override;
  std::size_t read(std::uint8_t* out, std::size_t count) override;
  void close() override;

 private:
  std::filesystem::path path_;
  std::ifstream in_;
  std::uint64_t size_ = 0;
};

}  // namespace zel::cli
