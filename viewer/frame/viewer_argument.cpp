#include "viewer/frame/viewer_argument.h"

#include <algorithm>

namespace zel::viewer {

CommandLineArgument argumentFromCommandLine(std::string_view line) {
  CommandLineArgument result;
  std::size_t pos;
  if (!line.empty() && line[0] == '"') {
    // A quoted program path may contain blanks: it ends at its closing quote.
    const std::size_t close = line.find('"', 1);
    if (close == std::string_view::npos) return result;
    pos = close + 1;
    if (pos < line.size() && line[pos] == ' ') ++pos;
  } else {
    const std::size_t blank = line.find(' ');
    if (blank == std::string_view::npos) return result;
    pos = blank + 1;
  }
  if (pos >= line.size()) return result;
  if (line[pos] == ' ') ++pos;
  // The whole rest is kept: cutting it at a fixed length could drop digits of
  // the index and show another record without a word.
  std::string_view arg = line.substr(std::min(pos, line.size()));
  if (!arg.empty() && arg[0] == '"') {
    arg.remove_prefix(1);
    const std::size_t close = arg.find('"');
    if (close != std::string_view::npos) arg = arg.substr(0, close);
  }
  result.given = true;
  result.text.assign(arg);
  return result;
}

ViewerArgument parseViewerArgument(const CommandLineArgument& argument) {
  ViewerArgument result;
  if (!argument.given) return result;
  const std::string& text = argument.text;
  // The index part holds digits only, so the last comma is the separator and
  // a file name may contain commas. A comma in the first position is not seen.
  const std::size_t comma = text.rfind(',');
  if (comma == std::string::npos || comma == 0) return result;
  std::uint64_t index = 0;
  for (std::size_t i = comma + 1; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0') {
      result.status = ArgumentStatus::OpenError11;
      return result;
    }
    if (c > '9') {
      result.status = ArgumentStatus::OpenError12;
      return result;
    }
    const unsigned digit = static_cast<unsigned>(c - '0');
    index = index > (UINT64_MAX - digit) / 10 ? UINT64_MAX : index * 10 + digit;
  }
  result.status = ArgumentStatus::Ok;
  result.path = text.substr(0, comma);
  result.index = index;
  return result;
}

LoadResult loadRecord(const CommandLineArgument& argument, RecordSource& source, MeasurementRecord& record) {
  LoadResult result;
  const ViewerArgument parsed = parseViewerArgument(argument);
  switch (parsed.status) {
    case ArgumentStatus::FormatError: result.status = LoadStatus::FormatError; return result;
    case ArgumentStatus::OpenError11: result.status = LoadStatus::OpenError11; return result;
    case ArgumentStatus::OpenError12: result.status = LoadStatus::OpenError12; return result;
    case ArgumentStatus::Ok: break;
  }
  result.path = parsed.path;
  if (!source.open(parsed.path)) {
    result.status = LoadStatus::NoFile;
    return result;
  }
  std::uint64_t at = 0;
  if (recordOffset(parsed.index, at) && at < source.size()) {
    source.readAt(at, record.bytes.data(), kRecordSize);
  }
  source.close();
  result.status = LoadStatus::Ok;
  return result;
}

std::string loadMessage(const LoadResult& result) {
  switch (result.status) {
    case LoadStatus::FormatError: return "Format error";
    case LoadStatus::OpenError11: return "Open error 11";
    case LoadStatus::OpenError12: return "Open error 12";
    case LoadStatus::NoFile: return kNoFileMessage + result.path;
    case LoadStatus::Ok: break;
  }
  return {};
}

}  // namespace zel::viewer
