#include "kvd/platform.h"

#include <algorithm>
#include <csignal>
#include <cstring>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <shellapi.h>
#else
#include <unistd.h>
#endif

namespace zel::cli::platform {

#ifdef _WIN32

namespace {

std::wstring wideFromUtf8(std::string_view text) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

std::string codePageFromWide(std::wstring_view text, UINT codePage) {
  if (text.empty()) return {};
  const int n =
      WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

// One plain ASCII character of a regional setting, or the fallback.
char regionalCharacter(LCTYPE type, char fallback) {
  char value[8] = {};
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, type, value, sizeof value) != 2) return fallback;
  const unsigned char c = static_cast<unsigned char>(value[0]);
  if (c < 0x20 || c >= 0x7F || c == '"') return fallback;
  return value[0];
}

}  // namespace

std::vector<std::string> utf8Arguments(int, char**) {
  std::vector<std::string> out;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return out;
  for (int i = 1; i < count; ++i) out.push_back(codePageFromWide(wide[i], CP_UTF8));
  LocalFree(wide);
  return out;
}

std::filesystem::path pathFromUtf8(const std::string& name) { return std::filesystem::path(wideFromUtf8(name)); }

std::string utf8FromPath(const std::filesystem::path& path) { return codePageFromWide(path.native(), CP_UTF8); }

std::vector<std::string> expandWildcards(const std::string& argument) {
  if (argument.find_first_of("*?") == std::string::npos) return {argument};
  const std::size_t slash = argument.find_last_of("\\/:");
  const std::string folder = slash == std::string::npos ? std::string() : argument.substr(0, slash + 1);
  std::vector<std::string> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(wideFromUtf8(argument).c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        names.push_back(folder + codePageFromWide(found.cFileName, CP_UTF8));
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  if (names.empty()) return {argument};
  std::sort(names.begin(), names.end());
  return names;
}

void writeText(std::FILE* stream, std::string_view utf8) {
  HANDLE handle = GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) {
    std::fflush(stream);
    const std::wstring wide = wideFromUtf8(utf8);
    DWORD written = 0;
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  std::fwrite(utf8.data(), 1, utf8.size(), stream);
}

CsvStyle defaultCsvStyle() {
  return {regionalCharacter(LOCALE_SLIST, ','), regionalCharacter(LOCALE_SDECIMAL, '.'), true, true};
}

std::string difFileName(const std::string& utf8Name) { return codePageFromWide(wideFromUtf8(utf8Name), CP_ACP); }

std::FILE* createFile(const std::filesystem::path& path) { return _wfopen(path.c_str(), L"wb"); }

std::string pathForNarrowCalls(const std::filesystem::path& path) {
  const std::wstring full = path.native();
  const DWORD n = GetShortPathNameW(full.c_str(), nullptr, 0);
  if (n > 0) {
    std::wstring shortPath(n, L'\0');
    const DWORD written = GetShortPathNameW(full.c_str(), shortPath.data(), n);
    shortPath.resize(written);
    if (written > 0 && std::all_of(shortPath.begin(), shortPath.end(), [](wchar_t c) { return c > 0 && c < 0x80; }))
      return codePageFromWide(shortPath, CP_UTF8);
  }
  return utf8FromPath(path);
}

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

#else

std::vector<std::string> utf8Arguments(int argc, char** argv) {
  std::vector<std::string> out;
  for (int i = 1; i < argc; ++i) out.emplace_back(argv[i]);
  return out;
}

std::filesystem::path pathFromUtf8(const std::string& name) { return std::filesystem::path(name); }

std::string utf8FromPath(const std::filesystem::path& path) { return path.string(); }

std::vector<std::string> expandWildcards(const std::string& argument) { return {argument}; }

void writeText(std::FILE* stream, std::string_view utf8) { std::fwrite(utf8.data(), 1, utf8.size(), stream); }

CsvStyle defaultCsvStyle() { return {',', '.', false, false}; }

std::string difFileName(const std::string& utf8Name) { return utf8Name; }

std::FILE* createFile(const std::filesystem::path& path) { return std::fopen(path.c_str(), "wb"); }

std::string pathForNarrowCalls(const std::filesystem::path& path) { return path.native(); }

namespace {

char gTemporary[8192];
volatile std::sig_atomic_t gArmed = 0;

// Only async-signal-safe calls: unlink the file, then die of the signal as
// the default action would.
extern "C" void removeTemporary(int signal) {
  if (gArmed != 0) ::unlink(gTemporary);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

}  // namespace

void setInterruptCleanup(const std::filesystem::path& temporary) {
  static const bool installed = [] {
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) std::signal(s, removeTemporary);
    return true;
  }();
  (void)installed;
  gArmed = 0;
  const std::string& name = temporary.native();
  if (name.size() >= sizeof gTemporary) return;
  std::memcpy(gTemporary, name.c_str(), name.size() + 1);
  gArmed = 1;
}

void clearInterruptCleanup() { gArmed = 0; }

#endif

}  // namespace zel::cli::platform
