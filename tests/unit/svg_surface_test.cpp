// The SVG pictures of pages and spectra: read back by libxml2, they must hold
// what the GDI surface would draw, character cell by character cell.
#include "common/svg_surface.h"

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "common/mode_table.h"
#include "common/recording_surface.h"
#include "kvd/report/render.h"
#include "tools/kvdgen/kvd_description.h"
#include "viewer/frame/spectrum_panel.h"
#include "viewer/pages/pages.h"

namespace zel {
namespace {

// One drawn text as the SVG says it: the left of its first cell, the top of
// its cover rectangle, the characters, the cover's size and the fill colours.
struct SvgText {
  int x;
  int y;
  std::string text;  // UTF-8
  int coverWidth;
  int coverHeight;
  int textLength;
  std::string fill;
  std::string cover;
};

std::string attr(xmlNode* n, const char* name) {
  xmlChar* v = xmlGetProp(n, reinterpret_cast<const xmlChar*>(name));
  std::string out = v ? reinterpret_cast<const char*>(v) : "";
  xmlFree(v);
  return out;
}

struct Parsed {
  bool wellFormed = false;
  int width = 0;
  int height = 0;
  std::vector<SvgText> texts;
  std::vector<xmlNode*> elements;
};

Parsed parse(const std::string& svg) {
  Parsed p;
  xmlDoc* doc = xmlReadMemory(svg.data(), static_cast<int>(svg.size()), "page.svg", nullptr, XML_PARSE_NONET);
  if (!doc) return p;
  p.wellFormed = true;
  xmlNode* root = xmlDocGetRootElement(doc);
  p.width = std::stoi(attr(root, "width"));
  p.height = std::stoi(attr(root, "height"));
  xmlNode* previous = nullptr;
  for (xmlNode* n = root->children; n; n = n->next) {
    if (n->type != XML_ELEMENT_NODE) continue;
    if (std::strcmp(reinterpret_cast<const char*>(n->name), "text") == 0 && previous) {
      xmlChar* content = xmlNodeGetContent(n);
      SvgText t;
      t.x = std::stoi(attr(n, "x"));
      t.y = std::stoi(attr(previous, "y"));
      t.text = reinterpret_cast<const char*>(content);
      t.coverWidth = std::stoi(attr(previous, "width"));
      t.textLength = std::stoi(attr(n, "textLength"));
      t.coverHeight = std::stoi(attr(previous, "height"));
      t.fill = attr(n, "fill");
      t.cover = attr(previous, "fill");
      xmlFree(content);
      p.texts.push_back(t);
    }
    previous = n;
  }
  xmlFreeDoc(doc);
  return p;
}

// Windows-1251 to UTF-8 written out here, apart from the converter under test.
std::string utf8(const std::string& cp1251) {
  static const char* const kHigh[64] = {
      "Ђ", "Ѓ", "‚", "ѓ", "„", "…", "†", "‡", "€", "‰", "Љ", "‹", "Њ", "Ќ", "Ћ", "Џ",
      "ђ", "‘", "’", "“", "”", "•", "–", "—", "\xEF\xBF\xBD", "™", "љ", "›", "њ", "ќ", "ћ", "џ",
      "\xC2\xA0", "Ў", "ў", "Ј", "¤", "Ґ", "¦", "§", "Ё", "©", "Є", "«", "¬", "\xC2\xAD", "®", "Ї",
      "°", "±", "І", "і", "ґ", "µ", "¶", "·", "ё", "№", "є", "»", "ј", "Ѕ", "ѕ", "ї"};
  static const char* const kCyr = "АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдежзийклмнопрстуфхцчшщъыьэюя";
  std::string out;
  for (unsigned char c : cp1251) {
    if (c < 0x20 || c == 0x7F) out += "\xEF\xBF\xBD";
    else if (c < 0x80) out += static_cast<char>(c);
    else if (c < 0xC0) out += kHigh[c - 0x80];
    else out.append(kCyr + 2 * (c - 0xC0), 2);
  }
  return out;
}

std::vector<MeasurementRecord> demoRecords() {
  std::vector<std::uint8_t> bytes;
  kvd::ParseError error;
  EXPECT_TRUE(kvd::buildFile(kvd::demoDescription(), bytes, error)) << error.message;
  std::vector<MeasurementRecord> out;
  for (std::size_t at = 0; at + kRecordSize <= bytes.size(); at += kRecordSize) {
    MeasurementRecord r;
    std::memcpy(r.bytes.data(), bytes.data() + at, kRecordSize);
    out.push_back(r);
  }
  return out;
}

std::string hex(Color c) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
  return buf;
}

// Every text the recording surface saw, at the same cell, with the same
// bytes, cover and colours, and nothing else.
void expectSameTexts(const RecordingSurface& recorded, const Parsed& svg, const std::string& what) {
  const std::vector<DrawCall> texts = recorded.texts();
  std::vector<DrawCall> drawn;
  for (const DrawCall& t : texts)
    if (!t.text.empty()) drawn.push_back(t);
  ASSERT_EQ(svg.texts.size(), drawn.size()) << what;
  for (std::size_t i = 0; i < drawn.size(); ++i) {
    const DrawCall& want = drawn[i];
    const SvgText& got = svg.texts[i];
    const FontMetrics m = fontMetrics(want.font);
    EXPECT_EQ(got.x, want.x) << what << " text " << i;
    EXPECT_EQ(got.y, want.y) << what << " text " << i;
    EXPECT_EQ(got.text, utf8(want.text)) << what << " text " << i;
    EXPECT_EQ(got.coverWidth, m.cellWidth * static_cast<int>(want.text.size())) << what << " text " << i;
    EXPECT_EQ(got.coverHeight, m.height) << what << " text " << i;
    EXPECT_EQ(got.textLength, got.coverWidth) << what << " text " << i;
    EXPECT_EQ(got.fill, hex(want.textColor)) << what << " text " << i;
    EXPECT_EQ(got.cover, hex(want.bkColor)) << what << " text " << i;
  }
}

TEST(SvgPages, EveryDemoPageHoldsTheRecordedTextsAtTheirCells) {
  int pages = 0;
  for (const MeasurementRecord& r : demoRecords()) {
    const pages::ResultPage* page = pages::resultPageOf(r.modeCode());
    const report::SvgResult svg = report::renderPageSvg(r);
    if (!page) {
      EXPECT_FALSE(svg.ok()) << r.modeCode();
      EXPECT_NE(svg.error.find(std::to_string(r.modeCode())), std::string::npos) << svg.error;
      continue;
    }
    ASSERT_TRUE(svg.ok()) << svg.error;
    RecordingSurface recorded;
    page->draw(recorded, r);
    const Parsed parsed = parse(svg.svg);
    ASSERT_TRUE(parsed.wellFormed) << "mode " << r.modeCode();
    EXPECT_EQ(parsed.width, pages::kPageWidth);
    EXPECT_EQ(parsed.height, pages::kPageHeight);
    expectSameTexts(recorded, parsed, "page of mode " + std::to_string(r.modeCode()));
    ++pages;
  }
  EXPECT_EQ(pages, 20);
}

TEST(SvgPages, EveryDemoSpectrumHoldsThePanelsTexts) {
  for (const MeasurementRecord& r : demoRecords()) {
    if (!pages::resultPageOf(r.modeCode())) continue;
    const report::SvgResult svg = report::renderSpectrumSvg(r);
    ASSERT_TRUE(svg.ok()) << svg.error;
    viewer::SpectrumPanel panel(r.modeCode(), r);
    panel.setClientSize(report::kSpectrumWidth, report::kSpectrumHeight);
    RecordingSurface recorded;
    panel.draw(recorded);
    const Parsed parsed = parse(svg.svg);
    ASSERT_TRUE(parsed.wellFormed) << "mode " << r.modeCode();
    expectSameTexts(recorded, parsed, "spectrum of mode " + std::to_string(r.modeCode()));
    // The window table shows the sums the panel computed.
    const std::string sum(panel.windowSumText(0));
    bool found = false;
    for (const SvgText& t : parsed.texts) found = found || t.text == utf8(sum);
    EXPECT_TRUE(found) << "mode " << r.modeCode() << " sum " << sum;
  }
}

TEST(SvgPages, EveryModeWithAViewerProgramHasItsPageAndNoOtherDoes) {
  for (int mode = -1; mode <= 300; ++mode) {
    const pages::ResultPage* page = pages::resultPageOf(mode);
    EXPECT_EQ(page != nullptr, mode >= 0 && hasViewerProgram(static_cast<std::uint32_t>(mode))) << mode;
    if (page) {
      EXPECT_EQ(page->modeCode, mode);
    }
  }
}

TEST(SvgPages, ArbitraryRecordBytesStillGiveWellFormedPictures) {
  std::mt19937 random(1251);
  for (int round = 0; round < 40; ++round) {
    for (int mode : {1, 2, 3, 4, 5, 6, 7, 10, 12, 13, 14, 15, 18, 19, 20, 21, 22, 24, 25, 26}) {
      MeasurementRecord r;
      for (auto& b : r.bytes) b = static_cast<std::uint8_t>(random());
      writeU16(r.bytes.data() + offset::modeCode, static_cast<std::uint16_t>(mode));
      EXPECT_TRUE(parse(report::renderPageSvg(r).svg).wellFormed) << mode;
      EXPECT_TRUE(parse(report::renderSpectrumSvg(r).svg).wellFormed) << mode;
    }
  }
}

struct TextCase {
  std::string bytes;
  std::string content;  // as an XML parser hands it back
};

TEST(SvgSurface, TextBytesBecomeEscapedUtf8InTheirCells) {
  const TextCase cases[] = {
      {"a&b<c>d\"e'f", "a&b<c>d\"e'f"},
      {"   ", "   "},
      {" 12 ", " 12 "},
      {"\xD1\xF0\xE5\xE4\xED\xE5\xE5", "Среднее"},
      {"Bq/m\xB3 \xB1 5 \xB0" "C", "Bq/mі ± 5 °C"},
      {std::string("\x00\x01\x1F\x7F", 4), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"\x98\xA8\xB8\xB9", "\xEF\xBF\xBD" "Ёё№"},
      {"]]>", "]]>"},
  };
  for (const TextCase& c : cases) {
    SvgSurface s(100, 40);
    s.textOut(10, 5, c.bytes.data(), static_cast<int>(c.bytes.size()));
    const Parsed p = parse(s.document());
    ASSERT_TRUE(p.wellFormed) << c.content;
    ASSERT_EQ(p.texts.size(), 1u);
    EXPECT_EQ(p.texts[0].text, c.content);
    EXPECT_EQ(p.texts[0].coverWidth, 9 * static_cast<int>(c.bytes.size()));
    // The run holds exactly its cells, a control byte's included.
    EXPECT_EQ(p.texts[0].x, 10);
    EXPECT_EQ(p.texts[0].textLength, 9 * static_cast<int>(c.bytes.size()));
  }
}

struct FontCase {
  FontRole font;
  SvgObjects objects;
  int height;
  int cell;
};

TEST(SvgSurface, FontsThatTheProgramDidNotCreateLeaveTheOneInUse) {
  const FontCase cases[] = {
      {FontRole::Small, {}, 14, 6},
      {FontRole::Normal, {}, 18, 9},
      {FontRole::Large, {}, 44, 22},
      {FontRole::Browser, {}, 14, 5},
      {FontRole::Large, {true, false}, 18, 9},  // a viewer without the large font
      {FontRole::None, {}, 18, 9},
  };
  for (const FontCase& c : cases) {
    SvgSurface s(200, 100, c.objects);
    s.selectFont(c.font);
    s.textOut(0, 0, "42", 2);
    const Parsed p = parse(s.document());
    ASSERT_EQ(p.texts.size(), 1u);
    EXPECT_EQ(p.texts[0].coverHeight, c.height) << static_cast<int>(c.font);
    EXPECT_EQ(p.texts[0].coverWidth, 2 * c.cell) << static_cast<int>(c.font);
  }
}

struct PenCase {
  PenRole pen;
  SvgObjects objects;
  std::string stroke;  // the polyline's attributes after its points
};

TEST(SvgSurface, PensDrawInTheirColourWidthAndPattern) {
  const PenCase cases[] = {
      {PenRole::None, {}, "stroke=\"#0000ff\" stroke-width=\"2\"/>"},  // whatever was selected
      {PenRole::Frame, {}, "stroke=\"#0000ff\" stroke-width=\"2\"/>"},
      {PenRole::Separator, {}, "stroke=\"#ffaa00\" stroke-width=\"2\"/>"},
      {PenRole::Axis, {}, "stroke=\"#000000\" stroke-width=\"2\"/>"},
      {PenRole::ThinBlack, {}, "stroke=\"#000000\" stroke-width=\"1\"/>"},
      {PenRole::GreenBoundary, {}, "stroke=\"#00ff22\" stroke-width=\"1\" stroke-dasharray=\"3 3\"/>"},
      {PenRole::OrangeBoundary, {}, "stroke=\"#ffaa00\" stroke-width=\"1\" stroke-dasharray=\"3 3\"/>"},
      {PenRole::RedBoundary, {}, "stroke=\"#ff0000\" stroke-width=\"1\" stroke-dasharray=\"3 3\"/>"},
      // The two-boundary programs create no red pen: the frame pen stays.
      {PenRole::RedBoundary, {false, true}, "stroke=\"#0000ff\" stroke-width=\"2\"/>"},
      {PenRole::Cursor, {}, "stroke=\"#ff00ff\" stroke-width=\"1\" stroke-dasharray=\"3 3\"/>"},
      {PenRole::DottedBlack, {}, "stroke=\"#000000\" stroke-width=\"1\" stroke-dasharray=\"3 3\"/>"},
      {PenRole::DashedBlack, {}, "stroke=\"#000000\" stroke-width=\"1\" stroke-dasharray=\"18 6\"/>"},
  };
  for (const PenCase& c : cases) {
    SvgSurface s(100, 100, c.objects);
    s.selectPen(PenRole::Frame);
    s.selectPen(c.pen);
    s.moveTo(1, 2);
    s.lineTo(30, 2);
    const std::string doc = s.document();
    EXPECT_NE(doc.find(c.stroke), std::string::npos) << static_cast<int>(c.pen) << "\n" << doc;
  }
}

TEST(SvgSurface, OneAndTwoPixelLinesCoverTheSamePixelsAsGdi) {
  SvgSurface s(100, 100);
  s.moveTo(0, 0);
  s.lineTo(5, 0);  // the device context's own pen: solid black, one pixel
  s.selectPen(PenRole::ThinBlack);
  s.moveTo(10, 20);
  s.lineTo(50, 20);
  s.selectPen(PenRole::Axis);
  const Point frame[] = {{12, 272}, {12, 15}, {780, 15}};
  s.polyline(frame, 3);
  s.polyline(frame, 1);  // nothing to draw
  const std::string doc = s.document();
  EXPECT_NE(doc.find("points=\"0.5,0.5 5.5,0.5\" fill=\"none\" stroke=\"#000000\" stroke-width=\"1\"/>"),
            std::string::npos) << doc;
  EXPECT_NE(doc.find("points=\"10.5,20.5 50.5,20.5\""), std::string::npos) << doc;
  EXPECT_NE(doc.find("points=\"12,272 12,15 780,15\""), std::string::npos) << doc;
  EXPECT_EQ(doc.find("<polyline", doc.find("780,15")), std::string::npos) << doc;
}

struct FillCase {
  BrushRole brush;
  int left, top, right, bottom;
  std::string rect;  // empty: nothing drawn
};

TEST(SvgSurface, FilledRectanglesInTheBrushColours) {
  const FillCase cases[] = {
      {BrushRole::Page, 0, 0, 610, 451, "<rect x=\"0\" y=\"0\" width=\"610\" height=\"451\" fill=\"#ffffd8\"/>"},
      {BrushRole::ReadOut, 2, 1, 40, 17, "<rect x=\"2\" y=\"1\" width=\"38\" height=\"16\" fill=\"#efefc8\"/>"},
      {BrushRole::Browser, 0, 0, 5, 5, "<rect x=\"0\" y=\"0\" width=\"5\" height=\"5\" fill=\"#fffcfc\"/>"},
      {BrushRole::Page, 10, 10, 10, 20, ""},
      {BrushRole::Page, 10, 10, 5, 5, ""},
  };
  for (const FillCase& c : cases) {
    SvgSurface s(10, 10);
    s.fillRect(c.left, c.top, c.right, c.bottom, c.brush);
    const std::string doc = s.element();
    if (c.rect.empty()) {
      EXPECT_EQ(doc.find("<rect"), std::string::npos) << doc;
    } else {
      EXPECT_NE(doc.find(c.rect), std::string::npos) << doc;
    }
  }
}

TEST(SvgSurface, OpaqueTextCoversWhatWasDrawnBeforeIt) {
  SvgSurface s(100, 100);
  s.selectPen(PenRole::Frame);
  s.moveTo(0, 10);
  s.lineTo(100, 10);
  s.setBkColor(kReadOutColor);
  s.setTextColor(kBlue);
  s.textOut(5, 2, "x", 1);
  const std::string doc = s.element();
  const std::size_t line = doc.find("<polyline");
  const std::size_t cover = doc.find("<rect x=\"5\" y=\"2\" width=\"9\" height=\"18\" fill=\"#efefc8\"/>");
  ASSERT_NE(cover, std::string::npos) << doc;
  EXPECT_LT(line, cover);
  EXPECT_NE(doc.find("fill=\"#0000ff\">x</text>"), std::string::npos) << doc;
}

}  // namespace
}  // namespace zel
