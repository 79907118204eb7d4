// kvd export of any file's bytes, in one or two files, to every format: the
// CSV in both styles has the header's number of fields in every row and a
// row per record; the JSON array and the JSON lines parse, hold an object per
// record with the CSV's columns as keys, and agree; the DIF reads back; the
// XLSX is a whole zip archive; every text format comes out the same twice.
#include <fuzzer/FuzzedDataProvider.h>

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/record.h"
#include "spreadsheet/csv_reader.h"
#include "support/dif_reader.h"
#include "support/fuzz_check.h"
#include "support/kvd_run.h"

namespace {

using zel::fuzz::fail;
using zel::fuzz::require;
using Json = nlohmann::ordered_json;

// File names that the formats must quote or escape: separators, quotes, a
// line end, Cyrillic in UTF-8, a byte that is no UTF-8.
const char* const kNames[] = {"in.kvd", "a,b;c\"d.kvd", "line\nend.kvd", "\xD0\xB4\xD0\xBE\xD0\xBC.kvd",
                              "\xE0\xF2.kvd", "tab\there.kvd", "x.KVD", "{\"k\":1}.kvd"};

struct Export {
  std::string format;
  std::string bytes;
};

// The text formats, each written twice from the same files.
std::string exportOnce(const std::vector<std::string>& files, const std::string& out,
                       const std::vector<std::string>& options, int expectedCode) {
  std::vector<std::string> arguments{"export"};
  arguments.insert(arguments.end(), files.begin(), files.end());
  arguments.insert(arguments.end(), {"-o", out});
  arguments.insert(arguments.end(), options.begin(), options.end());
  const zel::fuzz::KvdRun run = zel::fuzz::runKvd(arguments);
  if (run.code != expectedCode)
    fail(out + ": exit code " + std::to_string(run.code) + ", expected " + std::to_string(expectedCode) + ": " +
         run.err);
  require(run.code != 0 || run.err.empty() || run.err.find("kvd: note:") == 0, out + ": a failure said: " + run.err);
  require(run.code == 0 || !run.err.empty(), out + ": a failure not said");
  std::string bytes = zel::fuzz::readBytes(out);
  std::filesystem::remove(out);
  return bytes;
}

// Each input writes one of the formats a second time, which must give the
// same bytes.
std::string exportChecked(const std::vector<std::string>& files, const std::string& out,
                          const std::vector<std::string>& options, int expectedCode, bool twice) {
  const std::string first = exportOnce(files, out, options, expectedCode);
  if (twice) require(exportOnce(files, out, options, expectedCode) == first, out + ": another export a second time");
  return first;
}

void checkCsv(std::string text, char separator, bool bom, std::uint64_t records, std::vector<std::string>& header) {
  if (bom) {
    require(zel::fuzz::startsWith(text, "\xEF\xBB\xBF"), "CSV without its byte order mark");
    text.erase(0, 3);
  }
  const std::vector<std::vector<std::string>> rows = parseCsv(text, separator);
  require(rows.size() == records + 1, "CSV with " + std::to_string(rows.size()) + " rows for " +
                                          std::to_string(records) + " records");
  header = rows[0];
  require(header.size() > 8 && header[0] == "File" && header[1] == "Record", "CSV header");
  for (std::size_t r = 1; r < rows.size(); ++r)
    if (rows[r].size() != header.size())
      fail("CSV row " + std::to_string(r) + " has " + std::to_string(rows[r].size()) + " fields, the header " +
           std::to_string(header.size()));
}

// A JSON object's keys in order, without the closing "nonFinite".
std::vector<std::string> keysOf(const Json& object) {
  std::vector<std::string> keys;
  for (auto it = object.begin(); it != object.end(); ++it)
    if (it.key() != "nonFinite") keys.push_back(it.key());
  return keys;
}

Json parseJson(const std::string& text, const std::string& what) {
  try {
    return Json::parse(text);
  } catch (const Json::exception& e) {
    fail(what + " does not parse: " + e.what());
  }
}

void checkJson(const std::string& array, const std::string& lines, std::uint64_t records,
               std::vector<std::string> csvHeader, bool spectrum) {
  const Json all = parseJson(array, "the JSON export");
  require(all.is_array() && all.size() == records, "the JSON array does not hold an object per record");
  // The CSV's channel columns are the JSON's one "spectrum" array.
  if (spectrum) {
    require(csvHeader.size() > 256 && csvHeader[csvHeader.size() - 256] == "ch0", "CSV channel columns");
    csvHeader.resize(csvHeader.size() - 256);
    csvHeader.push_back("spectrum");
  }
  std::size_t start = 0;
  for (std::uint64_t i = 0; i < records; ++i) {
    const Json& object = all[i];
    require(object.is_object() && keysOf(object) == csvHeader, "JSON keys differ from the CSV columns");
    if (spectrum) require(object["spectrum"].size() == zel::kSpectrumChannels, "JSON spectrum length");
    const std::size_t end = lines.find('\n', start);
    require(end != std::string::npos, "JSON lines end early");
    require(parseJson(lines.substr(start, end - start), "a JSON line") == object, "a JSON line differs");
    start = end + 1;
  }
  require(start == lines.size(), "JSON lines past the records");
}

void checkDif(const std::string& bytes, std::uint64_t records) {
  zel::fuzz::DifTable table;
  zel::fuzz::DifReader reader(bytes);
  require(reader.read(table), "the DIF does not read back: " + reader.error());
  require(table.rows.size() == records + 3 && table.vectors == records + 1, "DIF rows");
}

// An XLSX file is a zip archive: its first local header and its end record.
void checkXlsx(const std::string& bytes) {
  require(zel::fuzz::startsWith(bytes, "PK\x03\x04"), "the XLSX is no zip archive");
  require(bytes.size() >= 22 && bytes.compare(bytes.size() - 22, 4, "PK\x05\x06") == 0,
          "the XLSX archive has no end record");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const bool spectrum = in.ConsumeBool();
  const bool pci = in.ConsumeBool();
  const bool xlsx = in.ConsumeIntegralInRange<int>(0, 7) == 0;  // the slowest format, now and then
  const int twice = in.ConsumeIntegralInRange<int>(0, 4);
  const std::string name = kNames[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kNames) - 1)];
  // A second file from the records after the first ones.
  const std::size_t split = in.ConsumeIntegralInRange<std::size_t>(0, 4) * zel::kRecordSize;
  const std::vector<std::uint8_t> bytes = in.ConsumeRemainingBytes<std::uint8_t>();

  const std::filesystem::path& folder = zel::fuzz::workFolder();
  zel::fuzz::clearFolder(folder);
  std::vector<std::string> files;
  std::vector<std::uint64_t> counts;
  std::uint64_t records = 0;
  bool anyUnreadable = false;
  const auto addFile = [&](const std::string& file, const std::uint8_t* from, std::size_t count) {
    const std::string path = (folder / file).string();
    zel::fuzz::writeBytes(path, from, count);
    files.push_back(path);
    counts.push_back(count / zel::kRecordSize);
    records += counts.back();
    anyUnreadable = anyUnreadable || count < zel::kRecordSize;
  };
  if (split > 0 && split < bytes.size()) {
    addFile("first.kvd", bytes.data(), split);
    addFile(name, bytes.data() + split, bytes.size() - split);
  } else {
    addFile(name, bytes.data(), bytes.size());
  }
  const int code = anyUnreadable ? 1 : 0;
  if (records == 0) {
    require(exportOnce(files, (folder / "none.csv").string(), {}, 1).empty(), "an export of no record was written");
    return 0;
  }

  std::vector<std::string> options;
  if (spectrum) options.push_back("--spectrum");
  if (pci) options.insert(options.end(), {"--units", "pci"});
  const auto with = [&](std::vector<std::string> more) {
    more.insert(more.begin(), options.begin(), options.end());
    return more;
  };

  std::vector<std::string> header, excelHeader;
  checkCsv(exportChecked(files, (folder / "out.csv").string(), with({"--csv-style", "rfc4180"}), code, twice == 0),
           ',', false, records, header);
  checkCsv(exportChecked(files, (folder / "out.csv").string(), with({"--csv-style", "excel-ru"}), code, twice == 1),
           ';', true, records, excelHeader);
  require(header == excelHeader, "the two CSV styles have other columns");
  checkJson(exportChecked(files, (folder / "out.json").string(), options, code, twice == 2),
            exportChecked(files, (folder / "out.jsonl").string(), options, code, twice == 3), records, header,
            spectrum);
  // The DIF is the browser's export of one file's list; it takes no options.
  for (std::size_t f = 0; f < files.size(); ++f)
    if (counts[f] > 0)
      checkDif(exportChecked({files[f]}, (folder / "out.dif").string(), {}, 0, twice == 4), counts[f]);
  if (xlsx) checkXlsx(exportOnce(files, (folder / "out.xlsx").string(), options, code));
  return 0;
}
