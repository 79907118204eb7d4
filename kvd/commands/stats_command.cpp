// kvd stats: per measurement mode, the statistics of the record browser's
// values (see stats.h for what is computed and how undated records and the
// period are handled), as text or as JSON.
#include "kvd/commands/commands.h"
#include "kvd/io/input.h"
#include "kvd/stats/stats_format.h"

namespace zel::cli {

int runStats(const StatsOptions& options, Streams& io) {
  Diagnostics diagnostics(io.err);
  RecordStatistics statistics(options.period, options.modes);
  RecordFile file;
  MeasurementRecord record;
  bool anyFile = false;
  for (const FileName& name : expandFileArguments(options.files)) {
    if (!file.open(name, diagnostics)) continue;
    anyFile = true;
    while (file.next(record)) statistics.add(record);
    file.finish(diagnostics);
  }

  if (options.format == StatsFormat::Json) {
    nlohmann::ordered_json out = nlohmann::ordered_json::object();
    out["from"] = periodBoundJson(options.period.from);
    out["to"] = periodBoundJson(options.period.to);
    out["modes"] = statistics.modesJson(options.pci);
    io.out.write(jsonText(out));
  } else {
    std::string s = periodText(options.period);
    if (statistics.empty() && anyFile) s += "No records.\n";
    statistics.appendText(s, options.pci);
    io.out.write(s);
  }
  io.out.flush();
  return diagnostics.anyFailed() ? kExitFailed : kExitOk;
}

}  // namespace zel::cli
