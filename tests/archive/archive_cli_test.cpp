// kvd archive as a user runs it, on a real SQLite archive in a fresh
// folder: imports counted once per record, placements by every selector
// and by plan, refusals that change nothing, the reading commands'
// selectors, and texts with quotes, semicolons, Cyrillic and SQL in them.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "tests/archive/backend_fixture.h"
#include "tests/cli/program_run.h"

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;
using zel::test::kvdBytes;
using zel::test::readFile;
using zel::test::Result;
using zel::test::writeFile;

// Records of two devices over three days; B repeats A's last record.
constexpr const char* kFileA =
    "deviceNumber=101 mode=1 date=05.07.2019 time=09:00:00 primaryResult=186 primaryError=37\n"
    "deviceNumber=101 mode=14 date=05.07.2019 time=10:00:00 eecRn=57 eecRnError=8\n"
    "deviceNumber=101 mode=1 date=06.07.2019 time=09:00:00 primaryResult=200 primaryError=30\n";
constexpr const char* kFileB =
    "deviceNumber=101 mode=1 date=06.07.2019 time=09:00:00 primaryResult=200 primaryError=30\n"
    "deviceNumber=202 mode=1 date=08.07.2019 time=12:00:00 primaryResult=90 primaryError=10\n";

// Each case on a fresh SQLite file and on a fresh PostgreSQL database.
class ArchiveCommands : public zel::archive::test::BackendTest {
 protected:
  void SetUp() override {
    BackendTest::SetUp();
    if (HasFatalFailure()) return;
    db_.reset();  // kvd opens the archive itself
    folder = dir_;
    archive = location();
    a = (folder / "a.kvd").string();
    b = (folder / "b.kvd").string();
    writeFile(a, kvdBytes(kFileA));
    writeFile(b, kvdBytes(kFileB));
  }

  // Runs `kvd archive ARGS... --archive ARCHIVE`, no shell in between.
  Result kvd(std::vector<std::string> arguments, bool archiveOption = true) {
    if (archiveOption && !arguments.empty() && arguments[0] == "archive") {
      arguments.push_back("--archive");
      arguments.push_back(archive);
    }
    arguments.insert(arguments.begin(), ZEL_KVD);
    return zel::test::runProgram(arguments, folder);
  }

  Result ok(const std::vector<std::string>& arguments) {
    Result r = kvd(arguments);
    EXPECT_EQ(r.code, 0) << testing::PrintToString(arguments) << r.err;
    return r;
  }

  // The record ids the list shows for these selectors.
  std::vector<std::string> listed(std::vector<std::string> selectors) {
    selectors.insert(selectors.begin(), {"archive", "list"});
    const Result r = ok(selectors);
    std::vector<std::string> ids;
    std::istringstream lines(r.out);
    std::string line;
    std::getline(lines, line);  // the count
    std::getline(lines, line);  // the heading
    while (std::getline(lines, line)) ids.push_back(line.substr(0, line.find(' ')));
    return ids;
  }

  std::string objectsJson() { return ok({"archive", "objects", "--format", "json"}).out; }

  fs::path folder;
  std::string archive, a, b;
};

TEST_P(ArchiveCommands, EachRecordStoredOnceWhateverFileItCameIn) {
  const Result first = ok({"archive", "import", a, b, "--format", "json"});
  EXPECT_EQ(Json::parse(first.out),
            Json::parse(R"({"files": [{"file": ")" + a + R"(", "records": 3, "new": 3, "known": 0, "partial": 0},
                                     {"file": ")" + b + R"(", "records": 2, "new": 1, "known": 1, "partial": 0}],
                           "records": 5, "new": 4, "known": 1})"));
  const std::string copy = (folder / "копия; 'a'.kvd").string();
  fs::copy_file(a, copy);
  EXPECT_EQ(ok({"archive", "import", copy}).out.substr(0, copy.size() + 50),
            copy + ": already imported (same contents), nothing added\n");
  EXPECT_EQ(Json::parse(ok({"archive", "import", copy, "--format", "json"}).out),
            Json::parse(R"({"files": [{"file": ")" + copy + R"(", "records": 3, "new": 0, "known": 3, "partial": 0,
                                       "already_imported": true}], "records": 3, "new": 0, "known": 3})"));
  // The ids are the database's to give; the list shows them in date order.
  const std::vector<std::string> id = listed({});
  ASSERT_EQ(id.size(), 4u);
  const Result where = ok({"archive", "where", id[2], "--format", "json"});
  const Json sightings = Json::parse(where.out)["files"];
  ASSERT_EQ(sightings.size(), 3u);
  EXPECT_EQ(sightings[0]["file"], a);
  EXPECT_EQ(sightings[0]["index"], 2);
  EXPECT_EQ(sightings[1]["file"], b);
  EXPECT_EQ(sightings[1]["index"], 0);
  EXPECT_EQ(sightings[2]["file"], copy);
  EXPECT_EQ(sightings[2]["index"], 2);
}

