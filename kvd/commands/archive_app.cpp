#include "kvd/commands/archive_app.h"

#include <CLI/CLI.hpp>

#include "kvd/commands/archive_check_command.h"
#include "kvd/commands/archive_cli_state.h"
#include "kvd/commands/archive_commands.h"
#include "kvd/commands/archive_log_command.h"
#include "kvd/commands/archive_user_command.h"

namespace zel::cli {

namespace {

constexpr const char* kSelectors =
    "[--object NAME] [--floor F] [--room R] [--point P] [--device N] [--from DATETIME] [--to DATETIME] "
    "[--mode CODE]... [--unassigned]";
constexpr const char* kPlacingSelectors =
    "(--device N --from DATETIME --to DATETIME | --file FILE [--index LIST] | --record ID...)";

void addUnits(CLI::App* command, bool& pci) {
  command->add_option_function<std::string>("--units", [&pci](const std::string& v) { pci = v == "pci"; },
                                            "also give radon and thoron concentrations in pCi/L and EEC in WL")
      ->check(CLI::IsMember({"bq", "pci"}))
      ->type_name("pci");
}

void addPeriod(CLI::App* command, ArchiveSelectors& s) {
  command->add_option("--from", s.from, "first date and time: YYYY-MM-DD[Thh:mm[:ss]] or dd.mm.yyyy[ hh:mm[:ss]]");
  command->add_option("--to", s.to, "last date and time, the same forms; a date alone takes in its whole day");
}

void addDevice(CLI::App* command, ArchiveSelectors& s) {
  command->add_option_function<std::uint32_t>("--device", [&s](const std::uint32_t& v) { s.device = v; },
                                              "the instrument's number")
      ->type_name("N");
}

void addObjectFields(CLI::App* command, archive::ObjectChange& change) {
  addText(command, "--address", change.address, "its address");
  addText(command, "--client", change.client, "who ordered the measurements");
  addText(command, "--notes", change.notes, "anything else");
  addText(command, "--kind", change.kind,
          "in-use (a dwelling or public building in use), new (being commissioned) or workplace: chooses the "
          "normative level of its protocol");
  command->get_option("--kind")->check(CLI::IsMember({"in-use", "new", "workplace"}))->type_name("KIND");
}

// The selectors of the reading commands.
void addReadSelectors(CLI::App* command, ArchiveSelectors& s) {
  addText(command, "--object", s.object, "records at the points of this object");
  addText(command, "--floor", s.floor, "records on this floor");
  addText(command, "--room", s.room, "records in this room");
  addText(command, "--point", s.point, "records at this point");
  addDevice(command, s);
  addPeriod(command, s);
  command->add_option("--mode", s.modes, "only this mode code (repeatable)")
      ->allow_extra_args(false)
      ->check(CLI::Range(0, 65535));
  command->add_flag("--unassigned", s.unassigned, "only records at no point yet");
}

// The selectors of assign and unassign: one way of choosing records.
void addPlacingSelectors(CLI::App* command, ArchiveSelectors& s) {
  addDevice(command, s);
  addPeriod(command, s);
  command->add_option("--file", s.file, "the records of a measurement file that was imported");
  command->add_option("--index", s.indexes, "with --file: record indexes in it, such as 0,3,10-12")
      ->type_name("LIST");
  command->add_option("--record", s.records, "these records, by their ids in the archive")->type_name("ID");
}

}  // namespace

std::string archiveUsage(const std::string& command) {
  const std::string selectors = kSelectors;
  const std::string placing = kPlacingSelectors;
  std::string line;
  if (command == "import") line = "kvd archive import FILE|FOLDER... [--format text|json] [--reason TEXT]";
  else if (command == "where") line = "kvd archive where RECORD_ID [--format text|json]";
  else if (command == "object add")
    line = "kvd archive object add NAME [--address TEXT] [--client TEXT] [--notes TEXT] [--kind in-use|new|workplace] "
           "[--reason TEXT]";
  else if (command == "object edit")
    line = "kvd archive object edit NAME [--name NEW] [--address TEXT] [--client TEXT] [--notes TEXT] "
           "[--kind in-use|new|workplace] [--reason TEXT]";
  else if (command == "object remove") line = "kvd archive object remove NAME [--unassign] [--reason TEXT]";
  else if (command == "object") line = "kvd archive object add|edit|remove NAME ...";
  else if (command == "objects") line = "kvd archive objects [--format text|json]";
  else if (command == "assign")
    line = "kvd archive assign OBJECT --room ROOM [--floor F] [--point P] " + placing +
           " [--move] [--reason TEXT] | kvd archive assign --plan plan.csv [--move] [--reason TEXT]";
  else if (command == "unassign") line = "kvd archive unassign " + placing + " [--reason TEXT]";
  else if (command == "device set")
    line = "kvd archive device set NUMBER [--model TEXT] [--type TEXT] [--serial TEXT] [--error TEXT] "
           "[--certificate TEXT] [--verified-from DATE] [--verified-until DATE] [--reason TEXT]";
  else if (command == "device") line = "kvd archive device set NUMBER ...";
  else if (command == "devices") line = "kvd archive devices [--format text|json]";
  else if (command == "list") line = "kvd archive list " + selectors + " [--units pci]";
  else if (command == "export")
    line = "kvd archive export -o OUT " + selectors +
           " [--format xlsx|csv|json|jsonl|kvd] [--csv-style excel-ru|rfc4180] [--spectrum] [--units pci]";
  else if (command == "stats")
    line = "kvd archive stats " + selectors + " [--by mode|point|room|object] [--format text|json] [--units pci]";
  else if (command == "report" || command == "protocol draft")
    line = "kvd archive " + command + " --object NAME -o protocol.html|protocol.pdf [--lang en|ru] [--norm NAME]... "
           "[--browser PATH]";
  else if (command == "protocol issue")
    line = "kvd archive protocol issue --object NAME --signed-by LOGIN... [--replaces NUMBER] [--accept-unverified] "
           "[--reason TEXT] [--lang en|ru] [--norm NAME]...";
  else if (command == "protocol show")
    line = "kvd archive protocol show NUMBER -o FILE.html|FILE.pdf [--browser PATH]";
  else if (command == "protocol") line = "kvd archive protocol draft|issue|show ...";
  else if (command == "protocols") line = "kvd archive protocols [--object NAME] [--format text|json]";
  else if (command == "lab set")
    line = "kvd archive lab set [--name TEXT] [--address TEXT] [--phone TEXT] [--email TEXT] [--accreditation TEXT] "
           "[--accredited-until DATE] [--method TEXT] [--decision-rule TEXT] [--coverage-factor K] "
           "[--number-format TEXT] [--footer TEXT] [--reason TEXT]";
  else if (command == "lab") line = "kvd archive lab [set ...] [--format text|json]";
  else if (command == "log")
    line = "kvd archive log [--object NAME] [--user LOGIN] [--since DATETIME] [--limit N] [--format text|json]";
  else if (command == "user add")
    line = "kvd archive user add LOGIN --role viewer|operator|approver|admin --name \"FULL NAME\" [--position TEXT] "
           "[--reason TEXT]";
  else if (command == "user passwd") line = "kvd archive user passwd LOGIN [--reason TEXT]";
  else if (command == "user set")
    line = "kvd archive user set LOGIN [--role viewer|operator|approver|admin] [--name \"FULL NAME\"] "
           "[--position TEXT] [--reason TEXT]";
  else if (command == "user disable") line = "kvd archive user disable LOGIN [--reason TEXT]";
  else if (command == "user enable") line = "kvd archive user enable LOGIN [--reason TEXT]";
  else if (command == "user") line = "kvd archive user add|passwd|set|disable|enable LOGIN ...";
  else if (command == "users") line = "kvd archive users [--format text|json]";
  else if (command == "check") line = "kvd archive check [--format text|json]";
  else if (command == "backup") line = "kvd archive backup -o FILE.sqlite";
  else if (command == "copy") line = "kvd archive copy --to FILE.sqlite|postgresql://...";
  else
    return "usage: kvd archive import|where|object|objects|assign|unassign|device|devices|list|export|stats|report|"
           "lab|protocol|protocols|log|user|users|check|backup|copy ... "
           "[--archive PATH|URI] (kvd archive --help, kvd archive COMMAND --help)";
  return "usage: " + line + " [--archive PATH|URI]";
}

ArchiveCli::ArchiveCli(CLI::App& app) : state_(std::make_unique<State>()) {
  State& s = *state_;
  s.archive = app.add_subcommand("archive", "the lab's archive: every record imported once, by object, floor, room "
                                            "and point (SQLite file or PostgreSQL server)");
  s.archive->require_subcommand(1);
  s.archive->fallthrough();
  s.archive->add_option("--archive", s.location,
                        "the archive: an SQLite file, or postgresql://user@host/db (default: KVD_ARCHIVE, else "
                        "the user's own)")
      ->type_name("PATH|URI");

  CLI::App* c = s.add(s.archive, "import", "measurement files, and folders searched for *.kvd, into the archive",
                      [&s](const std::string& l, Streams& io) { return runArchiveImport(l, s.import, io); });
  c->add_option("PATH", s.import.paths, "measurement files (.kvd) and folders")->required();
  addFormat(c, s.import.json);
  addReason(c, s.import.reason);

  c = s.add(s.archive, "where", "every file a record came in",
            [&s](const std::string& l, Streams& io) { return runArchiveWhere(l, s.where, io); });
  c->add_option("RECORD_ID", s.where.record, "the record's id in the archive")->required();
  addFormat(c, s.where.json);

  CLI::App* object = s.archive->add_subcommand("object", "add, change or remove an object (a building measured)");
  object->require_subcommand(1);
  c = s.add(object, "add", "a new object",
            [&s](const std::string& l, Streams& io) { return runArchiveObjectAdd(l, s.object, io); });
  c->add_option("NAME", s.object.name, "the object's name")->required();
  addObjectFields(c, s.object.change);
  addReason(c, s.object.reason);
  c = s.add(object, "edit", "change an object's name, address, client or notes",
            [&s](const std::string& l, Streams& io) { return runArchiveObjectEdit(l, s.object, io); });
  c->add_option("NAME", s.object.name, "the object's name now")->required();
  addText(c, "--name", s.object.change.name, "its new name");
  addObjectFields(c, s.object.change);
  addReason(c, s.object.reason);
  c = s.add(object, "remove", "remove an object and its points (refused while records are assigned to it)",
            [&s](const std::string& l, Streams& io) { return runArchiveObjectRemove(l, s.object, io); });
  c->add_option("NAME", s.object.name, "the object's name")->required();
  c->add_flag("--unassign", s.object.unassign, "take its records off its points first (they stay in the archive)");
  addReason(c, s.object.reason);
  c = s.add(s.archive, "objects", "the objects, their points and record counts",
            [&s](const std::string& l, Streams& io) { return runArchiveObjects(l, s.object, io); });
  addFormat(c, s.object.json);

  for (const bool assigning : {true, false}) {
    c = assigning ? s.add(s.archive, "assign", "put records at a point of an object, or follow a measurement plan",
                          [&s](const std::string& l, Streams& io) { return runArchiveAssign(l, s.assign, io); })
                  : s.add(s.archive, "unassign", "take records off their points",
                          [&s](const std::string& l, Streams& io) { return runArchiveUnassign(l, s.assign, io); });
    addPlacingSelectors(c, s.assign.selectors);
    addReason(c, s.assign.reason);
    if (!assigning) continue;
    c->add_option("OBJECT", s.assign.object, "the object");
    c->add_option("--room", s.assign.point.room, "the room of the point");
    c->add_option("--floor", s.assign.point.floor, "the floor");
    c->add_option("--point", s.assign.point.point, "the point's name in the room");
    c->add_option("--plan", s.assign.plan, "a measurement plan (CSV: object, address, floor, room, point, device, "
                                           "from, to)");
    c->add_flag("--move", s.assign.move, "take records from the point they are at now");
  }

  CLI::App* device = s.archive->add_subcommand("device", "an instrument's model, certificate and verification");
  device->require_subcommand(1);
  c = s.add(device, "set", "set what is known of an instrument (only the fields given change)",
            [&s](const std::string& l, Streams& io) { return runArchiveDeviceSet(l, s.device, io); });
  c->add_option("NUMBER", s.device.number, "the instrument's number")->required();
  addText(c, "--model", s.device.model, "its model");
  addText(c, "--type", s.device.type, "its type, as its papers name it");
  addText(c, "--serial", s.device.serial, "its serial number (empty: the device number)");
  addText(c, "--error", s.device.error, "its stated measurement error, e.g. \"±30 %\"");
  addText(c, "--certificate", s.device.certificate, "its verification certificate");
  addText(c, "--verified-from", s.device.verifiedFrom, "the verification's first day (empty clears it)");
  addText(c, "--verified-until", s.device.verifiedUntil, "its last day (empty clears it)");
  addReason(c, s.device.reason);
  c = s.add(s.archive, "devices", "the instruments known to the archive",
            [&s](const std::string& l, Streams& io) { return runArchiveDevices(l, s.device, io); });
  addFormat(c, s.device.json);

  c = s.add(s.archive, "list", "one line per selected record, as kvd list gives it, with its id and point",
            [&s](const std::string& l, Streams& io) { return runArchiveList(l, s.read, io); });
  addReadSelectors(c, s.read.selectors);
  addUnits(c, s.read.pci);

  c = s.add(s.archive, "export", "the selected records as XLSX, CSV, JSON, JSON Lines, or a new measurement file",
            [&s](const std::string& l, Streams& io) { return runArchiveExport(l, s.read, io); });
  addReadSelectors(c, s.read.selectors);
  c->add_option("-o,--output", s.read.output, "the file to write; its extension gives the format")->required();
  c->add_option("--format", s.read.format, "xlsx, csv, json, jsonl or kvd (instead of the extension)")
      ->check(CLI::IsMember({"xlsx", "csv", "json", "jsonl", "kvd"}));
  c->add_option("--csv-style", s.read.csvStyle, "excel-ru or rfc4180, as for kvd export")
      ->check(CLI::IsMember({"excel-ru", "rfc4180"}));
  c->add_flag("--spectrum", s.read.spectrum, "add the 256 channel counts");
  addUnits(c, s.read.pci);

  c = s.add(s.archive, "stats", "statistics of the selected records per mode, per group",
            [&s](const std::string& l, Streams& io) { return runArchiveStats(l, s.read, io); });
  addReadSelectors(c, s.read.selectors);
  c->add_option("--by", s.read.by, "mode (all records together), point, room or object")
      ->check(CLI::IsMember({"mode", "point", "room", "object"}));
  c->add_option("--format", s.read.format, "text or json")->check(CLI::IsMember({"text", "json"}));
  addUnits(c, s.read.pci);

  c = s.add(s.archive, "log", "the audit trail: every change, who made it, when (UTC), before and after, and why",
            [&s](const std::string& l, Streams& io) { return runArchiveLog(l, s.log, io); });
  addText(c, "--object", s.log.object, "only the entries of this object, its points and placements");
  addText(c, "--user", s.log.user, "only the changes of this login (user@host on the command line)");
  c->get_option("--user")->type_name("LOGIN");
  c->add_option("--since", s.log.since, "only entries from this UTC date and time on: YYYY-MM-DD[Thh:mm[:ss]] or "
                                        "dd.mm.yyyy[ hh:mm[:ss]]")
      ->type_name("DATETIME");
  c->add_option("--limit", s.log.limit, "only the last N entries")->type_name("N")->check(CLI::PositiveNumber);
  addFormat(c, s.log.json);
  addReport();
  addUsers();
  addChecks();
  addProtocols();
}

ArchiveCli::~ArchiveCli() = default;

void ArchiveCli::addReport() {
  State& s = *state_;
  CLI::App* c = s.add(s.archive, "report", "the draft protocol of an object (as protocol draft)", [&s](const std::string& l, Streams& io) {
    s.report.russian = s.language == "ru";
    return runArchiveReport(l, s.report, io);
  });
  c->add_option("--object", s.report.object, "the object")->required();
  c->add_option("-o,--output", s.report.output, "the HTML file to write")->required();
  c->add_option("--lang", s.language, "en or ru")->check(CLI::IsMember({"en", "ru"}));
  c->add_option("--norm", s.report.norms,
                "an information-only reference level (repeatable): who, eu, epa")
      ->allow_extra_args(false);
}

void ArchiveCli::addUsers() {
  State& s = *state_;
  ArchiveUserOptions& u = s.user;
  CLI::App* user = s.archive->add_subcommand("user", "add or change an account of the lab server");
  user->require_subcommand(1);
  // Every user command names its account and may give its reason.
  auto command = [&](const std::string& name, const std::string& help,
                     std::function<int(const std::string&, Streams&)> runner) {
    CLI::App* c = s.add(user, name, help, std::move(runner));
    c->add_option("LOGIN", u.login, "the account's login")->required();
    addReason(c, u.reason);
    return c;
  };
  // add: role and name required; set: only those given change.
  auto person = [&](CLI::App* c, bool required) {
    addText(c, "--role", u.role, "what the account may do: each role what the one before may, and more");
    addText(c, "--name", u.name, "the person's full name, as it signs");
    addText(c, "--position", u.position, "the person's position");
    c->get_option("--role")->required(required)->check(CLI::IsMember({"viewer", "operator", "approver", "admin"}));
    c->get_option("--name")->required(required);
  };
  person(command("add", "a new account; its password is asked for twice, or read from standard input",
                 [&s](const std::string& l, Streams& io) { return runArchiveUserAdd(l, s.user, io); }),
         true);
  person(command("set", "change an account's role, name or position (only the fields given)",
                 [&s](const std::string& l, Streams& io) { return runArchiveUserSet(l, s.user, io); }),
         false);
  command("passwd", "a new password for an account, asked for twice or read from standard input",
          [&s](const std::string& l, Streams& io) { return runArchiveUserPasswd(l, s.user, io); });
  command("disable", "the account may no longer sign in (it stays, as the audit trail names it)",
          [&s](const std::string& l, Streams& io) { return runArchiveUserActive(l, s.user, false, io); });
  command("enable", "the account may sign in again",
          [&s](const std::string& l, Streams& io) { return runArchiveUserActive(l, s.user, true, io); });
  CLI::App* c = s.add(s.archive, "users", "the accounts of the lab server: login, name, position, role, active, "
                                          "created",
                      [&s](const std::string& l, Streams& io) { return runArchiveUsers(l, s.user, io); });
  addFormat(c, u.json);
}

void ArchiveCli::addChecks() {
  State& s = *state_;
  CLI::App* c = s.add(s.archive, "check", "check the archive: its database, every record's bytes and columns, the "
                                          "audit trail's chain",
                      [&s](const std::string& l, Streams& io) { return runArchiveCheck(l, s.check, io); });
  addFormat(c, s.check.json);
  c = s.add(s.archive, "backup", "a consistent, checked copy of the archive in a new SQLite file, while it is in use",
            [&s](const std::string& l, Streams& io) { return runArchiveBackup(l, s.check, io); });
  c->add_option("-o,--output", s.check.output, "the new file (never one that exists)")->required();
  c = s.add(s.archive, "copy", "the whole archive into a new or empty one, SQLite or PostgreSQL, with its history",
            [&s](const std::string& l, Streams& io) { return runArchiveCopy(l, s.check, io); });
  c->add_option("--to", s.check.to, "an SQLite file, or postgresql://user@host/db")->required()->type_name("PATH|URI");
}

bool ArchiveCli::parsed() const { return state_->archive->parsed(); }

std::string ArchiveCli::usage() const {
  std::string name;
  const CLI::App* at = state_->archive;
  for (;;) {
    const std::vector<CLI::App*> chosen = at->get_subcommands();
    if (chosen.empty()) break;
    at = chosen.front();
    name += (name.empty() ? "" : " ") + at->get_name();
  }
  return archiveUsage(name);
}

int ArchiveCli::run(Streams& io) {
  // A subcommand comes after the command it belongs to (lab, lab set): the
  // last one parsed is the one chosen.
  for (auto it = state_->commands.rbegin(); it != state_->commands.rend(); ++it)
    if (it->first->parsed()) return it->second(io);
  return usageError(io, "give an archive command", archiveUsage(""));
}

}  // namespace zel::cli
