#include "kvd/serve/export_name.h"

#include <cstdio>
#include <vector>

#include "kvd/export/writers.h"
#include "kvd/serve/page_words.h"

namespace zel::serve {

namespace {

// What a name says before the day, in bytes: long enough for an object's
// name and a filter, short of every system's limit of 255.
constexpr std::size_t kMaxNameBytes = 150;

struct NameWords {
  std::string_view records, selection, floor, room, point, device, mode, from, to, unassigned;
};

constexpr NameWords kEnglish{"records", "selection", "floor", "room", "point", "device", "mode", "from", "to",
                             "unassigned"};
constexpr NameWords kRussian{"измерения", "выборка", "этаж", "пом.", "точка", "прибор", "режим", "с", "по",
                             "без точки"};

std::string dayText(const cli::DateTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u", unsigned{t.year}, unsigned{t.month}, unsigned{t.day});
  return text;
}

bool refused(unsigned char c) {
  switch (c) {
    case '/': case '\\': case ':': case '*': case '?': case '"': case '<': case '>': case '|': return true;
    default: return c < 0x20 || c == 0x7F;
  }
}

// Cut at a character's start, never inside a UTF-8 sequence.
void cutTo(std::string& text, std::size_t bytes) {
  if (text.size() <= bytes) return;
  while (bytes > 0 && (static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80) --bytes;
  text.resize(bytes);
}

// Windows drops the dots and spaces at a name's end, and a name that
// starts with them hides or misleads.
std::string trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" .");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" .") - first + 1);
}

}  // namespace

std::string exportFileName(const archive::Selection& s, const std::string& object, std::string_view lang,
                           const std::string& today, std::string_view extension) {
  const NameWords& w = isRussian(lang) ? kRussian : kEnglish;
  std::vector<std::string> parts;
  const std::string held = s.object ? *s.object : object;
  parts.push_back(held.empty() ? std::string(w.records) : held);
  auto named = [&](std::string_view word, const std::string& value) {
    if (!value.empty()) parts.push_back(std::string(word) + " " + value);
  };
  if (!s.recordIds.empty()) parts.emplace_back(w.selection);
  if (s.floor) named(w.floor, *s.floor);
  if (s.room) named(w.room, *s.room);
  if (s.point) named(w.point, *s.point);
  if (s.device) named(w.device, std::to_string(*s.device));
  if (!s.modes.empty()) {
    std::string modes;
    for (std::uint32_t m : s.modes) modes += (modes.empty() ? "" : ",") + std::to_string(m);
    named(w.mode, modes);
  }
  if (s.from) named(w.from, dayText(*s.from));
  if (s.to) named(w.to, dayText(*s.to));
  if (s.unassigned) parts.emplace_back(w.unassigned);

  std::string name;
  for (const std::string& part : parts) name += (name.empty() ? "" : "-") + part;
  name = cli::validUtf8(name);
  for (char& c : name)
    if (refused(static_cast<unsigned char>(c))) c = '_';
  cutTo(name, kMaxNameBytes);
  name = trimmed(name);
  if (name.empty()) name = std::string(w.records);
  return name + "-" + today + "." + std::string(extension);
}

std::string attachmentDisposition(const std::string& fileName) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string ascii, encoded;
  for (unsigned char c : fileName) {
    if (c < 0x80) ascii += c == '%' ? '_' : static_cast<char>(c);
    else if ((c & 0xC0) != 0x80) ascii += '_';
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       std::string_view("!#$&+-.^_`|~").find(static_cast<char>(c)) != std::string_view::npos;
    if (plain) {
      encoded += static_cast<char>(c);
    } else {
      encoded += '%';
      encoded += kHex[c >> 4];
      encoded += kHex[c & 0x0F];
    }
  }
  return "attachment; filename=\"" + ascii + "\"; filename*=UTF-8''" + encoded;
}

}  // namespace zel::serve
