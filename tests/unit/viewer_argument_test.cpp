#include "viewer/frame/viewer_argument.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace zel::viewer {
namespace {

struct CommandLineCase {
  const char* line;
  bool given;
  const char* argument;
};

TEST(ViewerCommandLine, TakesTheArgumentAfterTheProgramPath) {
  const CommandLineCase cases[] = {
      {"ZelV_01.exe C:\\data\\m1.kvd,5", true, "C:\\data\\m1.kvd,5"},
      {"ZelV_01.exe  C:\\m1.kvd,5", true, "C:\\m1.kvd,5"},
      {"ZelV_01.exe   C:\\m1.kvd,5", true, " C:\\m1.kvd,5"},  // a third blank belongs to the path
      {"ZelV_01.exe", false, ""},
      {"ZelV_01.exe ", false, ""},
      {"ZelV_01.exe \"C:\\my data\\m1.kvd,5\"", true, "C:\\my data\\m1.kvd,5"},
      {"ZelV_01.exe \"C:\\my data\\m1.kvd\",5", true, "C:\\my data\\m1.kvd"},
      {"ZelV_01.exe \"C:\\m1.kvd,5", true, "C:\\m1.kvd,5"},  // no closing quote: to the end
      // A quoted program path ends at its closing quote, blanks and all.
      {"\"C:\\Program Files\\Zel\\ZelV_01.exe\" C:\\m1.kvd,5", true, "C:\\m1.kvd,5"},
      {"\"C:\\Zel\\ZelV_01.exe\"  C:\\m1.kvd,5", true, "C:\\m1.kvd,5"},
      {"\"C:\\Program Files\\Zel\\ZelV_01.exe\"", false, ""},
      {"\"C:\\Program Files\\Zel\\ZelV_01.exe\" ", false, ""},
      {"\"C:\\unclosed path ZelV_01.exe m.kvd,1", false, ""},
  };
  for (const auto& c : cases) {
    const CommandLineArgument a = argumentFromCommandLine(c.line);
    EXPECT_EQ(a.given, c.given) << c.line;
    EXPECT_EQ(a.text, c.argument) << c.line;
  }
}

TEST(ViewerCommandLine, KeepsAnArgumentOfAnyLength) {
  const std::string path = "C:\\" + std::string(300, 'd') + "\\m.kvd";
  const CommandLineArgument a = argumentFromCommandLine("ZelV_01.exe " + path + ",123");
  EXPECT_EQ(a.text, path + ",123");
}

struct GrammarCase {
  const char* argument;
  ArgumentStatus status;
  const char* path;
  std::uint64_t index;
};

TEST(ViewerArgumentGrammar, FilePartCommaIndex) {
  using S = ArgumentStatus;
  const GrammarCase cases[] = {
      {"C:\\data\\m1.kvd,5", S::Ok, "C:\\data\\m1.kvd", 5},
      {"m1.kvd,", S::Ok, "m1.kvd", 0},
      {"m1.kvd,0", S::Ok, "m1.kvd", 0},
      {"m1.kvd,4294967296", S::Ok, "m1.kvd", 4294967296ull},
      {"m1.kvd,99999999999999999999999", S::Ok, "m1.kvd", UINT64_MAX},  // saturates, never wraps
      {"a,b.kvd,5", S::Ok, "a,b.kvd", 5},  // the last comma separates
      {"C:\\my data\\m1.kvd,5", S::Ok, "C:\\my data\\m1.kvd", 5},
      {"m1.kvd", S::FormatError, "", 0},
      {"", S::FormatError, "", 0},
      {",5", S::FormatError, "", 0},  // a comma in the first position is not seen
      {"m1.kvd,5 ", S::OpenError11, "", 0},
      {"m1.kvd,-5", S::OpenError11, "", 0},
      {"m1.kvd,+5", S::OpenError11, "", 0},
      {"m1.kvd,5.0", S::OpenError11, "", 0},
      {"m1.kvd,5a", S::OpenError12, "", 0},
      {"a,b.kvd", S::OpenError12, "", 0},  // the index part starts with a letter
  };
  for (const auto& c : cases) {
    const ViewerArgument a = parseViewerArgument({true, c.argument});
    EXPECT_EQ(a.status, c.status) << c.argument;
    if (c.status == S::Ok) {
      EXPECT_EQ(a.path, c.path) << c.argument;
      EXPECT_EQ(a.index, c.index) << c.argument;
    }
  }
  EXPECT_EQ(parseViewerArgument({false, ""}).status, S::FormatError);
}

// A measurement file in memory.
class MemorySource : public RecordSource {
 public:
  std::map<std::string, std::vector<std::uint8_t>> files;
  std::vector<std::uint64_t> reads;
  bool open(const std::string& path) override {
    auto it = files.find(path);
    current_ = it == files.end() ? nullptr : &it->second;
    return current_ != nullptr;
  }
  std::uint64_t size() override { return current_->size(); }
  std::size_t readAt(std::uint64_t offset, std::uint8_t* out, std::size_t count) override {
    reads.push_back(offset);
    std::size_t n = 0;
    for (; n < count && offset + n < current_->size(); ++n) out[n] = (*current_)[offset + n];
    return n;
  }
  void close() override { current_ = nullptr; }

