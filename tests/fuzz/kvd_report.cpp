// kvd report of any file's bytes with any title, levels, pages and period:
// the HTML comes out the same twice; a title never reaches it unescaped; the
// data for tools parses as JSON and every verdict in it follows from its own
// value, error and level; every picture that opens also closes.
#include <fuzzer/FuzzedDataProvider.h>

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/record.h"
#include "support/fuzz_check.h"
#include "support/kvd_run.h"

namespace {

using zel::fuzz::fail;
using zel::fuzz::require;
using Json = nlohmann::json;

const char* const kNorms[] = {"nrb-new", "nrb-existing", "who", "eu", "epa", "flux"};
const char* const kPages[] = {"none", "all", "0", "0,2-3", "1-1", ""};
const char* const kNames[] = {"in.kvd", "a<b>&\"c'.kvd", "\xD0\xB4\xD0\xBE\xD0\xBC.kvd", "\xE0\xF2.kvd",
                              "<!--<script>.kvd"};

std::size_t occurrences(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

std::string verdictOf(double value, double error, double level) {
  if (value - error > level) return "above";
  if (value + error <= level) return "below";
  return "inconclusive";
}

void checkData(const std::string& html) {
  const std::string open = "<script type=\"application/json\" id=\"kvd-report-data\">";
  const std::size_t start = html.find(open);
  require(start != std::string::npos, "the report has no data for tools");
  const std::size_t end = html.find("</script>", start);
  require(end != std::string::npos, "the report's data is not closed");
  Json data;
  try {
    data = Json::parse(html.substr(start + open.size(), end - start - open.size()));
  } catch (const Json::exception& e) {
    fail(std::string("the report's data does not parse: ") + e.what());
  }
  require(data.at("statistics").is_array(), "the report's statistics");
  for (const Json& v : data.at("verdicts")) {
    if (!v.at("value").is_number() || !v.at("error").is_number()) continue;
    const std::string expected =
        verdictOf(v["value"].get<double>(), v["error"].get<double>(), v.at("level").get<double>());
    if (v.at("verdict") != expected) fail("the verdict of " + v.dump() + " should be " + expected);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  std::vector<std::string> options;
  const unsigned norms = in.ConsumeIntegral<std::uint8_t>();
  for (std::size_t n = 0; n < std::size(kNorms); ++n)
    if (norms & (1u << n)) options.insert(options.end(), {"--norm", kNorms[n]});
  if (in.ConsumeBool()) options.insert(options.end(), {"--lang", "ru"});
  if (in.ConsumeBool()) options.insert(options.end(), {"--units", "pci"});
  const int pages = in.ConsumeIntegralInRange<int>(0, std::size(kPages));
  options.insert(options.end(),
                 {"--pages", pages < static_cast<int>(std::size(kPages)) ? kPages[pages] : in.ConsumeRandomLengthString(12)});
  if (in.ConsumeBool()) options.insert(options.end(), {"--from", "2019-07-01 10:00"});
  if (in.ConsumeBool()) options.insert(options.end(), {"--to", "02.07.2019"});
  const std::string title = in.ConsumeRandomLengthString(40);
  if (!title.empty()) options.insert(options.end(), {"--title", title});
  const std::string name = kNames[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kNames) - 1)];
  const std::vector<std::uint8_t> bytes = in.ConsumeRemainingBytes<std::uint8_t>();

  const std::filesystem::path& folder = zel::fuzz::workFolder();
  zel::fuzz::clearFolder(folder);
  const std::filesystem::path file = folder / name;
  const std::filesystem::path output = folder / "report.html";
  zel::fuzz::writeBytes(file, bytes.data(), bytes.size());
  std::vector<std::string> arguments{"report", file.string(), "-o", output.string()};
  arguments.insert(arguments.end(), options.begin(), options.end());

  const zel::fuzz::KvdRun run = zel::fuzz::runKvd(arguments);
  const std::string html = zel::fuzz::readBytes(output);
  std::filesystem::remove(output);
  require(zel::fuzz::runKvd(arguments) == run && zel::fuzz::readBytes(output) == html,
          "the report differs a second time");
  if (run.code == zel::cli::kExitUsage) {
    require(pages == static_cast<int>(std::size(kPages)), "a usage error: " + run.err);
    require(html.empty(), "a report written after a usage error");
    return 0;
  }
  const bool records = bytes.size() >= zel::kRecordSize;
  require(run.code == (records ? 0 : 1), "report exit code " + std::to_string(run.code) + ": " + run.err);
  require(html.empty() != records, "a report written or not written against its exit code");
  if (!records) return 0;

  require(zel::fuzz::startsWith(html, "<!DOCTYPE html>"), "the report does not start as HTML");
  require(html.size() >= 8 && html.compare(html.size() - 8, 8, "</html>\n") == 0, "the report does not end");
  if (title.find_first_of("<&") != std::string::npos)
    require(html.find(title) == std::string::npos, "the title reached the report unescaped");
  require(occurrences(html, "<script") == occurrences(html, "</script>"), "a script element is not closed");
  require(occurrences(html, "<svg") == occurrences(html, "</svg>"), "a picture is not closed");
  checkData(html);
  return 0;
}
