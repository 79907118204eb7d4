// The viewer's command line, whatever a launcher or a user typed: the
// argument taken from it, the file and record index parsed out of that, and
// the record read from a file of three and a half records.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "support/fuzz_check.h"
#include "viewer/frame/viewer_argument.h"

namespace {

using zel::fuzz::require;
using namespace zel::viewer;

// Record i is filled with byte i + 1, so a record read from the wrong place
// shows.
std::vector<std::uint8_t> sampleFile() {
  std::vector<std::uint8_t> file(3 * zel::kRecordSize + zel::kRecordSize / 2);
  for (std::size_t i = 0; i < file.size(); ++i) file[i] = static_cast<std::uint8_t>(i / zel::kRecordSize + 1);
  return file;
}

class MemoryRecordSource : public RecordSource {
 public:
  explicit MemoryRecordSource(const std::vector<std::uint8_t>& file) : file_(file) {}
  // Either answer is possible for any name; the parity decides here.
  bool open(const std::string& path) override {
    require(!opened_, "the file opened twice");
    opened_ = path.size() % 2 == 0;
    return opened_;
  }
  std::uint64_t size() override {
    require(opened_, "size of a file not open");
    return file_.size();
  }
  std::size_t readAt(std::uint64_t offset, std::uint8_t* out, std::size_t count) override {
    require(opened_, "read from a file not open");
    require(offset < file_.size(), "read past the end of the file");
    const std::size_t n = std::min<std::size_t>(count, file_.size() - offset);
    std::memcpy(out, file_.data() + offset, n);
    return n;
  }
  void close() override {
    require(opened_, "a file closed that was not open");
    opened_ = false;
  }
  bool opened() const { return opened_; }

 private:
  const std::vector<std::uint8_t>& file_;
  bool opened_ = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::vector<std::uint8_t> file = sampleFile();
  const std::string_view line(reinterpret_cast<const char*>(data), size);

  const CommandLineArgument argument = argumentFromCommandLine(line);
  require(!argument.given || line.find(argument.text) != std::string_view::npos,
          "an argument that is not part of the command line");
  const CommandLineArgument again = argumentFromCommandLine(line);
  require(again.given == argument.given && again.text == argument.text, "the argument differs a second time");

  const ViewerArgument parsed = parseViewerArgument(argument);
  if (parsed.status == ArgumentStatus::Ok) {
    require(!parsed.path.empty() && argument.text.compare(0, parsed.path.size(), parsed.path) == 0 &&
                argument.text[parsed.path.size()] == ',',
            "the path is not the argument up to a comma");
    const std::string_view digits = std::string_view(argument.text).substr(parsed.path.size() + 1);
    require(digits.find_first_not_of("0123456789") == std::string_view::npos, "an index with other characters");
    if (digits.size() <= 18) require(parsed.index == std::stoull("0" + std::string(digits)), "another index");
  }

  MemoryRecordSource source(file);
  zel::MeasurementRecord record;
  const LoadResult loaded = loadRecord(argument, source, record);
  require(!source.opened(), "the file left open");
  if (loaded.status == LoadStatus::Ok) {
    // The indexed record as stored; the part past the end of the file stays zero.
    const std::uint64_t begin = parsed.index < file.size() / zel::kRecordSize + 1 ? parsed.index * zel::kRecordSize
                                                                                  : file.size();
    for (std::size_t i = 0; i < zel::kRecordSize; ++i) {
      const std::uint8_t expected = begin + i < file.size() ? file[begin + i] : 0;
      require(record.bytes[i] == expected, "record byte " + std::to_string(i) + " not as stored");
    }
    require(loadMessage(loaded).empty(), "a message for a record that loaded");
  } else {
    const std::string message = loadMessage(loaded);
    require(!message.empty(), "a failed load without a message");
    if (loaded.status == LoadStatus::NoFile) require(message == kNoFileMessage + parsed.path, "the no-file message");
  }
  return 0;
}
