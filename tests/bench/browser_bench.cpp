// The browser's two passes over a full file of 65,535 records (45 MB): building
// the summary list from the file's bytes, and writing the list's export.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "browser/dif_export.h"
#include "browser/summary_list.h"
#include "tools/kvdgen/kvd_description.h"

namespace {

using zel::browser::SummaryList;

constexpr std::size_t kRecords = 65535;

// The demo's records of every mode, repeated to fill the file.
const std::vector<std::uint8_t>& fileBytes() {
  static const std::vector<std::uint8_t> bytes = [] {
    std::vector<std::uint8_t> demo;
    zel::kvd::ParseError error;
    if (!zel::kvd::buildFile(zel::kvd::demoDescription(), demo, error) || demo.empty()) std::abort();
    std::vector<std::uint8_t> out(kRecords * zel::kRecordSize);
    for (std::size_t at = 0; at < out.size(); at += zel::kRecordSize)
      std::memcpy(out.data() + at, demo.data() + at % demo.size() / zel::kRecordSize * zel::kRecordSize,
                  zel::kRecordSize);
    return out;
  }();
  return bytes;
}

class MemoryFile : public zel::browser::FileSource {
 public:
  explicit MemoryFile(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
  bool open(const char*) override {
    at_ = 0;
    return true;
  }
  std::uint64_t size() override { return bytes_.size(); }
  std::size_t read(std::uint8_t* out, std::size_t count) override {
    const std::size_t n = std::min(count, bytes_.size() - at_);
    std::memcpy(out, bytes_.data() + at_, n);
    at_ += n;
    return n;
  }
  void close() override {}

 private:
  const std::vector<std::uint8_t>& bytes_;
  std::size_t at_ = 0;
};

void BM_BuildSummaryList(benchmark::State& state) {
  const std::vector<std::uint8_t>& bytes = fileBytes();
  MemoryFile file(bytes);
  for (auto _ : state) {
    file.open("bench.kvd");
    SummaryList list;
    if (zel::browser::readSummaryList(file, list) != zel::browser::ReadStatus::Ok) state.SkipWithError("read");
    benchmark::DoNotOptimize(list.begin());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_BuildSummaryList)->Unit(benchmark::kMillisecond);

SummaryList loadedList() {
  MemoryFile file(fileBytes());
  SummaryList list;
  zel::browser::readSummaryList(file, list);
  return list;
}

void BM_WriteDifExport(benchmark::State& state) {
  const SummaryList list = loadedList();
  std::size_t written = 0;
  for (auto _ : state) {
    const std::string bytes = zel::browser::buildDifExport(list, "C:\\data\\bench.kvd");
    written += bytes.size();
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(written));
}
BENCHMARK(BM_WriteDifExport)->Unit(benchmark::kMillisecond);

// The export as the program writes it: chunk by chunk to the file, here to a
// sink that only counts.
void BM_WriteDifExportChunks(benchmark::State& state) {
  struct Count : zel::browser::ByteSink {
    std::size_t bytes = 0;
    bool write(const char* data, std::size_t size) override {
      benchmark::DoNotOptimize(data);
      bytes += size;
      return true;
    }
  } sink;
  const SummaryList list = loadedList();
  for (auto _ : state) zel::browser::writeDifExport(list, "C:\\data\\bench.kvd", sink);
  state.SetBytesProcessed(static_cast<std::int64_t>(sink.bytes));
}
BENCHMARK(BM_WriteDifExportChunks)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
