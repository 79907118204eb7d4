// Every request the guards must refuse, sent as raw bytes on a socket (no
// client library to tidy it up), answered with its status, and the archive
// left exactly as it was.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "tests/serve/serve_fixture.h"

namespace zel::serve::test {
namespace {

// The status of the answer to `request`, or 0 when none came.
int rawStatus(int port, const std::string& request) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  timeval timeout{10, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return 0;
  }
  for (std::size_t sent = 0; sent < request.size();) {
    const ssize_t n = ::send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) break;
    sent += static_cast<std::size_t>(n);
  }
  char buffer[64] = {};
  const ssize_t got = ::recv(fd, buffer, sizeof buffer - 1, 0);
  ::close(fd);
  int status = 0;
  if (got > 12) std::sscanf(buffer, "HTTP/1.%*d %d", &status);
  return status;
}

struct Snapshot {
  std::uint64_t records, unassigned;
  std::size_t objects, imports;
  friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

struct GuardCase {
  const char* name;
  int status;
  // The request, from the port, the host ("127.0.0.1:PORT"), the token and
  // the CSRF token.
  std::function<std::string(const std::string& host, const std::string& token, const std::string& csrf)> request;
};

void PrintTo(const GuardCase& c, std::ostream* out) { *out << c.name; }

std::string postObject(const std::string& host, const std::string& headers) {
  const std::string body = R"({"name":"Intruder"})";
  return "POST /api/objects HTTP/1.1\r\nHost: " + host + "\r\n" + headers +
         "Content-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nConnection: close\r\n\r\n" + body;
}

std::string bearer(const std::string& token) { return "Authorization: Bearer " + token + "\r\n"; }

std::string getWith(const std::string& target, const std::string& host, const std::string& headers) {
  return "GET " + target + " HTTP/1.1\r\nHost: " + host + "\r\n" + headers + "Connection: close\r\n\r\n";
}

std::string oversizedUpload(const std::string& host, const std::string& token, const std::string& csrf) {
  const std::string boundary = "kvdtestboundary";
  const std::string head = "--" + boundary +
                           "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"big.kvd\"\r\n"
                           "Content-Type: application/octet-stream\r\n\r\n";
  const std::string tail = "\r\n--" + boundary + "--\r\n";
  const std::string bytes((64u << 20) + 688, '\x01');
  const std::size_t length = head.size() + bytes.size() + tail.size();
  return "POST /api/import HTTP/1.1\r\nHost: " + host + "\r\n" + bearer(token) + "X-CSRF-Token: " + csrf +
         "\r\nContent-Type: multipart/form-data; boundary=" + boundary + "\r\nContent-Length: " +
         std::to_string(length) + "\r\nConnection: close\r\n\r\n" + head + bytes + tail;
}

const GuardCase kCases[] = {
    {"NoToken", 401, [](auto& h, auto&, auto&) { return getWith("/api/archive", h, ""); }},
    {"WrongToken", 401, [](auto& h, auto& t, auto&) { return getWith("/api/archive", h, bearer(t + "0")); }},
    {"WrongTokenOfSameLength", 401,
     [](auto& h, auto& t, auto&) { return getWith("/api/archive", h, bearer(std::string(t.size(), 'a'))); }},
    {"WrongTokenPost", 401,
     [](auto& h, auto&, auto& c) { return postObject(h, bearer("0") + "X-CSRF-Token: " + c + "\r\n"); }},
    {"ForeignHost", 421,
     [](auto& h, auto& t, auto&) {
       return getWith("/api/archive", "evil.example" + h.substr(h.find(':')), bearer(t));
     }},
    {"ForeignHostPost", 421,
     [](auto& h, auto& t, auto& c) {
       return postObject("evil.example" + h.substr(h.find(':')), bearer(t) + "X-CSRF-Token: " + c + "\r\n");
     }},
    {"CrossOriginPost", 403,
     [](auto& h, auto& t, auto& c) {
       return postObject(h, bearer(t) + "X-CSRF-Token: " + c + "\r\nOrigin: http://evil.example\r\n");
     }},
    {"PostWithoutCsrf", 403, [](auto& h, auto& t, auto&) { return postObject(h, bearer(t)); }},
    {"PostWithWrongCsrf", 403,
     [](auto& h, auto& t, auto& c) { return postObject(h, bearer(t) + "X-CSRF-Token: " + c + "0\r\n"); }},
    {"CookiePostWithoutOrigin", 403,
     [](auto& h, auto& t, auto& c) {
       return postObject(h, "Cookie: kvd_token=" + t + "\r\nX-CSRF-Token: " + c + "\r\n");
     }},
    {"OversizedUpload", 413, oversizedUpload},
    {"DotDotPath", 400, [](auto& h, auto& t, auto&) { return getWith("/static/../api/archive", h, bearer(t)); }},
    {"EncodedDotDotPath", 400,
     [](auto& h, auto& t, auto&) { return getWith("/static/%2e%2e/api/archive", h, bearer(t)); }},
    {"EncodedSlash", 400, [](auto& h, auto& t, auto&) { return getWith("/api%2farchive", h, bearer(t)); }},
    {"Backslash", 400, [](auto& h, auto& t, auto&) { return getWith("/static\\serve_x.js", h, bearer(t)); }},
    {"Garbage", 400, [](auto&, auto&, auto&) { return std::string("\x16\x03\x01 garbage\r\n\r\n"); }},
    {"WrongMethod", 405,
     [](auto& h, auto& t, auto&) {
       return "DELETE /api/objects/1 HTTP/1.1\r\nHost: " + h + "\r\n" + bearer(t) + "Connection: close\r\n\r\n";
     }},
    {"UnknownPath", 404, [](auto& h, auto& t, auto&) { return getWith("/api/nothing", h, bearer(t)); }},
};

class GuardTest : public ServeTest, public ::testing::WithParamInterface<GuardCase> {
 protected:
  Snapshot snapshot() {
    archive::Archive a = openArchive();
    archive::Selection unassigned;
    unassigned.unassigned = true;
    return {a.countRecords({}), a.countRecords(unassigned), a.objects().size(), a.lastImports(100).size()};
  }
};

TEST_P(GuardTest, IsRefusedAndChangesNothing) {
  ASSERT_EQ(upload({{"demo.kvd", kvdBytes()}})->status, 200);
  ASSERT_EQ(post("/api/objects", Json{{"name", "School 5"}})->status, 201);
  const Snapshot before = snapshot();
  EXPECT_EQ(rawStatus(server_->port(), GetParam().request(host_, server_->token(), server_->csrf())),
            GetParam().status);
  EXPECT_TRUE(snapshot() == before);
  // The server still answers after the refusal.
  EXPECT_EQ(get("/api/session")->status, 200);
}

INSTANTIATE_TEST_SUITE_P(Requests, GuardTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<GuardCase>& info) { return info.param.name; });

TEST_F(ServeTest, TokenInTheAddressBecomesACookieAndLeavesTheAddress) {
  httplib::Client c = client();
  const httplib::Result r = c.Get(("/records?token=" + server_->token() + "&lang=ru").c_str());
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 303);
  EXPECT_EQ(r->get_header_value("Location"), "/records?lang=ru");
  EXPECT_EQ(r->get_header_value("Set-Cookie"), "kvd_token=" + server_->token() + "; HttpOnly; SameSite=Strict; Path=/");
  const httplib::Result page = c.Get("/records", {{"Cookie", "kvd_token=" + server_->token()}});
  ASSERT_TRUE(page);
  EXPECT_EQ(page->status, 200);
  EXPECT_NE(page->body.find("content=\"" + server_->csrf() + "\""), std::string::npos);
  EXPECT_EQ(page->get_header_value("Cache-Control"), "no-store");
  EXPECT_EQ(page->get_header_value("X-Content-Type-Options"), "nosniff");
  EXPECT_NE(page->get_header_value("Content-Security-Policy").find("script-src 'self'"), std::string::npos);
}

}  // namespace
}  // namespace zel::serve::test
