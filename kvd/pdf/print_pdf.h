// A self-contained HTML page printed to PDF by a headless browser of the
// Chromium family (Chromium, Edge, Chrome), which lays out CSS paged media:
// the page's @page rules set the paper size, the margins and the texts in
// the margin boxes, such as a page's number and the count of pages.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zel::pdf {

// How long a print may take before the browser is stopped.
inline constexpr std::chrono::seconds kPrintTimeLimit{120};

// The browser to print with: `named` (UTF-8) when given, which must exist
// and be a file; else the first Chromium-family browser found where this
// platform installs one. Empty, with `why` saying so, when there is none.
std::optional<std::filesystem::path> findBrowser(const std::string& named, std::string& why);

// Prints `html`, a complete page that needs nothing outside itself, to a
// PDF at `target`, replacing a file of that name. The target is written
// whole or not at all. False with `why`, an English sentence, when the
// target's folder is missing or cannot be written, or when the browser
// fails, writes no PDF or takes longer than `limit` (it is then stopped).
bool printPdf(const std::filesystem::path& browser, std::string_view html, const std::filesystem::path& target,
              std::string& why, std::chrono::seconds limit = kPrintTimeLimit);

}  // namespace zel::pdf
