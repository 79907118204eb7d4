// Where Chromium-family browsers are on Windows: Edge and Chrome (and
// Chromium) in their Application folders under the program folders, for all
// users or for this user, then the paths that the registry's App Paths give
// for msedge.exe and chrome.exe, in either registry view.
#include <system_error>

#include "kvd/pdf/pdf_platform.h"
#include "kvd/win32/wide_text.h"

namespace zel::pdf::platform {

namespace {

namespace fs = std::filesystem;

std::wstring environmentValue(const wchar_t* name) {
  const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  const DWORD length = GetEnvironmentVariableW(name, value.data(), size);
  value.resize(length < size ? length : 0);
  return value;
}

bool isFile(const fs::path& file) {
  std::error_code ec;
  return fs::is_regular_file(file, ec);
}

// The default value of App Paths\<program> in HKLM or HKCU, 64- or 32-bit
// view; without the quotes that some installers put around it.
fs::path appPath(const wchar_t* program) {
  const std::wstring key = std::wstring(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\") + program;
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
      HKEY opened = nullptr;
      if (RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE | view, &opened) != ERROR_SUCCESS) continue;
      wchar_t value[MAX_PATH + 2] = {};
      DWORD bytes = sizeof value - sizeof(wchar_t);
      const LSTATUS status =
          RegGetValueW(opened, nullptr, nullptr, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ, nullptr, value, &bytes);
      RegCloseKey(opened);
      if (status != ERROR_SUCCESS) continue;
      std::wstring path = value;
      if (path.size() >= 2 && path.front() == L'"' && path.back() == L'"') path = path.substr(1, path.size() - 2);
      if (!path.empty() && isFile(path)) return path;
    }
  }
  return {};
}

}  // namespace

std::optional<fs::path> installedBrowser() {
  const wchar_t* const browsers[] = {L"Chromium\\Application\\chrome.exe", L"Microsoft\\Edge\\Application\\msedge.exe",
                                     L"Google\\Chrome\\Application\\chrome.exe"};
  const wchar_t* const roots[] = {L"ProgramFiles(x86)", L"ProgramFiles", L"ProgramW6432", L"LOCALAPPDATA"};
  for (const wchar_t* browser : browsers) {
    for (const wchar_t* root : roots) {
      const std::wstring folder = environmentValue(root);
      if (folder.empty()) continue;
      const fs::path candidate = fs::path(folder) / browser;
      if (isFile(candidate)) return candidate;
    }
  }
  for (const wchar_t* program : {L"msedge.exe", L"chrome.exe"}) {
    fs::path found = appPath(program);
    if (!found.empty()) return found;
  }
  return std::nullopt;
}

std::vector<std::string> browserArguments() { return {}; }

}  // namespace zel::pdf::platform
