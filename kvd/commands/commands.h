// kvd's commands. Each takes its parsed options and the program's text
// streams and returns the exit code: 0 when everything went well, 1 when any
// file failed (each failure said on the error stream).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kvd/io/platform.h"
#include "kvd/stats/stats.h"
#include "kvd/io/text_sink.h"

namespace zel::report {
struct Norm;
}

namespace zel::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

struct Streams {
  TextSink& out;
  TextSink& err;
};

// A usage error found after the options were parsed: the message and the
// command's usage line go to the error stream; exit code 2.
int usageError(Streams& io, const std::string& message, const std::string& usage);

struct ListOptions {
  std::vector<std::string> files;
  bool pci = false;
};
int runList(const ListOptions& options, Streams& io);

// FILE[,INDEX]: the index after the last comma, as the viewer programs take
// it (digits only; none after the comma is record 0). When what follows the
// last comma is no number, the whole argument is the file name, so names
// with commas work.
struct ShowTarget {
  std::string file;
  bool allRecords = true;
  std::uint64_t index = 0;  // saturates: a huge index is past any end
};
ShowTarget parseShowArgument(const std::string& argument);

struct ShowOptions {
  std::vector<std::string> arguments;  // FILE or FILE,INDEX
  bool pci = false;
};
int runShow(const ShowOptions& options, Streams& io);

enum class ExportFormat { Xlsx, Csv, Json, JsonLines, Dif };

struct ExportCommandOptions {
  std::vector<std::string> files;
  std::string output;
  std::optional<ExportFormat> format;  // else from the output's extension
  std::optional<platform::CsvStyle> csvStyle;  // else the platform's default
  bool spectrum = false;
  bool pci = false;
};
int runExport(const ExportCommandOptions& options, Streams& io);
inline constexpr const char* kExportUsage =
    "usage: kvd export FILE... -o OUT [--format xlsx|csv|json|jsonl|dif] [--csv-style excel-ru|rfc4180] "
    "[--spectrum] [--units pci]";

enum class StatsFormat { Text, Json };

struct StatsOptions {
  std::vector<std::string> files;
  Period period;
  std::vector<std::uint32_t> modes;  // empty: all
  StatsFormat format = StatsFormat::Text;
  bool pci = false;
};
int runStats(const StatsOptions& options, Streams& io);

struct ReportOptions {
  std::vector<std::string> files;
  std::string output;
  std::string title;
  Period period;
  std::vector<std::string> norms;  // empty: the defaults
  bool pci = false;
  bool russian = false;
  std::string pages = "none";  // none, all, or indexes such as 0,3,10-12
};
int runReport(const ReportOptions& options, Streams& io);
// The reference levels of --norm NAME..., each once, in the order given;
// else why not (a name that is none of them).
std::string chooseNorms(const std::vector<std::string>& names, std::vector<const report::Norm*>& norms);
inline constexpr const char* kReportUsage =
    "usage: kvd report FILE... -o report.html [--title TEXT] [--from DATETIME] [--to DATETIME] [--norm NAME]... "
    "[--units bq|pci] [--lang en|ru] [--pages none|all|INDEX-LIST]";

struct RenderOptions {
  std::string argument;  // FILE,INDEX
  std::string output;
  bool spectrum = false;
};
int runRender(const RenderOptions& options, Streams& io);
inline constexpr const char* kRenderUsage = "usage: kvd render FILE,INDEX -o OUT.svg [--spectrum]";

// The whole program: parses the arguments (without the program name) and
// runs the command.
int run(const std::vector<std::string>& arguments, Streams& io);

}  // namespace zel::cli
