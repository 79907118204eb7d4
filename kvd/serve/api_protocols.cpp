// Issued protocols: GET /api/objects/{id}/protocols lists an object's,
// POST /api/objects/{id}/protocols issues one signed by the approver who
// asks, GET /api/protocols/{id} gives its page byte for byte as it was
// issued, and /api/protocols/{id}/pdf that page printed.
#include <httplib.h>

#include <charconv>
#include <sstream>

#include "kvd/archive/protocols.h"
#include "kvd/serve/http_error.h"
#include "kvd/serve/json_io.h"
#include "kvd/serve/protocol_answers.h"
#include "kvd/serve/records_query.h"
#include "kvd/serve/routes.h"
#include "kvd/serve/text_limit.h"

namespace zel::serve {

namespace {

using archive::IssuedProtocol;

Json protocolJson(archive::Archive& archive, const IssuedProtocol& p) {
  Json signers = Json::array();
  for (const archive::Signer& s : p.signers) signers.push_back(Json{{"name", s.name}, {"position", s.position}});
  return Json{{"id", p.id},
              {"number", p.number},
              {"object", p.object},
              {"language", p.language},
              {"issued_on", p.issuedOn},
              {"issued_at", p.issuedAt},
              {"issued_by", p.issuedBy},
              {"signers", signers},
              {"status", p.status()},
              {"replaced_by", p.replacedBy},
              {"replaces", p.replaces},
              {"reason", p.reason},
              {"accepted_unverified", p.acceptedUnverified},
              {"records", p.records},
              {"sha256", p.htmlSha256},
              {"data_changed", archive::protocolDataChanged(archive, p)}};
}

IssuedProtocol protocolById(archive::Archive& archive, std::int64_t id) {
  for (IssuedProtocol& p : archive::issuedProtocols(archive))
    if (p.id == id) return std::move(p);
  throw HttpError(404, "there is no issued protocol " + std::to_string(id), "no_protocol");
}

// The issued page's bytes, and its number.
std::string frozenPage(ServeContext& context, std::int64_t id, std::string& number) {
  return context.withArchive([&](archive::Archive& a) {
    const IssuedProtocol p = protocolById(a, id);
    number = p.number;
    return archive::issuedProtocolHtml(a, p);
  });
}

// The records that the archive names in its refusal, one a line after the
// first, as the page lists them; and how many there are.
Json unverifiedParams(const std::string& message) {
  std::istringstream lines(message);
  std::string line;
  std::getline(lines, line);
  std::uint64_t n = 0;
  std::from_chars(line.data(), line.data() + line.size(), n);
  Json records = Json::array();
  while (std::getline(lines, line))
    if (line.rfind("  ", 0) == 0) records.push_back(line.substr(2));
  return Json{{"n", n}, {"records", records}};
}

// The archive's refusals of an issue: what was typed at its field, the
// rest as conflicts with the archive as it is.
[[noreturn]] void refuseIssue(const archive::ArchiveError& e) {
  if (e.code() == "reason") throw HttpError(400, e.what(), e.code(), Json{{"field", "reason"}});
  if (e.code() == "replaces") throw HttpError(409, e.what(), e.code(), Json{{"field", "replaces"}});
  if (e.code() == "unverified") throw HttpError(409, e.what(), e.code(), unverifiedParams(e.what()));
  if (e.code() == "no_object") throw HttpError(404, e.what(), e.code());
  throw HttpError(409, e.what(), e.code());
}

archive::IssueRequest issueRequest(const httplib::Request& request, const ServeContext& context) {
  const Json body = bodyObject(request);
  onlyFields(body, {"lang", "replaces", "reason", "accept_unverified"});
  archive::IssueRequest issue;
  const std::string lang = optionalText(body, "lang").value_or(requestLanguage(request, context));
  if (lang != "en" && lang != "ru") throw HttpError(400, "\"lang\" is en or ru", "bad_lang", Json{{"field", "lang"}});
  issue.language = lang == "ru" ? report::Language::Ru : report::Language::En;
  issue.replaces = optionalText(body, "replaces").value_or("");
  checkTextLength("replaces", issue.replaces);
  issue.reason = currentCaller().reason;
  issue.acceptUnverified = optionalFlag(body, "accept_unverified");
  // The one who issues it signs it: a person signed in on the lab server.
  // At this computer nobody is signed in, and nobody signs.
  const Caller& caller = currentCaller();
  if (!caller.lab || !caller.person)
    throw HttpError(403,
                    "a protocol is signed by the approver who issues it, signed in on the lab server (kvd serve "
                    "--listen); here nobody is signed in: issue it there, or with kvd archive protocol issue "
                    "--signed-by LOGIN",
                    "issue_needs_signin");
  issue.signers = {caller.person->login};
  return issue;
}

}  // namespace

void addProtocolRoutes(Routes& routes, ServeContext& context) {
  routes.get(R"(/api/objects/(\d+)/protocols)", [&context](const httplib::Request& request,
                                                          httplib::Response& response) {
    const std::int64_t id = pathId(request, "object");
    onlyParameters(request, {});
    sendJson(response, context.withArchive([&](archive::Archive& a) {
      Json out = Json::array();
      for (const IssuedProtocol& p : archive::issuedProtocols(a, findObjectById(a, id).info.name))
        out.push_back(protocolJson(a, p));
      return out;
    }));
  });

  routes.post(R"(/api/objects/(\d+)/protocols)", [&context](const httplib::Request& request,
                                                           httplib::Response& response) {
    const std::int64_t id = pathId(request, "object");
    archive::IssueRequest issue = issueRequest(request, context);
    sendJson(response, context.changeArchive([&](archive::Archive& a) {
      issue.object = findObjectById(a, id).info.name;
      try {
        return protocolJson(a, archive::issueProtocol(a, issue));
      } catch (const archive::ArchiveError& e) {
        refuseIssue(e);
      }
    }), 201);
  });

  routes.get(R"(/api/protocols/(\d+))", [&context](const httplib::Request& request, httplib::Response& response) {
    onlyParameters(request, {"download"});
    std::string number;
    const std::string html = frozenPage(context, pathId(request, "protocol"), number);
    sendProtocolHtml(response, html,
                     request.get_param_value("download") == "1" ? protocolFileName(number, "html") : std::string());
  });

  routes.get(R"(/api/protocols/(\d+)/pdf)", [&context](const httplib::Request& request, httplib::Response& response) {
    onlyParameters(request, {});
    std::string number;
    const std::string html = frozenPage(context, pathId(request, "protocol"), number);
    sendProtocolPdf(response, html, protocolFileName(number, "pdf"), requestLanguage(request, context));
  });
}

}  // namespace zel::serve
