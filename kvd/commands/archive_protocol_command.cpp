// kvd archive protocol draft|issue|show and protocols.
#include "kvd/commands/archive_protocol_command.h"

#include <nlohmann/json.hpp>

#include <cstdio>

#include "kvd/archive/protocols.h"
#include "kvd/commands/archive_commands.h"
#include "kvd/io/output_file.h"
#include "kvd/io/platform.h"
#include "kvd/pdf/print_pdf.h"
#include "kvd/stats/stats_format.h"

namespace zel::cli {

namespace {

using Json = nlohmann::ordered_json;

bool isPdf(const std::string& name) {
  if (name.size() < 4) return false;
  std::string ext = name.substr(name.size() - 4);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".pdf";
}

// The page into the file named: as it is, or printed to a PDF by a browser.
// Whole or not at all.
bool writePage(const std::string& html, const ArchiveProtocolOptions& options, Streams& io) {
  Diagnostics diagnostics(io.err);
  if (isPdf(options.output)) {
    std::string why;
    const std::optional<std::filesystem::path> browser = pdf::findBrowser(options.browser, why);
    if (browser && pdf::printPdf(*browser, html, platform::pathFromUtf8(options.output), why)) return true;
    diagnostics.failed(options.output + ": " + why + "; nothing was written");
    return false;
  }
  OutputFile output;
  std::string why;
  if (!createOutput(output, FileName(options.output), diagnostics)) return false;
  if (std::fwrite(html.data(), 1, html.size(), output.stream()) != html.size() || !output.commit(why)) {
    diagnostics.failed(options.output + ": " + (why.empty() ? std::string("could not be written") : why) +
                       "; nothing was written");
    return false;
  }
  return true;
}

std::string signersText(const std::vector<archive::Signer>& signers) {
  std::string out;
  for (const archive::Signer& s : signers) out += (out.empty() ? "" : ", ") + s.name + " (" + s.login + ")";
  return out;
}

std::string statusText(const archive::IssuedProtocol& p, bool changed) {
  std::string out = p.replacedBy.empty() ? "issued" : "replaced by " + p.replacedBy;
  if (changed) out += ", data changed since issue";
  return out;
}

}  // namespace

int runArchiveProtocolDraft(const std::string& location, const ArchiveProtocolOptions& options, bool russian,
                            Streams& io) {
  const std::string usage = archiveUsage("protocol draft");
  std::vector<const report::Norm*> norms;
  if (const std::string why = chooseNorms(options.norms, norms); !why.empty()) return usageError(io, why, usage);
  if (const std::string refusal = outputRefusal(FileName(options.output), {}); !refusal.empty())
    return usageError(io, refusal, usage);
  return withArchive(location, false, io, [&](archive::Archive& archive) {
    const std::optional<archive::ObjectInfo> object = archive.object(options.object);
    if (!object) {
      io.err.write("kvd: the archive has no object \"" + options.object + "\" (kvd archive objects lists them)\n");
      return kExitFailed;
    }
    std::size_t points = 0;
    std::uint64_t records = 0;
    const std::string page = archiveProtocolHtml(archive, *object, norms, russian, &points, &records);
    if (!writePage(page, options, io)) return kExitFailed;
    io.out.write(options.output + ": the draft protocol of " + object->name + ", " + std::to_string(points) +
                 (points == 1 ? " point, " : " points, ") + std::to_string(records) +
                 (records == 1 ? " record" : " records") + "\n");
    return kExitOk;
  });
}

int runArchiveProtocolIssue(const std::string& location, const ArchiveProtocolOptions& options, bool russian,
                            Streams& io) {
  const std::string usage = archiveUsage("protocol issue");
  archive::IssueRequest request;
  if (const std::string why = chooseNorms(options.norms, request.norms); !why.empty())
    return usageError(io, why, usage);
  if (options.acceptUnverified && options.reason.empty())
    return usageError(io, "--accept-unverified needs --reason TEXT: the protocol and the audit trail say why", usage);
  if (!options.replaces.empty() && options.reason.empty())
    return usageError(io, "--replaces needs --reason TEXT: the new protocol says why it replaces the old", usage);
  request.object = options.object;
  request.signers = options.signers;
  request.replaces = options.replaces;
  request.reason = options.reason;
  request.acceptUnverified = options.acceptUnverified;
  request.language = russian ? report::Language::Ru : report::Language::En;
  return withArchive(location, false, io, [&](archive::Archive& archive) {
    const archive::IssuedProtocol issued = archive::issueProtocol(archive, request);
    io.out.write("Protocol " + issued.number + " issued for " + issued.object + ", signed by " +
                 signersText(issued.signers) + ", " + std::to_string(issued.records) +
                 (issued.records == 1 ? " record" : " records") + ", SHA-256 " + issued.htmlSha256 + "\n");
    return kExitOk;
  }, options.reason);
}

int runArchiveProtocolShow(const std::string& location, const ArchiveProtocolOptions& options, Streams& io) {
  const std::string usage = archiveUsage("protocol show");
  if (const std::string refusal = outputRefusal(FileName(options.output), {}); !refusal.empty())
    return usageError(io, refusal, usage);
  return withArchive(location, false, io, [&](archive::Archive& archive) {
    const std::optional<archive::IssuedProtocol> p = archive::issuedProtocol(archive, options.number);
    if (!p) {
      io.err.write("kvd: the archive has no issued protocol " + options.number +
                   " (kvd archive protocols lists them)\n");
      return kExitFailed;
    }
    if (!writePage(archive::issuedProtocolHtml(archive, *p), options, io)) return kExitFailed;
    io.out.write(options.output + ": protocol " + p->number + " as issued on " + p->issuedOn + ", " +
                 statusText(*p, false) + "\n");
    return kExitOk;
  });
}

int runArchiveProtocols(const std::string& location, const ArchiveProtocolOptions& options, Streams& io) {
  return withArchive(location, false, io, [&](archive::Archive& archive) {
    if (options.filterObject && !archive.object(*options.filterObject)) {
      io.err.write("kvd: the archive has no object \"" + *options.filterObject + "\" (kvd archive objects lists them)\n");
      return kExitFailed;
    }
    const std::vector<archive::IssuedProtocol> all = archive::issuedProtocols(archive, options.filterObject);
    Json list = Json::array();
    std::string text;
    for (const archive::IssuedProtocol& p : all) {
      const bool changed = archive::protocolDataChanged(archive, p);
      if (options.json) {
        Json signers = Json::array();
        for (const archive::Signer& s : p.signers)
          signers.push_back({{"login", s.login}, {"name", s.name}, {"position", s.position}});
        list.push_back({{"number", p.number}, {"object", p.object}, {"issuedOn", p.issuedOn},
                        {"issuedAt", p.issuedAt}, {"issuedBy", p.issuedBy}, {"signers", signers},
                        {"status", p.status()}, {"replaces", p.replaces.empty() ? Json(nullptr) : Json(p.replaces)},
                        {"replacedBy", p.replacedBy.empty() ? Json(nullptr) : Json(p.replacedBy)},
                        {"dataChanged", changed}, {"records", p.records}, {"sha256", p.htmlSha256}});
        continue;
      }
      text += p.number + "  " + p.issuedOn + "  " + p.object + "  signed by " + signersText(p.signers) + "  " +
              statusText(p, changed) + "\n  SHA-256 " + p.htmlSha256 + "\n";
    }
    if (options.json) {
      io.out.write(jsonText(list));
    } else {
      io.out.write(all.empty() ? std::string("No protocols issued yet (kvd archive protocol issue --object NAME "
                                             "--signed-by LOGIN).\n")
                               : text);
    }
    return kExitOk;
  });
}

}  // namespace zel::cli
