// The spreadsheet export of any file's list: it must read back as DIF cell
// for cell, with every stored number as it is, come out the same whether
// written at once or in chunks, and stop cleanly where a write fails.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "browser/dif_export.h"
#include "support/dif_reader.h"
#include "support/fuzz_check.h"

namespace {

using zel::fuzz::DifCell;
using zel::fuzz::require;
using namespace zel::browser;

// A file name without a control character, short, filling the file cell
// exactly, or longer than the cell; a quote comes only from other systems.
std::string fileName(FuzzedDataProvider& in) {
  static const std::size_t kLengths[] = {16, 127, 128, 129, 300};
  std::string name = "C:\\data\\";
  const std::size_t length = kLengths[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kLengths) - 1)];
  const unsigned char fill = in.ConsumeIntegralInRange<unsigned char>(0x20, 0xFF);
  while (name.size() < length - 4) name += static_cast<char>(fill);
  return name + ".kvd";
}

class ChunkSink : public ByteSink {
 public:
  explicit ChunkSink(std::size_t failingWrite) : failingWrite_(failingWrite) {}
  bool write(const char* data, std::size_t size) override {
    if (size == 0 || size > kDifChunk) zel::fuzz::fail("a chunk of " + std::to_string(size) + " bytes");
    if (writes_++ == failingWrite_) return false;
    bytes.append(data, size);
    return true;
  }
  std::size_t writes() const { return writes_; }
  std::string bytes;

 private:
  std::size_t failingWrite_;
  std::size_t writes_ = 0;
};

bool isNumber(const DifCell& cell, std::uint64_t value) {
  std::uint64_t read = 0;
  return cell.number && zel::fuzz::wholeNumber(cell.text, read) && read == value;
}

bool isBlank(const DifCell& cell) { return !cell.number && zel::fuzz::trimBlanks(cell.text).empty(); }

// What is wrong with a record's row, or nullptr.
const char* rowFault(const std::vector<DifCell>& row, const RecordSummary& r) {
  if (row.size() != 5) return "not five cells";
  if (row[0].number || row[1].number) return "date or time as a number";
  if (!isNumber(row[2], r.modeCode)) return "mode is not the stored code";
  switch (valueForm(r)) {
    case ValueForm::Number:
      if (!isNumber(row[3], r.value)) return "value is not the stored value";
      if (!isNumber(row[4], r.error)) return "error is not the stored error";
      return nullptr;
    case ValueForm::Float: {
      const std::string_view v = zel::fuzz::trimBlanks(row[3].text);
      const std::size_t point = v.find('.');
      if (v != "-.---" && !(row[3].number && point != std::string_view::npos && v.size() - point == 4))
        return "coefficient without three decimals";
      return isBlank(row[4]) ? nullptr : "coefficient with an error";
    }
    case ValueForm::Tenths: {
      if (static_cast<std::int32_t>(r.value) < 5) {
        if (row[3].number || row[3].text != "  < 0.5 ") return "below half not as text";
        return isBlank(row[4]) ? nullptr : "below half with an error";
      }
      // Tenths up to 9.0, whole numbers past it.
      const std::string_view v = zel::fuzz::trimBlanks(row[3].text);
      const std::size_t point = v.find('.');
      if (!isNumber({true, std::string(v.substr(0, point))}, r.value / 10)) return "whole part of the tenths value";
      if (r.value <= 90 && (point == std::string_view::npos || v.substr(point + 1) != std::to_string(r.value % 10)))
        return "the tenth of the value";
      return isNumber(row[4], r.error) ? nullptr : "error is not the stored error";
    }
  }
  return nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string name = fileName(in);
  const std::size_t failingWrite = in.ConsumeIntegralInRange<std::size_t>(0, 8);
  const std::vector<std::uint8_t> file = in.ConsumeRemainingBytes<std::uint8_t>();
  SummaryList list;
  if (readSummaryList(file.data(), file.size(), list) != ReadStatus::Ok) list = SummaryList();

  const std::string bytes = buildDifExport(list, name);
  require(buildDifExport(list, name) == bytes, "another export a second time");

  zel::fuzz::DifTable table;
  zel::fuzz::DifReader reader(bytes);
  require(reader.read(table), "the export does not read back: " + reader.error());
  require(table.vectors == std::uint64_t{list.size()} + 1, "vector count");
  require(table.rows.size() == std::size_t{list.size()} + 3, "row count");
  const std::string fileCell = "  File:  " + name + std::string(name.size() < 128 ? 128 - name.size() : 0, ' ');
  require(table.rows[0].size() == 2 && !table.rows[0][0].number && table.rows[0][0].text == fileCell,
          "the file cell");
  require(table.rows[2].size() == 5, "the heading row");
  for (std::uint32_t i = 0; i < list.size(); ++i) {
    if (const char* fault = rowFault(table.rows[i + 3], list[i]))
      zel::fuzz::fail("row of record " + std::to_string(i) + ": " + fault);
  }

  // Written in chunks, the same bytes; a failed write ends the export there.
  ChunkSink whole(SIZE_MAX);
  require(writeDifExport(list, name, whole) && whole.bytes == bytes, "the export in chunks differs");
  ChunkSink failing(failingWrite);
  const bool written = writeDifExport(list, name, failing);
  require(written == (failingWrite >= whole.writes()), "a failed write not reported");
  if (!written) {
    require(failing.writes() == failingWrite + 1, "writes after a failed one");
    require(bytes.compare(0, failing.bytes.size(), failing.bytes) == 0, "a failed export is no prefix");
  }
  return 0;
}
