// kvd's commands run in-process: list, show, stats, the usage errors, the
// version, and the inputs left as they were.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "kvd_test_support.h"

namespace zel::cli {
namespace {

using test::checksum;
using test::kvdBytes;
using test::runKvd;
using test::TempFolder;
using test::writeFile;

class KvdCommands : public testing::Test {
 protected:
  void SetUp() override {
    survey = folder / "survey.kvd";
    writeFile(survey, kvdBytes("mode=1 date=05.07.2019 time=09:04:07 primaryResult=186 primaryError=37 "
                               "temperature=0x00FB bounds=44,62 spectrum=channel(20,3)+channel(50,4)\n"
                               "mode=14 date=06.07.2019 time=10:00:00 eecRn=57 eecRnError=8 eecTn=3 eecTnError=1\n"
                               "mode=10 date=06.07.2019 time=11:00:00 pulseCount=412\n"
                               "mode=20 date=07.07.2019 time=12:00:00 primaryResult=4 primaryError=2\n"
                               "mode=7 date=45.13.2019 time=25:61:99 ca=0.25\n"
                               "mode=300 date=08.07.2019 time=00:00:00 primaryResult=9 primaryError=1\n"
                               "mode=1 date=08.07.2019 time=13:00:00 primaryResult=200 primaryError=40\n"));
    other = folder / "Измерения, июль.kvd";
    writeFile(other, kvdBytes("mode=3 date=01.08.2019 time=08:00:00 primaryResult=1234 primaryError=99\ntrailing=17"));
    sums = {checksum(survey), checksum(other)};
  }
  void TearDown() override {
    EXPECT_EQ(checksum(survey), sums[0]);
    EXPECT_EQ(checksum(other), sums[1]);
  }

