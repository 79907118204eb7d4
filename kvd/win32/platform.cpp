// kvd's platform functions on Windows: the wide command line and file names,
// the console, and the names that narrow calls and the record browser take.
#include "kvd/io/platform.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <shellapi.h>

#include <algorithm>

#include "kvd/win32/wide_text.h"

namespace zel::cli::platform {

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

std::vector<FileName> expandWildcards(const std::string& argument) {
  if (argument.find_first_of("*?") == std::string::npos) return {FileName(argument)};
  const std::size_t slash = argument.find_last_of("\\/:");
  const std::string folder = slash == std::string::npos ? std::string() : argument.substr(0, slash + 1);
  const std::wstring wideFolder = wideFromUtf8(folder);
  std::vector<FileName> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(wideFromUtf8(argument).c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        names.emplace_back(folder + codePageFromWide(found.cFileName, CP_UTF8),
                           std::filesystem::path(wideFolder + found.cFileName));
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  if (names.empty()) return {FileName(argument)};
  std::sort(names.begin(), names.end(), [](const FileName& a, const FileName& b) { return a.text() < b.text(); });
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

std::string difFileName(const FileName& name) { return codePageFromWide(name.path().native(), CP_ACP); }

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

}  // namespace zel::cli::platform
