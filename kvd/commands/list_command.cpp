// kvd list: the records as the record browser lists them, one line each,
// under the file's name and record count.
#include <string>

#include "kvd/commands/commands.h"
#include "kvd/io/input.h"
#include "kvd/commands/list_lines.h"

namespace zel::cli {

int runList(const ListOptions& options, Streams& io) {
  Diagnostics diagnostics(io.err);
  RecordFile file;
  MeasurementRecord record;
  bool firstBlock = true;
  for (const FileName& name : expandFileArguments(options.files)) {
    if (!file.open(name, diagnostics)) continue;
    const std::uint64_t count = file.recordCount();
    std::string block = firstBlock ? "" : "\n";
    firstBlock = false;
    block += name.text() + ": " + std::to_string(count) + (count == 1 ? " record\n" : " records\n");
    block += listHeading();
    io.out.write(block);
    while (file.next(record)) io.out.write(listLine(record, options.pci) + '\n');
    file.finish(diagnostics);
  }
  io.out.flush();
  return diagnostics.anyFailed() ? kExitFailed : kExitOk;
}

}  // namespace zel::cli