TEST_P(ArchiveCommands, FoldersInAnyLetterCaseAndBadFilesSaidOnce) {
  const fs::path sub = folder / "in" / "Подвал";
  fs::create_directories(sub);
  writeFile(sub / "X.KVD", kvdBytes("deviceNumber=7 mode=1 primaryResult=1"));
  writeFile(folder / "in" / "y.kVd", kvdBytes("deviceNumber=7 mode=1 primaryResult=2\ntrailing=100"));
  writeFile(folder / "in" / "notes.txt", "not a measurement");
  writeFile(folder / "in" / "short.kvd", std::string(687, '\x01'));
  const std::string before = readFile(folder / "in" / "y.kVd");
  const Result r = kvd({"archive", "import", (folder / "in").string(), (folder / "missing.kvd").string(), "--format",
                        "json"});
  EXPECT_EQ(r.code, 1);
  const Json files = Json::parse(r.out)["files"];
  ASSERT_EQ(files.size(), 2u) << r.out;
  // Sorted by the names' bytes: "y" comes before "П".
  EXPECT_EQ(files[0]["file"], (folder / "in" / "y.kVd").string());
  EXPECT_EQ(files[0]["partial"], 100);
  EXPECT_EQ(files[1]["file"], (sub / "X.KVD").string());
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 3) << r.err;  // short, missing, the partial note
  EXPECT_NE(r.err.find("short.kvd: holds no whole record"), std::string::npos) << r.err;
  EXPECT_EQ(readFile(folder / "in" / "y.kVd"), before);
}

TEST_P(ArchiveCommands, AssignByEverySelectorAndMoveOnlyWhenAsked) {
  ok({"archive", "import", a, b});
  ok({"archive", "object", "add", "School"});
  const std::vector<std::string> id = listed({});  // in date order
  ASSERT_EQ(id.size(), 4u);
  const struct {
    std::vector<std::string> arguments;
    int code;
    std::string out;
  } steps[] = {
      {{"--room", "101", "--device", "101", "--from", "05.07.2019", "--to", "2019-07-05"}, 0,
       "2 records assigned to School / room 101 (point created)\n"},
      {{"--room", "102", "--floor", "1", "--file", b, "--index", "1"}, 0,
       "1 record assigned to School / floor 1 / room 102 (point created)\n"},
      {{"--room", "102", "--floor", "1", "--record", id[3]}, 0,
       "0 records assigned to School / floor 1 / room 102 (1 there already)\n"},
      {{"--room", "102", "--floor", "1", "--record", id[0]}, 1, ""},
      {{"--room", "102", "--floor", "1", "--record", id[0], "--move"}, 0,
       "1 record assigned to School / floor 1 / room 102 (1 moved from other points)\n"},
      {{"--room", "9", "--file", (folder / "never.kvd").string()}, 1, ""},
      {{"--room", "9", "--file", a, "--index", "3-1"}, 2, ""},
      {{"--room", "9", "--device", "101", "--from", "2019-07-06", "--to", "2019-07-05"}, 2, ""},
      {{"--room", "9", "--device", "101", "--from", "31.02.2019", "--to", "2019-07-05"}, 2, ""},
      {{"--room", "9", "--device", "101"}, 2, ""},
      {{"--room", "9", "--record", id[0], "--file", a}, 2, ""},
  };
  for (const auto& step : steps) {
    std::vector<std::string> arguments{"archive", "assign", "School"};
    arguments.insert(arguments.end(), step.arguments.begin(), step.arguments.end());
    const std::string before = objectsJson();
    const Result r = kvd(arguments);
    EXPECT_EQ(r.code, step.code) << testing::PrintToString(step.arguments) << r.err;
    if (step.code == 0) {
      EXPECT_EQ(r.out, step.out);
    }
    if (step.code != 0) {
      EXPECT_EQ(objectsJson(), before) << testing::PrintToString(step.arguments);
    }
    if (step.code == 2) {
      EXPECT_NE(r.err.find("usage: kvd archive assign"), std::string::npos) << r.err;
    }
  }
  EXPECT_EQ(kvd({"archive", "assign", "Nobody", "--room", "1", "--record", id[0]}).code, 1);
  EXPECT_EQ(listed({"--room", "101"}), (std::vector<std::string>{id[1]}));
  EXPECT_EQ(listed({"--unassigned"}), (std::vector<std::string>{id[2]}));

  const Result refused = kvd({"archive", "object", "remove", "School"});
  EXPECT_EQ(refused.code, 1);
  EXPECT_NE(refused.err.find("--unassign"), std::string::npos) << refused.err;
  EXPECT_EQ(listed({"--object", "School"}).size(), 3u);
  EXPECT_EQ(ok({"archive", "object", "remove", "School", "--unassign"}).out,
            "Object \"School\" removed; 3 records unassigned, still in the archive\n");
  EXPECT_EQ(listed({"--unassigned"}).size(), 4u);
  EXPECT_EQ(ok({"archive", "unassign", "--record", id[0]}).out, "0 records unassigned\n");
}

