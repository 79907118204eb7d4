// What kvd export and kvd archive export share: the format an output's
// name asks for, and the row writer of a format into the output file being
// made.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "kvd/commands/commands.h"
#include "kvd/export/writers.h"
#include "kvd/io/output_file.h"

namespace zel::cli {

// By the name's extension, in any letter case; none for another one.
std::optional<ExportFormat> exportFormatOfName(const std::string& name);

// The writer of a table format (not the DIF) into `output`, through `sink`
// over its stream; XLSX closes that stream and writes the file by name.
std::unique_ptr<RowWriter> makeRowWriter(ExportFormat format, OutputFile& output, FileByteSink& sink,
                                         const std::optional<platform::CsvStyle>& csvStyle);

}  // namespace zel::cli
