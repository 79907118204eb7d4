// A record's result page and spectrum as SVG from any 688 bytes: each is
// well-formed XML, the same twice, and every text cell, rectangle and line
// starts inside the picture; kvd render writes the same picture to its file.
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/record.h"
#include "kvd/report/render.h"
#include "support/fuzz_check.h"
#include "support/kvd_run.h"

namespace {

using zel::fuzz::fail;
using zel::fuzz::require;

double attribute(xmlNode* node, const char* name, const std::string& where) {
  xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
  if (value == nullptr) fail(where + ": <" + reinterpret_cast<const char*>(node->name) + "> without " + name);
  char* end = nullptr;
  const double number = std::strtod(reinterpret_cast<const char*>(value), &end);
  const bool whole = end != nullptr && *end == '\0' && end != reinterpret_cast<char*>(value);
  xmlFree(value);
  if (!whole) fail(where + ": " + name + " is no number");
  return number;
}

// The first point of a polyline's "x,y x,y ..." list.
void firstPoint(xmlNode* node, double& x, double& y, const std::string& where) {
  xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>("points"));
  if (value == nullptr) fail(where + ": a polyline without points");
  const int read = std::sscanf(reinterpret_cast<const char*>(value), "%lf,%lf", &x, &y);
  xmlFree(value);
  if (read != 2) fail(where + ": a polyline's points");
}

void checkShapes(xmlNode* node, double width, double height, const std::string& where) {
  for (; node != nullptr; node = node->next) {
    if (node->type != XML_ELEMENT_NODE) continue;
    const std::string name = reinterpret_cast<const char*>(node->name);
    double x = 0, y = 0;
    bool placed = true;
    if (name == "rect") {
      x = attribute(node, "x", where);
      y = attribute(node, "y", where);
    } else if (name == "text") {
      x = attribute(node, "x", where);
      y = 0;  // its cell is the rectangle drawn just before it
    } else if (name == "polyline") {
      firstPoint(node, x, y, where);
    } else {
      placed = false;
    }
    if (placed && !(x >= 0 && y >= 0 && x < width && y < height))
      fail(where + ": <" + name + "> at (" + std::to_string(x) + "," + std::to_string(y) + ")");
    checkShapes(node->children, width, height, where);
  }
}

void checkSvg(const zel::report::SvgResult& picture, const std::string& where) {
  if (!picture.ok()) return;  // a mode without a viewer program has no page
  xmlDoc* doc = xmlReadMemory(picture.svg.data(), static_cast<int>(picture.svg.size()), "picture.svg", "UTF-8",
                              XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  if (doc == nullptr) fail(where + ": the SVG is no well-formed XML");
  xmlNode* root = xmlDocGetRootElement(doc);
  const double width = attribute(root, "width", where);
  const double height = attribute(root, "height", where);
  checkShapes(root->children, width, height, where);
  xmlFreeDoc(doc);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  xmlInitParser();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < zel::kRecordSize) return 0;
  zel::MeasurementRecord record;
  std::copy(data, data + zel::kRecordSize, record.bytes.begin());

  const zel::report::SvgResult page = zel::report::renderPageSvg(record);
  const zel::report::SvgResult spectrum = zel::report::renderSpectrumSvg(record);
  require(zel::report::renderPageSvg(record).svg == page.svg, "the page differs a second time");
  require(zel::report::renderSpectrumSvg(record).svg == spectrum.svg, "the spectrum differs a second time");
  checkSvg(page, "page");
  checkSvg(spectrum, "spectrum");

  // The command, with the record as the second of a file.
  const std::filesystem::path& folder = zel::fuzz::workFolder();
  const std::filesystem::path file = folder / "render.kvd";
  const std::filesystem::path output = folder / "render.svg";
  std::string bytes(zel::kRecordSize, '\0');
  bytes.append(reinterpret_cast<const char*>(data), zel::kRecordSize);
  zel::fuzz::writeBytes(file, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  for (const bool isSpectrum : {false, true}) {
    const zel::report::SvgResult& expected = isSpectrum ? spectrum : page;
    std::vector<std::string> arguments{"render", file.string() + ",1", "-o", output.string()};
    if (isSpectrum) arguments.push_back("--spectrum");
    const zel::fuzz::KvdRun run = zel::fuzz::runKvd(arguments);
    require(run.code == (expected.ok() ? 0 : 1), "render exit code " + std::to_string(run.code) + ": " + run.err);
    require(zel::fuzz::readBytes(output) == expected.svg, "kvd render wrote another picture");
    std::filesystem::remove(output);
  }
  return 0;
}
