// Whether a stream is a console, and a line read from it unseen, on Windows.
#include <io.h>

#include <iterator>
#include <string>

#include "kvd/io/platform.h"
#include "kvd/win32/wide_text.h"

namespace zel::cli::platform {

bool isTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

namespace {

HANDLE gInput = INVALID_HANDLE_VALUE;
DWORD gTypingMode = 0;

// Ctrl+C or the console closed while echo is off: the console's input as
// it was, then Windows' own handling (the program ends).
BOOL WINAPI restoreEcho(DWORD) {
  SetConsoleMode(gInput, gTypingMode);
  return FALSE;
}

}  // namespace

bool readHiddenLine(std::string_view prompt, std::string& line) {
  line.clear();
  gInput = GetStdHandle(STD_INPUT_HANDLE);
  if (gInput == INVALID_HANDLE_VALUE || !GetConsoleMode(gInput, &gTypingMode)) return false;
  SetConsoleCtrlHandler(restoreEcho, TRUE);
  SetConsoleMode(gInput, (gTypingMode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) | ENABLE_LINE_INPUT |
                             ENABLE_PROCESSED_INPUT);
  writeText(stderr, prompt);
  // The console's wide characters, so that a Cyrillic password arrives
  // whole whatever the console's code page.
  std::wstring typed;
  bool ended = false;
  for (;;) {
    wchar_t buffer[256];
    DWORD got = 0;
    if (!ReadConsoleW(gInput, buffer, static_cast<DWORD>(std::size(buffer)), &got, nullptr) || got == 0) {
      ended = true;
      break;
    }
    typed.append(buffer, got);
    if (typed.find(L'\n') != std::wstring::npos) break;
  }
  SetConsoleMode(gInput, gTypingMode);
  SetConsoleCtrlHandler(restoreEcho, FALSE);
  // The Enter was not echoed either.
  writeText(stderr, "\n");
  const std::size_t end = typed.find_first_of(L"\r\n");
  line = codePageFromWide(std::wstring_view(typed).substr(0, end == std::wstring::npos ? typed.size() : end), CP_UTF8);
  SecureZeroMemory(typed.data(), typed.size() * sizeof(wchar_t));
  return !ended;
}

}  // namespace zel::cli::platform
