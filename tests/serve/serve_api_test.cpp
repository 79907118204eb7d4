// The API against the archive's own code: uploads counted as kvd archive
// import counts files, pages of the list in their order and under their
// filters, the archive's refusals, the result page as kvd render draws it,
// the spectrum panel as the viewer's model moves, and bad input refused.
#include <fstream>
#include <sstream>

#include "kvd/commands/commands.h"
#include "kvd/report/render.h"
#include "tests/serve/serve_fixture.h"
#include "viewer/frame/spectrum_panel.h"

namespace zel::serve::test {
namespace {

std::string records(int device, const char* date, int count, int first = 0) {
  std::string s;
  for (int k = first; k < first + count; ++k)
    s += "mode=14 deviceNumber=" + std::to_string(device) + " date=" + date + " time=10:" +
         (k < 10 ? "0" : "") + std::to_string(k) + ":00 bounds=44,62,86 eecRn=" + std::to_string(100 - k) +
         " eecRnError=5\n";
  return s;
}

std::vector<std::int64_t> ids(const Json& page) {
  std::vector<std::int64_t> out;
  for (const Json& row : page["rows"]) out.push_back(row["id"].get<std::int64_t>());
  return out;
}

TEST_F(ServeTest, OverlappingUploadsAreCountedAsTheCommandLineCountsThem) {
  const std::string a = kvdBytes(records(7, "01.02.2020", 3));
  const std::string b = kvdBytes(records(7, "01.02.2020", 3, 2)) + std::string(100, '\0');
  const Json answer = json(upload({{"a.kvd", a}, {"folder/b.kvd", b}, {"notes.txt", "x"}}));

  // The same files through kvd archive import --format json.
  for (const auto& [name, bytes] : {std::pair{"a.kvd", a}, std::pair{"b.kvd", b}})
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
  cli::StringSink out, err;
  cli::Streams io{out, err};
  const std::string other = (dir_ / "cli.sqlite").string();
  ASSERT_EQ(cli::run({"archive", "import", (dir_ / "a.kvd").string(), (dir_ / "b.kvd").string(), "--format", "json",
                      "--archive", other},
                     io),
            0)
      << err.text();
  const Json expected = Json::parse(out.text());
  ASSERT_EQ(answer["files"].size(), 3u);
  for (int k = 0; k < 2; ++k)
    for (const char* key : {"records", "new", "known", "partial"})
      EXPECT_EQ(answer["files"][k][key], expected["files"][k][key]) << k << " " << key;
  EXPECT_EQ(answer["files"][1]["file"], "folder/b.kvd");
  EXPECT_EQ(answer["files"][2]["file"], "notes.txt");
  EXPECT_TRUE(answer["files"][2].contains("error"));
  for (const char* key : {"records", "new", "known"}) EXPECT_EQ(answer[key], expected[key]) << key;

  const Json again = json(upload({{"a-copy.kvd", a}}));
  EXPECT_EQ(again["files"][0]["already_imported"], true);
  EXPECT_EQ(again["new"], 0);
  archive::Archive stored = openArchive();
  EXPECT_EQ(stored.countRecords({}), 5u);
  EXPECT_EQ(stored.where(1).front().absolutePath, "upload:a.kvd");
}

TEST_F(ServeTest, PagesFollowTheirOrderAndFilters) {
  ASSERT_EQ(upload({{"a.kvd", kvdBytes(records(7, "01.02.2020", 12) + records(8, "03.02.2020", 5))}})->status, 200);
  struct Case {
    std::string query;
    std::uint64_t total;
  };
  const Case cases[] = {{"", 17},
                        {"device=7", 12},
                        {"device=8&sort=value", 5},
                        {"from=2020-02-02&sort=device&dir=desc", 5},
                        {"to=01.02.2020%2010:05&sort=id", 6},
                        {"mode=14,15&sort=date&dir=desc", 17},
                        {"mode=1", 0},
                        {"unassigned=1&sort=point", 17}};
  for (const Case& c : cases) {
    const Json all = json(get("/api/records?limit=500&" + c.query));
    EXPECT_EQ(all["total"], c.total) << c.query;
    EXPECT_EQ(all["rows"].size(), c.total) << c.query;
    // Pages of 4 put together are the whole list, in the same order.
    std::vector<std::int64_t> paged;
    for (std::uint64_t offset = 0; offset < c.total; offset += 4) {
      const Json page = json(get("/api/records?limit=4&offset=" + std::to_string(offset) + "&" + c.query));
      EXPECT_EQ(page["total"], c.total);
      EXPECT_EQ(page["offset"], offset);
      for (std::int64_t id : ids(page)) paged.push_back(id);
    }
    EXPECT_EQ(paged, ids(all)) << c.query;
  }
  // Values fall as the minutes rise: by value is the reverse of by date.
  std::vector<std::int64_t> byValue = ids(json(get("/api/records?device=7&sort=value&dir=desc&limit=500")));
  const std::vector<std::int64_t> byDate = ids(json(get("/api/records?device=7&sort=date&limit=500")));
  EXPECT_EQ(byValue, byDate);
  byValue = ids(json(get("/api/records?device=7&sort=value&limit=500")));
  EXPECT_EQ(std::vector<std::int64_t>(byValue.rbegin(), byValue.rend()), byDate);
  const Json row = json(get("/api/records?device=8&limit=1"))["rows"][0];
  EXPECT_EQ(row["date"], "03.02.2020");
  EXPECT_EQ(row["value"], "100");
  EXPECT_EQ(row["error"], "5");
}

TEST_F(ServeTest, AssignConflictChangesNothing) {
  ASSERT_EQ(upload({{"a.kvd", kvdBytes(records(7, "01.02.2020", 3))}})->status, 200);
  const std::int64_t object = json(post("/api/objects", Json{{"name", "School 5"}}))["id"];
  Json first = json(post("/api/assign", Json{{"object", object}, {"room", "A"}, {"records", {1, 2}}}));
  EXPECT_EQ(first["assigned"], 2);
  EXPECT_EQ(first["point_created"], true);

  const httplib::Result conflict =
      post("/api/assign", Json{{"object", "School 5"}, {"room", "B"}, {"records", {2, 3}}});
  EXPECT_EQ(conflict->status, 409);
  EXPECT_FALSE(json(conflict)["error"].get<std::string>().empty());
  EXPECT_EQ(json(get("/api/records?room=A&limit=500"))["total"], 2);
  EXPECT_EQ(json(get("/api/records?unassigned=1&limit=500"))["total"], 1);
  EXPECT_EQ(json(get("/api/records?room=B&limit=500"))["total"], 0);

  EXPECT_EQ(post("/api/assign", Json{{"object", 999}, {"room", "B"}, {"records", {3}}})->status, 404);
  const Json moved =
      json(post("/api/assign", Json{{"object", object}, {"room", "B"}, {"move", true}, {"filter", {{"room", "A"}}}}));
  EXPECT_EQ(moved["moved"], 2);
  EXPECT_EQ(json(post("/api/unassign", Json{{"records", {1}}}))["unassigned"], 1);
  EXPECT_EQ(json(get("/api/objects/" + std::to_string(object)))["records"], 1);
}

TEST_F(ServeTest, PageSvgIsWhatKvdRenderWrites) {
  const std::string demo = kvdBytes();
  ASSERT_EQ(upload({{"demo.kvd", demo}})->status, 200);
  std::ofstream(dir_ / "demo.kvd", std::ios::binary) << demo;
  const Json list = json(get("/api/records?sort=id&limit=500"));
  int pages = 0, without = 0;
  for (std::size_t index = 0; index < list["rows"].size(); ++index) {
    const std::int64_t id = list["rows"][index]["id"];
    const httplib::Result svg = get("/api/records/" + std::to_string(id) + "/page.svg");
    const bool hasPage = json(get("/api/records/" + std::to_string(id)))["has_page"];
    cli::StringSink out, err;
    cli::Streams io{out, err};
    const std::string target = (dir_ / ("page" + std::to_string(index) + ".svg")).string();
    const int code = cli::run({"render", (dir_ / "demo.kvd").string() + "," + std::to_string(index), "-o", target}, io);
    if (code == 0) {
      ++pages;
      std::ifstream in(target, std::ios::binary);
      std::stringstream written;
      written << in.rdbuf();
      EXPECT_EQ(svg->status, 200);
      EXPECT_EQ(svg->get_header_value("Content-Type"), "image/svg+xml");
      EXPECT_EQ(svg->body, written.str()) << "record " << index;
      EXPECT_TRUE(hasPage);
    } else {
      ++without;
      EXPECT_EQ(svg->status, 404);
      EXPECT_TRUE(json(svg).contains("error"));
      EXPECT_FALSE(hasPage);
    }
  }
  EXPECT_GT(pages, 15);
  EXPECT_GT(without, 0);
}

TEST_F(ServeTest, PanelEventsMoveTheModelsBoundary) {
  const std::string bytes = kvdBytes(records(7, "01.02.2020", 1));
  ASSERT_EQ(upload({{"a.kvd", bytes}})->status, 200);
  MeasurementRecord record;
  std::copy_n(bytes.begin(), kRecordSize, record.bytes.begin());
  viewer::SpectrumPanel model(14, record);
  model.setClientSize(report::kSpectrumWidth, report::kSpectrumHeight);
  // Where the first boundary can be taken, found on a panel of its own.
  int grip = -1;
  for (int x = 0; x < report::kSpectrumWidth && grip < 0; ++x) {
    viewer::SpectrumPanel probe(14, record);
    probe.mouseMove(x, 100, 0);
    probe.leftButtonDown();
    if (probe.dragging() && probe.draggedBoundary() == 0) grip = x;
  }
  ASSERT_GE(grip, 0);

  const Json opened = json(post("/api/records/1/spectrum", Json::object()));
  ASSERT_TRUE(opened.contains("panel")) << opened.dump();
  EXPECT_EQ(opened["boundaries"], Json({44, 62, 86}));
  const Json events = {{{"type", "move"}, {"x", grip}, {"y", 100}, {"keys", 0}},
                       {{"type", "down"}},
                       {{"type", "move"}, {"x", grip + 30}, {"y", 100}, {"keys", 1}},
                       {{"type", "up"}},
                       {{"type", "zoom_in"}},
                       {{"type", "move"}, {"x", 400}, {"y", 150}, {"keys", 0}}};
  const Json state = json(post("/api/spectrum/" + opened["panel"].get<std::string>(), Json{{"events", events}}));
  model.mouseMove(grip, 100, 0);
  model.leftButtonDown();
  model.mouseMove(grip + 30, 100, viewer::kKeyLeftButton);
  model.leftButtonUp();
  model.zoomUp();
  model.mouseMove(400, 150, 0);

  ASSERT_NE(model.boundary(0), 44u);
  EXPECT_EQ(state["boundaries"][0], model.boundary(0));
  for (int k = 0; k < model.windowCount(); ++k) {
    EXPECT_EQ(state["windows"][k]["value"], model.windowSum(k)) << k;
    EXPECT_EQ(state["windows"][k]["sum"], std::string(model.windowSumText(k))) << k;
    EXPECT_EQ(state["windows"][k]["range"], std::string(model.windowRangeText(k))) << k;
  }
  EXPECT_EQ(state["zoom_step"], model.zoomStep());
  EXPECT_EQ(state["svg"], report::svgElement(report::renderPanelSvg(model).svg));
  EXPECT_EQ(state["read_out"].is_null(), !model.readOutActive());
  EXPECT_EQ(post("/api/spectrum/0123abcd", Json{{"events", Json::array()}})->status, 404);
}

struct BadInput {
  const char* name;
  const char* method;
  std::string path;
  std::string body;
  std::string named;  // what the message must name
};

void PrintTo(const BadInput& c, std::ostream* out) { *out << c.name; }

class BadInputTest : public ServeTest, public ::testing::WithParamInterface<BadInput> {};

TEST_P(BadInputTest, Is400WithAMessageAndChangesNothing) {
  ASSERT_EQ(upload({{"a.kvd", kvdBytes(records(7, "01.02.2020", 2))}})->status, 200);
  ASSERT_EQ(post("/api/objects", Json{{"name", "School 5"}})->status, 201);
  const BadInput& c = GetParam();
  const httplib::Result r = std::string(c.method) == "GET"
                                ? get(c.path)
                                : client().Post(c.path.c_str(), auth(), c.body, "application/json");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 400);
  const Json answer = json(r);
  ASSERT_TRUE(answer.contains("error")) << r->body;
  EXPECT_NE(answer["error"].get<std::string>().find(c.named), std::string::npos) << answer["error"];
  EXPECT_EQ(json(get("/api/records?unassigned=1"))["total"], 2);
  EXPECT_EQ(json(get("/api/archive"))["objects"].size(), 1u);
}

const BadInput kBadInputs[] = {
    {"NotJson", "POST", "/api/assign", "{\"object\": 1,", "JSON"},
    {"NotAnObject", "POST", "/api/unassign", "[1, 2]", "JSON object"},
    {"RoomNotText", "POST", "/api/assign", R"({"object": 1, "room": 5, "records": [1]})", "room"},
    {"NoRecordsNorFilter", "POST", "/api/assign", R"({"object": 1, "room": "A"})", "records"},
    {"BadFilterDate", "POST", "/api/unassign", R"({"filter": {"from": "yesterday"}})", "from"},
    {"RecordIdNotNumber", "POST", "/api/unassign", R"({"records": ["one"]})", "record id"},
    {"UnknownParameter", "GET", "/api/records?colour=red", "", "colour"},
    {"BadDate", "GET", "/api/records?from=32.13.2020", "", "from"},
    {"ToBeforeFrom", "GET", "/api/records?from=2020-02-02&to=2020-02-01", "", "to"},
    {"BadSort", "GET", "/api/records?sort=colour", "", "sort"},
    {"BadDir", "GET", "/api/records?dir=up", "", "dir"},
    {"LimitTooLarge", "GET", "/api/records?limit=501", "", "limit"},
    {"LimitNotNumber", "GET", "/api/records?limit=ten", "", "limit"},
    {"BadMode", "GET", "/api/records?mode=70000", "", "mode"},
    {"EmptyObjectName", "POST", "/api/objects", R"({"name": ""})", "name"},
    {"UnknownObjectField", "POST", "/api/objects/1", R"({"colour": "red"})", "colour"},
    {"BadExportFormat", "POST", "/api/export", R"({"format": "pdf", "records": [1]})", "format"},
};

INSTANTIATE_TEST_SUITE_P(Requests, BadInputTest, ::testing::ValuesIn(kBadInputs),
                         [](const ::testing::TestParamInfo<BadInput>& info) { return info.param.name; });

TEST_F(ServeTest, BadPanelEventsAre400) {
  ASSERT_EQ(upload({{"a.kvd", kvdBytes(records(7, "01.02.2020", 1))}})->status, 200);
  const std::string panel = json(post("/api/records/1/spectrum", Json::object()))["panel"];
  for (const Json& events : {Json{{{"type", "fly"}}}, Json{{{"type", "move"}, {"x", "left"}, {"y", 1}}},
                             Json{{{"type", "key"}, {"key", "up"}}}, Json("move")}) {
    const httplib::Result r = post("/api/spectrum/" + panel, Json{{"events", events}});
    EXPECT_EQ(r->status, 400) << events.dump();
  }
}

// The refusals that the pages word in their own language carry their code.
TEST_F(ServeTest, RefusalsCarryTheirCodes) {
  ASSERT_EQ(upload({{"a.kvd", kvdBytes(records(7, "01.02.2020", 3))}})->status, 200);
  ASSERT_EQ(post("/api/objects", Json{{"name", "School 5"}})->status, 201);
  ASSERT_EQ(post("/api/assign", Json{{"object", "School 5"}, {"room", "A"}, {"records", {1}}})->status, 200);
  const struct {
    const char* path;
    Json body;
    int status;
    const char* code;
  } cases[] = {
      {"/api/objects", Json{{"name", ""}}, 400, "object_name_missing"},
      {"/api/objects", Json{{"name", "School 5"}}, 409, "object_exists"},
      {"/api/assign", Json{{"object", "School 6"}, {"room", "A"}, {"records", {2}}}, 404, "no_object"},
      {"/api/assign", Json{{"object", "School 5"}, {"room", ""}, {"records", {2}}}, 400, "room_missing"},
      {"/api/assign", Json{{"object", "School 5"}, {"room", "B"}, {"records", {1}}}, 409, "records_elsewhere"},
      {"/api/objects/1/remove", Json::object(), 409, "object_has_records"},
      {"/api/export", Json{{"format", "csv"}, {"filter", {{"device", "8"}}}}, 400, "nothing_to_export"},
  };
  for (const auto& c : cases) {
    const httplib::Result r = post(c.path, c.body);
    ASSERT_TRUE(r) << c.code;
    EXPECT_EQ(r->status, c.status) << c.code;
    EXPECT_EQ(json(r)["code"], c.code) << r->body;
    EXPECT_FALSE(json(r)["error"].get<std::string>().empty()) << c.code;
  }
  const Json short_ = json(upload({{"short.kvd", "x"}}))["files"][0];
  EXPECT_EQ(short_["code"], "file_short");
  EXPECT_EQ(short_["params"]["bytes"], 1);
  EXPECT_EQ(json(get("/api/records?limit=10"))["total"], 3);
}

// A text past the limit is refused by its name, counted in characters; one
// that makes the address too long for the server to read is refused whole.
TEST_F(ServeTest, LongTextsAreRefusedByName) {
  auto repeated = [](const std::string& text, int n) {
    std::string out;
    for (int k = 0; k < n; ++k) out += text;
    return out;
  };
  const std::string ya = "%D0%AF";  // Я: two bytes, one character
  const struct {
    std::string path;
    int status;
    const char* code;
    const char* field;
  } cases[] = {
      {"/api/records?room=" + repeated(ya, 500), 200, "", ""},
      {"/api/records?room=" + repeated(ya, 501), 400, "text_too_long", "room"},
      {"/records?lang=" + std::string(501, 'x'), 400, "text_too_long", "lang"},
      {"/api/objects/1/protocol?lang=en&download=" + std::string(501, '1'), 400, "text_too_long", "download"},
      {"/api/records?point=" + std::string(20000, 'x'), 414, "address_too_long", ""},
  };
  for (const auto& c : cases) {
    const httplib::Result r = get(c.path);
    ASSERT_TRUE(r) << c.code;
    EXPECT_EQ(r->status, c.status) << c.code << " " << r->body;
    if (c.status == 200) continue;
    const Json answer = json(r);
    EXPECT_EQ(answer["code"], c.code) << r->body;
    if (*c.field) {
      EXPECT_EQ(answer["params"], (Json{{"field", c.field}, {"limit", 500}})) << r->body;
      EXPECT_NE(answer["error"].get<std::string>().find(std::string("\"") + c.field + "\" is too long"),
                std::string::npos)
          << r->body;
    }
  }
  const Json filter{{"format", "csv"}, {"filter", {{"object", "School 5"}, {"room", std::string(20000, 'x')}}}};
  const httplib::Result r = post("/api/export", filter);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 400);
  EXPECT_EQ(json(r)["params"]["field"], "room") << r->body;
}

}  // namespace
}  // namespace zel::serve::test