TEST_P(ArchiveCommands, PlanRowsCheckedBeforeAnythingChanges) {
  ok({"archive", "import", a, b});
  const fs::path good = folder / "plan.csv", bad = folder / "bad plan.csv";
  writeFile(good, "\xEF\xBB\xBF Room ;OBJECT;address;Floor;point;device;from;to\r\n"
                  "12;\"Дом; \"\"7\"\"\";\"ул. Мира, 2\";1;A;101;05.07.2019;05.07.2019\r\n"
                  "\r\n"
                  "5;Склад;;;;202;2019-07-08T00:00;2019-07-08T23:59:59\r\n");
  writeFile(bad, "object,room,device,from,to\nX,1,101,2019-07-05,2019-07-06\n\nY,2,x,2019-07-01,2019-07-31\n");
  const Result refused = kvd({"archive", "assign", "--plan", bad.string()});
  EXPECT_EQ(refused.code, 1);
  EXPECT_EQ(refused.err, "kvd: " + bad.string() + ":4: device 'x' is not a number; nothing was changed\n");
  EXPECT_EQ(Json::parse(objectsJson()), Json::array());

  const Result r = ok({"archive", "assign", "--plan", good.string()});
  EXPECT_NE(r.out.find(":2: device 101, 2 records assigned to Дом; \"7\" / floor 1 / room 12 / point A"),
            std::string::npos) << r.out;
  EXPECT_NE(r.out.find(":4: device 202, 1 record assigned to Склад / room 5"), std::string::npos) << r.out;
  const Json objects = Json::parse(objectsJson());
  ASSERT_EQ(objects.size(), 2u);
  EXPECT_EQ(objects[0]["name"], "Дом; \"7\"");
  EXPECT_EQ(objects[0]["address"], "ул. Мира, 2");
  EXPECT_EQ(objects[0]["records"], 2);
}

