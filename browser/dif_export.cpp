#include "browser/dif_export.h"

#include <algorithm>
#include <cstring>

#include "browser/browser_text.h"
#include "common/text_format.h"

namespace zel::browser {

namespace {

constexpr std::size_t kFileCellWidth = 128;
constexpr std::size_t kCellWidth = 8;

// The header between the title lines and the file cell, and from the file
// cell to the end of the label row.
constexpr std::string_view kHeadBeforeCount{"TABLE\r\n0,1\r\n\"EXCEL\"\r\nVECTORS\r\n0,"};
constexpr std::string_view kHeadBeforeFile{
    "\r\n\"\"\r\nTUPLES\r\n0,6\r\n\"\"\r\nDATA\r\n0,0\r\n\"\"\r\n-1,0\r\nBOT\r\n1,0\r\n\"  File:  "};
constexpr std::string_view kHeadAfterFile{
    "\"\r\n1,0\r\n\"\"\r\n-1,0\r\nBOT\r\n1,0\r\n\"                            \"\r\n1,0\r\n\"\"\r\n-1,0\r\n"
    "BOT\r\n1,0\r\n\"   Date \"\r\n1,0\r\n\"   Time \"\r\n1,0\r\n\"   mode \"\r\n1,0\r\n\"   Bk/m3 \"\r\n"
    "1,0\r\n\"  dBk/m3 \"\r\n-1,0\r\n"};
constexpr std::string_view kEnd{"EOD\r\n"};
constexpr std::uint64_t kMaxReserve = 64u << 20;

// The longest row: five cells of the longest text (a negative float), each
// as a string (the longer form), and the row's own lines.
constexpr std::size_t kMaxCellText = kMaxFixed3Text;
constexpr std::size_t kMaxRow = 5 + 5 * (5 + 1 + kMaxCellText + 1 + 2) + 6;

// Collects output in a fixed buffer and hands it on in chunks.
class ChunkWriter {
 public:
  explicit ChunkWriter(ByteSink& sink) : sink_(sink) {}

  // Room for `n` more bytes, flushing first when needed. False once the sink
  // has failed.
  bool reserve(std::size_t n) {
    if (failed_) return false;
    if (static_cast<std::size_t>(end_ - p_) < n) flush();
    return !failed_;
  }

  void append(std::string_view text) {
    // Long pieces (a very long file name) go through in parts.
    while (!text.empty() && reserve(1)) {
      const std::size_t n = std::min(text.size(), static_cast<std::size_t>(end_ - p_));
      std::memcpy(p_, text.data(), n);
      p_ += n;
      text.remove_prefix(n);
    }
  }

  char*& position() { return p_; }

  bool finish() {
    flush();
    return !failed_;
  }

 private:
  void flush() {
    if (failed_ || p_ == buffer_) return;
    failed_ = !sink_.write(buffer_, static_cast<std::size_t>(p_ - buffer_));
    p_ = buffer_;
  }

