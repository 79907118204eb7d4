#include <charconv>
#include <cstring>

#include "kvd/export/output_buffer.h"
#include "kvd/export/writers.h"

namespace zel::cli {

namespace {

class CsvWriter : public RowWriter {
 public:
  CsvWriter(browser::ByteSink& out, platform::CsvStyle style) : buffer_(out), style_(style) {
    // A number's text holds digits, a sign, the decimal point, an exponent
    // or the words NaN and Infinity, a date digits, "-", "T" and ":": with
    // any other separator they never need quotes and are not looked at.
    const std::string_view numberCharacters = "0123456789+-eENaInfityT:";
    numbersPlain_ = style_.separator != style_.decimalPoint && style_.separator != '"' &&
                    numberCharacters.find(style_.separator) == std::string_view::npos;
  }

  bool begin(const RowModel& model) override {
    spectrum_ = model.options().spectrum;
    if (style_.byteOrderMark) buffer_.append(std::string_view("\xEF\xBB\xBF"));
    bool first = true;
    for (const Column& c : model.columns()) {
      if (!first) buffer_.push(style_.separator);
      first = false;
      field(c.name);
    }
    if (spectrum_) {
      for (int k = 0; k < kSpectrumChannels; ++k) {
        buffer_.push(style_.separator);
        field(RowModel::channelName(k));
      }
    }
    endLine();
    return buffer_.flushIfFull() || fail();
  }

  bool write(const Row& row) override {
    bool first = true;
    for (const Cell& cell : row.cells) {
      if (!first) buffer_.push(style_.separator);
      first = false;
      switch (cell.kind) {
        case CellKind::Empty:
          break;
        case CellKind::Text:
          field(cell.text);
          break;
        case CellKind::Number:
          if (numbersPlain_) {
            buffer_.advance(formatNumber(buffer_.reserve(kMaxNumberText), cell.number, style_.decimalPoint));
          } else {
            char text[kMaxNumberText];
            field({text, static_cast<std::size_t>(formatNumber(text, cell.number, style_.decimalPoint) - text)});
          }
          break;
        case CellKind::DateTime:
          if (numbersPlain_) {
            buffer_.advance(formatIsoDateTime(buffer_.reserve(kMaxIsoDateTimeText), cell.dateTime));
          } else {
            char text[kMaxIsoDateTimeText];
            field({text, static_cast<std::size_t>(formatIsoDateTime(text, cell.dateTime) - text)});
          }
          break;
      }
    }
    if (spectrum_) {
      for (std::uint16_t count : row.spectrum) {
        if (numbersPlain_) {
          char* p = buffer_.reserve(8);
          *p++ = style_.separator;
          buffer_.advance(std::to_chars(p, p + 5, count).ptr);
        } else {
          buffer_.push(style_.separator);
          char text[8];
          field({text, static_cast<std::size_t>(std::to_chars(text, text + sizeof text, count).ptr - text)});
        }
      }
    }
    endLine();
    return buffer_.flushIfFull() || fail();
  }

  bool finish() override { return buffer_.flush() || fail(); }

 private:
  bool needsQuotes(std::string_view text) const {
    for (char c : text)
      if (c == style_.separator || c == '"' || c == '\r' || c == '\n') return true;
    return false;
  }

  void field(std::string_view text) {
    if (!needsQuotes(text)) {
      buffer_.append(text);
      return;
    }
    buffer_.push('"');
    for (char c : text) {
      if (c == '"') buffer_.push('"');
      buffer_.push(c);
    }
    buffer_.push('"');
  }

  void endLine() { buffer_.append(std::string_view(style_.crlf ? "\r\n" : "\n")); }

  bool fail() {
    error_ = "the CSV file could not be written";
    return false;
  }

  OutputBuffer buffer_;
  platform::CsvStyle style_;
  bool spectrum_ = false;
  bool numbersPlain_ = true;
};

}  // namespace

std::unique_ptr<RowWriter> makeCsvWriter(browser::ByteSink& out, platform::CsvStyle style) {
  return std::make_unique<CsvWriter>(out, style);
}

bool FileByteSink::write(const char* data, std::size_t size) {
  return std::fwrite(data, 1, size, stream_) == size;
}

std::string validUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    const unsigned char c = *p;
    int length = 0;
    std::uint32_t min = 0;
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      ++p;
      continue;
    }
    if ((c & 0xE0) == 0xC0) {
      length = 2;
      min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      length = 3;
      min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      length = 4;
      min = 0x10000;
    }
    bool ok = length > 0 && end - p >= length;
    std::uint32_t cp = length > 0 ? c & (0x7Fu >> length) : 0;
    for (int k = 1; ok && k < length; ++k) {
      if ((p[k] & 0xC0) != 0x80) ok = false;
      cp = (cp << 6) | (p[k] & 0x3Fu);
    }
    if (ok && (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) ok = false;
    if (ok) {
      out.append(reinterpret_cast<const char*>(p), static_cast<std::size_t>(length));
      p += length;
    } else {
      out.append("\xEF\xBF\xBD");
      ++p;
    }
  }
  return out;
}

}  // namespace zel::cli
