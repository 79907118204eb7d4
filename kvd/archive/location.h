// What the archive needs of the platform: where the user's own archive is,
// and who and where an import is made.
#pragma once

#include <filesystem>
#include <string>

namespace zel::archive {

// $XDG_DATA_HOME/zelviewer/archive.sqlite (~/.local/share/… when unset) on
// Linux, %LOCALAPPDATA%\ZelViewer\archive.sqlite on Windows.
std::filesystem::path defaultArchivePath();
// The login name and the computer's name, UTF-8; "unknown" when the system
// does not say.
std::string userName();
std::string hostName();
// "user@host": who acts on the command line and in the personal kvd serve.
inline std::string userAtHost() { return userName() + "@" + hostName(); }
// The local time now, "YYYY-MM-DD hh:mm:ss".
std::string localTimeNow();

}  // namespace zel::archive
