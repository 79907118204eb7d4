#include "kvd/pdf/print_pdf.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

#include "kvd/io/output_file.h"
#include "kvd/io/platform.h"
#include "kvd/pdf/pdf_platform.h"

namespace zel::pdf {

namespace {

namespace fs = std::filesystem;

// The folder that holds the page, the browser's profile and its PDF, removed
// with everything in it when the print is over, whether it worked or not.
class PrintFolder {
 public:
  PrintFolder() : path_(platform::makePrivateFolder()) {}
  PrintFolder(const PrintFolder&) = delete;
  PrintFolder& operator=(const PrintFolder&) = delete;
  ~PrintFolder() {
    std::error_code ec;
    if (path_) fs::remove_all(*path_, ec);
  }
  const std::optional<fs::path>& path() const { return path_; }

 private:
  std::optional<fs::path> path_;
};

// A file: URL of an absolute path, every byte outside the unreserved
// characters and the separators percent-encoded (a space, '#', '%', and
// each byte of a non-ASCII name in UTF-8).
std::string fileUrl(const fs::path& file) {
  const std::u8string generic = file.generic_u8string();
  std::string url = generic.starts_with(u8'/') ? "file://" : "file:///";
  static const char digits[] = "0123456789ABCDEF";
  for (char8_t c8 : generic) {
    const unsigned char c = static_cast<unsigned char>(c8);
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                       c == '.' || c == '_' || c == '~' || c == '/' || c == ':';
    if (plain) {
      url += static_cast<char>(c);
    } else {
      url += '%';
      url += digits[c >> 4];
      url += digits[c & 15];
    }
  }
  return url;
}

bool writeWhole(const fs::path& file, std::string_view bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return static_cast<bool>(out);
}

// The browser's PDF; empty when it wrote none or something that is no PDF.
std::string readPdf(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return {};
  std::ostringstream bytes;
  bytes << in.rdbuf();
  std::string pdf = std::move(bytes).str();
  return pdf.starts_with("%PDF-") ? pdf : std::string();
}

std::vector<std::string> browserArguments(const fs::path& folder, const fs::path& page, const fs::path& pdf) {
  std::vector<std::string> arguments = {"--headless",
                                        "--disable-gpu",
                                        "--no-first-run",
                                        "--no-default-browser-check",
                                        "--disable-extensions",
                                        "--user-data-dir=" + cli::platform::utf8FromPath(folder / "profile"),
                                        "--no-pdf-header-footer",
                                        "--print-to-pdf=" + cli::platform::utf8FromPath(pdf)};
  for (std::string& argument : platform::browserArguments()) arguments.push_back(std::move(argument));
  arguments.push_back(fileUrl(page));
  return arguments;
}

// Runs the browser on the page in `folder`; the PDF's bytes, or empty with
// `why`.
std::string runBrowser(const fs::path& browser, const fs::path& folder, std::chrono::seconds limit, std::string& why) {
  const fs::path pdf = folder / "page.pdf";
  const platform::RunResult run =
      platform::runBounded(browser, browserArguments(folder, folder / "page.html", pdf), limit);
  switch (run.end) {
    case platform::RunEnd::NotStarted:
      why = "the browser " + cli::platform::utf8FromPath(browser) + " could not be started";
      return {};
    case platform::RunEnd::TimedOut:
      why = "the browser took longer than " + std::to_string(limit.count()) + " seconds to print and was stopped";
      return {};
    case platform::RunEnd::Exited:
      break;
  }
  if (run.exitCode != 0) {
    why = "the browser stopped with an error and printed nothing";
    return {};
  }
  std::string bytes = readPdf(pdf);
  if (bytes.empty()) why = "the browser wrote no PDF";
  return bytes;
}

}  // namespace

std::optional<fs::path> findBrowser(const std::string& named, std::string& why) {
  if (named.empty()) {
    std::optional<fs::path> found = platform::installedBrowser();
    if (!found)
      why = "no Chromium, Edge or Chrome was found: install chromium, or name the browser with --browser PATH";
    return found;
  }
  const fs::path path = cli::platform::pathFromUtf8(named);
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (!fs::exists(status)) {
    why = "the browser " + named + " does not exist";
    return std::nullopt;
  }
  if (!fs::is_regular_file(status)) {
    why = "the browser " + named + " is not a file";
    return std::nullopt;
  }
  return path;
}

bool printPdf(const fs::path& browser, std::string_view html, const fs::path& target, std::string& why,
              std::chrono::seconds limit) {
  const std::string name = cli::platform::utf8FromPath(target);
  const fs::path parent = target.parent_path();
  std::error_code ec;
  if (!parent.empty() && !fs::is_directory(parent, ec)) {
    why = "the folder of " + name + " does not exist";
    return false;
  }
  // The target's temporary file comes first: a target that cannot be
  // written is told before the browser has worked for nothing.
  cli::OutputFile output;
  std::string reason;
  if (!output.create(target, reason)) {
    why = name + " " + reason;
    return false;
  }
  const PrintFolder folder;
  if (!folder.path()) {
    why = "no temporary folder could be made to print in";
    return false;
  }
  if (!writeWhole(*folder.path() / "page.html", html)) {
    why = "the page could not be written to a temporary folder to print it";
    return false;
  }
  const std::string pdf = runBrowser(browser, *folder.path(), limit, why);
  if (pdf.empty()) return false;
  const bool written = std::fwrite(pdf.data(), 1, pdf.size(), output.stream()) == pdf.size();
  if (!written || !output.commit(reason)) {
    why = name + " " + (written ? reason : std::string("cannot be written"));
    return false;
  }
  return true;
}

}  // namespace zel::pdf
