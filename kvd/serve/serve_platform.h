// What kvd serve needs of the platform (kvd/serve/linux, kvd/serve/win32):
// secrets from its random source, the desktop's browser, the stop signals,
// and a file that only the user can read.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>

namespace zel::serve {

// `bytes` random bytes from the platform's random source, as lower-case hex.
std::string randomHex(std::size_t bytes);
// Opens the address in the desktop's browser; false when it could not be
// started (the address is printed anyway).
bool openInBrowser(const std::string& url);
// Calls `onStop` once, from a thread of its own, on Ctrl+C or SIGTERM (the
// console's close on Windows). Call before any other thread starts.
void onStopSignal(std::function<void()> onStop);
// Writes `text` to `file` readable and writable by the user alone.
bool writePrivateFile(const std::filesystem::path& file, const std::string& text);

}  // namespace zel::serve
