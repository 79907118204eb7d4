// kvd archive report, the older name of protocol draft: the protocol of an
// object as it stands, from what the archive holds of it.
#include <sstream>

#include "kvd/archive/location.h"
#include "kvd/archive/protocol.h"
#include "kvd/commands/archive_commands.h"
#include "kvd/commands/archive_protocol_command.h"
#include "kvd/io/output_file.h"
#include "kvd/io/platform.h"

namespace zel::cli {

namespace {

// Today as the protocol prints it: dd.mm.yyyy.
std::string today() {
  const std::string now = archive::localTimeNow();  // "YYYY-MM-DD hh:mm:ss"
  return now.size() < 10 ? now : now.substr(8, 2) + "." + now.substr(5, 2) + "." + now.substr(0, 4);
}

}  // namespace

std::string archiveProtocolHtml(archive::Archive& archive, const archive::ObjectInfo& object,
                                const std::vector<const report::Norm*>& norms, bool russian,
                                std::size_t* points, std::uint64_t* records) {
  archive::ProtocolInput input = archive::protocolInput(archive, object);
  input.norms = norms;
  input.language = russian ? report::Language::Ru : report::Language::En;
  input.issued = today();
  std::ostringstream html;
  writeProtocolHtml(html, input);
  if (points) *points = input.points.size();
  if (records) {
    *records = 0;
    for (const archive::ProtocolPoint& p : input.points) *records += p.records.size();
  }
  return html.str();
}

int runArchiveReport(const std::string& location, const ArchiveReportOptions& options, Streams& io) {
  ArchiveProtocolOptions draft;
  draft.object = options.object;
  draft.output = options.output;
  draft.norms = options.norms;
  return runArchiveProtocolDraft(location, draft, options.russian, io);
}

}  // namespace zel::cli
