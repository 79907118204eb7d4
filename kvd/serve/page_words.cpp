#include "kvd/serve/page_words.h"

#include <utility>

namespace zel::serve {

namespace {

// The export's own columns (kvd/export/row_model.h) and its sheet by their
// English names; the named fields and window sums take their labels.
constexpr std::pair<std::string_view, std::string_view> kRussianHeadings[] = {
    {"Records", "Записи"},
    {"Record ID", "№ записи"},
    {"Object", "Объект"},
    {"Floor", "Этаж"},
    {"Room", "Помещение"},
    {"Point", "Точка"},
    {"File", "Файл"},
    {"Record", "Номер в файле"},
    {"Date and time", "Дата и время"},
    {"Mode", "Режим"},
    {"Mode name", "Название режима"},
    {"Value", "Значение"},
    {"Error", "Погрешность"},
    {"Unit", "Ед. изм."},
    {"Value (pCi/L)", "Значение, пКи/л"},
    {"Error (pCi/L)", "Погрешность, пКи/л"},
    {"Value (WL)", "Значение, WL"},
    {"Error (WL)", "Погрешность, WL"},
};

class RussianTableWords : public cli::TableWords {
 public:
  std::string heading(std::string_view column) const override {
    for (const auto& [en, ru] : kRussianHeadings)
      if (en == column) return std::string(ru);
    const std::string_view label = cli::fieldLabel(column, true);
    return std::string(label.empty() ? column : label);
  }
  std::string_view modeName(std::uint32_t modeCode) const override { return modeNameIn("ru", modeCode); }
  std::string_view unit(cli::Unit unit) const override { return cli::russianUnitText(unit); }
};

}  // namespace

bool isRussian(std::string_view lang) { return lang == "ru"; }

std::string_view modeNameIn(std::string_view lang, std::uint32_t modeCode) {
  const std::string_view russian = isRussian(lang) ? cli::russianModeName(modeCode) : std::string_view();
  return russian.empty() ? cli::modeNameText(modeCode) : russian;
}

std::string_view unitIn(std::string_view lang, cli::Unit unit) {
  return isRussian(lang) ? cli::russianUnitText(unit) : cli::unitText(unit);
}

std::string_view fieldLabel(std::string_view lang, std::string_view field) {
  const std::string_view label = cli::fieldLabel(field, isRussian(lang));
  return label.empty() ? field : label;
}

std::string resultLabel(std::string_view lang, const cli::Quantity& result) {
  const std::string_view russian = isRussian(lang) ? cli::russianResultLabel(result.key) : std::string_view();
  return russian.empty() ? result.label : std::string(russian);
}

std::string_view resultText(std::string_view lang, const cli::Quantity& result) {
  const std::string_view russian = isRussian(lang) ? cli::russianResultText(result.text) : std::string_view();
  return russian.empty() ? result.text : russian;
}

const cli::TableWords& russianTableWords() {
  static const RussianTableWords words;
  return words;
}

}  // namespace zel::serve
