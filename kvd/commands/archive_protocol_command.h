// kvd archive lab set|lab, protocol draft|issue|show, protocols: the lab's
// details, and the protocols it issues (kvd/archive/protocols.h).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "kvd/archive/lab.h"
#include "kvd/commands/commands.h"

namespace zel::cli {

struct ArchiveLabOptions {
  archive::LabChange change;
  std::optional<std::string> coverageFactor;  // as given, checked when set
  bool json = false;
  std::string reason;
};

struct ArchiveProtocolOptions {
  std::string object;
  std::string output;  // .html, or .pdf printed by a browser
  std::vector<std::string> norms;
  std::vector<std::string> signers;
  std::string replaces;
  std::string reason;
  bool acceptUnverified = false;
  std::string number;   // show
  std::string browser;  // the browser that prints a PDF, when not the one found
  std::optional<std::string> filterObject;  // protocols --object
  bool json = false;
};

int runArchiveLabSet(const std::string& location, const ArchiveLabOptions& options, Streams& io);
int runArchiveLab(const std::string& location, const ArchiveLabOptions& options, Streams& io);
int runArchiveProtocolDraft(const std::string& location, const ArchiveProtocolOptions& options, bool russian,
                            Streams& io);
int runArchiveProtocolIssue(const std::string& location, const ArchiveProtocolOptions& options, bool russian,
                            Streams& io);
int runArchiveProtocolShow(const std::string& location, const ArchiveProtocolOptions& options, Streams& io);
int runArchiveProtocols(const std::string& location, const ArchiveProtocolOptions& options, Streams& io);

}  // namespace zel::cli
