// kvd export: the records of one or more files as one table, in XLSX, CSV,
// JSON, JSON Lines, or the record browser's own DIF. The output is written
// under a temporary name beside it and renamed when complete.
//
// The DIF describes one measurement file (its file cell names it), so it is
// made from exactly one input, by the browser's own code: its summary list
// and its writer, with the file name as given. Several inputs to one DIF are
// refused as a usage error.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "browser/dif_export.h"
#include "kvd/commands/commands.h"
#include "kvd/export/row_model.h"
#include "kvd/export/writers.h"
#include "kvd/commands/export_output.h"
#include "kvd/io/input.h"
#include "kvd/io/output_file.h"
#include "kvd/io/platform.h"

namespace zel::cli {

namespace {

namespace fs = std::filesystem;

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

std::optional<ExportFormat> exportFormatOfName(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  const std::size_t slash = name.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::nullopt;
  const std::string ext = lower(name.substr(dot + 1));
  if (ext == "xlsx") return ExportFormat::Xlsx;
  if (ext == "csv") return ExportFormat::Csv;
  if (ext == "json") return ExportFormat::Json;
  if (ext == "jsonl") return ExportFormat::JsonLines;
  if (ext == "dif") return ExportFormat::Dif;
  return std::nullopt;
}

namespace {

std::string temporaryFolder() {
  std::error_code ec;
  const fs::path folder = fs::temp_directory_path(ec);
  return ec ? std::string() : platform::pathForNarrowCalls(folder);
}

int exportDif(const FileName& input, OutputFile& output, Diagnostics& diagnostics) {
  const std::string& name = input.text();
  RecordFile file;
  if (!file.open(input, diagnostics)) return kExitFailed;
  PathFileSource source(file.path());
  browser::SummaryList list;
  browser::ReadStatus status = browser::ReadStatus::NoWholeRecord;
  if (source.open(nullptr)) {
    status = browser::readSummaryList(source, list);
    source.close();
  }
  file.finish(diagnostics);
  if (status == browser::ReadStatus::NoMemory) {
    diagnostics.fileFailed(name, "too many records for the record browser's list");
    return kExitFailed;
  }
  if (status != browser::ReadStatus::Ok) {
    diagnostics.fileFailed(name, "could not be read");
    return kExitFailed;
  }
  FileByteSink sink(output.stream());
  if (!browser::writeDifExport(list, platform::difFileName(input), sink)) {
    diagnostics.failed("the DIF file could not be written");
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace

std::unique_ptr<RowWriter> makeRowWriter(ExportFormat format, OutputFile& output, FileByteSink& sink,
                                         const std::optional<platform::CsvStyle>& csvStyle) {
  switch (format) {
    case ExportFormat::Csv:
      return makeCsvWriter(sink, csvStyle.value_or(platform::defaultCsvStyle()));
    case ExportFormat::Json:
    case ExportFormat::JsonLines:
      return makeJsonWriter(sink, format == ExportFormat::JsonLines);
    case ExportFormat::Xlsx:
      // libxlsxwriter writes the file itself, by name.
      output.closeStream();
      return makeXlsxWriter(platform::pathForNarrowCalls(output.temporaryPath()), temporaryFolder());
    case ExportFormat::Dif:
      break;
  }
  return nullptr;
}

int runExport(const ExportCommandOptions& options, Streams& io) {
  const std::vector<FileName> names = expandFileArguments(options.files);
  std::optional<ExportFormat> format = options.format ? options.format : exportFormatOfName(options.output);
  if (!format)
    return usageError(io, "the format of " + options.output + " is not known by its extension: name it .xlsx, .csv, "
                          ".json, .jsonl or .dif, or give --format", kExportUsage);
  if (options.csvStyle && *format != ExportFormat::Csv)
    return usageError(io, "--csv-style is for CSV output only", kExportUsage);
  if (*format == ExportFormat::Dif) {
    if (names.size() != 1)
      return usageError(io, "a DIF file describes one measurement file, as the record browser writes it: give one "
                            "input file (or export several to XLSX, CSV or JSON)", kExportUsage);
    if (options.spectrum || options.pci)
      return usageError(io, "the DIF file is the record browser's list and has no --spectrum or --units pci",
                        kExportUsage);
  }
  const FileName target(options.output);
  if (const std::string refusal = outputRefusal(target, names); !refusal.empty())
    return usageError(io, refusal, kExportUsage);

  Diagnostics diagnostics(io.err);
  OutputFile output;
  std::string why;
  if (!output.create(target.path(), why)) {
    diagnostics.failed(options.output + ": " + why);
    return kExitFailed;
  }

  if (*format == ExportFormat::Dif) {
    const int code = exportDif(names.front(), output, diagnostics);
    if (code != kExitOk) return code;  // the temporary file goes with `output`
    if (!output.commit(why)) {
      diagnostics.failed(options.output + ": " + why);
      return kExitFailed;
    }
    return kExitOk;
  }

  RowModel model({options.spectrum, options.pci});
  FileByteSink sink(output.stream());
  std::unique_ptr<RowWriter> writer = makeRowWriter(*format, output, sink, options.csvStyle);
  if (!writer->begin(model)) {
    diagnostics.failed(options.output + ": " + writer->error());
    return kExitFailed;
  }
  bool anyRecords = false;
  RecordFile file;
  MeasurementRecord record;
  Row row;
  for (const FileName& name : names) {
    if (!file.open(name, diagnostics)) continue;
    for (std::uint64_t index = 0; file.next(record); ++index) {
      model.fill(name.text(), index, record, row);
      if (!writer->write(row)) {
        file.finish(diagnostics);
        diagnostics.failed(options.output + ": " + writer->error() + "; nothing was written");
        return kExitFailed;
      }
      anyRecords = true;
    }
    file.finish(diagnostics);
  }
  if (!anyRecords) {
    diagnostics.failed(options.output + ": not written, no input file could be read");
    return kExitFailed;
  }
  if (!writer->finish() || !output.commit(why)) {
    diagnostics.failed(options.output + ": " + (writer->error().empty() ? why : writer->error()) +
                       "; nothing was written");
    return kExitFailed;
  }
  return diagnostics.anyFailed() ? kExitFailed : kExitOk;
}

}  // namespace zel::cli