  ByteSink& sink_;
  char buffer_[kDifChunk];
  char* p_ = buffer_;
  char* const end_ = buffer_ + kDifChunk;
  bool failed_ = false;
};

char* put(char* p, std::string_view text) {
  std::memcpy(p, text.data(), text.size());
  return p + text.size();
}

// Cells are at least their fixed width; a longer text is written whole and
// the cell grows.
char* padTo(char* start, char* end, std::size_t width) {
  while (static_cast<std::size_t>(end - start) < width) *end++ = ' ';
  return end;
}

char* stringCell(char* p, const char* text, const char* textEnd) {
  p = put(p, "1,0\r\n\"");
  p = put(p, {text, static_cast<std::size_t>(textEnd - text)});
  return put(p, "\"\r\n");
}

char* numberCell(char* p, const char* text, const char* textEnd) {
  p = put(p, "0,");
  p = put(p, {text, static_cast<std::size_t>(textEnd - text)});
  return put(p, "\r\nV\r\n");
}

char* cell(char* p, const char* text, const char* textEnd) {
  return isPlainNumber({text, static_cast<std::size_t>(textEnd - text)}) ? numberCell(p, text, textEnd)
                                                                          : stringCell(p, text, textEnd);
}

// A date or time cell: formatByte3 of the first field, then the last two
// characters of the others (the year's two digits) behind a separator.
char* dateTimeCell(char* p, std::uint32_t a, std::uint32_t b, std::uint32_t c, char separator) {
  char text[9];
  char* t = formatByte3(text, a);
  *t++ = separator;
  t = formatByte3Tail(t, b);
  *t++ = separator;
  t = formatByte3Tail(t, c);
  return stringCell(p, text, t);
}

// formatByte3 and five blanks; a code beyond one byte keeps all its digits
// rather than showing its low byte as another mode.
char* modeCell(char* p, std::uint16_t code) {
  char text[kCellWidth];
  char* t = code <= 0xFF ? formatByte3(text, code) : formatDword(text, code);
  return numberCell(p, text, padTo(text, t, kCellWidth));
}

char* valueAndErrorCells(char* p, const RecordSummary& r) {
  char value[kMaxFixed3Text + kCellWidth];
  char error[kMaxDwordText + kCellWidth];
  char* v = value;
  char* e = error;  // stays empty: a blank error cell
  switch (valueForm(r)) {
    case ValueForm::Float:
      v = formatFixed3(value, r.value);
      break;
    case ValueForm::Tenths:
      if (tenthsBelowHalf(r.value)) {
        v = put(value, kBelowHalf);
      } else {
        // The row carries the error that the list shows beside the value.
        v = formatTenths(value, r.value);
        e = formatDword(error, r.error);
      }
      break;
    case ValueForm::Number:
      v = formatDword(value, r.value);
      e = formatDword(error, r.error);
      break;
  }
  p = cell(p, value, padTo(value, v, kCellWidth));
  return cell(p, error, padTo(error, e, kCellWidth));
}

char* dataRow(char* p, const RecordSummary& r) {
  p = put(p, "BOT\r\n");
  p = dateTimeCell(p, r.day, r.month, r.year % 100, '_');
  p = dateTimeCell(p, r.hour, r.minute, r.second, ':');
  p = modeCell(p, r.modeCode);
  p = valueAndErrorCells(p, r);
  return put(p, "-1,0\r\n");
}

class StringSink : public ByteSink {
 public:
  explicit StringSink(std::string& out) : out_(out) {}
  bool write(const char* data, std::size_t size) override {
    out_.append(data, size);
    return true;
  }

 private:
  std::string& out_;
};

}  // namespace

bool isPlainNumber(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return false;
  text = text.substr(first, text.find_last_not_of(' ') - first + 1);
  if (text.front() == '-') text.remove_prefix(1);
  bool digit = false;
  bool point = false;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digit;
}

bool writeDifExport(const SummaryList& list, std::string_view loadedName, ByteSink& sink) {
  ChunkWriter out(sink);
  out.append(kHeadBeforeCount);
  // The vector count is the record count + 1, in full past 65,535.
  char count[kMaxDwordText];
  out.append({count, static_cast<std::size_t>(formatCountPadded(count, list.size() + 1u) - count)});
  out.append(kHeadBeforeFile);
  // Windows names hold no quote and no line end; a name from elsewhere may.
  // A DIF string holds a quote doubled, as spreadsheet programs read it, and
  // cannot hold a line end, which becomes '?'.
  std::string_view rest = loadedName;
  for (std::size_t at; (at = rest.find_first_of("\"\r\n")) != std::string_view::npos; rest.remove_prefix(at + 1)) {
    out.append(rest.substr(0, at));
    out.append(rest[at] == '"' ? std::string_view("\"\"") : std::string_view("?"));
  }
  out.append(rest);
  // A name longer than the cell is written whole: no padding, nothing cut.
  if (loadedName.size() < kFileCellWidth) out.append({blankRun(), kFileCellWidth - loadedName.size()});
  out.append(kHeadAfterFile);
  for (const RecordSummary& r : list) {
    if (!out.reserve(kMaxRow)) return false;
    out.position() = dataRow(out.position(), r);
  }
  out.append(kEnd);
  return out.finish();
}

std::string buildDifExport(const SummaryList& list, std::string_view loadedName) {
  std::string bytes;
  // One allocation for a list of any usual length; for a huge one the string
  // grows as it goes rather than asking for the worst case at once.
  const std::uint64_t worst = kHeadBeforeCount.size() + kHeadBeforeFile.size() + kHeadAfterFile.size() +
                              kFileCellWidth + 2 * loadedName.size() + kMaxDwordText +
                              std::uint64_t{list.size()} * kMaxRow + kEnd.size();
  if (worst <= kMaxReserve) bytes.reserve(static_cast<std::size_t>(worst));
  StringSink sink(bytes);
  writeDifExport(list, loadedName, sink);
  return bytes;
}

}  // namespace zel::browser
