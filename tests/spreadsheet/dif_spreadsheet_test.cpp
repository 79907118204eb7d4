// The export as spreadsheet programs read it: Gnumeric's ssconvert and
// LibreOffice Calc turn the DIF file into CSV, and every record's cells must
// come through as the list showed them, numbers as numbers.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <unistd.h>
#include <sstream>
#include <string>
#include <vector>

#include "browser/dif_export.h"
#include "browser/summary_list.h"
#include "tools/kvdgen/kvd_description.h"
#include "tests/spreadsheet/csv_reader.h"

namespace {

struct Row {
  const char* record;  // kvdgen's description of one record
  const char* date;
  const char* time;
  const char* mode;
  const char* value;
  const char* error;  // "" for an empty cell
};

// The values as the instrument stored them and the list shows them (a
// mode-20 error, as in the list, only from 0.5 on).
const Row kRows[] = {
    {"mode=3 date=05.07.2019 time=09:04:07 primaryResult=1234 primaryError=99", "05_07_19", "09:04:07", "3", "1234",
     "246"},
    {"mode=1 date=31.12.2020 time=23:59:58 primaryResult=186 primaryError=37", "31_12_20", "23:59:58", "1", "186", "37"},
    {"mode=14 date=01.01.2000 time=00:00:01 eecRn=57 eecRnError=8", "01_01_00", "00:00:01", "14", "57", "8"},
    {"mode=7 date=09.10.2018 time=10:20:30 ca=12.5", "09_10_18", "10:20:30", "7", "12.5", ""},
    {"mode=7 date=09.10.2018 time=10:20:31 ca=0.25", "09_10_18", "10:20:31", "7", "0.25", ""},
    {"mode=20 date=11.11.2011 time=11:11:11 primaryResult=55 primaryError=3", "11_11_11", "11:11:11", "20", "5.5", "3"},
    {"mode=20 date=11.11.2011 time=11:11:12 primaryResult=4 primaryError=3", "11_11_11", "11:11:12", "20", "< 0.5", ""},
    {"mode=20 date=11.11.2011 time=11:11:13 primaryResult=123 primaryError=3", "11_11_11", "11:11:13", "20", "12", "3"},
    {"mode=10 date=28.02.2019 time=08:00:00 pulseCount=412 primaryError=9", "28_02_19", "08:00:00", "10", "412", "0"},
    {"mode=21 date=01.03.2019 time=12:00:00 integralResult=777 integralError=21", "01_03_19", "12:00:00", "21", "777",
     "21"},
    {"mode=25 date=02.03.2019 time=13:14:15 pulseCount=65535", "02_03_19", "13:14:15", "25", "65535", "0"},
    {"mode=2 date=03.03.2019 time=14:15:16 primaryResult=99999999 primaryError=0", "03_03_19", "14:15:16", "2",
     "99999999", "0"},
};

std::string trimmed(const std::string& s) {
  const auto b = s.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

bool isNumber(const char* text, double& out) {
  char* end = nullptr;
  out = std::strtod(text, &end);
  return *text && end && *end == '\0';
}

void expectCell(const std::string& got, const char* expected, const std::string& where) {
  double want = 0, have = 0;
  if (isNumber(expected, want)) {
    ASSERT_TRUE(isNumber(trimmed(got).c_str(), have)) << where << ": '" << got << "' is not a number";
    EXPECT_DOUBLE_EQ(have, want) << where;
  } else {
    EXPECT_EQ(trimmed(got), expected) << where;
  }
}

// A spreadsheet program that converts DIF to CSV from the command line.
struct Reader {
  const char* name;
  // The shell command that turns `dif` into `csv` (same folder, same base name).
  std::string (*command)(const std::string& dif, const std::string& csv);
};

std::string gnumeric(const std::string& dif, const std::string& csv) {
  return std::string("'") + ZEL_SSCONVERT + "' '" + dif + "' '" + csv + "' 2>/dev/null";
}

std::string libreOffice(const std::string& dif, const std::string& csv) {
  const std::string folder = csv.substr(0, csv.rfind('/'));
  // A profile of its own, so that no running office or earlier run interferes.
  return std::string("'") + ZEL_SOFFICE + "' -env:UserInstallation=file://" + folder +
         "/zel_office_profile --headless --convert-to csv --outdir '" + folder + "' '" + dif + "' >/dev/null 2>&1";
}

class DifSpreadsheet : public testing::TestWithParam<Reader> {};

TEST_P(DifSpreadsheet, ReadsEveryRecordsCells) {
  std::string description;
  for (const Row& row : kRows) description += std::string(row.record) + "\n";
  std::vector<std::uint8_t> bytes;
  zel::kvd::ParseError error;
  ASSERT_TRUE(zel::kvd::buildFile(description, bytes, error)) << error.message;
  zel::browser::SummaryList list;
  ASSERT_EQ(zel::browser::readSummaryList(bytes.data(), bytes.size(), list), zel::browser::ReadStatus::Ok);

  const std::string base =
      testing::TempDir() + "zel_dif_" + GetParam().name + "_" + std::to_string(::getpid());
  const std::string measurement = base + ".kvd";
  const std::string dif = base + ".dif", csv = base + ".csv";
  {
    std::ofstream out(dif, std::ios::binary);
    out << zel::browser::buildDifExport(list, measurement);
  }
  const std::string command = GetParam().command(dif, csv);
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  std::ifstream in(csv, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  const std::vector<std::vector<std::string>> rows = parseCsv(text.str());
  std::remove(dif.c_str());
  std::remove(csv.c_str());

  // The file row, a blank row, the labels, then one row per record.
  ASSERT_EQ(rows.size(), 3 + std::size(kRows)) << text.str();
  ASSERT_FALSE(rows[0].empty());
  EXPECT_EQ(trimmed(rows[0][0]), "File:  " + measurement);
  ASSERT_GE(rows[2].size(), 5u);
  const char* labels[] = {"Date", "Time", "mode", "Bk/m3", "dBk/m3"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(trimmed(rows[2][static_cast<std::size_t>(i)]), labels[i]);
  for (std::size_t i = 0; i < std::size(kRows); ++i) {
    const Row& row = kRows[i];
    std::vector<std::string> cells = rows[3 + i];
    cells.resize(5);
    const std::string where = std::string("record ") + std::to_string(i) + " (" + row.record + ")";
    expectCell(cells[0], row.date, where + " date");
    expectCell(cells[1], row.time, where + " time");
    expectCell(cells[2], row.mode, where + " mode");
    expectCell(cells[3], row.value, where + " value");
    expectCell(cells[4], row.error, where + " error");
  }
}

INSTANTIATE_TEST_SUITE_P(Readers, DifSpreadsheet,
                         testing::Values(Reader{"Gnumeric", gnumeric}, Reader{"LibreOffice", libreOffice}),
                         [](const testing::TestParamInfo<Reader>& info) { return std::string(info.param.name); });

}  // namespace
