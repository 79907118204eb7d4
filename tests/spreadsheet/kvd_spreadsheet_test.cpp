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
#include "tests/spreadsheet/csv_reader.h"
#include "tests/spreadsheet/expected_row.h"
#include "tests/spreadsheet/sheet_xml.h"

namespace {

namespace fs = std::filesystem;
using zel::MeasurementRecord;
using namespace zel::sheet_test;

// Crafted records: every mode code, codes outside the table, 32-bit
// extremes, the thoron tenths on both sides of 0.5, floats that need all
// their digits, NaN and infinities, dates that are no calendar dates and
// dates before spreadsheets' calendars, signed temperatures, low bytes.
const char* const kRecords[] = {
    "mode=0 date=01.07.2019 time=08:00:00 primaryResult=0 primaryError=0",
    "mode=1 date=05.07.2019 time=09:04:07 primaryResult=186 primaryError=37 temperature=0x00FB humidity=0x0164 "
    "pressure=745 pulseCount=65535 bounds=44,62 spectrum=flat(2)+peak(50,120,3)+channel(255,65535)",
    "mode=2 date=31.12.2099 time=23:59:59 primaryResult=4294967295 primaryError=4294967295 deviceNumber=4294967295",
    "mode=3 date=29.02.2020 time=12:00:00 primaryResult=4294967295 primaryError=70000 cycleCount=300",
    "mode=3 date=01.03.2019 time=12:00:00 primaryResult=1234 primaryError=99",
    "mode=4 date=02.03.2019 time=00:00:01 primaryResult=4 primaryError=2",
    "mode=5 date=03.03.2019 time=14:15:16 primaryResult=5340 primaryError=820 temperature=0x0119",
    "mode=6 date=04.03.2019 time=14:15:16 primaryResult=37 primaryError=9 variantFlag=1",
    "mode=7 date=09.10.2018 time=10:20:30 ca=0.25 bounds=40,60,90 spectrum=flat(1)",
    "mode=7 date=09.10.2018 time=10:20:31 ca=1.352",
    "mode=7 date=09.10.2018 time=10:20:32 ca=3.4028235e38",
    "mode=7 date=09.10.2018 time=10:20:33 ca=1e-45",
    "mode=7 date=09.10.2018 time=10:20:34 ca=nan",
    "mode=7 date=09.10.2018 time=10:20:35 ca=inf cb=-inf cc=0.1",
    "mode=8 date=45.13.2019 time=25:61:99 primaryResult=3 primaryError=1",
    "mode=9 date=29.02.2019 time=00:00:00 primaryResult=5 primaryError=2",
    "mode=10 date=28.02.2019 time=08:00:00 pulseCount=412 primaryError=9 countN1=1 countN2=2 countN3=3 "
    "pumpingTime=300 delayTime=90 measurementTime=3725 bounds=30,60,120 spectrum=flat(3)",
    "mode=11 date=01.01.1900 time=00:00:00 primaryResult=7 primaryError=1",
    "mode=12 date=28.02.1900 time=23:59:59 primaryResult=97 primaryError=19",
    "mode=13 date=01.03.1900 time=00:00:00 primaryResult=88 primaryError=11",
    "mode=14 date=03.07.2019 time=15:38:02 eecRn=57 eecRnError=8 eecTn=3 eecTnError=1 countN1=1024 countN2=618 "
    "countN3=290 ca=1.352 cb=0.847 cc=0.221 kv=12.5 fd=0.482 bounds=44,62,86 spectrum=flat(2)+peak(70,300,5)",
    "mode=15 date=03.07.2019 time=20:45:15 eecRn=4294967295 eecRnError=70000 eecTn=0 eecTnError=4294967295",
    "mode=16 date=00.00.0 time=00:00:00",
    "mode=17 date=31.04.2019 time=24:00:00 primaryResult=1",
    "mode=18 date=04.07.2019 time=08:06:54 primaryResult=264 primaryError=52",
    "mode=19 date=04.07.2019 time=11:13:07 primaryResult=18650 primaryError=2790",
    "mode=20 date=04.07.2019 time=15:20:20 primaryResult=57 primaryError=8 delayTime=5",
    "mode=20 date=04.07.2019 time=15:20:21 primaryResult=4 primaryError=3",
    "mode=20 date=04.07.2019 time=15:20:22 primaryResult=5 primaryError=3",
    "mode=20 date=04.07.2019 time=15:20:23 primaryResult=90 primaryError=3",
    "mode=20 date=04.07.2019 time=15:20:24 primaryResult=123 primaryError=3",
    "mode=20 date=04.07.2019 time=15:20:25 primaryResult=4294967286 primaryError=3",
    "mode=21 date=04.07.2019 time=20:27:33 primaryResult=160 primaryError=17 integralResult=171 integralError=18 "
    "cycleCount=5 bounds=300,20",
    "mode=22 date=04.07.2019 time=23:34:46 eecRn=66 eecRnError=7 ca=-0.482 fd=0.1",
    "mode=23 date=05.07.2019 time=03:41:59 eecRn=73 eecRnError=11",
    "mode=24 date=05.07.2019 time=08:48:12 primaryResult=23 primaryError=6 bounds=100,200 spectrum=flat(7)",
    "mode=25 date=05.07.2019 time=11:55:25 pulseCount=2871 variantFlag=1",
    "mode=26 date=05.07.2019 time=15:02:38 primaryResult=131 primaryError=14",
    "mode=27 date=06.07.2019 time=00:00:00 primaryResult=1 primaryError=1 spectrum=flat(9)",
    "mode=263 date=06.07.2019 time=00:00:01 primaryResult=2 primaryError=1 ca=0.5",
    "mode=65535 date=06.07.2019 time=00:00:02 primaryResult=3 primaryError=1",
};

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
    for (const char* line : kRecords) description += std::string(line) + "\n";
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
