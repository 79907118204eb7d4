// Protocols through the lab server, on both backends: the laboratory's
// details set and refused at their fields, an object's kind, a protocol
// issued by the approver signed in, listed, and its page given back byte
// for byte after its data changed, which the list then marks; each of the
// archive's refusals of an issue with its code; the pages printed to PDF by
// the server's Chromium. At this computer nobody is signed in to sign a
// protocol.
#include <functional>

#include "kvd/archive/sha256.h"
#include "tests/archive/backend_fixture.h"
#include "tests/serve/lab_fixture.h"
#include "tests/serve/serve_fixture.h"

namespace zel::serve::test {
namespace {

std::string records(int device, int first, int count) {
  std::string s;
  for (int k = first; k < first + count; ++k)
    s += "mode=14 deviceNumber=" + std::to_string(device) + " date=01.02.2020 time=10:0" + std::to_string(k) +
         ":00 eecRn=50 eecRnError=5 bounds=44,62,86\n";
  return s;
}

std::string sha256Hex(const std::string& bytes) {
  const archive::Digest d = archive::sha256(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  return archive::hexText(d.data(), d.size());
}

// School 5 (id 1) with three records of device 7, verified, at room 101;
// School 6 (id 2) with a record of device 8, which has no verification;
// Empty (id 3); the lab named and accredited.
class LabProtocolsTest : public LabServeTest, public ::testing::WithParamInterface<std::string> {
 protected:
  bool onPostgres() const override { return GetParam() == "postgres"; }
  void SetUp() override {
    LabServeTest::SetUp();
    admin_ = signIn(kAdmin);
    approver_ = signIn(kApprover);
    ASSERT_EQ(upload("a.kvd", records(7, 0, 3) + records(8, 5, 1), &admin_)->status, 200);
    for (const char* name : {"School 5", "School 6", "Empty"})
      ASSERT_EQ(post("/api/objects", Json{{"name", name}}, &admin_)->status, 201);
    for (const auto& [object, device] : {std::pair{"School 5", 7}, std::pair{"School 6", 8}})
      ASSERT_EQ(post("/api/assign", Json{{"object", object}, {"room", "101"}, {"filter", {{"device", device}}}}, &admin_)
                    ->status,
                200);
    ASSERT_EQ(post("/api/devices/7", Json{{"verified_from", "2020-01-01"}, {"verified_until", "2020-12-31"}}, &admin_)
                  ->status,
              200);
    ASSERT_EQ(lab(Json{{"name", "Radon Lab"}, {"accreditation", "RA.RU.21AB01"}})->status, 200);
  }

  httplib::Result lab(const Json& change) { return post("/api/lab", change, &admin_); }
  httplib::Result issue(std::int64_t object, const Json& body) {
    return post("/api/objects/" + std::to_string(object) + "/protocols", body, &approver_);
  }

  Signed admin_, approver_;
};

TEST_P(LabProtocolsTest, TheLabsDetailsChangeAsGivenAndARefusalNamesItsField) {
  const Json set = json(lab(Json{{"coverage_factor", "1,96"}, {"accredited_until", "01.03.2027"}, {"reason", "audit"}}));
  EXPECT_EQ(set["coverage_factor"], 1.96);
  EXPECT_EQ(set["accredited_until"], "2027-03-01");
  EXPECT_EQ(set["name"], "Radon Lab") << "a field not given stays";
  const Signed viewer = signIn(kViewer);
  EXPECT_EQ(json(get("/api/lab", &viewer)), set);

  const struct {
    Json change;
    int status;
    const char* code;
    const char* field;
  } refusals[] = {
      {{{"coverage_factor", "two"}}, 400, "lab_coverage_factor", "coverage_factor"},
      {{{"coverage_factor", 11}}, 400, "lab_coverage_factor", "coverage_factor"},
      {{{"number_format", "{yyyy}"}}, 400, "lab_number_format", "number_format"},
      {{{"number_format", "{n}/{mm}"}}, 400, "lab_number_format", "number_format"},
      {{{"accredited_until", "31.02.2027"}}, 400, "lab_date", "accredited_until"},
      {{{"colour", "red"}}, 400, "unknown_field", "colour"},
      {{{"name", 5}}, 400, "not_text", "name"},
  };
  for (const auto& r : refusals) {
    SCOPED_TRACE(r.change.dump());
    const std::string before = archiveDigest();
    const httplib::Result answer = lab(r.change);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, r.status) << answer->body;
    EXPECT_EQ(json(answer)["code"], r.code);
    EXPECT_EQ(json(answer)["params"]["field"], r.field);
    EXPECT_EQ(archiveDigest(), before);
  }
}

TEST_P(LabProtocolsTest, AnObjectsKindIsKeptAndShown) {
  const Json object = json(post("/api/objects/3", Json{{"kind", "workplace"}}, &admin_));
  EXPECT_EQ(object["kind"], "workplace");
  EXPECT_EQ(json(get("/api/objects/1", &admin_))["kind"], "in-use");
  const httplib::Result refused = post("/api/objects", Json{{"name", "Garage"}, {"kind", "garage"}}, &admin_);
  EXPECT_EQ(refused->status, 400);
  EXPECT_EQ(json(refused)["code"], "object_kind");
  EXPECT_EQ(json(refused)["params"]["field"], "kind");

}

TEST_P(LabProtocolsTest, AnIssuedProtocolIsGivenAsIssuedAfterItsDataChange) {
  const httplib::Result issued = issue(1, Json{{"lang", "en"}});
  ASSERT_EQ(issued->status, 201) << issued->body;
  const Json p = json(issued);
  EXPECT_EQ(p["signers"], Json::parse(R"([{"name": "Person alla", "position": "chemist"}])"));
  EXPECT_EQ(p["issued_by"], kApprover);
  EXPECT_EQ(p["status"], "issued");
  EXPECT_EQ(p["records"], 3);
  EXPECT_EQ(p["data_changed"], false);
  const std::string number = p["number"], page = "/api/protocols/" + std::to_string(p["id"].get<int>());
  EXPECT_EQ(json(get("/api/objects/1/protocols", &admin_)), Json::array({p}));

  const Signed viewer = signIn(kViewer);
  const httplib::Result frozen = get(page, &viewer);
  ASSERT_EQ(frozen->status, 200);
  EXPECT_EQ(sha256Hex(frozen->body), p["sha256"]);
  EXPECT_NE(frozen->body.find(number), std::string::npos);
  EXPECT_EQ(frozen->get_header_value("Content-Security-Policy"),
            get("/api/objects/1/protocol", &viewer)->get_header_value("Content-Security-Policy"));
  std::string fileName = "protocol-" + number + ".html";
  for (char& c : fileName)
    if (c == '/') c = '_';
  EXPECT_EQ(get(page + "?download=1", &viewer)->get_header_value("Content-Disposition"),
            "attachment; filename=\"" + fileName + "\"");

  // A record taken to another room: the page stays, the list says so.
  ASSERT_EQ(post("/api/assign", Json{{"object", "School 5"}, {"room", "102"}, {"move", true}, {"records", {1}}},
                 &admin_)->status,
            200);
  EXPECT_EQ(get(page, &viewer)->body, frozen->body);
  EXPECT_EQ(json(get("/api/objects/1/protocols", &viewer))[0]["data_changed"], true);

  // A correction replaces it; the old one stays as it was.
  const Json second = json(issue(1, Json{{"replaces", number}, {"reason", "a record's room corrected"}}));
  EXPECT_EQ(second["replaces"], number);
  const Json list = json(get("/api/objects/1/protocols", &viewer));
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0]["status"], "replaced");
  EXPECT_EQ(list[0]["replaced_by"], second["number"]);
  EXPECT_EQ(list[1]["data_changed"], false);
  EXPECT_EQ(get(page, &viewer)->body, frozen->body);
}

