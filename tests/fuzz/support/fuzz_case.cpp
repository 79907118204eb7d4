// The fuzz targets' inputs from text:
//   fuzz_case seeds KIND DIR   writes the seed inputs of a kind of target
//   fuzz_case bytes CASE OUT   turns a kept case into the bytes it stands for
// A kept case is text: NAME.hex (hex digits; blanks, line ends and # comments
// set aside), NAME.desc (a sample generator description: the file it
// builds) or NAME.txt (its bytes as they are).
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "common/record.h"
#include "tools/kvdgen/kvd_description.h"

namespace {

using namespace std::string_view_literals;
using Bytes = std::vector<std::uint8_t>;

// Stored values at the edges of what the fields hold, for the record seeds.
const char* const kEdgeRecords[] = {
    "mode=20 primaryResult=4 primaryError=1",
    "mode=20 primaryResult=90 primaryError=3",
    "mode=20 primaryResult=123 primaryError=7",
    "mode=20 primaryResult=0x80000000",
    "mode=3 primaryResult=0xFFFFFFFF",
    "mode=7 ca=-0.001",
    "mode=7 ca=999999.9",
    "mode=7 ca=1e30",
    "mode=300 primaryResult=1 primaryError=1",
    "mode=0xFFFF pulseCount=65535",
    "mode=14 bounds=300,65535,0 spectrum=flat(65535)",
    "mode=14 bounds=254,255,256 spectrum=channel(255,65535)+channel(18,1)",
    "mode=1 bounds=0,0 spectrum=peak(30,60000,40)",
    "mode=25 temperature=-128 humidity=65535 pressure=65535 pulseCount=65535 countN1=65535 countN2=65535"
    " countN3=65535 pumpingTime=65535 delayTime=65535 measurementTime=65535 cycleCount=65535",
    "mode=21 primaryResult=4294967295 primaryError=4294967295 integralResult=4294967295 integralError=4294967295"
    " eecRn=4294967295 eecRnError=4294967295 eecTn=4294967295 eecTnError=4294967295 deviceNumber=4294967295",
    "mode=15 ca=-1e-30 cb=3.4e38 cc=-3.4e38 kv=0.0005 fd=-999999.999 variantFlag=255",
    "date=31.12.65535 time=255:255:255 deviceNumber=0xFFFFFFFF",
    "date=0.0.0 time=0:0:0",
};

// Event tails of the panel seeds: bytes the panel target reads from the end.
const std::string_view kPanelTails[] = {
    ""sv,
    "\x00\x20\x01\x10\x00\x90\x00\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a"sv,
    "\x01\x01\x00\x64\x00\xC8\x00\x01\x02\x05\x05\x05\x06\x06\x07\x07"sv,
    "\xFF\xFF\x7F\xFF\x80\x00\x00\x09\x0a\x08\x05\x01\x00"sv,
};

const char* const kViewerCommandLines[] = {
    "ZelV_14.exe C:\\data\\demo.kvd,3",
    "\"C:\\Program Files\\ZelViewer\\ZelV_01.exe\" \"C:\\my data\\m,1.kvd,12\"",
    "\"C:\\Program Files\\ZelViewer\\ZelV_07.exe\"  C:\\d.kvd,",
    "ZelV_20.exe C:\\d.kvd,18446744073709551616",
    "ZelV_20.exe C:\\d.kvd,-1",
    "ZelV_20.exe C:\\d.kvd,1a",
    "ZelV_20.exe ,5",
    "ZelV_20.exe",
    "\"ZelV_20.exe",
};

const std::string_view kBrowserCommandLines[] = {
    "\"C:\\Program Files\\ZelViewer\\ZelViewer.exe\" \"C:\\my data\\m.kvd\"\0"
    "C:\\Program Files\\ZelViewer\\ZelViewer.exe"sv,
    "ZelViewer.exe C:\\data\\demo.kvd more\0C:\\z\\ZelViewer.exe"sv,
    "ZelViewer \"\" \"C:\\a b\\c.kvd"sv,
    "\"ZelViewer.exe\"\0\\ZelViewer.exe"sv,
    "\"C:\\a\\ZelViewer.exe"sv,
};

// The companion's argument vectors, NUL between the arguments, over the
// files that its fuzzer keeps in its folder.
const std::vector<std::vector<const char*>> kKvdArguments = {
    {"list", "a.kvd", "b.kvd"},
    {"list", "a.kvd", "--units", "pci"},
    {"show", "a.kvd,3", "c,1.kvd", "b.kvd,"},
    {"export", "a.kvd", "b.kvd", "-o", "out.csv", "--csv-style", "excel-ru", "--spectrum"},
    {"export", "a.kvd", "-o", "out.json", "--units", "pci"},
    {"export", "b.kvd", "-o", "out.dif"},
    {"export", "a.kvd", "-o", "out.xlsx"},
    {"export", "a.kvd", "-o", "out", "--format", "jsonl"},
    {"stats", "a.kvd", "--from", "01.07.2019", "--to", "2019-07-02 12:00", "--mode", "14", "--format", "json"},
    {"report", "a.kvd", "b.kvd", "-o", "r.html", "--pages", "0,2-4", "--norm", "who", "--lang", "ru", "--title", "T"},
    {"render", "a.kvd,2", "-o", "p.svg", "--spectrum"},
    {"--version"},
    {"export", "--help"},
    {"show", "short.kvd", "note.txt", "missing.kvd"},
};

const char* const kDescriptions[] = {
    "mode=14 date=05.07.2019 time=09:04:07 temperature=23 humidity=45\n"
    "# a comment\n"
    "mode=1 bounds=44,46 spectrum=peak(60,500,3)+peak(100,200,4)+flat(2)+channel(7,9)+decay(18,20,30)\n"
    "byte@0=0x5A byte@687=255 repeat=3\n"
    "trailing=100\n",
    "ca=0.25 cb=-1.5e3 cc=2 kv=0 fd=1.5 variantFlag=1 modeCode=0x14 windowBound3=65535 repeat=0\n",
    "mode=x\n",
    "spectrum=peak(1,2)\n",
    "trailing=688\n",
};

Bytes fromText(std::string_view s) { return Bytes(s.begin(), s.end()); }

Bytes demoFile() {
  Bytes bytes;
  zel::kvd::ParseError error;
  zel::kvd::buildFile(zel::kvd::demoDescription(), bytes, error);
  return bytes;
}

Bytes recordOf(const char* line) {
  zel::MeasurementRecord r;
  int repeat = 1;
  std::string error;
  if (!zel::kvd::applyLine(line, r, repeat, error)) std::cerr << "fuzz_case: " << line << ": " << error << "\n";
  return Bytes(r.bytes.begin(), r.bytes.end());
}

std::vector<Bytes> demoRecords() {
  const Bytes demo = demoFile();
  std::vector<Bytes> out;
  for (std::size_t at = 0; at + zel::kRecordSize <= demo.size(); at += zel::kRecordSize)
    out.emplace_back(demo.begin() + static_cast<std::ptrdiff_t>(at),
                     demo.begin() + static_cast<std::ptrdiff_t>(at + zel::kRecordSize));
  for (const char* line : kEdgeRecords) out.push_back(recordOf(line));
  return out;
}

std::vector<Bytes> seeds(std::string_view kind) {
  std::vector<Bytes> out;
  if (kind == "record") return demoRecords();
  if (kind == "panel") {
    for (const Bytes& record : demoRecords()) {
      for (std::string_view tail : kPanelTails) {
        Bytes seed = record;
        seed.insert(seed.end(), tail.begin(), tail.end());
        out.push_back(std::move(seed));
      }
    }
    // A long sequence of events, so that the inputs may grow to one.
    Bytes longSeed = demoRecords().front();
    for (int i = 0; i < 1200; ++i) longSeed.push_back(static_cast<std::uint8_t>(i * 37));
    out.push_back(std::move(longSeed));
  } else if (kind == "file") {
    const Bytes demo = demoFile();
    out.push_back(demo);
    Bytes trailing = demo;
    trailing.insert(trailing.end(), 300, 0xA5);
    out.push_back(trailing);
    out.emplace_back(demo.begin(), demo.begin() + 3 * zel::kRecordSize);
    Bytes edges;
    for (const Bytes& record : demoRecords()) edges.insert(edges.end(), record.begin(), record.end());
    out.push_back(edges);
    out.emplace_back(100, 0);
  } else if (kind == "description") {
    const std::string demo = zel::kvd::demoDescription();
    out.push_back(fromText(demo));
    std::size_t start = 0;
    while (start < demo.size()) {
      const std::size_t end = demo.find('\n', start);
      out.push_back(fromText(std::string_view(demo).substr(start, end - start)));
      start = end == std::string::npos ? demo.size() : end + 1;
    }
    for (const char* line : kEdgeRecords) out.push_back(fromText(line));
    for (const char* text : kDescriptions) out.push_back(fromText(text));
  } else if (kind == "viewer-command-line") {
    for (const char* line : kViewerCommandLines) out.push_back(fromText(line));
  } else if (kind == "browser-command-line") {
    for (std::string_view line : kBrowserCommandLines) out.push_back(fromText(line));
  } else if (kind == "kvd-arguments") {
    for (const std::vector<const char*>& arguments : kKvdArguments) {
      Bytes seed;
      for (const char* argument : arguments) {
        if (!seed.empty()) seed.push_back(0);
        seed.insert(seed.end(), argument, argument + std::char_traits<char>::length(argument));
      }
      out.push_back(std::move(seed));
    }
  } else {
    std::cerr << "fuzz_case: no seeds of kind " << kind << "\n";
    std::exit(2);
  }
  return out;
}

bool writeFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool fromHex(std::string_view text, Bytes& out) {
  int high = -1;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '#') {
      i = text.find('\n', i);
      if (i == std::string_view::npos) break;
      continue;
    }
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
    const int d = hexDigit(c);
    if (d < 0) return false;
    if (high < 0) {
      high = d;
    } else {
      out.push_back(static_cast<std::uint8_t>(high << 4 | d));
      high = -1;
    }
  }
  return high < 0;
}

