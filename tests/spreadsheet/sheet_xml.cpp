#include "tests/spreadsheet/sheet_xml.h"

namespace zel::sheet_test {

namespace {

std::string attribute(const std::string& tag, const std::string& name) {
  const std::size_t at = tag.find(" " + name + "=\"");
  if (at == std::string::npos) return {};
  const std::size_t start = at + name.size() + 3;
  return tag.substr(start, tag.find('"', start) - start);
}

std::string unescapeXml(std::string s) {
  for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
           {"&quot;", "\""}, {"&apos;", "'"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}}) {
    for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
      s.replace(at, from.size(), to);
  }
  return s;
}

}  // namespace

std::string fullDateTime(const std::string& value) { return value.size() == 10 ? value + "T00:00:00" : value; }

std::vector<std::vector<OdsCell>> readFods(const std::string& xml) {
  std::vector<std::vector<OdsCell>> rows;
  std::size_t at = xml.find("<table:table ");
  const std::size_t end = xml.find("</table:table>", at);
  while ((at = xml.find("<table:table-row", at)) != std::string::npos && at < end) {
    const std::size_t rowEnd = xml.find("</table:table-row>", at);
    std::vector<OdsCell> row;
    std::size_t c = at;
    while ((c = xml.find("<table:table-cell", c)) != std::string::npos && c < rowEnd) {
      const std::size_t tagEnd = xml.find('>', c);
      const std::string tag = xml.substr(c, tagEnd - c + 1);
      OdsCell cell;
      cell.type = attribute(tag, "office:value-type");
      cell.value = attribute(tag, cell.type == "date" ? "office:date-value" : "office:value");
      std::size_t next = tagEnd + 1;
      if (tag[tag.size() - 2] != '/') {
        const std::size_t close = xml.find("</table:table-cell>", tagEnd);
        const std::string inner = xml.substr(tagEnd + 1, close - tagEnd - 1);
        // The paragraphs' text, tags aside (text:s stands for blanks).
        std::string plain;
        for (std::size_t p = inner.find("<text:p"); p != std::string::npos; p = inner.find("<text:p", p)) {
          const std::size_t open = inner.find('>', p);
          const std::size_t end = inner.find("</text:p>", open);
          if (inner[open - 1] == '/' || end == std::string::npos) {
            p = open;
            continue;
          }
          std::string paragraph = inner.substr(open + 1, end - open - 1);
          for (std::size_t q = paragraph.find("<text:s"); q != std::string::npos; q = paragraph.find("<text:s", q)) {
            const std::size_t qe = paragraph.find('>', q);
            const std::string count = attribute(paragraph.substr(q, qe - q + 1), "text:c");
            paragraph.replace(q, qe - q + 1, std::string(count.empty() ? 1 : std::stoul(count), ' '));
          }
          if (!plain.empty()) plain += '\n';
          bool inTag = false;
          for (char ch : paragraph) {
            if (ch == '<') inTag = true;
            else if (ch == '>') inTag = false;
            else if (!inTag) plain += ch;
          }
          p = end;
        }
        cell.text = unescapeXml(plain);
        next = close + 1;
      }
      const std::string repeat = attribute(tag, "table:number-columns-repeated");
      const unsigned times = repeat.empty() ? 1 : static_cast<unsigned>(std::stoul(repeat));
      for (unsigned k = 0; k < times && row.size() < 1024; ++k) row.push_back(cell);
      c = next;
    }
    while (!row.empty() && row.back().type.empty() && row.back().text.empty()) row.pop_back();
    if (!row.empty()) rows.push_back(row);
    at = rowEnd;
  }
  return rows;
}

std::map<std::pair<int, int>, GnumericCell> readGnumeric(const std::string& xml) {
  std::map<std::pair<int, int>, GnumericCell> cells;
  for (std::size_t at = xml.find("<gnm:Cell "); at != std::string::npos; at = xml.find("<gnm:Cell ", at + 1)) {
    const std::size_t tagEnd = xml.find('>', at);
    const std::string tag = xml.substr(at, tagEnd - at + 1);
    GnumericCell cell;
    cell.type = std::stoi(attribute(tag, "ValueType"));
    if (tag[tag.size() - 2] != '/') cell.text = unescapeXml(xml.substr(tagEnd + 1, xml.find('<', tagEnd) - tagEnd - 1));
    cells[{std::stoi(attribute(tag, "Row")), std::stoi(attribute(tag, "Col"))}] = cell;
  }
  return cells;
}

}  // namespace zel::sheet_test