TEST_P(ArchiveCommands, ReadingSelectorsListExportAndStats) {
  ok({"archive", "import", a, b});
  const std::vector<std::string> id = listed({});  // in date order
  ASSERT_EQ(id.size(), 4u);
  ok({"archive", "object", "add", "O'Brien\"; DROP TABLE records; --", "--notes", "a;b \"c\" Ёж"});
  ok({"archive", "assign", "O'Brien\"; DROP TABLE records; --", "--room", "R", "--record", id[0], id[1]});
  const struct {
    std::vector<std::string> selectors;
    std::vector<std::string> ids;
  } cases[] = {
      {{}, {id[0], id[1], id[2], id[3]}},
      {{"--device", "202"}, {id[3]}},
      {{"--mode", "14"}, {id[1]}},
      {{"--mode", "14", "--mode", "1", "--to", "2019-07-05"}, {id[0], id[1]}},
      {{"--from", "06.07.2019 00:00"}, {id[2], id[3]}},
      {{"--object", "O'Brien\"; DROP TABLE records; --"}, {id[0], id[1]}},
      {{"--room", "R", "--mode", "1"}, {id[0]}},
      {{"--unassigned", "--device", "101"}, {id[2]}},
  };
  for (const auto& c : cases) EXPECT_EQ(listed(c.selectors), c.ids) << testing::PrintToString(c.selectors);
  EXPECT_EQ(kvd({"archive", "list", "--object", "nobody"}).code, 1);
  EXPECT_EQ(kvd({"archive", "list", "--from", "2019-13-01"}).code, 2);

  const fs::path json = folder / "rows.json";
  ok({"archive", "export", "-o", json.string(), "--object", "O'Brien\"; DROP TABLE records; --"});
  const Json rows = Json::parse(readFile(json));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0]["Record ID"], std::stoll(id[0]));
  EXPECT_EQ(rows[0]["Object"], "O'Brien\"; DROP TABLE records; --");
  EXPECT_EQ(rows[0]["Room"], "R");
  EXPECT_EQ(rows[0]["File"], a);
  EXPECT_EQ(rows[1]["Record"], 1);

  const fs::path kvdOut = folder / "chosen.kvd";
  ok({"archive", "export", "-o", kvdOut.string(), "--device", "101"});
  const Result chosen = kvd({"list", kvdOut.string()});
  const Result original = kvd({"list", a});
  EXPECT_EQ(chosen.out.substr(chosen.out.find('\n')), original.out.substr(original.out.find('\n')));
  const std::string before = readFile(kvdOut);
  const Result again = kvd({"archive", "export", "-o", kvdOut.string()});
  EXPECT_EQ(again.code, 2);
  EXPECT_NE(again.err.find("never over a file"), std::string::npos) << again.err;
  EXPECT_EQ(readFile(kvdOut), before);
  EXPECT_EQ(kvd({"archive", "export", "-o", (folder / "none.kvd").string(), "--device", "9"}).code, 1);
  EXPECT_FALSE(fs::exists(folder / "none.kvd"));

  const Json stats = Json::parse(ok({"archive", "stats", "--by", "point", "--format", "json"}).out);
  ASSERT_EQ(stats["groups"].size(), 2u);
  EXPECT_EQ(stats["groups"][0]["group"], "O'Brien\"; DROP TABLE records; -- / room R");
  EXPECT_EQ(stats["groups"][1]["group"], nullptr);
  EXPECT_EQ(stats["groups"][1]["modes"][0]["count"], 2);
  const Json all = Json::parse(ok({"archive", "stats", "--format", "json", "--mode", "1"}).out);
  EXPECT_EQ(all["modes"].size(), 1u);
  EXPECT_EQ(all["modes"][0]["count"], 3);
}

TEST_P(ArchiveCommands, ProtocolOfAnObject) {
  ok({"archive", "import", a, b});
  ok({"archive", "object", "add", "Дом <7> & \"сад\""});
  ok({"archive", "assign", "Дом <7> & \"сад\"", "--room", "12", "--device", "101", "--from", "2019-07-05", "--to",
      "2019-07-05"});
  const fs::path html = folder / "protocol.html";
  EXPECT_EQ(ok({"archive", "report", "--object", "Дом <7> & \"сад\"", "-o", html.string(), "--lang", "ru"}).out,
            html.string() + ": the draft protocol of Дом <7> & \"сад\", 1 point, 2 records\n");
  const std::string page = readFile(html);
  EXPECT_EQ(page.find("<7>"), std::string::npos);  // the name is escaped, never markup
  EXPECT_NE(page.find("Дом"), std::string::npos);
  EXPECT_EQ(kvd({"archive", "report", "--object", "nobody", "-o", (folder / "n.html").string()}).code, 1);
  EXPECT_EQ(kvd({"archive", "report", "--object", "Дом", "-o", a}).code, 2);
  EXPECT_FALSE(fs::exists(folder / "n.html"));
}

TEST_P(ArchiveCommands, UsageAndMissingArchive) {
  archive = (folder / "none.sqlite").string();
  const Result missing = kvd({"archive", "list"});
  EXPECT_EQ(missing.code, 1);
  EXPECT_EQ(missing.err, "kvd: archive " + archive + ": there is no archive yet (kvd archive import FILE... makes it)\n");
  EXPECT_FALSE(fs::exists(archive));
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"archive"}, {"archive", "import"}, {"archive", "object"}, {"archive", "where", "x"},
           {"archive", "export", "-o", (folder / "x.txt").string()}, {"archive", "stats", "--by", "floor"},
           {"archive", "device", "set", "5"}, {"archive", "device", "set", "5", "--verified-from", "2019-02-30"}}) {
    const Result r = kvd(args);
    EXPECT_EQ(r.code, 2) << testing::PrintToString(args) << r.err;
    EXPECT_NE(r.err.find("usage: kvd archive"), std::string::npos) << r.err;
  }
  const std::string help = ok({"archive", "--help"}).out;
  for (const char* command : {"import", "where", "assign", "unassign", "objects", "devices", "export", "stats"})
    EXPECT_NE(help.find(command), std::string::npos) << command;
}

INSTANTIATE_BACKENDS(ArchiveCommands);

}  // namespace
