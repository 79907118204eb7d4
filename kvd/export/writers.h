// The export writers over the row model: CSV, JSON (one array, or one
// object per line) and XLSX. Each takes the rows in order and needs memory
// for one row only, however many rows come.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "browser/dif_export.h"
#include "kvd/export/row_model.h"
#include "kvd/io/platform.h"

namespace zel::cli {

class RowWriter {
 public:
  virtual ~RowWriter() = default;
  virtual bool begin(const RowModel& model) = 0;
  virtual bool write(const Row& row) = 0;
  // Completes the output; false with error() when it could not be written.
  virtual bool finish() = 0;
  const std::string& error() const { return error_; }

 protected:
  std::string error_;
};

// CSV in the given style, quoted as RFC 4180 says (a field holding the
// separator, a double quote, CR or LF is quoted, its quotes doubled).
// Numbers as record_meaning writes them, with the style's decimal point;
// the date and time as ISO 8601 text; NaN and the infinities as "NaN",
// "Infinity" and "-Infinity". --spectrum appends the columns ch0 ... ch255.
std::unique_ptr<RowWriter> makeCsvWriter(browser::ByteSink& out, platform::CsvStyle style);

// JSON: an array of one object per record, or with `lines` one object per
// line (JSON Lines). Keys are the column names in column order; an empty
// cell is null; --spectrum adds "spectrum", an array of the 256 counts.
// Numbers are the shortest text that reads back as the stored value (a
// float 1.352 is 1.352, a thoron value 5.7); keys and texts are escaped by
// nlohmann/json. JSON has no NaN or infinity: such a number is null, and
// the object then ends with "nonFinite", which maps each such key to its
// text ("NaN", "Infinity", "-Infinity"), so nothing is lost. Text that is
// not UTF-8 (a file name in another encoding) has its broken bytes replaced
// by U+FFFD, which JSON requires.
std::unique_ptr<RowWriter> makeJsonWriter(browser::ByteSink& out, bool lines);

// XLSX through libxlsxwriter in constant-memory mode, to the file at
// `path` (UTF-8): sheet "Records" with the header row frozen, an autofilter
// over the data, column widths that fit, numbers as numbers, the date and
// time as a date cell shown as dd.mm.yyyy hh:mm:ss. A date that is no
// calendar date, or lies before 1 March 1900 where spreadsheets count days
// differently, is a text cell with the stored numbers; NaN and the
// infinities are text cells too. --spectrum adds the sheet "Spectra": File,
// Record, ch0 ... ch255. A sheet holds at most 1,048,575 records.
// `temporaryFolder` takes libxlsxwriter's own scratch files.
std::unique_ptr<RowWriter> makeXlsxWriter(const std::string& path, const std::string& temporaryFolder);

// A ByteSink over a C stream, writing in large pieces.
class FileByteSink : public browser::ByteSink {
 public:
  explicit FileByteSink(std::FILE* stream) : stream_(stream) {}
  bool write(const char* data, std::size_t size) override;

 private:
  std::FILE* stream_;
};

class StringByteSink : public browser::ByteSink {
 public:
  bool write(const char* data, std::size_t size) override {
    text.append(data, size);
    return true;
  }
  std::string text;
};

// Text with its broken UTF-8 sequences replaced by U+FFFD.
std::string validUtf8(std::string_view text);

}  // namespace zel::cli
