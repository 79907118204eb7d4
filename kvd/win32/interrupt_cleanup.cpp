// The half-written output removed on Ctrl+C, Ctrl+Break or a closed console
// window, on Windows.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstring>
#include <iterator>

#include "kvd/io/platform.h"

namespace zel::cli::platform {

namespace {

wchar_t gTemporary[32768];
volatile LONG gArmed = 0;

// Runs on a thread of its own when the console sends Ctrl+C, Ctrl+Break or
// close; the file is removed if nothing holds it open (best effort), and
// the default handler then ends the program.
BOOL WINAPI removeTemporary(DWORD) {
  if (gArmed != 0) DeleteFileW(gTemporary);
  return FALSE;
}

}  // namespace

void setInterruptCleanup(const std::filesystem::path& temporary) {
  static const bool installed = SetConsoleCtrlHandler(removeTemporary, TRUE) != 0;
  (void)installed;
  gArmed = 0;
  const std::wstring& name = temporary.native();
  if (name.size() >= std::size(gTemporary)) return;
  std::memcpy(gTemporary, name.c_str(), (name.size() + 1) * sizeof(wchar_t));
  gArmed = 1;
}

void clearInterruptCleanup() { gArmed = 0; }

}  // namespace zel::cli::platform
