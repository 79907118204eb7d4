// kvd export of a full measurement file of 65,535 records (45 MB) from disk
// to disk, as the command runs it: CSV and JSON stream, XLSX in
// libxlsxwriter's constant-memory mode. Throughput is counted in bytes of
// the measurement file. The peak resident size of the process is reported
// after each run: exporting a file four times as large must not raise it.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <xlsxwriter.h>

#include "kvd/commands/commands.h"
#include "kvd/io/text_sink.h"
#include "tools/kvdgen/kvd_description.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kRecords = 65535;

// The demo's records of every mode, repeated to fill `records` records.
fs::path measurementFile(std::size_t records) {
  const fs::path path = fs::temp_directory_path() / ("kvd_bench_" + std::to_string(records) + ".kvd");
  if (fs::exists(path) && fs::file_size(path) == records * zel::kRecordSize) return path;
  std::vector<std::uint8_t> demo;
  zel::kvd::ParseError error;
  if (!zel::kvd::buildFile(zel::kvd::demoDescription(), demo, error) || demo.empty()) std::abort();
  // Written record by record, so that making the file does not raise the
  // peak resident size that the benchmarks report.
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  const std::size_t demoRecords = demo.size() / zel::kRecordSize;
  for (std::size_t k = 0; k < records; ++k)
    out.write(reinterpret_cast<const char*>(demo.data() + k % demoRecords * zel::kRecordSize),
              static_cast<std::streamsize>(zel::kRecordSize));
  return path;
}

double peakResidentMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

void exportFile(benchmark::State& state, std::size_t records, const char* extension,
                std::vector<std::string> options) {
  const fs::path input = measurementFile(records);
  const fs::path output = fs::temp_directory_path() / (std::string("kvd_bench_out") + extension);
  std::vector<std::string> arguments{"export", input.string(), "-o", output.string()};
  arguments.insert(arguments.end(), options.begin(), options.end());
  for (auto _ : state) {
    zel::cli::StringSink out, err;
    zel::cli::Streams io{out, err};
    if (zel::cli::run(arguments, io) != 0) state.SkipWithError(err.text().c_str());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * records * zel::kRecordSize));
  state.counters["output_MB"] = static_cast<double>(fs::file_size(output)) / 1e6;
  state.counters["peak_RSS_MB"] = peakResidentMegabytes();
  fs::remove(output);
}

void BM_KvdExportCsv(benchmark::State& state) { exportFile(state, kRecords, ".csv", {}); }
void BM_KvdExportJson(benchmark::State& state) { exportFile(state, kRecords, ".json", {}); }
void BM_KvdExportJsonLines(benchmark::State& state) { exportFile(state, kRecords, ".jsonl", {}); }
void BM_KvdExportXlsx(benchmark::State& state) { exportFile(state, kRecords, ".xlsx", {}); }
// 100,000 records: the figure set against openpyxl writing the same cells in
// its write-only mode (tests/bench/openpyxl_xlsx.py, run by hand).
void BM_KvdExportXlsx100k(benchmark::State& state) { exportFile(state, 100000, ".xlsx", {}); }
void BM_KvdExportCsvSpectrum(benchmark::State& state) { exportFile(state, kRecords, ".csv", {"--spectrum"}); }
void BM_KvdExportJsonSpectrum(benchmark::State& state) { exportFile(state, kRecords, ".json", {"--spectrum"}); }
void BM_KvdExportXlsxSpectrum(benchmark::State& state) { exportFile(state, kRecords, ".xlsx", {"--spectrum"}); }
// Four times the records: the peak resident size stays where it was.
void BM_KvdExportCsvFourFiles(benchmark::State& state) { exportFile(state, 4 * kRecords, ".csv", {}); }
void BM_KvdExportJsonFourFiles(benchmark::State& state) { exportFile(state, 4 * kRecords, ".json", {}); }
void BM_KvdExportXlsxFourFiles(benchmark::State& state) { exportFile(state, 4 * kRecords, ".xlsx", {}); }

// What libxlsxwriter itself needs for a sheet of that shape, without kvd:
// the same number of number cells (65,535 rows of 48), constant-memory mode.
// The floor under BM_KvdExportXlsx.
void BM_LibxlsxwriterSameCells(benchmark::State& state) {
  const fs::path output = fs::temp_directory_path() / "kvd_bench_floor.xlsx";
  for (auto _ : state) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* workbook = workbook_new_opt(output.c_str(), &options);
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Records");
    for (lxw_row_t r = 1; r <= kRecords; ++r)
      for (lxw_col_t c = 0; c < 48; ++c) worksheet_write_number(sheet, r, c, static_cast<double>((r * 7 + c) % 3000), nullptr);
    if (workbook_close(workbook) != LXW_NO_ERROR) state.SkipWithError("workbook_close");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kRecords * zel::kRecordSize));
  fs::remove(output);
}

BENCHMARK(BM_KvdExportCsv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KvdExportJson)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KvdExportJsonLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KvdExportXlsx)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KvdExportXlsx100k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibxlsxwriterSameCells)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KvdExportCsvSpectrum)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KvdExportJsonSpectrum)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KvdExportXlsxSpectrum)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_KvdExportCsvFourFiles)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KvdExportJsonFourFiles)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KvdExportXlsxFourFiles)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
