// kvd archive log as a user runs it, on both databases: the changes of the
// archive commands under the user@host who ran them with the --reason
// given, every field of an entry in JSON, one line per entry as text, and
// the filters.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "kvd/archive/audit.h"
#include "kvd/archive/location.h"
#include "tests/archive/backend_fixture.h"
#include "tests/cli/program_run.h"

namespace zel::archive::test {

namespace {

using Json = nlohmann::json;
using zel::test::Result;

constexpr const char* kFile =
    "deviceNumber=101 mode=1 date=05.07.2019 time=09:00:00 primaryResult=186 primaryError=37\n"
    "deviceNumber=101 mode=14 date=05.07.2019 time=10:00:00 eecRn=57 eecRnError=8\n";

class AuditCommands : public BackendTest {
 protected:
  void SetUp() override {
    BackendTest::SetUp();
    if (HasFatalFailure()) return;
    db_.reset();  // kvd opens the archive itself
    file = (dir_ / "a.kvd").string();
    zel::test::writeFile(file, zel::test::kvdBytes(kFile));
  }

  // `kvd archive ARGS... --archive ARCHIVE`, no shell in between.
  Result kvd(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {ZEL_KVD, "archive"});
    arguments.insert(arguments.end(), {"--archive", location()});
    return zel::test::runProgram(arguments, dir_);
  }
  Result ok(const std::vector<std::string>& arguments) {
    Result r = kvd(arguments);
    EXPECT_EQ(r.code, 0) << testing::PrintToString(arguments) << r.err;
    return r;
  }

  std::string file;
};

TEST_P(AuditCommands, LogShowsWhoChangedWhatAndWhy) {
  ok({"import", file, "--reason", "downloaded at School 5"});
  const Json log = Json::parse(ok({"log", "--format", "json"}).out);
  ASSERT_EQ(log.size(), 1u) << log.dump(1);
  const Json& e = log[0];
  EXPECT_EQ(e["id"], 1);
  EXPECT_EQ(e["who"], userAtHost());
  EXPECT_EQ(e["action"], "import");
  EXPECT_EQ(e["target"], file);
  EXPECT_EQ(e["before"], "");
  EXPECT_EQ(Json::parse(e["after"].get<std::string>())["records"], 2);
  EXPECT_EQ(e["reason"], "downloaded at School 5");
  EXPECT_EQ(e["previous_hash"], std::string(64, '0'));
  // The output alone carries what the hash covers.
  auto field = [&](const char* key) { return e[key].get<std::string>(); };
  const AuditEntry entry{e["id"].get<std::int64_t>(), field("at"),     field("who"),    field("action"),
                         field("target"),             field("before"), field("after"),  field("reason"),
                         field("previous_hash"),      field("hash")};
  EXPECT_EQ(auditEntryHash(entry), e["hash"]);

  ok({"object", "add", "School 5", "--reason", "ordered by the city"});
  ok({"assign", "School 5", "--room", "12", "--device", "101", "--from", "05.07.2019", "--to", "05.07.2019"});
  ok({"device", "set", "101", "--model", "KAMERA-01"});
  const std::string text = ok({"log", "--object", "School 5"}).out;
  const std::string assigned = "  records.assign  School 5 / room 12\n";
  EXPECT_NE(text.find(" UTC  " + userAtHost() + "  object.add  School 5\n"), std::string::npos) << text;
  EXPECT_NE(text.find("    reason: ordered by the city\n"), std::string::npos) << text;
  EXPECT_NE(text.find(assigned), std::string::npos) << text;
  EXPECT_EQ(text.find("device.set"), std::string::npos) << text;
  EXPECT_EQ(text.find("import"), std::string::npos) << text;
  const std::string last = ok({"log", "--limit", "1"}).out;
  EXPECT_NE(last.find("  device.set  device 101\n"), std::string::npos) << last;
  EXPECT_EQ(last.find("records.assign"), std::string::npos) << last;
  EXPECT_EQ(ok({"log", "--user", "nobody@nowhere"}).out, "No entries.\n");
  EXPECT_EQ(ok({"log", "--since", "01.01.2999"}).out, "No entries.\n");
  EXPECT_EQ(Json::parse(ok({"log", "--since", "2000-01-01", "--format", "json"}).out).size(), 4u);

  const Result bad = kvd({"log", "--since", "yesterday"});
  EXPECT_EQ(bad.code, 2);
  EXPECT_NE(bad.err.find("--since yesterday: not a date"), std::string::npos) << bad.err;
}

}  // namespace

INSTANTIATE_BACKENDS(AuditCommands);

}  // namespace zel::archive::test
