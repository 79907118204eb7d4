// What the parts of kvd archive's command line share: the options of every
// command, filled while parsing, and the ways options are added.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "kvd/commands/archive_app.h"
#include "kvd/commands/archive_check_command.h"
#include "kvd/commands/archive_commands.h"
#include "kvd/commands/archive_log_command.h"
#include "kvd/commands/archive_protocol_command.h"
#include "kvd/commands/archive_user_command.h"

namespace zel::cli {

inline void addText(CLI::App* command, const std::string& name, std::optional<std::string>& target,
             const std::string& help) {
  command->add_option_function<std::string>(name, [&target](const std::string& v) { target = v; }, help)
      ->type_name("TEXT");
}

inline void addFormat(CLI::App* command, bool& json) {
  command->add_option_function<std::string>("--format", [&json](const std::string& v) { json = v == "json"; },
                                            "text or json")
      ->check(CLI::IsMember({"text", "json"}));
}

// Every command that changes the archive may say why.
inline void addReason(CLI::App* command, std::string& reason) {
  command->add_option("--reason", reason, "why, for the audit trail")->type_name("TEXT");
}

struct ArchiveCli::State {
  CLI::App* archive = nullptr;
  std::string location;
  ArchiveImportOptions import;
  ArchiveWhereOptions where;
  ArchiveObjectOptions object;
  ArchiveAssignOptions assign;
  ArchiveDeviceOptions device;
  ArchiveReadOptions read;
  ArchiveReportOptions report;
  ArchiveLogOptions log;
  ArchiveUserOptions user;
  ArchiveCheckOptions check;
  ArchiveLabOptions lab;
  ArchiveProtocolOptions protocol;
  std::string language = "en";
  std::vector<std::pair<CLI::App*, std::function<int(Streams&)>>> commands;

  // A subcommand and what runs when it is chosen.
  CLI::App* add(CLI::App* parent, const std::string& name, const std::string& help,
                std::function<int(const std::string&, Streams&)> runner) {
    CLI::App* command = parent->add_subcommand(name, help);
    commands.emplace_back(command, [this, runner](Streams& io) { return runner(location, io); });
    return command;
  }
};

}  // namespace zel::cli
