// JSON rows. nlohmann/json escapes every key and every text; the row around
// them is put together here, so that a record costs no object building: the
// keys are escaped once, a text again only when it changes (a file name per
// file, a mode name per mode), and numbers are written as record_meaning
// writes them, the shortest text that reads back as the stored value, which
// is also what nlohmann/json writes for a double.
#include <nlohmann/json.hpp>

#include <charconv>
#include <cstring>
#include <deque>

#include "kvd/export/output_buffer.h"
#include "kvd/export/writers.h"

namespace zel::cli {

namespace {

using PlainJson = nlohmann::json;

// A text as a JSON string, through nlohmann/json. Broken UTF-8 is replaced
// by U+FFFD: JSON text is UTF-8.
std::string jsonString(std::string_view text) {
  return PlainJson(std::string(text)).dump(-1, ' ', false, PlainJson::error_handler_t::replace);
}

// Texts already escaped, per column: a file name stays the same for all
// the rows of its file, mode names and units come from small tables.
class TextCache {
 public:
  const std::string& escaped(std::string_view text) {
    if (last_ != nullptr && last_->first == text) return last_->second;
    for (auto& entry : entries_) {
      if (entry.first == text) {
        last_ = &entry;
        return entry.second;
      }
    }
    // A column of ever new texts stays bounded.
    if (entries_.size() >= kMaxEntries) {
      entries_.clear();
      last_ = nullptr;
    }
    entries_.emplace_back(std::string(text), jsonString(text));
    last_ = &entries_.back();
    return last_->second;
  }

 private:
  static constexpr std::size_t kMaxEntries = 64;
  std::deque<std::pair<std::string, std::string>> entries_;
  const std::pair<std::string, std::string>* last_ = nullptr;
};

class JsonWriter : public RowWriter {
 public:
  JsonWriter(browser::ByteSink& out, bool lines) : buffer_(out), lines_(lines) {}

  bool begin(const RowModel& model) override {
    const std::vector<Column>& columns = model.columns();
    for (std::size_t k = 0; k < columns.size(); ++k) {
      names_.push_back(columns[k].name);
      keys_.push_back((k == 0 ? "{" : ",") + jsonString(columns[k].name) + ":");
    }
    texts_.resize(columns.size());
    spectrum_ = model.options().spectrum;
    if (!lines_) buffer_.append("[");
    return true;
  }

  bool write(const Row& row) override {
    if (!lines_) buffer_.append(first_ ? "\n" : ",\n");
    first_ = false;
    PlainJson nonFinite;
    for (std::size_t k = 0; k < row.cells.size(); ++k) {
      const Cell& cell = row.cells[k];
      buffer_.append(keys_[k]);
      switch (cell.kind) {
        case CellKind::Empty:
          buffer_.append("null");
          break;
        case CellKind::Text:
          buffer_.append(texts_[k].escaped(cell.text));
          break;
        case CellKind::DateTime: {
          // Digits, "-", "T" and ":": nothing to escape.
          char* p = buffer_.reserve(kMaxIsoDateTimeText + 2);
          *p++ = '"';
          p = formatIsoDateTime(p, cell.dateTime);
          *p++ = '"';
          buffer_.advance(p);
          break;
        }
        case CellKind::Number:
          if (cell.number.finite()) {
            buffer_.advance(formatNumber(buffer_.reserve(kMaxNumberText), cell.number));
          } else {
            // JSON has no NaN or infinity: null here, the text below.
            buffer_.append("null");
            nonFinite[names_[k]] = numberText(cell.number);
          }
          break;
      }
    }
    if (spectrum_) {
      buffer_.append(",\"spectrum\":[");
      char* p = buffer_.reserve(kSpectrumChannels * 6 + 1);
      for (int c = 0; c < kSpectrumChannels; ++c) {
        if (c > 0) *p++ = ',';
        p = std::to_chars(p, p + 5, row.spectrum[static_cast<std::size_t>(c)]).ptr;
      }
      *p++ = ']';
      buffer_.advance(p);
    }
    if (!nonFinite.is_null()) {
      buffer_.append(",\"nonFinite\":");
      buffer_.append(nonFinite.dump());
    }
    buffer_.append(lines_ ? "}\n" : "}");
    return buffer_.flushIfFull() || fail();
  }

  bool finish() override {
    if (!lines_) buffer_.append(first_ ? "]\n" : "\n]\n");
    return buffer_.flush() || fail();
  }

 private:
  bool fail() {
    error_ = "the JSON file could not be written";
    return false;
  }

  OutputBuffer buffer_;
  bool lines_;
  bool first_ = true;
  bool spectrum_ = false;
  std::vector<std::string> names_;
  std::vector<std::string> keys_;
  std::vector<TextCache> texts_;
};

}  // namespace

std::unique_ptr<RowWriter> makeJsonWriter(browser::ByteSink& out, bool lines) {
  return std::make_unique<JsonWriter>(out, lines);
}

}  // namespace zel::cli
