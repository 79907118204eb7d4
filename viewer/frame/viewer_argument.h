// The viewer's one argument: the measurement file, a comma, the record index.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/record.h"

namespace zel::viewer {

struct CommandLineArgument {
  bool given = false;
  std::string text;
};

// Takes the argument from the program's command line: after the program path
// (quoted, or up to its first blank), one separating blank and one more blank
// if present; a quoted argument runs to its closing quote.
CommandLineArgument argumentFromCommandLine(std::string_view commandLine);

enum class ArgumentStatus { Ok, FormatError, OpenError11, OpenError12 };

struct ViewerArgument {
  ArgumentStatus status = ArgumentStatus::FormatError;
  std::string path;
  // Saturates instead of wrapping: an index too large for any file reads as
  // past its end.
  std::uint64_t index = 0;
};

// The file part ends at the last comma after the first character; the index
// part is decimal digits only, empty meaning record 0.
ViewerArgument parseViewerArgument(const CommandLineArgument& argument);

// Reads records out of a measurement file for the viewer.
class RecordSource {
 public:
  virtual ~RecordSource() = default;
  virtual bool open(const std::string& path) = 0;
  virtual std::uint64_t size() = 0;
  // Reads up to `count` bytes at `offset`; returns how many were delivered.
  virtual std::size_t readAt(std::uint64_t offset, std::uint8_t* out, std::size_t count) = 0;
  virtual void close() = 0;
};

enum class LoadStatus { Ok, FormatError, OpenError11, OpenError12, NoFile };

struct LoadResult {
  LoadStatus status = LoadStatus::FormatError;
  std::string path;
};

// Parses the argument and reads its record into `record` (which stays all
// zero where the file delivers no bytes: an index past the end is no error).
LoadResult loadRecord(const CommandLineArgument& argument, RecordSource& source, MeasurementRecord& record);

// The fixed part of the message for a file that cannot be opened; the path
// follows it.
inline constexpr char kNoFileMessage[] = "No file: ";

// The message a failed load shows: "Format error", "Open error 11",
// "Open error 12", or "No file: " followed by the path.
std::string loadMessage(const LoadResult& result);

}  // namespace zel::viewer
