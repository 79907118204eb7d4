// kvd archive list, export and stats: the selected records of the archive,
// through the same lines, rows, writers and statistics as kvd list, export
// and stats, each with its record id and point.
#include <filesystem>
#include <map>
#include <system_error>

#include "browser/file_name.h"
#include "kvd/commands/archive_commands.h"
#include "kvd/export/row_model.h"
#include "kvd/commands/export_output.h"
#include "kvd/commands/list_lines.h"
#include "kvd/io/output_file.h"
#include "kvd/io/platform.h"
#include "kvd/stats/stats_format.h"

namespace zel::cli {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kIdWidth = 8;
constexpr std::size_t kPointColumn = 100;

// Columns of UTF-8 text: one per character.
std::size_t columns(const std::string& text) {
  std::size_t n = 0;
  for (unsigned char c : text) n += (c & 0xC0) != 0x80 ? 1 : 0;
  return n;
}

// Pads the UTF-8 text with blanks to `column`, or by two when it reaches past it.
void padToColumn(std::string& line, std::size_t column) {
  const std::size_t used = columns(line);
  line.append(used < column ? column - used : 2, ' ');
}

std::string idText(std::int64_t id) {
  std::string s = std::to_string(id);
  return s.size() < kIdWidth ? s + std::string(kIdWidth - s.size(), ' ') : s + " ";
}

Period periodOf(const archive::Selection& selection) { return {selection.from, selection.to}; }

void forEachExported(archive::Archive& archive, const archive::Selection& selection, const ArchiveReadOptions& options,
                     const std::function<void(const archive::StoredRecord&)>& onRecord) {
  if (options.order) archive.forEachRecord(selection, *options.order, onRecord);
  else archive.forEachRecord(selection, onRecord);
}

// The stored bytes of the records, back to back in the archive's date
// order: a measurement file that every reader of them opens.
int exportMeasurementFile(archive::Archive& archive, const archive::Selection& selection,
                          const ArchiveReadOptions& options, const FileName& target, Streams& io) {
  const std::string& name = target.text();
  Diagnostics diagnostics(io.err);
  OutputFile output;
  std::string why;
  if (!createOutput(output, target, diagnostics)) return kExitFailed;
  std::uint64_t written = 0;
  bool failed = false;
  forEachExported(archive, selection, options, [&](const archive::StoredRecord& r) {
    if (failed) return;
    failed = std::fwrite(r.record.bytes.data(), 1, r.record.bytes.size(), output.stream()) != r.record.bytes.size();
    ++written;
  });
  std::error_code ec;
  if (failed) why = "the file could not be written";
  if (!failed && written == 0) why = "no records match the selection";
  if (!failed && written > 0 && fs::exists(target.path(), ec)) why = "a file of that name appeared meanwhile";
  if (!why.empty() || !output.commit(why)) {
    diagnostics.failed(name + ": " + why + "; nothing was written");
    return kExitFailed;
  }
  io.out.write(name + ": " + std::to_string(written) + (written == 1 ? " record\n" : " records\n"));
  return kExitOk;
}

int exportTable(archive::Archive& archive, const archive::Selection& selection, const ArchiveReadOptions& options,
                const FileName& target, ExportFormat format, Streams& io) {
  Diagnostics diagnostics(io.err);
  OutputFile output;
  std::string why;
  if (!createOutput(output, target, diagnostics)) return kExitFailed;
  std::optional<platform::CsvStyle> style;
  if (options.csvStyle == "excel-ru") style = platform::CsvStyle{';', ',', true, true};
  if (options.csvStyle == "rfc4180") style = platform::CsvStyle{',', '.', false, false};
  ExportOptions exportOptions{options.spectrum, options.pci};
  exportOptions.archive = true;
  exportOptions.words = options.words;
  RowModel model(exportOptions);
  FileByteSink sink(output.stream());
  const std::unique_ptr<RowWriter> writer = makeRowWriter(format, output, sink, style);
  if (!writer->begin(model)) {
    diagnostics.failed(options.output + ": " + writer->error());
    return kExitFailed;
  }
  Row row;
  std::uint64_t written = 0;
  bool failed = false;
  forEachExported(archive, selection, options, [&](const archive::StoredRecord& r) {
    if (failed) return;
    model.fill(r.firstFile, r.firstIndex, r.record, row);
    model.fillArchive({r.id, r.object, r.point.floor, r.point.room, r.point.point}, row);
    failed = !writer->write(row);
    ++written;
  });
  if (!failed && written == 0) {
    diagnostics.failed(options.output + ": no records match the selection; nothing was written");
    return kExitFailed;
  }
  if (failed || !writer->finish() || !output.commit(why)) {
    diagnostics.failed(options.output + ": " + (writer->error().empty() ? why : writer->error()) +
                       "; nothing was written");
    return kExitFailed;
  }
  return kExitOk;
}

// The key of a record's group for `kvd archive stats --by`.
std::string groupOf(const archive::StoredRecord& r, const std::string& by) {
  if (r.object.empty()) return {};
  if (by == "object") return r.object;
  if (by == "room") return pointText(r.object, {r.point.floor, r.point.room, {}});
  return pointText(r.object, r.point);
}

}  // namespace

