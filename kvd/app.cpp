// kvd's command line, parsed with CLI11: the subcommands, their options and
// the usage errors (exit code 2, with a usage line).
#include <CLI/CLI.hpp>

#include <sstream>

#include "kvd/commands/archive_app.h"
#include "kvd/commands/commands.h"
#include "kvd/serve/serve_cli.h"

#ifndef ZEL_VERSION
#error "ZEL_VERSION comes from the CMake project version"
#endif

namespace zel::cli {

namespace {

constexpr const char* kUsage =
    "usage: kvd list FILE... | kvd show FILE[,INDEX]... | kvd export FILE... -o OUT | kvd stats FILE... | "
    "kvd report FILE... -o OUT.html | kvd render FILE,INDEX -o OUT.svg | kvd archive COMMAND ... | kvd serve (kvd --help, "
    "kvd COMMAND --help)";
constexpr const char* kListUsage = "usage: kvd list FILE... [--units pci]";
constexpr const char* kShowUsage = "usage: kvd show FILE[,INDEX]... [--units pci]";
constexpr const char* kStatsUsage =
    "usage: kvd stats FILE... [--from DATETIME] [--to DATETIME] [--mode CODE]... [--format text|json] [--units pci]";

std::string usageOf(const CLI::App* command) {
  if (command == nullptr) return kUsage;
  const std::string name = command->get_name();
  if (name == "list") return kListUsage;
  if (name == "show") return kShowUsage;
  if (name == "export") return kExportUsage;
  if (name == "stats") return kStatsUsage;
  if (name == "report") return kReportUsage;
  if (name == "render") return kRenderUsage;
  return kUsage;
}

void addUnits(CLI::App* command, std::string& units) {
  command->add_option("--units", units, "also give radon and thoron concentrations in pCi/L and EEC in WL")
      ->check(CLI::IsMember({"bq", "pci"}))
      ->type_name("pci");
}

}  // namespace

int usageError(Streams& io, const std::string& message, const std::string& usage) {
  io.err.write("kvd: " + message + "\n" + usage + "\n");
  io.err.flush();
  return kExitUsage;
}

int run(const std::vector<std::string>& arguments, Streams& io) {
  CLI::App app{"kvd: the records of radon and thoron radiometer measurement files (.kvd): list, show, export, "
               "statistics, report, and the lab's archive.",
               "kvd"};
  app.set_version_flag("--version", std::string("kvd ") + ZEL_VERSION);
  app.require_subcommand(1);

  std::string units = "bq";

  ListOptions list;
  CLI::App* listCommand = app.add_subcommand("list", "one line per record, as the record browser lists it");
  listCommand->add_option("FILE", list.files, "measurement files (.kvd)")->required();
  addUnits(listCommand, units);

  ShowOptions show;
  CLI::App* showCommand =
      app.add_subcommand("show", "every field and result of a record (FILE,INDEX) or of every record of a file");
  showCommand->add_option("FILE", show.arguments, "FILE or FILE,INDEX (0-based)")->required();
  addUnits(showCommand, units);

  ExportCommandOptions exportOptions;
  std::string format, csvStyle;
  CLI::App* exportCommand = app.add_subcommand("export", "the records of one or more files as XLSX, CSV, JSON or DIF");
  exportCommand->add_option("FILE", exportOptions.files, "measurement files (.kvd)")->required();
  exportCommand->add_option("-o,--output", exportOptions.output, "the file to write; its extension gives the format")
      ->required();
  exportCommand->add_option("--format", format, "xlsx, csv, json, jsonl or dif (instead of the extension)")
      ->check(CLI::IsMember({"xlsx", "csv", "json", "jsonl", "dif"}));
  exportCommand
      ->add_option("--csv-style", csvStyle,
                   "excel-ru: ';', decimal comma, BOM, CRLF; rfc4180: ',', decimal point, LF (default: " +
                       std::string(platform::defaultCsvStyleHelp()) + ")")
      ->check(CLI::IsMember({"excel-ru", "rfc4180"}));
  exportCommand->add_flag("--spectrum", exportOptions.spectrum, "add the 256 channel counts");
  addUnits(exportCommand, units);

  StatsOptions stats;
  std::string from, to, statsFormat = "text";
  CLI::App* statsCommand = app.add_subcommand("stats", "statistics of the values per measurement mode");
  statsCommand->add_option("FILE", stats.files, "measurement files (.kvd)")->required();
  statsCommand->add_option("--from", from, "first date and time: YYYY-MM-DD[Thh:mm[:ss]] or dd.mm.yyyy[ hh:mm[:ss]]");
  statsCommand->add_option("--to", to, "last date and time, the same forms; a date alone takes in its whole day");
  statsCommand->add_option("--mode", stats.modes, "only this mode code (repeatable)")
      ->allow_extra_args(false)
      ->check(CLI::Range(0, 65535));
  statsCommand->add_option("--format", statsFormat, "text or json")->check(CLI::IsMember({"text", "json"}));
  addUnits(statsCommand, units);

  ReportOptions report;
  std::string reportFrom, reportTo, language = "en";
  CLI::App* reportCommand = app.add_subcommand(
      "report", "one self-contained HTML report: charts, statistics, reference levels, records, result pages");
  reportCommand->add_option("FILE", report.files, "measurement files (.kvd)")->required();
  reportCommand->add_option("-o,--output", report.output, "the HTML file to write")->required();
  reportCommand->add_option("--title", report.title, "the report's title");
  reportCommand->add_option("--from", reportFrom, "first date and time, as for stats");
  reportCommand->add_option("--to", reportTo, "last date and time, as for stats");
  reportCommand->add_option("--norm", report.norms,
                            "a reference level (repeatable): nrb-new, nrb-existing, who, eu, epa, flux")
      ->allow_extra_args(false);
  reportCommand->add_option("--lang", language, "en or ru")->check(CLI::IsMember({"en", "ru"}));
  reportCommand->add_option("--pages", report.pages,
                            "result pages and spectra of the records: none, all, or indexes such as 0,3,10-12");
  addUnits(reportCommand, units);

  RenderOptions render;
  CLI::App* renderCommand = app.add_subcommand("render", "one record's result page, or its spectrum, as an SVG file");
  renderCommand->add_option("RECORD", render.argument, "the measurement file, a comma and the record index")
      ->required()
      ->type_name("FILE,INDEX");
  renderCommand->add_option("-o,--output", render.output, "the SVG file to write")->required();
  renderCommand->add_flag("--spectrum", render.spectrum, "the spectrum as the spectrum panel opens it");

  ArchiveCli archive(app);
  ServeCli serve(app);

  try {
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    io.out.write(app.help());
    io.out.flush();
    return kExitOk;
  } catch (const CLI::CallForAllHelp&) {
    io.out.write(app.help("", CLI::AppFormatMode::All));
    io.out.flush();
    return kExitOk;
  } catch (const CLI::CallForVersion& e) {
    io.out.write(std::string(e.what()) + "\n");
    io.out.flush();
    return kExitOk;
  } catch (const CLI::ParseError& e) {
    const std::vector<CLI::App*> chosen = app.get_subcommands();
    if (archive.parsed()) return usageError(io, e.what(), archive.usage());
    if (serve.parsed()) return usageError(io, e.what(), kServeUsage);
    return usageError(io, e.what(), usageOf(chosen.empty() ? nullptr : chosen.front()));
  }

  if (archive.parsed()) return archive.run(io);
  if (serve.parsed()) return serve.run(io);
  const bool pci = units == "pci";
  if (listCommand->parsed()) {
    list.pci = pci;
    return runList(list, io);
  }
  if (showCommand->parsed()) {
    show.pci = pci;
    return runShow(show, io);
  }
  if (exportCommand->parsed()) {
    exportOptions.pci = pci;
    if (format == "xlsx") exportOptions.format = ExportFormat::Xlsx;
    if (format == "csv") exportOptions.format = ExportFormat::Csv;
    if (format == "json") exportOptions.format = ExportFormat::Json;
    if (format == "jsonl") exportOptions.format = ExportFormat::JsonLines;
    if (format == "dif") exportOptions.format = ExportFormat::Dif;
    if (csvStyle == "excel-ru") exportOptions.csvStyle = platform::CsvStyle{';', ',', true, true};
    if (csvStyle == "rfc4180") exportOptions.csvStyle = platform::CsvStyle{',', '.', false, false};
    return runExport(exportOptions, io);
  }
  if (renderCommand->parsed()) return runRender(render, io);
  const bool reporting = reportCommand->parsed();
  const char* usage = reporting ? kReportUsage : kStatsUsage;
  Period& period = reporting ? report.period : stats.period;
  DateTime bound;
  const std::string& first = reporting ? reportFrom : from;
  const std::string& last = reporting ? reportTo : to;
  if (!first.empty()) {
    if (!parsePeriodBound(first, false, bound))
      return usageError(io, "--from " + first + ": not a date and time of the forms YYYY-MM-DD[Thh:mm[:ss]] or "
                                                "dd.mm.yyyy[ hh:mm[:ss]]", usage);
    period.from = bound;
  }
  if (!last.empty()) {
    if (!parsePeriodBound(last, true, bound))
      return usageError(io, "--to " + last + ": not a date and time of the forms YYYY-MM-DD[Thh:mm[:ss]] or "
                                             "dd.mm.yyyy[ hh:mm[:ss]]", usage);
    period.to = bound;
  }
  if (period.from && period.to && *period.to < *period.from) return usageError(io, "--to lies before --from", usage);
  if (reporting) {
    report.pci = pci;
    report.russian = language == "ru";
    return runReport(report, io);
  }
  stats.pci = pci;
  stats.format = statsFormat == "json" ? StatsFormat::Json : StatsFormat::Text;
  return runStats(stats, io);
}

}  // namespace zel::cli