 private:
  std::vector<std::uint8_t>* current_ = nullptr;
};

std::vector<std::uint8_t> numberedRecords(int count, int extra = 0) {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count) * kRecordSize + static_cast<std::size_t>(extra));
  for (int i = 0; i < count; ++i) writeU16(bytes.data() + i * kRecordSize + offset::pulseCount, static_cast<std::uint16_t>(100 + i));
  for (int i = 0; i < extra; ++i) bytes[static_cast<std::size_t>(count) * kRecordSize + i] = 0xEE;
  return bytes;
}

TEST(LoadRecord, ReadsTheIndexedRecordOrZerosPastTheEnd) {
  MemorySource source;
  source.files["m.kvd"] = numberedRecords(2);
  source.files["short.kvd"] = numberedRecords(1, 100);
  struct {
    const char* argument;
    LoadStatus status;
    int pulses;  // -1: the record stays all zero
    std::string message;
  } cases[] = {
      {"m.kvd,0", LoadStatus::Ok, 100, ""},
      {"m.kvd,1", LoadStatus::Ok, 101, ""},
      {"m.kvd,2", LoadStatus::Ok, -1, ""},
      {"m.kvd,7", LoadStatus::Ok, -1, ""},
      {"m.kvd,6242685", LoadStatus::Ok, -1, ""},
      {"m.kvd,99999999999999999999", LoadStatus::Ok, -1, ""},
      {"nofile.kvd,0", LoadStatus::NoFile, -1, "No file: nofile.kvd"},
      {"m.kvd", LoadStatus::FormatError, -1, "Format error"},
      {"m.kvd,-5", LoadStatus::OpenError11, -1, "Open error 11"},
      {"m.kvd,5a", LoadStatus::OpenError12, -1, "Open error 12"},
  };
  for (const auto& c : cases) {
    MeasurementRecord r;
    const LoadResult result = loadRecord({true, c.argument}, source, r);
    EXPECT_EQ(result.status, c.status) << c.argument;
    EXPECT_EQ(loadMessage(result), c.message) << c.argument;
    if (c.pulses >= 0) {
      EXPECT_EQ(r.pulseCount(), c.pulses) << c.argument;
    } else {
      for (std::uint8_t b : r.bytes) ASSERT_EQ(b, 0) << c.argument;
    }
  }
  // A record cut short keeps zeros where the file delivers nothing.
  MeasurementRecord r;
  loadRecord({true, "short.kvd,1"}, source, r);
  EXPECT_EQ(r.bytes[0], 0xEE);
  EXPECT_EQ(r.bytes[99], 0xEE);
  EXPECT_EQ(r.bytes[100], 0);
  EXPECT_EQ(loadMessage(loadRecord({false, ""}, source, r)), "Format error");
}

}  // namespace
}  // namespace zel::viewer
