// kvd archive lab set and lab: the laboratory's details.
#include <nlohmann/json.hpp>

#include "kvd/commands/archive_commands.h"
#include "kvd/commands/archive_protocol_command.h"
#include "kvd/stats/stats_format.h"

namespace zel::cli {

namespace {

using Json = nlohmann::ordered_json;

// The details as `lab` shows them, by their option names: the text ones,
// then the coverage factor.
std::vector<std::pair<std::string, std::string>> fields(const archive::LabInfo& lab) {
  std::vector<std::pair<std::string, std::string>> out;
  auto option = [](std::string key) {
    for (char& c : key)
      if (c == '_') c = '-';
    return key;
  };
  for (const archive::LabTextField& f : archive::labTextFields()) out.emplace_back(option(f.key), lab.*f.info);
  char k[32];
  std::snprintf(k, sizeof k, "%.6g", lab.coverageFactor);
  out.emplace_back(option(archive::kLabCoverageKey), k);
  return out;
}

}  // namespace

int runArchiveLabSet(const std::string& location, const ArchiveLabOptions& options, Streams& io) {
  const std::string usage = archiveUsage("lab set");
  archive::LabChange change = options.change;
  const archive::LabChange& c = change;
  if (options.coverageFactor) {
    try {
      std::size_t used = 0;
      change.coverageFactor = std::stod(*options.coverageFactor, &used);
      if (used != options.coverageFactor->size()) throw std::invalid_argument("");
    } catch (const std::exception&) {
      return usageError(io, "--coverage-factor " + *options.coverageFactor + ": a number, e.g. 2", usage);
    }
  }
  if (!c.name && !c.address && !c.phone && !c.email && !c.accreditation && !c.accreditedUntil && !c.method &&
      !c.decisionRule && !c.coverageFactor && !c.numberFormat && !c.footer)
    return usageError(io, "nothing to set: give one of the lab's details", usage);
  return withArchive(location, true, io, [&](archive::Archive& archive) {
    archive::setLab(archive, change);
    io.out.write("Laboratory details set\n");
    return kExitOk;
  }, options.reason);
}

int runArchiveLab(const std::string& location, const ArchiveLabOptions& options, Streams& io) {
  return withArchive(location, false, io, [&](archive::Archive& archive) {
    const archive::LabInfo lab = archive::labInfo(archive);
    if (options.json) {
      Json out;
      for (const auto& [key, value] : fields(lab)) out[key] = value;
      out["coverage-factor"] = lab.coverageFactor;
      io.out.write(jsonText(out));
      return kExitOk;
    }
    std::string text;
    for (const auto& [key, value] : fields(lab)) text += key + ": " + value + "\n";
    if (lab.name.empty() || lab.accreditation.empty())
      text += "(a protocol is issued once the name and accreditation are set: kvd archive lab set)\n";
    io.out.write(text);
    return kExitOk;
  });
}

}  // namespace zel::cli
