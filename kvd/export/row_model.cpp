#include "kvd/export/row_model.h"

#include <algorithm>

namespace zel::cli {

namespace {

constexpr int kWindowSums = 4;

// In place, member by member: a whole Cell built on the stack and copied
// costs a stalled wide load per cell, which showed in the profile.
void setNumber(Cell& c, const Number& n) {
  c.kind = n.present() ? CellKind::Number : CellKind::Empty;
  c.number.kind = n.kind;
  switch (n.kind) {
    case Number::Kind::Float: c.number.f = n.f; break;
    case Number::Kind::Real: c.number.d = n.d; break;
    case Number::Kind::Signed:
    case Number::Kind::Tenths: c.number.i = n.i; break;
    default: c.number.u = n.u; break;
  }
}

void setText(Cell& c, std::string_view text) {
  c.kind = CellKind::Text;
  c.text = text;
}

// Characters of UTF-8 text, for a column's width.
std::size_t columnsOf(std::string_view text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

const std::array<std::string, kSpectrumChannels>& channelNames() {
  static const std::array<std::string, kSpectrumChannels> names = [] {
    std::array<std::string, kSpectrumChannels> out;
    for (int k = 0; k < kSpectrumChannels; ++k) out[static_cast<std::size_t>(k)] = "ch" + std::to_string(k);
    return out;
  }();
  return names;
}

}  // namespace

std::string_view RowModel::channelName(int channel) { return channelNames()[static_cast<std::size_t>(channel)]; }

RowModel::RowModel(ExportOptions options) : options_(options) {
  if (options_.archive) {
    columns_ = {{"Record ID", ColumnKind::Number, 10}, {"Object", ColumnKind::Text, 24},
                {"Floor", ColumnKind::Text, 8},        {"Room", ColumnKind::Text, 14},
                {"Point", ColumnKind::Text, 10}};
    lead_ = columns_.size();
  }
  const std::vector<Column> own = {
      {"File", ColumnKind::Text, 30},          {"Record", ColumnKind::Number, 8},
      {"Date and time", ColumnKind::DateTime, 20}, {"Mode", ColumnKind::Number, 6},
      {"Mode name", ColumnKind::Text, 26},     {"Value", ColumnKind::Number, 12},
      {"Error", ColumnKind::Number, 12},       {"Unit", ColumnKind::Text, 12},
  };
  columns_.insert(columns_.end(), own.begin(), own.end());
  if (options_.pci) {
    for (const char* name : {"Value (pCi/L)", "Error (pCi/L)", "Value (WL)", "Error (WL)"})
      columns_.push_back({name, ColumnKind::Number, 15});
  }
  firstField_ = columns_.size();
  for (std::string_view name : fieldNames())
    columns_.push_back({std::string(name), ColumnKind::Number, std::max(12, static_cast<int>(name.size()) + 2)});
  for (int w = 1; w <= kWindowSums; ++w)
    columns_.push_back({"windowSum" + std::to_string(w), ColumnKind::Number, 12});
  if (options_.words) {
    for (Column& c : columns_) {
      c.name = options_.words->heading(c.name);
      c.width = std::max(c.width, static_cast<int>(columnsOf(c.name)) + 2);
    }
  }
}

void RowModel::fill(std::string_view file, std::uint64_t index, const MeasurementRecord& record, Row& row) {
  // Every cell is written below: the row's cells are sized once and
  // overwritten, not cleared.
  if (row.cells.size() != columns_.size()) row.cells.assign(columns_.size(), Cell{});
  row.sequence = index;
  Cell* cells = row.cells.data() + lead_;
  const ListValue pair = listValue(record, false);
  setText(cells[column::file], file);
  setNumber(cells[column::record], Number::ofUnsigned(index));
  cells[column::dateTime].kind = CellKind::DateTime;
  cells[column::dateTime].dateTime = recordDateTime(record);
  setNumber(cells[column::mode], Number::ofUnsigned(pair.mode));
  setText(cells[column::modeName], options_.words ? options_.words->modeName(pair.mode) : pair.modeName);
  setNumber(cells[column::value], pair.value);
  setNumber(cells[column::error], pair.error);
  setText(cells[column::unit], options_.words ? options_.words->unit(pair.unit) : unitText(pair.unit));
  if (options_.pci) {
    const bool pci = pair.conversion == Conversion::PicoCuriePerLitre;
    const bool wl = pair.conversion == Conversion::WorkingLevel;
    setNumber(cells[column::firstPci], pci ? convert(pair.value, pair.conversion) : Number::none());
    setNumber(cells[column::firstPci + 1], pci ? convert(pair.error, pair.conversion) : Number::none());
    setNumber(cells[column::firstPci + 2], wl ? convert(pair.value, pair.conversion) : Number::none());
    setNumber(cells[column::firstPci + 3], wl ? convert(pair.error, pair.conversion) : Number::none());
  }

  Number fields[kFieldCount];
  fieldNumbers(record, fields);
  for (std::size_t k = 0; k < kFieldCount; ++k) setNumber(row.cells[firstField_ + k], fields[k]);

  std::array<std::uint32_t, 4> sums{};
  const int windows = windows_.sums(record, sums);
  for (int w = 0; w < kWindowSums; ++w)
    setNumber(row.cells[firstWindowSum() + static_cast<std::size_t>(w)],
              w < windows ? Number::ofUnsigned(sums[static_cast<std::size_t>(w)]) : Number::none());

  if (options_.spectrum) row.spectrum = spectrumCounts(record);
}

void RowModel::fillArchive(const ArchiveCells& archive, Row& row) const {
  if (lead_ == 0 || row.cells.size() != columns_.size()) return;
  setNumber(row.cells[0], Number::ofSigned(archive.recordId));
  setText(row.cells[1], archive.object);
  setText(row.cells[2], archive.floor);
  setText(row.cells[3], archive.room);
  setText(row.cells[4], archive.point);
}

}  // namespace zel::cli