TEST_P(LabProtocolsTest, EachRefusalOfAnIssueHasItsCodeAndChangesNothing) {
  // The next number is the year's count of protocols and one: a first
  // format gives "K-x-(K+1)", and a second gives the same for K+1.
  const auto takeTheNextNumber = [this] {
    const std::size_t next = json(get("/api/objects/1/protocols", &admin_)).size() + 1;
    ASSERT_EQ(lab(Json{{"number_format", "{n}-x-" + std::to_string(next + 1)}})->status, 200);
    ASSERT_EQ(issue(1, Json::object())->status, 201);
    ASSERT_EQ(lab(Json{{"number_format", std::to_string(next) + "-x-{n}"}})->status, 200);
  };
  const auto withoutAccreditation = [this] { ASSERT_EQ(lab(Json{{"accreditation", ""}})->status, 200); };
  const struct {
    const char* what;
    std::function<void()> before;
    std::int64_t object;
    Json body;
    int status;
    const char* code;
  } refusals[] = {
      {"replacing without a reason", nullptr, 1, {{"replaces", "1/2020"}}, 400, "reason"},
      {"replacing none of its own", nullptr, 1, {{"replaces", "99/1999"}, {"reason", "r"}}, 409, "replaces"},
      {"records outside verification", nullptr, 2, Json::object(), 409, "unverified"},
      {"accepting them without a reason", nullptr, 2, {{"accept_unverified", true}}, 400, "reason"},
      {"no records", nullptr, 3, Json::object(), 409, "no_records"},
      {"no object", nullptr, 99, Json::object(), 404, "no_object"},
      {"a language of none", nullptr, 1, {{"lang", "de"}}, 400, "bad_lang"},
      {"a field of none", nullptr, 1, {{"signers", {"adam"}}}, 400, "unknown_field"},
      {"a number taken", takeTheNextNumber, 1, Json::object(), 409, "number_taken"},
      {"the lab without accreditation", withoutAccreditation, 1, Json::object(), 409, "lab_incomplete"},
  };
  // The refusal of records outside verification names them.
  const Json unverified = json(issue(2, Json::object()))["params"];
  EXPECT_EQ(unverified["n"], 1);
  ASSERT_EQ(unverified["records"].size(), 1u);
  EXPECT_NE(unverified["records"][0].get<std::string>().find("device 8"), std::string::npos);
  for (const auto& r : refusals) {
    SCOPED_TRACE(r.what);
    if (r.before) r.before();
    const std::string before = archiveDigest();
    const httplib::Result answer = issue(r.object, r.body);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, r.status) << answer->body;
    EXPECT_EQ(json(answer)["code"], r.code);
    EXPECT_EQ(archiveDigest(), before);
  }
}

