// Helpers of the page tests: records from generator lines, and a readable
// one-line form of every recorded call so that whole pages compare as lists.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "common/record.h"
#include "common/recording_surface.h"
#include "tools/kvdgen/kvd_description.h"

namespace zel::pages::test {

// Windows-1251 bytes written out, so that the tests do not share the
// conversion helper of the code under test: a Latin C where a Cyrillic С
// belongs is a different byte.
inline const std::string kPm = "\xB1";   // ±
inline const std::string kDeg = "\xB0";  // °
inline const std::string kEs = "\xD1";   // Cyrillic С
inline const std::string kTe = "\xD2";   // Cyrillic Т
// The blanks between the three fields of ZelV_10's time line, which stand
// at characters 0, 14 and 28.
inline const std::string kEight(8, ' ');
inline const std::string kSeven(7, ' ');
inline const std::string kSix(6, ' ');

// The record with the fields of a generator description line set, e.g.
// "primaryResult=70000 temperature=-5".
inline MeasurementRecord withFields(MeasurementRecord r, std::string_view fields) {
  int repeat = 1;
  std::string error;
  EXPECT_TRUE(kvd::applyLine(fields, r, repeat, error)) << fields << ": " << error;
  return r;
}

// Values of the usual width: two-digit climate values, short counts.
inline MeasurementRecord sampleRecord() {
  return withFields({},
                    "date=05.07.2019 time=09:04:07 pulseCount=1234 temperature=23 humidity=45 pressure=745"
                    " countN1=100 countN2=200 countN3=300 pumpingTime=300 delayTime=90 measurementTime=3725"
                    " cycleCount=12 primaryResult=567 primaryError=89 integralResult=4321 integralError=210"
                    " eecRn=123 eecRnError=10 eecTn=45 eecTnError=6 ca=0.25 cb=1.5 cc=2 kv=0 fd=1.5");
}

inline const char* fontName(FontRole f) {
  switch (f) {
    case FontRole::None: return "none";
    case FontRole::Small: return "small";
    case FontRole::Normal: return "normal";
    case FontRole::Large: return "large";
    case FontRole::Browser: return "browser";
  }
  return "?";
}

inline const char* penName(PenRole p) {
  switch (p) {
    case PenRole::None: return "none";
    case PenRole::Frame: return "frame";
    case PenRole::Separator: return "separator";
    default: return "other";
  }
}

inline std::string colorName(Color c) {
  if (c == kBlack) return "black";
  if (c == kBlue) return "blue";
  if (c == kPageColor) return "page";
  char buf[16];
  std::snprintf(buf, sizeof buf, "#%06X", static_cast<unsigned>(c));
  return buf;
}

inline std::string escaped(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    }
  }
  return out;
}

// One call as a line: texts with position, font, colours and exact bytes;
// lines with their pen. The pen is not part of a text's line, nor the font
// of a line's.
inline std::string describe(const DrawCall& c) {
  char head[96];
  switch (c.kind) {
    case DrawCall::Kind::Text:
      std::snprintf(head, sizeof head, "text (%d,%d) %s ", c.x, c.y, fontName(c.font));
      return head + colorName(c.textColor) + " on " + colorName(c.bkColor) + " \"" + escaped(c.text) + "\"";
    case DrawCall::Kind::MoveTo:
      std::snprintf(head, sizeof head, "move (%d,%d)", c.x, c.y);
      return head;
    case DrawCall::Kind::LineTo:
      std::snprintf(head, sizeof head, "line (%d,%d)-(%d,%d) %s", c.x, c.y, c.x2, c.y2, penName(c.pen));
      return head;
    case DrawCall::Kind::Polyline: {
      std::string out = std::string("polyline ") + penName(c.pen);
      for (const Point& p : c.points) {
        std::snprintf(head, sizeof head, " (%d,%d)", p.x, p.y);
        out += head;
      }
      return out;
    }
    case DrawCall::Kind::FillRect:
      std::snprintf(head, sizeof head, "fill (%d,%d)-(%d,%d)", c.x, c.y, c.x2, c.y2);
      return head;
  }
  return "?";
}

inline std::vector<std::string> describe(const RecordingSurface& s) {
  std::vector<std::string> out;
  for (const DrawCall& c : s.calls) out.push_back(describe(c));
  return out;
}

// An expected text: position, exact bytes, font and text colour, on the
// page colour.
struct Txt {
  int x;
  int y;
  std::string text;
  FontRole font;
  Color color;
};

inline std::string describe(const Txt& t) {
  DrawCall c{DrawCall::Kind::Text};
  c.x = t.x;
  c.y = t.y;
  c.text = t.text;
  c.font = t.font;
  c.textColor = t.color;
  c.bkColor = kPageColor;
  return describe(c);
}

inline std::string line(int x1, int y1, int x2, int y2, PenRole pen) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "line (%d,%d)-(%d,%d) %s", x1, y1, x2, y2, penName(pen));
  return buf;
}
inline std::string move(int x, int y) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "move (%d,%d)", x, y);
  return buf;
}

}  // namespace zel::pages::test