bool endsWith(std::string_view s, std::string_view end) {
  return s.size() >= end.size() && s.substr(s.size() - end.size()) == end;
}

int caseBytes(const std::string& path, const std::string& outPath) {
  std::ifstream in(path, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), {});
  if (!in && !in.eof()) {
    std::cerr << "fuzz_case: cannot read " << path << "\n";
    return 1;
  }
  Bytes bytes;
  if (endsWith(path, ".hex")) {
    if (!fromHex(text, bytes)) {
      std::cerr << "fuzz_case: " << path << ": not hex\n";
      return 1;
    }
  } else if (endsWith(path, ".desc")) {
    zel::kvd::ParseError error;
    if (!zel::kvd::buildFile(text, bytes, error)) {
      std::cerr << "fuzz_case: " << path << ": line " << error.line << ": " << error.message << "\n";
      return 1;
    }
  } else if (endsWith(path, ".txt")) {
    bytes = fromText(text);
  } else {
    std::cerr << "fuzz_case: " << path << ": a case is .hex, .desc or .txt\n";
    return 1;
  }
  return writeFile(outPath, bytes) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string_view(argv[1]) == "bytes") return caseBytes(argv[2], argv[3]);
  if (argc == 4 && std::string_view(argv[1]) == "seeds") {
    int n = 0;
    for (const Bytes& seed : seeds(argv[2])) {
      char name[32];
      std::snprintf(name, sizeof name, "/seed-%03d", n++);
      if (!writeFile(argv[3] + std::string(name), seed)) {
        std::cerr << "fuzz_case: cannot write into " << argv[3] << "\n";
        return 1;
      }
    }
    return 0;
  }
  std::cerr << "usage: fuzz_case seeds KIND DIR | fuzz_case bytes CASE OUT\n";
  return 2;
}