TEST_P(LabProtocolsTest, TheServersBrowserPrintsTheDraftAndTheIssuedProtocol) {
  ASSERT_EQ(json(get("/api/session", &approver_))["pdf"], true) << "the tests' machine has Chromium";
  const Json p = json(issue(1, Json::object()));
  for (const std::string& path : std::vector<std::string>{
           "/api/objects/1/protocol?format=pdf", "/api/protocols/" + std::to_string(p["id"].get<int>()) + "/pdf"}) {
    SCOPED_TRACE(path);
    const httplib::Result pdf = get(path, &approver_);
    ASSERT_EQ(pdf->status, 200) << pdf->body;
    EXPECT_EQ(pdf->get_header_value("Content-Type"), "application/pdf");
    EXPECT_EQ(pdf->body.rfind("%PDF-", 0), 0u);
    EXPECT_NE(pdf->get_header_value("Content-Disposition").find(".pdf\""), std::string::npos);
  }
  EXPECT_EQ(get("/api/objects/1/protocol?format=doc", &approver_)->status, 400);
}

}  // namespace

INSTANTIATE_BACKENDS(LabProtocolsTest);

// At this computer nobody is signed in: nobody signs.
class DeskProtocolsTest : public ServeTest {};

TEST_F(DeskProtocolsTest, NobodySignedInIssuesNoProtocol) {
  ASSERT_EQ(post("/api/objects", Json{{"name", "School 5"}})->status, 201);
  ASSERT_EQ(post("/api/lab", Json{{"name", "Radon Lab"}, {"accreditation", "RA.RU.21AB01"}})->status, 200);
  const httplib::Result refused = post("/api/objects/1/protocols", Json::object());
  EXPECT_EQ(refused->status, 403);
  EXPECT_EQ(json(refused)["code"], "issue_needs_signin");
  EXPECT_EQ(json(get("/api/objects/1/protocols")), Json::array());
}

}  // namespace zel::serve::test