  TempFolder folder;
  std::string survey, other;
  std::vector<std::string> sums;
};

TEST_F(KvdCommands, ListAsTheBrowserListsIt) {
  const auto r = runKvd({"list", survey, other});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find(survey + ": 7 records\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(other + ": 1 record\n"), std::string::npos);
  EXPECT_NE(r.out.find("05.07.2019  09:04:07  CRn 20 estimate"), std::string::npos) << r.out;
  // Values in the column of their category, "±" in UTF-8.
  const auto lineOf = [&](const std::string& start) {
    const std::size_t at = r.out.find(start);
    return r.out.substr(at, r.out.find('\n', at) - at);
  };
  EXPECT_EQ(lineOf("05.07.2019").find("186 \u00B1 37"), 50u);
  EXPECT_EQ(lineOf("06.07.2019  10").find("57 \u00B1 8"), 74u);
  EXPECT_EQ(lineOf("06.07.2019  11").find("412"), 62u);
  EXPECT_NE(lineOf("07.07.2019").find("< 0.5"), std::string::npos);
  EXPECT_EQ(lineOf("07.07.2019").find("\u00B1"), std::string::npos);
  EXPECT_NE(lineOf("45.13.2019").find("0.250"), std::string::npos);
  EXPECT_NE(lineOf("08.07.2019  00").find("???"), std::string::npos);
  EXPECT_NE(lineOf("01.08.2019").find("1234 \u00B1 246"), std::string::npos);
  EXPECT_NE(r.err.find("kvd: note: " + other + ": the last 17 bytes"), std::string::npos);
}

TEST_F(KvdCommands, ListWithPci) {
  const auto r = runKvd({"list", survey, "--units", "pci"});
  ASSERT_EQ(r.code, 0);
  EXPECT_NE(r.out.find("186 \u00B1 37  [5.02703 \u00B1 1 pCi/L]"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("57 \u00B1 8  [0.0154054 \u00B1 0.00216216 WL]"), std::string::npos) << r.out;
}

TEST_F(KvdCommands, ShowOneRecord) {
  const auto r = runKvd({"show", survey + ",1"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find(survey + ", record 1 (of 7)"), std::string::npos);
  EXPECT_NE(r.out.find("EEC(Rn) = 57 \u00B1 8 Bq/m3\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("EEC(Tn) = 3 \u00B1 1 Bq/m3\n"), std::string::npos);
  EXPECT_NE(r.out.find("14, EEC  - 5 (viewer ZelV_14)"), std::string::npos);
  EXPECT_NE(r.out.find("Spectrum windows (stored boundaries 0, 0, 0)"), std::string::npos);
  EXPECT_EQ(r.out.find("record 0"), std::string::npos);
}

TEST_F(KvdCommands, ShowEveryRecordAndTheirFields) {
  const auto r = runKvd({"show", survey, "--units", "pci"});
  ASSERT_EQ(r.code, 0) << r.err;
  for (int k = 0; k < 7; ++k) EXPECT_NE(r.out.find(", record " + std::to_string(k) + " (of 7)"), std::string::npos);
  EXPECT_NE(r.out.find("    temperature         -5 \u00B0C\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("CRn = 186 \u00B1 37 Bq/m3 = 5.02703 \u00B1 1 pCi/L"), std::string::npos);
  EXPECT_NE(r.out.find("    18-44               3\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("    45-62               4\n"), std::string::npos);
  EXPECT_NE(r.out.find("45.13.2019 25:61:99 (no calendar date)"), std::string::npos);
  EXPECT_NE(r.out.find("300, ??? (no viewer program)"), std::string::npos);
  EXPECT_NE(r.out.find("< 0.5 Bq/m3 (value 0.4)"), std::string::npos) << r.out;
}

TEST_F(KvdCommands, ShowArgumentsAsTheViewersTakeThem) {
  EXPECT_EQ(parseShowArgument("a.kvd,12").file, "a.kvd");
  EXPECT_EQ(parseShowArgument("a.kvd,12").index, 12u);
  EXPECT_FALSE(parseShowArgument("a.kvd,12").allRecords);
  EXPECT_EQ(parseShowArgument("a,b.kvd,3").file, "a,b.kvd");
  EXPECT_EQ(parseShowArgument("a,b.kvd").file, "a,b.kvd");
  EXPECT_TRUE(parseShowArgument("a,b.kvd").allRecords);
  EXPECT_EQ(parseShowArgument("a.kvd,").index, 0u);
  EXPECT_FALSE(parseShowArgument("a.kvd,").allRecords);
  EXPECT_EQ(parseShowArgument("a.kvd,99999999999999999999999").index, UINT64_MAX);
  EXPECT_TRUE(parseShowArgument(",5").allRecords);

  // A file name with a comma, and an index past the end.
  const auto comma = runKvd({"show", other + ",0"});
  EXPECT_EQ(comma.code, 0) << comma.err;
  EXPECT_NE(comma.out.find("Qint = 1234 \u00B1 246 Bq/m3"), std::string::npos) << comma.out;
  const auto past = runKvd({"show", survey + ",7", survey + ",2"});
  EXPECT_EQ(past.code, 1);
  EXPECT_NE(past.err.find("kvd: " + survey + ",7: no such record: the file holds 7 records (indexes 0 ... 6)"),
            std::string::npos)
      << past.err;
  EXPECT_NE(past.out.find("record 2 (of 7)"), std::string::npos);
  EXPECT_EQ(runKvd({"show", survey + ",99999999999999999999999"}).code, 1);
}

TEST_F(KvdCommands, StatsText) {
  const auto r = runKvd({"stats", survey});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("Mode 1, CRn 20 estimate: 2 records, values in Bq/m3"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  mean                    193\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  first                   05.07.2019 09:04:07\n"), std::string::npos);
  EXPECT_NE(r.out.find("  standard deviation      9.89949 (sample, n - 1)"), std::string::npos);
  EXPECT_NE(r.out.find("Mode 7, EEC channel background: 1 record"), std::string::npos);
  EXPECT_NE(r.out.find("  without calendar date   1 (no first or last date)"), std::string::npos);
}

TEST_F(KvdCommands, StatsJsonWithPeriodAndModes) {
  const auto r = runKvd({"stats", survey, other, "--format", "json", "--from", "06.07.2019", "--to", "2019-08-01T08:00",
                         "--mode", "1", "--mode", "7", "--mode", "3", "--units", "pci"});
  ASSERT_EQ(r.code, 0) << r.err;
  const auto j = nlohmann::json::parse(r.out);
  ASSERT_EQ(j["modes"].size(), 3u);
  EXPECT_EQ(j["from"], "2019-07-06T00:00:00");
  EXPECT_EQ(j["to"], "2019-08-01T08:00:59");
  EXPECT_EQ(j["modes"][0]["mode"], 1);
  EXPECT_EQ(j["modes"][0]["count"], 1);
  EXPECT_EQ(j["modes"][0]["outsidePeriod"], 1);
  EXPECT_EQ(j["modes"][0]["min"], 200);
  EXPECT_EQ(j["modes"][0]["meanUncertainty"], 40.0);
  EXPECT_TRUE(j["modes"][0]["standardDeviation"].is_null());
  EXPECT_DOUBLE_EQ(j["modes"][0]["converted"]["mean"].get<double>(), 200.0 / 37.0);
  EXPECT_EQ(j["modes"][1]["mode"], 3);
  EXPECT_EQ(j["modes"][1]["meanUncertainty"], 246.0);
  EXPECT_EQ(j["modes"][2]["mode"], 7);
  EXPECT_EQ(j["modes"][2]["count"], 0);
  EXPECT_EQ(j["modes"][2]["undatedExcluded"], 1);
}

TEST_F(KvdCommands, UsageErrors) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{},
                                             {"frobnicate"},
                                             {"list"},
                                             {"export", survey},
                                             {"stats", survey, "--from", "2019-02-30"},
                                             {"stats", survey, "--to", "yesterday"},
                                             {"stats", survey, "--from", "2019-08-01", "--to", "2019-07-01"},
                                             {"stats", survey, "--mode", "x"},
                                             {"stats", survey, "--format", "xml"},
                                             {"list", survey, "--units", "mSv"},
                                             {"show", survey, "--bogus"}}) {
    const auto r = runKvd(args);
    EXPECT_EQ(r.code, 2) << testing::PrintToString(args);
    EXPECT_NE(r.err.find("usage: kvd"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
  }
}

TEST_F(KvdCommands, ModeIsRepeatableAndTakesOneValueEach) {
  const auto r = runKvd({"stats", "--mode", "14", survey});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("Mode 14"), std::string::npos);
  EXPECT_EQ(r.out.find("Mode 1,"), std::string::npos);
}

TEST_F(KvdCommands, HelpAndVersion) {
  const auto version = runKvd({"--version"});
  EXPECT_EQ(version.code, 0);
  EXPECT_EQ(version.out, "kvd 1.4.0\n");
  const auto help = runKvd({"--help"});
  EXPECT_EQ(help.code, 0);
  for (const char* command : {"list", "show", "export", "stats"}) EXPECT_NE(help.out.find(command), std::string::npos);
  const auto exportHelp = runKvd({"export", "--help"});
  EXPECT_EQ(exportHelp.code, 0);
  EXPECT_NE(exportHelp.out.find("--csv-style"), std::string::npos);
}

TEST_F(KvdCommands, BadInputsAndTheOthersStillListed) {
  writeFile(folder / "empty.kvd", std::string());
  const auto r = runKvd({"list", folder / "missing.kvd", survey, folder / "empty.kvd", folder / "readme.txt"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.out.find(survey + ": 7 records"), std::string::npos);
  EXPECT_NE(r.err.find(folder / "missing.kvd" + ": no such file"), std::string::npos);
  EXPECT_NE(r.err.find(folder / "empty.kvd" + ": is empty"), std::string::npos);
  EXPECT_NE(r.err.find(folder / "readme.txt" + ": not a measurement file"), std::string::npos);
}

}  // namespace
}  // namespace zel::cli
