#include "browser/dif_export.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "browser_test_support.h"

namespace zel::browser {
namespace {

using test::listOf;

std::string joinLines(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += line + "\r\n";
  return out;
}

std::vector<std::string> header(const std::string& count, const std::string& fileCell) {
  return {"TABLE", "0,1",  "\"EXCEL\"", "VECTORS", "0," + count, "\"\"", "TUPLES", "0,6",
          "\"\"",  "DATA", "0,0",       "\"\"",    "-1,0",       "BOT",  "1,0",    fileCell,
          "1,0",   "\"\"", "-1,0",      "BOT",     "1,0",        "\"" + std::string(28, ' ') + "\"",
          "1,0",   "\"\"", "-1,0",      "BOT",     "1,0",        "\"   Date \"",
          "1,0",   "\"   Time \"",      "1,0",     "\"   mode \"", "1,0", "\"   Bk/m3 \"",
          "1,0",   "\"  dBk/m3 \"",     "-1,0"};
}

std::string fileCell(const std::string& name) {
  std::string padded = name;
  if (padded.size() < 128) padded.resize(128, ' ');
  return "\"  File:  " + padded + "\"";
}

// One data row: the date and time as strings, then three cells given whole
// (type line and text line).
std::vector<std::string> dataRow(const std::string& date, const std::string& time, const std::string& mode,
                                 std::vector<std::string> valueAndError) {
  std::vector<std::string> lines{"BOT", "1,0", "\"" + date + "\"", "1,0", "\"" + time + "\"", "0," + mode, "V"};
  lines.insert(lines.end(), valueAndError.begin(), valueAndError.end());
  lines.push_back("-1,0");
  return lines;
}

std::vector<std::string> number(const std::string& text) { return {"0," + text, "V"}; }
std::vector<std::string> string(const std::string& text) { return {"1,0", "\"" + text + "\""}; }

std::vector<std::string> cells(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::string file(const std::vector<std::string>& head, const std::vector<std::vector<std::string>>& rows) {
  std::vector<std::string> lines = head;
  for (const auto& r : rows) lines.insert(lines.end(), r.begin(), r.end());
  lines.push_back("EOD");
  return joinLines(lines);
}

TEST(DifExportTest, WritesAWholeFileOfThreeRecords) {
  const SummaryList list = listOf(
      "mode=1 date=05.07.2019 time=09:04:07 primaryResult=186 primaryError=37\n"
      "mode=20 date=31.12.1999 time=23:59:00 primaryResult=3 primaryError=2\n"
      "mode=7 date=01.01.2000 time=00:00:00 ca=0.25 primaryError=9\n");
  const std::string expected =
      file(header("    4", fileCell("C:\\d\\x.KVD")),
           {dataRow(" 05_07_19", " 09:04:07", " 01     ", cells(number("186     "), number("37      "))),
            dataRow(" 31_12_99", " 23:59:00", " 20     ", cells(string("  < 0.5 "), string("        "))),
            dataRow(" 01_01_00", " 00:00:00", " 07     ", cells(number("0.250   "), string("        ")))});
  const std::string bytes = buildDifExport(list, "C:\\d\\x.KVD");
  EXPECT_EQ(bytes, expected);
  std::size_t lines = 0;
  for (std::size_t at = bytes.find("\r\n"); at != std::string::npos; at = bytes.find("\r\n", at + 2)) ++lines;
  EXPECT_EQ(lines, 74u);
}

TEST(DifExportTest, LeavesNothingOfOneRowInTheNext) {
  const char* mode7 = "mode=7 date=02.03.2004 time=05:06:07 ca=12.5\n";
  const char* mode1 = "mode=1 date=02.03.2004 time=05:06:07 primaryResult=1 primaryError=2\n";
  const auto row7 = dataRow(" 02_03_04", " 05:06:07", " 07     ", cells(number("12.500  "), string("        ")));
  const auto row1 = dataRow(" 02_03_04", " 05:06:07", " 01     ", cells(number("1       "), number("2       ")));
  EXPECT_EQ(buildDifExport(listOf(std::string(mode7) + mode1), "a.kvd"),
            file(header("    3", fileCell("a.kvd")), {row7, row1}));
  EXPECT_EQ(buildDifExport(listOf(std::string(mode1) + mode7), "a.kvd"),
            file(header("    3", fileCell("a.kvd")), {row1, row7}));
}

struct CellCase {
  const char* record;
  std::vector<std::string> mode;  // "0,<mode cell>"
  std::vector<std::string> valueAndError;
};

class DifCellTest : public ::testing::TestWithParam<CellCase> {};

TEST_P(DifCellTest, WritesTheRowsCells) {
  const CellCase& c = GetParam();
  const std::string expected =
      file(header("    2", fileCell("m.kvd")),
           {dataRow(" 09_10_21", " 11:12:13", c.mode[0], c.valueAndError)});
  EXPECT_EQ(buildDifExport(listOf(std::string("date=09.10.2021 time=11:12:13 ") + c.record), "m.kvd"), expected)
      << c.record;
}

INSTANTIATE_TEST_SUITE_P(
    Modes, DifCellTest,
    ::testing::Values(
        CellCase{"mode=3 primaryResult=1234 primaryError=1187", {" 03     "},
                 cells(number("1234    "), number("246     "))},
        // 214,748,365 x 20 passes 2^32: the error must not wrap.
        CellCase{"mode=3 primaryResult=214748365", {" 03     "},
                 cells(number("214748365"), number("42949673"))},
        CellCase{"mode=21 integralResult=171 integralError=18", {" 21     "},
                 cells(number("171     "), number("18      "))},
        CellCase{"mode=14 eecRn=57 eecRnError=8", {" 14     "}, cells(number("57      "), number("8       "))},
        CellCase{"mode=10 pulseCount=1650 primaryError=7", {" 10     "},
                 cells(number("1650    "), number("0       "))},
        CellCase{"mode=20 primaryResult=55 primaryError=12", {" 20     "},
                 cells(number("5.5     "), number("12      "))},
        CellCase{"mode=20 primaryResult=7 primaryError=1", {" 20     "},
                 cells(number("0.7     "), number("1       "))},
        CellCase{"mode=20 primaryResult=123 primaryError=1", {" 20     "},
                 cells(number("12      "), number("1       "))},
        CellCase{"mode=20 primaryResult=4294967295 primaryError=1", {" 20     "},
                 cells(string("  < 0.5 "), string("        "))},
        // A value wider than its cell is written whole.
        CellCase{"mode=7 ca=12345.5", {" 07     "}, cells(number("12345.500"), string("        "))},
        CellCase{"mode=7 ca=999999.9", {" 07     "}, cells(number("999999.875"), string("        "))},
        CellCase{"mode=7 ca=3e6", {" 07     "}, cells(string("-.---   "), string("        "))},
        CellCase{"mode=1 primaryResult=4000000000 primaryError=123456789", {" 01     "},
                 cells(number("4000000000"), number("123456789"))},
        // Codes outside the table keep their full number.
        CellCase{"mode=27 primaryResult=1 primaryError=0", {" 27     "},
                 cells(number("1       "), number("0       "))},
        CellCase{"mode=300 primaryResult=1 primaryError=0", {"300     "},
                 cells(number("1       "), number("0       "))},
        CellCase{"mode=65535 primaryResult=1 primaryError=0", {"65535   "},
                 cells(number("1       "), number("0       "))}));

TEST(DifExportTest, WritesALongFileNameWhole) {
  const std::string name = "C:\\" + std::string(200, 'n') + ".kvd";
  const std::string bytes = buildDifExport(listOf("mode=1"), name);
  EXPECT_NE(bytes.find("\r\n\"  File:  " + name + "\"\r\n"), std::string::npos);
}

// A name from Linux may hold quotes and line ends: the string still ends
// where the cell does, and the blanks pad the name as it reads.
TEST(DifExportTest, KeepsTheFileCellOneStringWhateverTheName) {
  const std::string bytes = buildDifExport(listOf("mode=1"), "/home/a\"b\r\nc\".kvd");
  EXPECT_NE(bytes.find("\r\n\"  File:  /home/a\"\"b??c\"\".kvd" + std::string(128 - 17, ' ') + "\"\r\n"),
            std::string::npos);
}

TEST(DifExportTest, ExportsMarkedRowsAlike) {
  SummaryList list = listOf("mode=1\nmode=2\n");
  const std::string before = buildDifExport(list, "m.kvd");
  list[1].mark = 1;
  EXPECT_EQ(buildDifExport(list, "m.kvd"), before);
}

struct CountCase {
  std::uint32_t records;
  const char* line;
};

class DifCountTest : public ::testing::TestWithParam<CountCase> {};

TEST_P(DifCountTest, CarriesTheFullCountPlusOne) {
  SummaryList list;
  ASSERT_TRUE(list.allocate(GetParam().records));
  const std::string bytes = buildDifExport(list, "m.kvd");
  EXPECT_EQ(bytes.substr(0, bytes.find("\r\n\"\"\r\nTUPLES")), std::string("TABLE\r\n0,1\r\n\"EXCEL\"\r\nVECTORS\r\n") +
                                                                  GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(Counts, DifCountTest,
                         ::testing::Values(CountCase{1, "0,    2"}, CountCase{9999, "0,10000"},
                                           CountCase{65534, "0,65535"}, CountCase{65535, "0,65536"},
                                           CountCase{100000, "0,100001"}));

class ChunkSink : public ByteSink {
 public:
  explicit ChunkSink(int failAt = -1) : failAt_(failAt) {}
  bool write(const char* data, std::size_t size) override {
    sizes.push_back(size);
    if (static_cast<int>(sizes.size()) - 1 == failAt_) return false;
    bytes.append(data, size);
    return true;
  }
  std::vector<std::size_t> sizes;
  std::string bytes;

 private:
  int failAt_;
};

TEST(DifExportTest, HandsOnTheBytesInBoundedChunks) {
  SummaryList list;
  ASSERT_TRUE(list.allocate(3000));
  for (std::uint32_t i = 0; i < list.size(); ++i) list[i].value = i;
  ChunkSink sink;
  EXPECT_TRUE(writeDifExport(list, "m.kvd", sink));
  EXPECT_GT(sink.sizes.size(), 2u);
  for (std::size_t n : sink.sizes) EXPECT_LE(n, kDifChunk);
  EXPECT_EQ(sink.bytes, buildDifExport(list, "m.kvd"));
}

TEST(DifExportTest, StopsAtTheFirstRefusedWrite) {
  SummaryList list;
  ASSERT_TRUE(list.allocate(3000));
  ChunkSink sink(1);
  EXPECT_FALSE(writeDifExport(list, "m.kvd", sink));
  EXPECT_EQ(sink.sizes.size(), 2u);
}

}  // namespace
}  // namespace zel::browser
