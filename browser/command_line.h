// The browser's command line: its own path, then at most one measurement file.
//
// The shell passes GetCommandLineA() and the module file name from
// GetModuleFileNameA(NULL, ...) once at start-up.
#pragma once

#include <string>
#include <string_view>

namespace zel::browser {

struct BrowserCommandLine {
  // Where the viewer programs lie: the browser's directory, no trailing
  // backslash.
  std::string programDirectory;
  bool fileGiven = false;
  std::string fileName;  // whole, however long: the load decides about length
};

// The directory comes from a quoted program path that contains a backslash;
// otherwise (started by hand, or through a launcher that does not quote) from
// the module file name, and "." when neither names a directory.
// The file argument follows the program path after any blanks. In double
// quotes it runs to its closing quote, blanks included, so a file in a folder
// whose name has a blank opens; without quotes it ends at its first blank or
// quote. Anything after the first argument is ignored.
BrowserCommandLine parseCommandLine(std::string_view commandLine, std::string_view moduleFileName);

}  // namespace zel::browser
