#include "kvd/serve/protocol_answers.h"

#include <httplib.h>

#include <cstdio>
#include <fstream>
#include <mutex>
#include <sstream>

#include "kvd/pdf/pdf_platform.h"
#include "kvd/pdf/print_pdf.h"
#include "kvd/serve/http_error.h"
#include "kvd/serve/pages.h"

namespace zel::serve {

namespace {

namespace fs = std::filesystem;

std::optional<fs::path> serverBrowser() {
  std::string why;
  return pdf::findBrowser("", why);
}

// A folder that goes with its contents whatever happens.
struct PrivateFolder {
  std::optional<fs::path> path = pdf::platform::makePrivateFolder();
  ~PrivateFolder() {
    std::error_code ec;
    if (path) fs::remove_all(*path, ec);
  }
};

}  // namespace

std::string protocolFileName(const std::string& name, const char* extension) {
  std::string out = "protocol-";
  for (const char c : name) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
                       c == '_' || c == '-';
    out += plain ? c : '_';
  }
  return out + "." + extension;
}

void sendProtocolHtml(httplib::Response& response, const std::string& html, const std::string& fileName) {
  if (!fileName.empty()) response.set_header("Content-Disposition", "attachment; filename=\"" + fileName + "\"");
  // The protocol is made to open from a file as well: its style and script
  // are inline, and the object page shows it in a frame. Nothing else may
  // load in it.
  response.headers.erase("Content-Security-Policy");
  response.set_header("Content-Security-Policy",
                      "default-src 'none'; script-src 'unsafe-inline'; style-src 'unsafe-inline'; img-src data:; "
                      "frame-ancestors 'self'; base-uri 'none'; form-action 'none'");
  response.set_content(html, "text/html; charset=utf-8");
}

bool pdfAvailable() { return serverBrowser().has_value(); }

void sendProtocolPdf(httplib::Response& response, const std::string& html, const std::string& fileName,
                     const std::string& lang) {
  const auto refusal = [&lang](int status, const char* code) {
    return HttpError(status, pageTexts(lang).value(std::string("error_") + code, code), code);
  };
  const std::optional<fs::path> browser = serverBrowser();
  if (!browser) throw refusal(501, "pdf_unavailable");
  static std::mutex oneAtATime;
  const std::lock_guard lock(oneAtATime);
  const PrivateFolder folder;
  if (!folder.path) throw std::runtime_error("no temporary folder to print the protocol in");
  const fs::path target = *folder.path / "protocol.pdf";
  std::string why;
  if (!pdf::printPdf(*browser, html, target, why)) {
    std::fprintf(stderr, "kvd serve: the protocol's PDF: %s\n", why.c_str());
    throw refusal(500, "pdf_failed");
  }
  std::ifstream in(target, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  response.set_header("Content-Disposition", "attachment; filename=\"" + fileName + "\"");
  response.set_content(bytes.str(), "application/pdf");
}

}  // namespace zel::serve
