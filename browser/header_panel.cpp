#include "browser/header_panel.h"

#include "browser/browser_text.h"
#include "browser/list_view.h"
#include "common/text_format.h"

namespace zel::browser {

namespace {

constexpr std::string_view kColumnHeadings{
    "   Date              Time             Measurement mode                       Crn(Bq/m3)                EEC(Bq/m3) "};
static_assert(kColumnHeadings.size() == 114);

void blackOnBackground(Surface& s) {
  s.selectFont(FontRole::Browser);
  s.setTextColor(kBlack);
  s.setBkColor(kBrowserBackground);
}

void drawView(Surface& s, int x, int y, std::string_view text) {
  s.textOut(x, y, text.data(), static_cast<int>(text.size()));
}

// A number followed by two blanks.
void drawPaddedNumber(Surface& s, int x, int y, std::uint32_t v, char* (*format)(char*, std::uint32_t)) {
  char buf[kMaxDwordText + 2];
  char* p = format(buf, v);
  *p++ = ' ';
  *p++ = ' ';
  s.textOut(x, y, buf, static_cast<int>(p - buf));
}

}  // namespace

void clearPanel(Surface& s, int width, int height) { s.fillRect(0, 0, width, height, BrushRole::Browser); }

void drawHeaderLabels(Surface& s, int width, int height) {
  clearPanel(s, width, height);
  blackOnBackground(s);
  drawView(s, 10, 6, "File:");
  drawView(s, 10, 30, "Measurem");
  drawView(s, 10, 54, "Device:");
}

void drawColumnHeadings(Surface& s, int width, int height) {
  clearPanel(s, width, height);
  blackOnBackground(s);
  drawView(s, 10, 4, kColumnHeadings);
}

void drawHeaderValues(Surface& s, std::string_view loadedName, std::uint32_t recordCount, std::uint32_t deviceNumber) {
  blackOnBackground(s);
  // Blanks first: a shorter name or count must not leave the end of the last.
  s.textOut(84, 6, blankRun(), 256);
  drawView(s, 84, 6, loadedName);
  s.textOut(74, 30, blankRun(), 10);
  drawPaddedNumber(s, 74, 30, recordCount, formatCountPadded);
  drawPaddedNumber(s, 82, 54, deviceNumber, formatWordPadded);
}

}  // namespace zel::browser
