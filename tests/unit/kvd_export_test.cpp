// kvd export: the CSV and JSON writers on crafted records, the DIF byte for
// byte the browser's, and the output written whole or not at all.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "browser/dif_export.h"
#include "browser/summary_list.h"
#include "kvd/export/row_model.h"
#include "kvd/export/writers.h"
#include "kvd_test_support.h"
#include "page_test_support.h"

namespace zel::cli {
namespace {

using test::checksum;
using test::kvdBytes;
using test::readFile;
using test::runKvd;
using test::TempFolder;
using test::writeFile;

constexpr const char* kHeader =
    "File,Record,Date and time,Mode,Mode name,Value,Error,Unit,deviceNumber,modeCode,year,month,day,hour,minute,"
    "second,delayTime,measurementTime,pulseCount,countN1,countN2,countN3,pumpingTime,temperature,humidity,pressure,"
    "windowBound1,windowBound2,windowBound3,cycleCount,primaryResult,primaryError,integralResult,integralError,eecRn,"
    "eecRnError,eecTn,eecTnError,variantFlag,ca,cb,cc,kv,fd,windowSum1,windowSum2,windowSum3,windowSum4";

constexpr const char* kMode1 =
    "mode=1 date=05.07.2019 time=09:04:07 deviceNumber=7 primaryResult=186 primaryError=37 temperature=0x0119 "
    "humidity=45 pressure=745 bounds=44,62 spectrum=channel(20,3)+channel(50,4)+channel(255,5)+channel(44,100)";

// A blank record with the fields of one generator description line.
MeasurementRecord recordOf(std::string_view description) { return pages::test::withFields({}, description); }

// What `writer` writes into `sink` for the rows of `records`.
std::string rowsThrough(RowWriter& writer, const StringByteSink& sink, const std::vector<MeasurementRecord>& records,
                        ExportOptions options, std::string_view file) {
  RowModel model(options);
  EXPECT_TRUE(writer.begin(model));
  Row row;
  for (std::size_t k = 0; k < records.size(); ++k) {
    model.fill(file, k, records[k], row);
    EXPECT_TRUE(writer.write(row));
  }
  EXPECT_TRUE(writer.finish());
  return sink.text;
}

std::string csvOf(const std::vector<MeasurementRecord>& records, platform::CsvStyle style, ExportOptions options = {},
                  std::string_view file = "/x/a.kvd") {
  StringByteSink sink;
  return rowsThrough(*makeCsvWriter(sink, style), sink, records, options, file);
}

std::string jsonOf(const std::vector<MeasurementRecord>& records, bool lines, ExportOptions options = {}) {
  StringByteSink sink;
  return rowsThrough(*makeJsonWriter(sink, lines), sink, records, options, "/x/a.kvd");
}

constexpr platform::CsvStyle kRfc{',', '.', false, false};
constexpr platform::CsvStyle kExcelRu{';', ',', true, true};

TEST(KvdCsv, HeaderAndRowRfc4180) {
  const std::string csv = csvOf({recordOf(kMode1)}, kRfc);
  EXPECT_EQ(csv, std::string(kHeader) +
                     "\n/x/a.kvd,0,2019-07-05T09:04:07,1,CRn 20 estimate,186,37,Bq/m3,7,1,2019,7,5,9,4,7,0,0,0,0,0,0,"
                     "0,25,45,745,44,62,0,0,186,37,0,0,0,0,0,0,0,0,0,0,0,0,3,4,5,\n");
}

TEST(KvdCsv, ExcelRuStyle) {
  const std::string csv = csvOf({recordOf("mode=7 date=09.10.2018 time=10:20:30 ca=0.25 kv=12.5")}, kExcelRu, {},
                                "C:\\d;\"x\".kvd");
  ASSERT_EQ(csv.substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_NE(csv.find("File;Record;Date and time;"), std::string::npos);
  EXPECT_NE(csv.find("\r\n\"C:\\d;\"\"x\"\".kvd\";0;2018-10-09T10:20:30;7;EEC channel background;0,25;;Bq/m3;"),
            std::string::npos)
      << csv;
  // ca, cb, cc, kv, fd and the four window sums, then the line end.
  EXPECT_NE(csv.find(";0,25;0;0;12,5;0;0;0;0;0\r\n"), std::string::npos) << csv;
  EXPECT_EQ(csv.find('\n', csv.find("\r\n") + 2), csv.size() - 1);
}

TEST(KvdCsv, FieldsThatNeedQuotes) {
  const std::string csv = csvOf({recordOf("mode=1")}, kRfc, {}, "a,\"b\"\nc.kvd");
  EXPECT_NE(csv.find("\n\"a,\"\"b\"\"\nc.kvd\",0,"), std::string::npos) << csv;
  // A decimal comma under a comma separator is quoted too.
  const std::string odd = csvOf({recordOf("mode=7 ca=0.25")}, {',', ',', false, false});
  EXPECT_NE(odd.find(",\"0,25\","), std::string::npos) << odd;
}

TEST(KvdCsv, NanInfinityAndDatesThatAreNoCalendarDates) {
  MeasurementRecord r = recordOf("mode=7 date=45.13.2019 time=25:61:99");
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  std::memcpy(r.bytes.data() + offset::ca, &nan, 4);
  std::memcpy(r.bytes.data() + offset::cb, &inf, 4);
  const float minusInf = -inf;
  std::memcpy(r.bytes.data() + offset::cc, &minusInf, 4);
  const std::string csv = csvOf({r}, kRfc);
  EXPECT_NE(csv.find(",2019-13-45T25:61:99,7,EEC channel background,NaN,,Bq/m3,"), std::string::npos) << csv;
  EXPECT_NE(csv.find(",NaN,Infinity,-Infinity,0,0,"), std::string::npos) << csv;
}

TEST(KvdCsv, UnitsPciAndSpectrum) {
  ExportOptions options;
  options.pci = true;
  options.spectrum = true;
  const std::string csv = csvOf({recordOf("mode=1 primaryResult=37 primaryError=74 spectrum=channel(255,9)"),
                                 recordOf("mode=14 eecRn=3700 eecRnError=370")},
                                kRfc, options);
  EXPECT_NE(csv.find("Unit,Value (pCi/L),Error (pCi/L),Value (WL),Error (WL),deviceNumber"), std::string::npos);
  EXPECT_NE(csv.find(",ch0,ch1,"), std::string::npos);
  EXPECT_NE(csv.find(",ch255\n"), std::string::npos);
  EXPECT_NE(csv.find(",37,74,Bq/m3,1,2,,,"), std::string::npos) << csv;
  EXPECT_NE(csv.find(",3700,370,Bq/m3,,,1,0.1,"), std::string::npos) << csv;
  EXPECT_NE(csv.find(",0,9\n"), std::string::npos) << csv;  // channels 254 and 255
}

TEST(KvdJson, ParsedBackByNlohmann) {
  MeasurementRecord nanRecord = recordOf("mode=14 eecRn=57 eecRnError=8 ca=1.352 date=29.02.2019 time=00:00:00");
  const float nan = std::numeric_limits<float>::quiet_NaN();
  std::memcpy(nanRecord.bytes.data() + offset::fd, &nan, 4);
  const std::string text = jsonOf({recordOf(kMode1), nanRecord,
                                   recordOf("mode=20 primaryResult=57 primaryError=8"),
                                   recordOf("mode=25 pulseCount=65535 primaryResult=4294967295")},
                                  false, {true, false});
  const nlohmann::ordered_json rows = nlohmann::ordered_json::parse(text);
  ASSERT_TRUE(rows.is_array());
  ASSERT_EQ(rows.size(), 4u);
  // Keys in column order.
  std::vector<std::string> keys;
  for (auto it = rows[0].begin(); it != rows[0].end(); ++it) keys.push_back(it.key());
  std::string joined;
  for (std::size_t k = 0; k + 1 < keys.size(); ++k) joined += (k ? "," : "") + keys[k];
  EXPECT_EQ(joined, kHeader);
  EXPECT_EQ(keys.back(), "spectrum");
  EXPECT_EQ(rows[0]["File"], "/x/a.kvd");
  EXPECT_EQ(rows[0]["Record"], 0);
  EXPECT_EQ(rows[0]["Date and time"], "2019-07-05T09:04:07");
  EXPECT_EQ(rows[0]["Value"], 186);
  EXPECT_EQ(rows[0]["temperature"], 25);
  EXPECT_EQ(rows[0]["windowSum3"], 5);
  EXPECT_TRUE(rows[0]["windowSum4"].is_null());
  EXPECT_EQ(rows[0]["spectrum"].size(), 256u);
  EXPECT_EQ(rows[0]["spectrum"][255], 5);
  EXPECT_FALSE(rows[0].contains("nonFinite"));
  EXPECT_EQ(rows[1]["Date and time"], "2019-02-29T00:00:00");
  EXPECT_TRUE(rows[1]["fd"].is_null());
  EXPECT_EQ(rows[1]["nonFinite"]["fd"], "NaN");
  EXPECT_EQ(rows[1]["ca"].get<double>(), 1.352);
  EXPECT_EQ(static_cast<float>(rows[1]["ca"].get<double>()), 1.352f);
  EXPECT_EQ(rows[2]["Value"].get<double>(), 5.7);
  EXPECT_EQ(rows[2]["Error"], 8);
  EXPECT_EQ(rows[2]["primaryResult"], 57);
  EXPECT_TRUE(rows[3]["Error"].is_null());
  EXPECT_EQ(rows[3]["Unit"], "pulses");
  EXPECT_EQ(rows[3]["primaryResult"].get<std::uint64_t>(), 4294967295u);
  EXPECT_NE(text.find("\"ca\":1.352,"), std::string::npos);
}

TEST(KvdJson, LinesAndEmptyArray) {
  const std::string lines = jsonOf({recordOf("mode=1"), recordOf("mode=2")}, true);
  ASSERT_EQ(std::count(lines.begin(), lines.end(), '\n'), 2);
  for (std::size_t at = 0; at < lines.size();) {
    const std::size_t end = lines.find('\n', at);
    EXPECT_TRUE(nlohmann::json::parse(lines.substr(at, end - at)).is_object());
    at = end + 1;
  }
  EXPECT_EQ(nlohmann::json::parse(jsonOf({}, false)).size(), 0u);
}

TEST(KvdJson, BrokenUtf8InAFileNameIsReplaced) {
  EXPECT_EQ(validUtf8("\xD0\x9F\xD1\x80\xD0\xB8.kvd"), "\xD0\x9F\xD1\x80\xD0\xB8.kvd");
  EXPECT_EQ(validUtf8("a\xFF" "b"), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(validUtf8("\xC0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

// --- the command, in-process ---

class KvdExportCommand : public testing::Test {
 protected:
  void SetUp() override {
    input = folder / "survey.kvd";
    writeFile(input, kvdBytes(std::string(kMode1) + "\nmode=14 eecRn=57 eecRnError=8\nmode=20 primaryResult=4\n"
                                                    "mode=7 ca=0.25\n"));
    before = checksum(input);
  }
  void TearDown() override { EXPECT_EQ(checksum(input), before) << "an input was changed"; }

  TempFolder folder;
  std::string input;
  std::string before;
};

TEST_F(KvdExportCommand, DifIsByteForByteTheBrowsers) {
  const std::string out = folder / "survey.dif";
  const auto r = runKvd({"export", input, "-o", out});
  ASSERT_EQ(r.code, 0) << r.err;
  browser::SummaryList list;
  const std::string bytes = readFile(input);
  ASSERT_EQ(browser::readSummaryList(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), list),
            browser::ReadStatus::Ok);
  EXPECT_EQ(readFile(out), browser::buildDifExport(list, input));
  EXPECT_EQ(folder.names(), (std::vector<std::string>{"survey.dif", "survey.kvd"}));
}

TEST_F(KvdExportCommand, DifOfSeveralFilesIsAUsageError) {
  const auto r = runKvd({"export", input, input, "-o", folder / "x.dif"});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("DIF"), std::string::npos);
  EXPECT_NE(r.err.find("usage: kvd export"), std::string::npos);
  EXPECT_EQ(folder.names(), std::vector<std::string>{"survey.kvd"});
}

TEST_F(KvdExportCommand, FormatFromTheExtensionOrTheOption) {
  ASSERT_EQ(runKvd({"export", input, "-o", folder / "a.CSV"}).code, 0);
  EXPECT_EQ(readFile(folder / "a.CSV").substr(0, 5), "File,");
  ASSERT_EQ(runKvd({"export", input, "-o", folder / "b.txt", "--format", "jsonl"}).code, 0);
  EXPECT_EQ(readFile(folder / "b.txt").front(), '{');
  ASSERT_EQ(runKvd({"export", input, "-o", folder / "c.json"}).code, 0);
  EXPECT_EQ(readFile(folder / "c.json").front(), '[');
  const auto unknown = runKvd({"export", input, "-o", folder / "d.txt"});
  EXPECT_EQ(unknown.code, 2);
  EXPECT_NE(unknown.err.find("--format"), std::string::npos);
  EXPECT_EQ(runKvd({"export", input, "-o", folder / "e.json", "--csv-style", "excel-ru"}).code, 2);
  EXPECT_EQ(runKvd({"export", input, "-o", folder / "f.csv", "--format", "ods"}).code, 2);
}

TEST_F(KvdExportCommand, CsvStyles) {
  ASSERT_EQ(runKvd({"export", input, "-o", folder / "ru.csv", "--csv-style", "excel-ru"}).code, 0);
  const std::string ru = readFile(folder / "ru.csv");
  EXPECT_EQ(ru.substr(0, 10), "\xEF\xBB\xBF" "File;Re");
  EXPECT_NE(ru.find(";0,25;"), std::string::npos);
  EXPECT_NE(ru.find("\r\n"), std::string::npos);
  ASSERT_EQ(runKvd({"export", input, "-o", folder / "rfc.csv", "--csv-style", "rfc4180"}).code, 0);
  const std::string rfc = readFile(folder / "rfc.csv");
  EXPECT_EQ(rfc.substr(0, 5), "File,");
  EXPECT_EQ(rfc.find('\r'), std::string::npos);
  EXPECT_NE(rfc.find(",0.25,"), std::string::npos);
}

TEST_F(KvdExportCommand, AnOutputThatIsAnInputIsRefused) {
  for (const std::string& out : {input, (folder.path() / "." / "survey.kvd").string()}) {
    const auto r = runKvd({"export", input, "-o", out, "--format", "csv"});
    EXPECT_EQ(r.code, 2) << out;
    EXPECT_NE(r.err.find("usage:"), std::string::npos);
  }
  // Another measurement file is never overwritten either.
  const auto other = runKvd({"export", input, "-o", folder / "other.KVD", "--format", "csv"});
  EXPECT_EQ(other.code, 2);
  EXPECT_EQ(folder.names(), std::vector<std::string>{"survey.kvd"});
}

TEST_F(KvdExportCommand, FailedFilesAreSaidAndTheOthersExported) {
  writeFile(folder / "empty.kvd", std::string());
  writeFile(folder / "short.kvd", std::string(100, 'x'));
  writeFile(folder / "notes.txt", std::string(688, 'x'));
  std::filesystem::create_directory(folder.path() / "dir.kvd");
  writeFile(folder / "tail.kvd", kvdBytes("mode=2\ntrailing=5"));
  const std::string out = folder / "all.csv";
  const auto r = runKvd({"export", folder / "missing.kvd", folder / "empty.kvd", folder / "short.kvd",
                         folder / "notes.txt", folder / "dir.kvd", input, folder / "tail.kvd", "-o", out});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("kvd: " + folder / "missing.kvd" + ": no such file\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("kvd: " + folder / "empty.kvd" + ": is empty"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("kvd: " + folder / "short.kvd" + ": holds no whole record (100 bytes"), std::string::npos);
  EXPECT_NE(r.err.find("kvd: " + folder / "notes.txt" + ": not a measurement file"), std::string::npos);
  EXPECT_NE(r.err.find("kvd: " + folder / "dir.kvd" + ": is a directory"), std::string::npos);
  EXPECT_NE(r.err.find("kvd: note: " + folder / "tail.kvd" + ": the last 5 bytes form no whole record"),
            std::string::npos);
  // One line per failed file, one note.
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 6) << r.err;
  const std::string csv = readFile(out);
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 1 + 4 + 1);
  // A trailing partial record alone does not change the exit code.
  EXPECT_EQ(runKvd({"export", folder / "tail.kvd", "-o", folder / "tail.csv"}).code, 0);
  writeFile(folder / "byte.kvd", kvdBytes("mode=2\ntrailing=1"));
  const auto one = runKvd({"export", folder / "byte.kvd", "-o", folder / "byte.csv"});
  EXPECT_NE(one.err.find(": the last 1 byte forms no whole record and is ignored,"), std::string::npos) << one.err;
}

TEST_F(KvdExportCommand, NothingReadableWritesNothing) {
  const auto r = runKvd({"export", folder / "missing.kvd", "-o", folder / "none.xlsx"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(folder.names(), std::vector<std::string>{"survey.kvd"});
}

TEST_F(KvdExportCommand, AFailedWriteLeavesNoHalfFileAndKeepsTheOldOne) {
  writeFile(folder / "old.csv", std::string("old"));
  std::filesystem::create_directory(folder.path() / "sub");
  // An output in a folder that does not exist cannot be made.
  const auto r = runKvd({"export", input, "-o", folder / "no/such/folder/x.csv"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("cannot be written"), std::string::npos) << r.err;
  // An output that is a folder.
  EXPECT_EQ(runKvd({"export", input, "-o", folder / "sub", "--format", "csv"}).code, 1);
  EXPECT_EQ(readFile(folder / "old.csv"), "old");
  EXPECT_EQ(folder.names(), (std::vector<std::string>{"old.csv", "sub", "survey.kvd"}));
  ASSERT_EQ(runKvd({"export", input, "-o", folder / "old.csv"}).code, 0);
  EXPECT_EQ(readFile(folder / "old.csv").substr(0, 5), "File,");
  EXPECT_EQ(folder.names(), (std::vector<std::string>{"old.csv", "sub", "survey.kvd"}));
}

TEST_F(KvdExportCommand, XlsxIsAZipWithBothSheets) {
  const std::string out = folder / "survey.xlsx";
  ASSERT_EQ(runKvd({"export", input, "-o", out, "--spectrum", "--units", "pci"}).code, 0);
  const std::string bytes = readFile(out);
  ASSERT_GT(bytes.size(), 1000u);
  EXPECT_EQ(bytes.substr(0, 2), "PK");
  EXPECT_NE(bytes.find("xl/worksheets/sheet2.xml"), std::string::npos);
  EXPECT_EQ(folder.names(), (std::vector<std::string>{"survey.kvd", "survey.xlsx"}));
}

}  // namespace
}  // namespace zel::cli

namespace zel::cli {
namespace {

// Records of random bytes (modes, dates, boundaries, NaN payloads, anything):
// every writer takes them, the JSON parses, the CSV has one line a record,
// and show and stats describe them, under the sanitizers.
TEST(KvdRandomRecords, EveryWriterTakesThem) {
  std::mt19937 random(20190705);
  std::vector<MeasurementRecord> records(300);
  for (MeasurementRecord& r : records)
    for (auto& b : r.bytes) b = static_cast<std::uint8_t>(random());
  // Some with modes of the table, so that every mode's rules run.
  for (std::size_t k = 0; k < records.size(); k += 2)
    writeU16(records[k].bytes.data() + offset::modeCode, static_cast<std::uint16_t>(k / 2 % 27));
  ExportOptions options;
  options.pci = true;
  options.spectrum = true;
  const std::string csv = csvOf(records, kRfc, options, "r\xFF\".kvd");
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 301);
  const auto rows = nlohmann::json::parse(jsonOf(records, false, options));
  ASSERT_EQ(rows.size(), records.size());
  for (const auto& row : rows) EXPECT_EQ(row["spectrum"].size(), 256u);

  TempFolder folder;
  std::string bytes;
  for (const MeasurementRecord& r : records) bytes.append(reinterpret_cast<const char*>(r.bytes.data()), kRecordSize);
  writeFile(folder / "random.kvd", bytes);
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"list", folder / "random.kvd", "--units", "pci"},
           {"show", folder / "random.kvd", "--units", "pci"},
           {"stats", folder / "random.kvd", "--units", "pci"},
           {"stats", folder / "random.kvd", "--format", "json", "--from", "2000-01-01"},
           {"export", folder / "random.kvd", "-o", folder / "random.xlsx", "--spectrum", "--units", "pci"},
           {"export", folder / "random.kvd", "-o", folder / "random.dif"}}) {
    const auto r = runKvd(args);
    EXPECT_EQ(r.code, 0) << args[0] << ": " << r.err;
  }
}

}  // namespace
}  // namespace zel::cli