int runArchiveList(const std::string& location, const ArchiveReadOptions& options, Streams& io) {
  archive::Selection selection;
  if (const int code = parseSelection(options.selectors, selection, io, archiveUsage("list")); code != kExitOk)
    return code;
  return withArchive(location, false, io, [&](archive::Archive& archive) {
    if (const int code = resolveSelection(options.selectors, archive, selection, io); code != kExitOk) return code;
    const std::uint64_t count = archive.countRecords(selection);
    std::string heading = std::string("ID") + std::string(kIdWidth - 2, ' ') + listHeading();
    heading.pop_back();
    padToColumn(heading, kPointColumn);
    io.out.write(std::to_string(count) + (count == 1 ? " record\n" : " records\n") + heading + "Point\n");
    archive.forEachRecord(selection, [&](const archive::StoredRecord& r) {
      std::string line = idText(r.id) + listLine(r.record, options.pci);
      padToColumn(line, kPointColumn);
      io.out.write(line + pointText(r.object, r.point) + "\n");
    });
    return kExitOk;
  });
}

int runArchiveExport(const std::string& location, const ArchiveReadOptions& options, Streams& io) {
  const std::string usage = archiveUsage("export");
  const bool measurementFile = options.format == "kvd" || (options.format.empty() && browser::hasKvdExtension(options.output));
  std::optional<ExportFormat> format;
  if (!measurementFile) {
    if (options.format == "xlsx") format = ExportFormat::Xlsx;
    else if (options.format == "csv") format = ExportFormat::Csv;
    else if (options.format == "json") format = ExportFormat::Json;
    else if (options.format == "jsonl") format = ExportFormat::JsonLines;
    else if (options.format.empty()) format = exportFormatOfName(options.output);
    if (!format || *format == ExportFormat::Dif)
      return usageError(io, "the format of " + options.output + " is not known by its extension: name it .xlsx, "
                            ".csv, .json, .jsonl or .kvd, or give --format", usage);
  }
  if (!options.csvStyle.empty() && format != ExportFormat::Csv)
    return usageError(io, "--csv-style is for CSV output only", usage);
  const FileName target(options.output);
  if (measurementFile) {
    if (options.spectrum || options.pci)
      return usageError(io, "a measurement file holds the records' own bytes: it has no --spectrum or --units pci",
                        usage);
    if (!browser::hasKvdExtension(options.output))
      return usageError(io, "a measurement file is named .kvd: name the output so", usage);
    std::error_code ec;
    if (fs::exists(target.path(), ec) || ec)
      return usageError(io, options.output + " exists: kvd writes a measurement file only under a new name, never "
                            "over a file", usage);
  } else if (const std::string refusal = outputRefusal(target, {}); !refusal.empty()) {
    return usageError(io, refusal, usage);
  }
  archive::Selection selection;
  if (const int code = parseSelection(options.selectors, selection, io, usage); code != kExitOk) return code;
  return withArchive(location, false, io, [&](archive::Archive& archive) {
    if (const int code = resolveSelection(options.selectors, archive, selection, io); code != kExitOk) return code;
    return exportSelection(archive, selection, options, format, io);
  });
}

int exportSelection(archive::Archive& archive, const archive::Selection& selection, const ArchiveReadOptions& options,
                    std::optional<ExportFormat> format, Streams& io) {
  const FileName target(options.output);
  return format ? exportTable(archive, selection, options, target, *format, io)
                : exportMeasurementFile(archive, selection, options, target, io);
}

int runArchiveStats(const std::string& location, const ArchiveReadOptions& options, Streams& io) {
  archive::Selection selection;
  if (const int code = parseSelection(options.selectors, selection, io, archiveUsage("stats")); code != kExitOk)
    return code;
  return withArchive(location, false, io, [&](archive::Archive& archive) {
    if (const int code = resolveSelection(options.selectors, archive, selection, io); code != kExitOk) return code;
    const Period period = periodOf(selection);
    // By mode: one group of every record, as kvd stats gives it; else a
    // group per object, room or point, the unassigned records last.
    std::map<std::string, RecordStatistics> groups;
    archive.forEachRecord(selection, [&](const archive::StoredRecord& r) {
      const std::string key = options.by == "mode" ? std::string() : groupOf(r, options.by);
      groups.try_emplace(key, period, selection.modes).first->second.add(r.record);
    });
    std::vector<std::pair<const std::string, RecordStatistics>*> ordered;
    for (auto& g : groups)
      if (!g.first.empty()) ordered.push_back(&g);
    if (const auto unassigned = groups.find(std::string()); unassigned != groups.end()) ordered.push_back(&*unassigned);

    if (options.format == "json") {
      nlohmann::ordered_json out = nlohmann::ordered_json::object();
      out["from"] = periodBoundJson(period.from);
      out["to"] = periodBoundJson(period.to);
      if (options.by == "mode") {
        out["modes"] = groups.empty() ? nlohmann::ordered_json::array() : groups.begin()->second.modesJson(options.pci);
      } else {
        out["by"] = options.by;
        out["groups"] = nlohmann::ordered_json::array();
        for (const auto* g : ordered)
          out["groups"].push_back(nlohmann::ordered_json{
              {"group", g->first.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(g->first)},
              {"modes", g->second.modesJson(options.pci)}});
      }
      io.out.write(jsonText(out));
      return kExitOk;
    }
    std::string s = periodText(period);
    if (groups.empty()) s += "No records.\n";
    for (const auto* g : ordered) {
      if (options.by != "mode")
        s += (s.empty() ? "== " : "\n== ") + (g->first.empty() ? std::string("(unassigned)") : g->first) + " ==\n";
      std::string block;
      g->second.appendText(block, options.pci);
      s += (options.by == "mode" && !s.empty() ? "\n" : "") + block;
    }
    io.out.write(s);
    return kExitOk;
  });
}

}  // namespace zel::cli
