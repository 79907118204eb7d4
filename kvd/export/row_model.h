// The export's one row model: the columns and, per record, the cells that
// the CSV, JSON and XLSX writers write, each in its own way. Every value
// comes from record_meaning; the writers only choose how a number, a text or
// a date looks in their format.
//
// Columns, in this order:
//   [the archive's: Record ID, Object, Floor, Room, Point],
//   File, Record, Date and time, Mode, Mode name, Value, Error, Unit,
//   [--units pci: Value (pCi/L), Error (pCi/L), Value (WL), Error (WL)],
//   the 36 named fields deviceNumber ... fd in record order,
//   windowSum1 ... windowSum4,
//   [--spectrum: ch0 ... ch255, written by each writer in its own way].
// An empty cell is a value the record does not have: the error of a value
// without one, a fourth window of a three-window panel, the windows of a
// mode without a viewer program, the pCi/L columns of an EEC value.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/record.h"
#include "kvd/meaning/record_meaning.h"

namespace zel::cli {

// Another language's words for a table that people read: the headings,
// and the texts of the mode name and unit cells. The numbers, the file
// names and the places stay as they are.
class TableWords {
 public:
  virtual ~TableWords() = default;
  // The heading of a column (or the name of the XLSX sheet "Records") by
  // its English name; the name itself when there are no other words for it.
  virtual std::string heading(std::string_view column) const = 0;
  // Texts that outlive the rows (static ones).
  virtual std::string_view modeName(std::uint32_t modeCode) const = 0;
  virtual std::string_view unit(Unit unit) const = 0;
};

struct ExportOptions {
  bool spectrum = false;  // the 256 channel counts
  bool pci = false;       // --units pci: the extra columns
  bool archive = false;   // kvd archive export: the record's id and point first
  const TableWords* words = nullptr;  // none: kvd's own English words
};

// The archive's leading cells of one record; the texts must outlive the
// row's use.
struct ArchiveCells {
  std::int64_t recordId = 0;
  std::string_view object;
  std::string_view floor;
  std::string_view room;
  std::string_view point;
};

enum class ColumnKind : std::uint8_t { Text, Number, DateTime };

struct Column {
  std::string name;
  ColumnKind kind;
  // A width in characters that fits the header and typical content, for
  // spreadsheets.
  int width;
};

enum class CellKind : std::uint8_t { Empty, Number, Text, DateTime };

struct Cell {
  CellKind kind = CellKind::Empty;
  Number number;
  std::string_view text;  // points into the row, the file name or static text
  DateTime dateTime;
};

struct Row {
  std::vector<Cell> cells;
  std::array<std::uint16_t, kSpectrumChannels> spectrum{};
  // Record index, for writers that place rows (the XLSX sheet's rows).
  std::uint64_t sequence = 0;
};

// Column positions after the archive's leading columns (RowModel::lead()),
// for the writers and tests.
namespace column {
inline constexpr std::size_t file = 0;
inline constexpr std::size_t record = 1;
inline constexpr std::size_t dateTime = 2;
inline constexpr std::size_t mode = 3;
inline constexpr std::size_t modeName = 4;
inline constexpr std::size_t value = 5;
inline constexpr std::size_t error = 6;
inline constexpr std::size_t unit = 7;
inline constexpr std::size_t firstPci = 8;  // only with --units pci
}  // namespace column

class RowModel {
 public:
  explicit RowModel(ExportOptions options);

  const ExportOptions& options() const { return options_; }
  const std::vector<Column>& columns() const { return columns_; }
  // How many leading columns come before File: the archive's five, or none.
  std::size_t lead() const { return lead_; }
  std::size_t fileColumn() const { return lead_ + column::file; }
  std::size_t recordColumn() const { return lead_ + column::record; }
  // Where the named fields start (after Unit, or after the pCi/L columns).
  std::size_t firstField() const { return firstField_; }
  std::size_t firstWindowSum() const { return firstField_ + kFieldCount; }

  // Fills `row` for record `index` of `file`. Texts in the cells point
  // into `file` and static text, which must outlive the row's use.
  void fill(std::string_view file, std::uint64_t index, const MeasurementRecord& record, Row& row);
  // The archive's leading cells, after fill() (with ExportOptions::archive).
  void fillArchive(const ArchiveCells& archive, Row& row) const;

  // The channel columns' names "ch0" ... "ch255".
  static std::string_view channelName(int channel);

 private:
  ExportOptions options_;
  std::vector<Column> columns_;
  std::size_t lead_ = 0;
  std::size_t firstField_;
  WindowSumCalculator windows_;
};

}  // namespace zel::cli
