#include <xlsxwriter.h>

#include <algorithm>
#include <cmath>

#include "kvd/export/writers.h"

namespace zel::cli {

namespace {

// The last row a sheet has (0-based); row 0 is the header.
constexpr std::uint64_t kLastSheetRow = LXW_ROW_MAX - 1;
constexpr int kMaxFileColumnWidth = 80;

// Width of a text in characters: UTF-8 continuation bytes take no room.
int textWidth(std::string_view text) {
  int n = 0;
  for (char c : text)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  return n;
}

class XlsxWriter : public RowWriter {
 public:
  XlsxWriter(std::string path, std::string temporaryFolder)
      : path_(std::move(path)), temporaryFolder_(std::move(temporaryFolder)) {}

  ~XlsxWriter() override {
    // A workbook that was not finished is closed all the same, to free it;
    // its file is thrown away by the caller.
    if (workbook_ != nullptr) workbook_close(workbook_);
  }

  bool begin(const RowModel& model) override {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = temporaryFolder_.empty() ? nullptr : temporaryFolder_.data();
    options.use_zip64 = LXW_FALSE;
    workbook_ = workbook_new_opt(path_.c_str(), &options);
    if (workbook_ == nullptr) return fail("the XLSX file could not be created");
    const TableWords* words = model.options().words;
    records_ = workbook_add_worksheet(workbook_, words ? words->heading("Records").c_str() : "Records");
    spectrum_ = model.options().spectrum;
    if (spectrum_) spectra_ = workbook_add_worksheet(workbook_, "Spectra");
    if (records_ == nullptr || (spectrum_ && spectra_ == nullptr)) return fail("the XLSX sheets could not be made");

    header_ = workbook_add_format(workbook_);
    format_set_bold(header_);
    date_ = workbook_add_format(workbook_);
    format_set_num_format(date_, "dd.mm.yyyy hh:mm:ss");

    columns_ = &model.columns();
    for (std::size_t c = 0; c < columns_->size(); ++c)
      worksheet_write_string(records_, 0, static_cast<lxw_col_t>(c), (*columns_)[c].name.c_str(), header_);
    worksheet_freeze_panes(records_, 1, 0);
    if (spectrum_) {
      worksheet_write_string(spectra_, 0, 0, "File", header_);
      worksheet_write_string(spectra_, 0, 1, "Record", header_);
      for (int k = 0; k < kSpectrumChannels; ++k)
        worksheet_write_string(spectra_, 0, static_cast<lxw_col_t>(k + 2), std::string(RowModel::channelName(k)).c_str(),
                               header_);
      worksheet_freeze_panes(spectra_, 1, 2);
    }
    fileColumn_ = model.fileColumn();
    recordColumn_ = model.recordColumn();
    fileWidth_ = (*columns_)[fileColumn_].width;
    return true;
  }

  bool write(const Row& row) override {
    if (rows_ >= kLastSheetRow)
      return fail("more than " + std::to_string(kLastSheetRow) +
                  " records: an XLSX sheet has no more rows (export to CSV or JSON instead)");
    const auto r = static_cast<lxw_row_t>(++rows_);
    for (std::size_t c = 0; c < row.cells.size(); ++c) {
      const Cell& cell = row.cells[c];
      const auto col = static_cast<lxw_col_t>(c);
      lxw_error e = LXW_NO_ERROR;
      switch (cell.kind) {
        case CellKind::Empty:
          break;
        case CellKind::Text:
          e = writeText(records_, r, col, cell.text);
          if (c == fileColumn_) fileWidth_ = std::max(fileWidth_, std::min(kMaxFileColumnWidth, textWidth(cell.text) + 2));
          break;
        case CellKind::Number:
          e = writeNumber(records_, r, col, cell.number);
          break;
        case CellKind::DateTime:
          e = writeDateTime(r, col, cell.dateTime);
          break;
      }
      if (e != LXW_NO_ERROR) return fail(std::string("the XLSX sheet could not be written (") + lxw_strerror(e) + ")");
    }
    if (spectrum_) {
      writeText(spectra_, r, 0, row.cells[fileColumn_].text);
      writeNumber(spectra_, r, 1, row.cells[recordColumn_].number);
      for (int k = 0; k < kSpectrumChannels; ++k)
        worksheet_write_number(spectra_, r, static_cast<lxw_col_t>(k + 2), row.spectrum[static_cast<std::size_t>(k)],
                               nullptr);
    }
    return true;
  }

