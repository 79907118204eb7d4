// kvdw.exe: the companion's entry for Explorer's verbs on .kvd files. It is a
// GUI-subsystem program, so a double click in Explorer opens no console
// window that flashes and vanishes:
//
//   kvdw.exe xlsx FILE     writes FILE's records to <name>.xlsx beside it
//   kvdw.exe csv FILE      the same as CSV in the user's regional style
//   kvdw.exe report FILE   writes the report <name>.html beside it
//   kvdw.exe archive FILE  adds FILE's records to the lab's archive
//   kvdw.exe serve [OPTIONS]  the archive's web application in the browser,
//                          with kvd serve's options (--listen: the lab's server)
//
// and then opens the result with the program associated with it; the
// archive verb opens nothing and says in a message box what was added; the
// serve verb runs kvd serve, which opens the browser itself, for as long as
// it runs (the Start menu's "ZelViewer Archive"). A failure is shown in a
// message box with kvd's own message, and nothing is opened.
#include <windows.h>

#include <shellapi.h>

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "kvd/commands/commands.h"
#include "kvd/io/platform.h"
#include "kvd/io/text_sink.h"
#include "kvd/win32/wide_text.h"

namespace {

constexpr wchar_t kCaption[] = L"ZelViewer";

using zel::cli::platform::wideFromUtf8;

void showError(const std::string& text) {
  MessageBoxW(nullptr, wideFromUtf8(text).c_str(), kCaption, MB_OK | MB_ICONERROR);
}
void showInformation(const std::string& text) {
  MessageBoxW(nullptr, wideFromUtf8(text).c_str(), kCaption, MB_OK | MB_ICONINFORMATION);
}

std::string baseName(const std::string& file) {
  const std::size_t slash = file.find_last_of("\\/");
  return slash == std::string::npos ? file : file.substr(slash + 1);
}

// FILE with its extension replaced: "D:\a\house.kvd" gives "D:\a\house.xlsx".
std::string beside(const std::string& file, const char* extension) {
  const std::size_t slash = file.find_last_of("\\/");
  const std::size_t dot = file.rfind('.');
  const std::string stem = dot != std::string::npos && (slash == std::string::npos || dot > slash) ? file.substr(0, dot)
                                                                                                   : file;
  return stem + "." + extension;
}

// Runs one kvd command as the console program would; kvd's own error text,
// or that of an exception it let through, is left in err.
int runKvd(const std::vector<std::string>& command, zel::cli::TextSink& out, zel::cli::TextSink& err) {
  zel::cli::Streams io{out, err};
  try {
    return zel::cli::run(command, io);
  } catch (const std::exception& e) {
    err.write(std::string("kvd: ") + e.what() + "\n");
    return zel::cli::kExitFailed;
  }
}

// What an import of one file into the archive added, from kvd's JSON
// summary: "house.kvd: 27 records added to the archive, 3 of them already
// there."
std::string importSummary(const std::string& json) {
  const nlohmann::json summary = nlohmann::json::parse(json);
  const nlohmann::json& file = summary.at("files").at(0);
  const std::string name = baseName(file.at("file").get<std::string>());
  // A file of the same contents imported before adds no record; its
  // records are counted all the same, so kvd's own word tells it apart.
  if (file.value("already_imported", false)) return name + ": already imported (same contents), nothing added";
  const auto records = file.at("records").get<std::uint64_t>();
  const auto known = file.at("known").get<std::uint64_t>();
  const auto partial = file.at("partial").get<std::uint64_t>();
  std::string text = name + ": " + std::to_string(records) + (records == 1 ? " record" : " records") +
                     " added to the archive";
  if (known == records && records > 0)
    text += records == 1 ? ", it was already there" : ", all of them already there";
  else if (known > 0)
    text += ", " + std::to_string(known) + " of them already there";
  text += ".";
  if (partial > 0)
    text += "\nThe last " + std::to_string(partial) + " bytes of the file are not a whole record and were left out.";
  return text;
}

int runArchive(const std::string& file) {
  zel::cli::StringSink out;
  zel::cli::StringSink err;
  const int code = runKvd({"archive", "import", file, "--format", "json"}, out, err);
  if (code != zel::cli::kExitOk) {
    showError(err.text().empty() ? "kvd: " + file + " could not be added to the archive" : err.text());
    return code;
  }
  try {
    showInformation(importSummary(out.text()));
  } catch (const nlohmann::json::exception&) {
    showInformation(baseName(file) + ": added to the archive.");
  }
  return zel::cli::kExitOk;
}

// The last of what a long-running command said: a server that runs all day
// may write a line for every request, and only its last words (why it
// stopped, or could not start) are shown.
class LastWordsSink : public zel::cli::TextSink {
 public:
  void write(std::string_view text) override {
    text_.append(text);
    if (text_.size() > 2 * kKept) {
      const std::size_t line = text_.find('\n', text_.size() - kKept);
      text_.erase(0, line == std::string::npos ? text_.size() - kKept : line + 1);
    }
  }
  const std::string& text() const { return text_; }

 private:
  static constexpr std::size_t kKept = 4096;
  std::string text_;
};

// kvd serve as the console program runs it, with the options given after
// the verb; nothing to open afterwards: the server opens the browser, or the
// running one does, unless --no-open.
int runServe(const std::vector<std::string>& command) {
  LastWordsSink out;
  LastWordsSink err;
  const int code = runKvd(command, out, err);
  if (code != zel::cli::kExitOk)
    showError(err.text().empty() ? std::string("kvd: the archive's web application could not be started") : err.text());
  return code;
}

int runVerb(const std::vector<std::string>& arguments) {
  static constexpr char kUsage[] = "usage: kvdw xlsx|csv|report|archive FILE | kvdw serve [OPTIONS]";
  if (!arguments.empty() && arguments[0] == "serve") return runServe(arguments);
  if (arguments.size() != 2) {
    showError(kUsage);
    return zel::cli::kExitUsage;
  }
  const std::string& verb = arguments[0];
  const std::string& file = arguments[1];
  if (verb == "archive") return runArchive(file);
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
  const int code = runKvd(command, out, err);
  if (code != zel::cli::kExitOk) {
    showError(err.text().empty() ? "kvd: " + output + " could not be written" : err.text());
    return code;
  }
  const auto opened = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", wideFromUtf8(output).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (opened <= 32) showError("kvd: " + output + " was written, but no program to open it was found");
  return zel::cli::kExitOk;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  return runVerb(zel::cli::platform::utf8Arguments(__argc, __argv));
}
