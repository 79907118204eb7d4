// kvd's exports as real spreadsheet programs read them, under the C and the
// Russian locale: the XLSX converted to CSV by Gnumeric's ssconvert and by
// LibreOffice, the CSV files opened by LibreOffice. Every cell is compared
// with a reading of the record's bytes made here, by the rules the exports
// promise, not by kvd's own code: numbers must arrive as the same numbers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "common/record.h"
#include "tools/kvdgen/kvd_description.h"
#include "tests/spreadsheet/crafted_records.h"
#include "tests/spreadsheet/csv_reader.h"
#include "tests/spreadsheet/expected_row.h"
#include "tests/spreadsheet/sheet_xml.h"

namespace {

namespace fs = std::filesystem;
using zel::MeasurementRecord;
using namespace zel::sheet_test;

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::string quoted(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

struct Fixture {
  fs::path folder;
  std::string kvd;
  std::vector<MeasurementRecord> records;
};

const Fixture& fixture() {
  static const Fixture f = [] {
    Fixture out;
    std::random_device random;
    out.folder = fs::temp_directory_path() / ("kvd_sheet_" + std::to_string(random()));
    fs::create_directories(out.folder);
    out.kvd = (out.folder / "Радон, подвал \"№2\".kvd").string();
    std::string description;
    for (std::size_t k = 0; k < kRecordCount; ++k) description += std::string(kRecords[k]) + "\n";
    std::vector<std::uint8_t> bytes;
    zel::kvd::ParseError error;
    if (!zel::kvd::buildFile(description, bytes, error)) std::abort();
    std::ofstream(out.kvd, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                   static_cast<std::streamsize>(bytes.size()));
    for (std::size_t at = 0; at < bytes.size(); at += zel::kRecordSize) {
      MeasurementRecord r;
      std::memcpy(r.bytes.data(), bytes.data() + at, zel::kRecordSize);
      out.records.push_back(r);
    }
    return out;
  }();
  return f;
}

class Cleanup : public testing::Environment {
 public:
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(fixture().folder, ec);
  }
};
const testing::Environment* const kCleanup = testing::AddGlobalTestEnvironment(new Cleanup);

int shell(const std::string& command) { return std::system(command.c_str()); }

// kvd itself, run as a user runs it.
void exportTo(const fs::path& out, const std::vector<std::string>& options) {
  std::string command = quoted(ZEL_KVD) + " export " + quoted(fixture().kvd) + " -o " + quoted(out.string());
  for (const std::string& o : options) command += " " + quoted(o);
  ASSERT_EQ(shell(command), 0) << command;
}

bool readNumber(std::string cell, bool decimalComma, double& out) {
  if (decimalComma)
    for (char& c : cell)
      if (c == ',') c = '.';
  if (cell.empty()) return false;
  char* end = nullptr;
  out = std::strtod(cell.c_str(), &end);
  return *end == '\0';
}

// The renderings of a date cell that the readers use: the cell's own format,
// the locale's, Gnumeric's.
bool dateMatches(const std::string& cell, const std::string& iso) {
  const std::string y = iso.substr(0, 4), mo = iso.substr(5, 2), d = iso.substr(8, 2), t = iso.substr(11, 8);
  for (const std::string& date : {d + "." + mo + "." + y, mo + "/" + d + "/" + y, y + "/" + mo + "/" + d,
                                   y + "-" + mo + "-" + d}) {
    if (cell == date + " " + t) return true;
    // Gnumeric leaves out a time of midnight.
    if (t == "00:00:00" && cell == date) return true;
  }
  return false;
}

void expectCell(const std::string& cell, const Expected& e, bool decimalComma, const std::string& where) {
  switch (e.kind) {
    case Expected::Empty:
      EXPECT_EQ(cell, "") << where;
      return;
    case Expected::Text:
      EXPECT_EQ(cell, e.text) << where;
      return;
    case Expected::Date:
      EXPECT_TRUE(dateMatches(cell, e.text)) << where << ": '" << cell << "' for " << e.text;
      return;
    case Expected::Number: {
      double v = 0;
      ASSERT_TRUE(readNumber(cell, decimalComma, v)) << where << ": '" << cell << "' is no number";
      if (e.derived) {
        EXPECT_NEAR(v, e.number, std::abs(e.number) * 1e-12) << where;
      } else {
        EXPECT_EQ(v, e.number) << where << ": '" << cell << "'";
        if (e.isFloat) {
          EXPECT_EQ(static_cast<float>(v), e.storedFloat) << where;
        }
      }
      return;
    }
  }
}

void compareTable(const std::vector<std::vector<std::string>>& rows, bool pci, bool decimalComma,
                  const std::string& reader) {
  const Fixture& f = fixture();
  ASSERT_EQ(rows.size(), f.records.size() + 1) << reader;
  EXPECT_EQ(rows[0][0], "File") << reader;
  for (std::size_t k = 0; k < f.records.size(); ++k) {
    const std::vector<Expected> expected = expectedRow(f.kvd, k, f.records[k], pci);
    std::vector<std::string> cells = rows[k + 1];
    // Readers leave out empty cells at a row's end.
    ASSERT_LE(cells.size(), expected.size()) << reader << " record " << k;
    cells.resize(expected.size());
    for (std::size_t c = 0; c < expected.size(); ++c)
      expectCell(cells[c], expected[c], decimalComma,
                 reader + ", record " + std::to_string(k) + " (" + kRecords[k] + "), column " + rows[0][c]);
  }
}

struct Reader {
  const char* name;
  const char* locale;
};

void PrintTo(const Reader& reader, std::ostream* out) { *out << reader.name << " under " << reader.locale; }

class XlsxRead : public testing::TestWithParam<Reader> {};

std::string libreOffice(const fs::path& folder) {
  return quoted(ZEL_SOFFICE) + " -env:UserInstallation=file://" + (folder / "office_profile").string() +
         " --headless";
}

TEST_P(XlsxRead, EveryCellAsStored) {
  const Reader reader = GetParam();
  const fs::path folder = fixture().folder / (std::string(reader.name) + "_" + reader.locale);
  fs::create_directories(folder);
  const fs::path xlsx = folder / "records.xlsx";
  exportTo(xlsx, {"--units", "pci", "--spectrum"});
  const std::string env = std::string("LC_ALL=") + reader.locale + " ";
  const bool ru = std::string(reader.locale) != "C";
  std::vector<std::vector<std::string>> records, spectra;
  if (std::string(reader.name) == "Gnumeric") {
    // One CSV per sheet: records.csv.0 (Records) and records.csv.1 (Spectra).
    const std::string command = env + quoted(ZEL_SSCONVERT) + " -S " + quoted(xlsx.string()) + " " +
                                quoted((folder / "records.csv").string()) + " 2>/dev/null";
    ASSERT_EQ(shell(command), 0) << command;
    records = parseCsv(readFile(folder / "records.csv.0"));
    spectra = parseCsv(readFile(folder / "records.csv.1"));
  } else {
    // Every sheet to a CSV of its own (the filter's last option, -1).
    const std::string command = env + libreOffice(folder) +
                                " --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,"
                                "false,-1' --outdir " +
                                quoted(folder.string()) + " " + quoted(xlsx.string()) + " >/dev/null 2>&1";
    ASSERT_EQ(shell(command), 0) << command;
    records = parseCsv(readFile(folder / "records-Records.csv"));
    spectra = parseCsv(readFile(folder / "records-Spectra.csv"));
  }
  compareTable(records, true, ru, std::string(reader.name) + " " + reader.locale);

  const Fixture& f = fixture();
  ASSERT_EQ(spectra.size(), f.records.size() + 1);
  ASSERT_EQ(spectra[0].size(), 258u);
  EXPECT_EQ(spectra[0][2], "ch0");
  EXPECT_EQ(spectra[0][257], "ch255");
  for (std::size_t k = 0; k < f.records.size(); ++k) {
    ASSERT_EQ(spectra[k + 1].size(), 258u);
    EXPECT_EQ(spectra[k + 1][0], f.kvd);
    EXPECT_EQ(spectra[k + 1][1], std::to_string(k));
    for (int c = 0; c < 256; ++c)
      ASSERT_EQ(spectra[k + 1][static_cast<std::size_t>(c + 2)], std::to_string(f.records[k].spectrum(c)))
          << "record " << k << " channel " << c;
  }
}

INSTANTIATE_TEST_SUITE_P(Readers, XlsxRead,
                         testing::Values(Reader{"Gnumeric", "C"}, Reader{"Gnumeric", "ru_RU.UTF-8"},
                                         Reader{"LibreOffice", "C"}, Reader{"LibreOffice", "ru_RU.UTF-8"}),
                         [](const testing::TestParamInfo<Reader>& info) {
                           return std::string(info.param.name) + (std::string(info.param.locale) == "C" ? "_C" : "_ru");
                         });

// --- LibreOffice's own reading, with the cell types: flat ODS XML ---

void compareOds(const std::vector<std::vector<OdsCell>>& rows, const std::string& reader) {
  const Fixture& f = fixture();
  ASSERT_EQ(rows.size(), f.records.size() + 1) << reader;
  for (std::size_t k = 0; k < f.records.size(); ++k) {
    const std::vector<Expected> expected = expectedRow(f.kvd, k, f.records[k], false);
    std::vector<OdsCell> cells = rows[k + 1];
    cells.resize(expected.size());
    for (std::size_t c = 0; c < expected.size(); ++c) {
      const Expected& e = expected[c];
      const OdsCell& cell = cells[c];
      const std::string where = reader + ", record " + std::to_string(k) + " (" + kRecords[k] + "), column " +
                                std::to_string(c);
      switch (e.kind) {
        case Expected::Empty:
          EXPECT_TRUE(cell.type.empty() && cell.text.empty()) << where << ": " << cell.type << " " << cell.text;
          break;
        case Expected::Text:
          if (cell.type == "date") {
            // LibreOffice takes ISO text for the date it is, also before
            // the spreadsheet calendar of the XLSX (1 January 1900).
            EXPECT_EQ(fullDateTime(cell.value), e.text) << where;
          } else {
            EXPECT_EQ(cell.text, e.text) << where;
          }
          break;
        case Expected::Date:
          EXPECT_EQ(cell.type, "date") << where;
          EXPECT_EQ(fullDateTime(cell.value), e.text) << where;
          break;
        case Expected::Number: {
          ASSERT_EQ(cell.type, "float") << where << ": '" << cell.text << "' did not arrive as a number";
          const double v = std::strtod(cell.value.c_str(), nullptr);
          EXPECT_EQ(v, e.number) << where << ": " << cell.value;
          if (e.isFloat) {
          EXPECT_EQ(static_cast<float>(v), e.storedFloat) << where;
        }
          break;
        }
      }
    }
  }
}

// A double-click on the excel-ru CSV: ';' and decimal commas, opened by
// LibreOffice under the Russian locale, every number a number.
TEST(CsvRead, ExcelRuByLibreOfficeUnderTheRussianLocale) {
  const fs::path folder = fixture().folder / "excel_ru";
  fs::create_directories(folder);
  const fs::path csv = folder / "records.csv";
  exportTo(csv, {"--csv-style", "excel-ru"});
  const std::string command = "LC_ALL=ru_RU.UTF-8 " + libreOffice(folder) +
                              " --infilter='CSV:59,34,76,1' --convert-to fods --outdir " + quoted(folder.string()) +
                              " " + quoted(csv.string()) + " >/dev/null 2>&1";
  ASSERT_EQ(shell(command), 0) << command;
  compareOds(readFods(readFile(folder / "records.fods")), "LibreOffice ru, excel-ru CSV");
}

TEST(CsvRead, Rfc4180ByLibreOfficeUnderTheCLocale) {
  const fs::path folder = fixture().folder / "rfc4180";
  fs::create_directories(folder);
  const fs::path csv = folder / "records.csv";
  exportTo(csv, {"--csv-style", "rfc4180"});
  const std::string command = "LC_ALL=C " + libreOffice(folder) +
                              " --infilter='CSV:44,34,76,1' --convert-to fods --outdir " + quoted(folder.string()) +
                              " " + quoted(csv.string()) + " >/dev/null 2>&1";
  ASSERT_EQ(shell(command), 0) << command;
  compareOds(readFods(readFile(folder / "records.fods")), "LibreOffice C, rfc4180 CSV");
}

// --- Gnumeric's own reading, with the cell types: its XML file ---

// The RFC 4180 CSV, the style for scripts, opened by Gnumeric (its default
// CSV import) under the C locale: every number a number, with the stored
// value. (Under the Russian locale Gnumeric takes some numbers with a decimal
// point for text; that reader gets the excel-ru style, whose ";" its command
// line cannot be told, so LibreOffice reads that one above.)
TEST(CsvRead, Rfc4180ByGnumericUnderTheCLocale) {
  const std::string locale = "C";
  const fs::path folder = fixture().folder / ("gnumeric_csv_" + locale);
  fs::create_directories(folder);
  const fs::path csv = folder / "records.csv";
  exportTo(csv, {"--csv-style", "rfc4180"});
  const std::string command = "LC_ALL=" + locale + " " + quoted(ZEL_SSCONVERT) + " " + quoted(csv.string()) + " " +
                              quoted((folder / "records.gnumeric").string()) + " 2>/dev/null && gzip -dc " +
                              quoted((folder / "records.gnumeric").string()) + " > " +
                              quoted((folder / "records.xml").string());
  ASSERT_EQ(shell(command), 0) << command;
  const auto cells = readGnumeric(readFile(folder / "records.xml"));
  const Fixture& f = fixture();
  for (std::size_t k = 0; k < f.records.size(); ++k) {
    const std::vector<Expected> expected = expectedRow(f.kvd, k, f.records[k], false);
    for (std::size_t c = 0; c < expected.size(); ++c) {
      const Expected& e = expected[c];
      const auto found = cells.find({static_cast<int>(k + 1), static_cast<int>(c)});
      const std::string where = "Gnumeric " + locale + ", record " + std::to_string(k) + " (" + kRecords[k] +
                                "), column " + std::to_string(c);
      if (e.kind == Expected::Empty) {
        EXPECT_TRUE(found == cells.end()) << where;
        continue;
      }
      ASSERT_TRUE(found != cells.end()) << where;
      const GnumericCell& cell = found->second;
      if (e.kind == Expected::Number) {
        ASSERT_EQ(cell.type, 40) << where << ": '" << cell.text << "' did not arrive as a number";
        // Gnumeric keeps numbers in long double and writes all its digits.
        const double v = static_cast<double>(std::strtold(cell.text.c_str(), nullptr));
        EXPECT_EQ(v, e.number) << where << ": " << cell.text;
        if (e.isFloat) {
          EXPECT_EQ(static_cast<float>(v), e.storedFloat) << where;
        }
      } else {
        // Texts, and the ISO date and time, which Gnumeric keeps as text.
        EXPECT_EQ(cell.type, 60) << where;
        EXPECT_EQ(cell.text, e.text) << where;
      }
    }
  }
}

// The XLSX as LibreOffice holds it under the Russian locale: numbers as
// numbers with their exact values, the date cells as dates.
TEST(XlsxTypes, LibreOfficeUnderTheRussianLocale) {
  const fs::path folder = fixture().folder / "xlsx_types";
  fs::create_directories(folder);
  const fs::path xlsx = folder / "records.xlsx";
  exportTo(xlsx, {});
  const std::string command = "LC_ALL=ru_RU.UTF-8 " + libreOffice(folder) + " --convert-to fods --outdir " +
                              quoted(folder.string()) + " " + quoted(xlsx.string()) + " >/dev/null 2>&1";
  ASSERT_EQ(shell(command), 0) << command;
  compareOds(readFods(readFile(folder / "records.fods")), "LibreOffice ru, XLSX");
}

}  // namespace