  bool finish() override {
    if (workbook_ == nullptr) return false;
    const auto lastColumn = static_cast<lxw_col_t>(columns_->size() - 1);
    worksheet_autofilter(records_, 0, 0, static_cast<lxw_row_t>(rows_), lastColumn);
    for (std::size_t c = 0; c < columns_->size(); ++c) {
      const int width = c == fileColumn_ ? fileWidth_ : (*columns_)[c].width;
      worksheet_set_column(records_, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), width, nullptr);
    }
    if (spectrum_) {
      worksheet_autofilter(spectra_, 0, 0, static_cast<lxw_row_t>(rows_), static_cast<lxw_col_t>(kSpectrumChannels + 1));
      worksheet_set_column(spectra_, 0, 0, fileWidth_, nullptr);
      worksheet_set_column(spectra_, 1, 1, 8, nullptr);
      worksheet_set_column(spectra_, 2, static_cast<lxw_col_t>(kSpectrumChannels + 1), 7, nullptr);
    }
    const lxw_error e = workbook_close(workbook_);
    workbook_ = nullptr;
    if (e != LXW_NO_ERROR) return fail(std::string("the XLSX file could not be written (") + lxw_strerror(e) + ")");
    return true;
  }

 private:
  bool fail(std::string why) {
    error_ = std::move(why);
    return false;
  }

  lxw_error writeText(lxw_worksheet* sheet, lxw_row_t r, lxw_col_t c, std::string_view text) {
    // The XML of the sheet must be UTF-8 whatever bytes a file name holds.
    text_ = validUtf8(text);
    return worksheet_write_string(sheet, r, c, text_.c_str(), nullptr);
  }

  lxw_error writeNumber(lxw_worksheet* sheet, lxw_row_t r, lxw_col_t c, const Number& n) {
    if (!n.present()) return LXW_NO_ERROR;
    // A cell cannot hold NaN or an infinity: the text says what it is.
    if (!n.finite()) return worksheet_write_string(sheet, r, c, numberText(n).c_str(), nullptr);
    return worksheet_write_number(sheet, r, c, n.toDouble(), nullptr);
  }

  lxw_error writeDateTime(lxw_row_t r, lxw_col_t c, const DateTime& t) {
    if (!fitsSpreadsheetDate(t)) return worksheet_write_string(records_, r, c, isoDateTimeText(t).c_str(), nullptr);
    lxw_datetime d{t.year, t.month, t.day, t.hour, t.minute, static_cast<double>(t.second)};
    return worksheet_write_datetime(records_, r, c, &d, date_);
  }

  std::string path_;
  std::string temporaryFolder_;
  lxw_workbook* workbook_ = nullptr;
  lxw_worksheet* records_ = nullptr;
  lxw_worksheet* spectra_ = nullptr;
  lxw_format* header_ = nullptr;
  lxw_format* date_ = nullptr;
  const std::vector<Column>* columns_ = nullptr;
  bool spectrum_ = false;
  std::uint64_t rows_ = 0;
  int fileWidth_ = 0;
  std::size_t fileColumn_ = column::file;
  std::size_t recordColumn_ = column::record;
  std::string text_;
};

}  // namespace

std::unique_ptr<RowWriter> makeXlsxWriter(const std::string& path, const std::string& temporaryFolder) {
  return std::make_unique<XlsxWriter>(path, temporaryFolder);
}

}  // namespace zel::cli
