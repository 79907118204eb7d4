// kvdw.exe: the companion's entry for Explorer's verbs on .kvd files. It is a
// GUI-subsystem program, so a double click in Explorer opens no console
// window that flashes and vanishes:
//
//   kvdw.exe xlsx FILE     writes FILE's records to <name>.xlsx beside it
//   kvdw.exe csv FILE      the same as CSV in the user's regional style
//   kvdw.exe report FILE   writes the report <name>.html beside it
//
// and then opens the result with the program associated with it. A failure
// is shown in a message box with kvd's own message, and nothing is opened.
#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "kvd/commands.h"
#include "kvd/platform.h"
#include "kvd/text_sink.h"

namespace {

constexpr wchar_t kCaption[] = L"ZelViewer";

std::wstring wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

void showError(const std::string& text) { MessageBoxW(nullptr, wide(text).c_str(), kCaption, MB_OK | MB_ICONERROR); }

// FILE with its extension replaced: "D:\a\house.kvd" gives "D:\a\house.xlsx".
std::string beside(const std::string& file, const char* extension) {
  const std::size_t slash = file.find_last_of("\\/");
  const std::size_t dot = file.rfind('.');
  const std::string stem = dot != std::string::npos && (slash == std::string::npos || dot > slash) ? file.substr(0, dot)
                                                                                                   : file;
  return stem + "." + extension;
}

int runVerb(const std::vector<std::string>& arguments) {
  static constexpr char kUsage[] = "usage: kvdw xlsx|csv|report FILE";
  if (arguments.size() != 2) {
    showError(kUsage);
    return zel::cli::kExitUsage;
  }
  const std::string& verb = arguments[0];
  const std::string& file = arguments[1];
  std::vector<std::string> command;
  std::string output;
  if (verb == "xlsx" || verb == "csv") {
    output = beside(file, verb.c_str());
    command = {"export", file, "-o", output};
  } else if (verb == "report") {
    output = beside(file, "html");
    command = {"report", file, "-o", output};
  } else {
    showError(kUsage);
    return zel::cli::kExitUsage;
  }

  zel::cli::StringSink out;
  zel::cli::StringSink err;
  zel::cli::Streams io{out, err};
  int code;
  try {
    code = zel::cli::run(command, io);
  } catch (const std::exception& e) {
    err.write(std::string("kvd: ") + e.what() + "\n");
    code = zel::cli::kExitFailed;
  }
  if (code != zel::cli::kExitOk) {
    showError(err.text().empty() ? "kvd: " + output + " could not be written" : err.text());
    return code;
  }
  const auto opened = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", wide(output).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (opened <= 32) showError("kvd: " + output + " was written, but no program to open it was found");
  return zel::cli::kExitOk;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  return runVerb(zel::cli::platform::utf8Arguments(__argc, __argv));
}
