// The protocol's texts as a Russian lab writes its protocols, and in
// English.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "kvd/archive/protocol_page.h"
#include "kvd/stats/stats.h"

namespace zel::archive::page {

namespace {

constexpr PageText kTexts[] = {
    {"title", "Measurement protocol", "Протокол измерений"},
    {"subtitle", "Radon, thoron and their decay products in the air of buildings",
     "Радон, торон и их дочерние продукты распада в воздухе зданий"},
    {"object", "Object", "Объект"},
    {"address", "Address", "Адрес"},
    {"client", "Client", "Заказчик"},
    {"notes", "Notes", "Примечания"},
    {"issued", "Date of issue", "Дата составления"},
    {"period", "Period of measurements", "Период измерений"},
    {"scope", "Scope", "Объём измерений"},
    // Counted words: English one|other, Russian one|few|many (countText).
    {"roomsCount", "room|rooms", "помещение|помещения|помещений"},
    {"pointsCount", "point|points", "точка|точки|точек"},
    {"recordsCount", "record|records", "запись|записи|записей"},
    {"devices", "Measuring instruments", "Средства измерений"},
    {"device", "Device", "Прибор"},
    {"serial", "Serial No.", "Зав. №"},
    {"model", "Model", "Тип"},
    {"certificate", "Verification certificate", "Свидетельство о поверке"},
    {"validity", "Valid", "Срок действия"},
    {"measured", "Measurements", "Измерения"},
    {"outsideCount", "Records outside verification", "Записей вне срока поверки"},
    {"unknownModel", "not in the archive", "нет в архиве"},
    {"levels", "Reference levels", "Контрольные уровни"},
    {"level", "Level", "Уровень"},
    {"basis", "Basis", "Основание"},
    {"informative",
     "The verdicts compare the means of the records with the levels as they stand: above when even the mean "
     "less its uncertainty exceeds the level, below when even the mean plus its uncertainty does not. A formal "
     "assessment follows the applicable method of measurement (annual averages, seasonal coefficients, the "
     "number and duration of measurements).",
     "Выводы сравнивают средние по записям с уровнями непосредственно: превышает, если уровень превышен даже "
     "средним за вычетом неопределённости; не превышает, если уровень не превышен даже средним с добавленной "
     "неопределённостью. Формальная оценка выполняется по применимой методике измерений (среднегодовые "
     "значения, сезонные коэффициенты, число и длительность измерений)."},
    {"results", "Results by room", "Результаты по помещениям"},
    {"room", "Room", "Помещение"},
    {"floor", "Floor", "Этаж"},
    {"point", "Point", "Точка"},
    {"placements", "Placements of the devices", "Размещение приборов"},
    {"from", "From", "С"},
    {"to", "To", "По"},
    {"noPlacements", "No placement on record: every record of the point counts.",
     "Сведений о размещении нет: учтены все записи точки."},
    {"means", "Mean values", "Средние значения"},
    {"quantity", "Quantity", "Величина"},
    {"count", "Records", "Число записей"},
    {"mean", "Mean", "Среднее"},
    {"uncertainty", "Standard uncertainty", "Стандартная неопределённость"},
    {"unit", "Unit", "Единица"},
    {"leftOut", "left out, not a number", "исключено, не число"},
    {"noUncertaintyShort", "not given", "не определена"},
    {"assessment", "Assessment", "Оценка"},
    {"value", "Value", "Значение"},
    {"verdict", "Verdict", "Вывод"},
    {"noUncertainty", "judged by the mean alone: not every record has an error",
     "оценено по среднему: не у всех записей указана погрешность"},
    {"noVerdicts", "No chosen level applies to the records of this point.",
     "Ни один выбранный уровень не применим к записям точки."},
    {"records", "Records", "Записи"},
    {"date", "Date", "Дата"},
    {"time", "Time", "Время"},
    {"mode", "Mode", "Режим"},
    {"error", "Error", "Погрешность"},
    {"recordId", "Record", "Запись"},
    {"firstFile", "First file", "Первый файл"},
    {"pageResults", "Results", "Результаты"},
    {"verification", "Verification", "Поверка"},
    {"noRecords", "No records.", "Записей нет."},
    {"chartHelp", "Drag across the chart to zoom in; double-click to see the placements whole again.",
     "Выделите участок графика мышью, чтобы увеличить; двойной щелчок возвращает весь период размещения."},
    {"summary", "Summary", "Сводная таблица"},
    {"noLevel", "not applicable", "не применим"},
    {"conclusion", "Conclusion", "Заключение"},
    {"conclusionNone", "No room exceeds a chosen reference level.",
     "Ни в одном помещении контрольные уровни не превышены."},
    {"conclusionSome", "Rooms exceeding a reference level", "Помещений с превышением контрольного уровня"},
    {"of", "of", "из"},
    {"levelAbove", "exceeds the level", "превышает уровень"},
    {"levelBelow", "does not exceed the level", "не превышает уровень"},
    {"levelInconclusive", "inconclusive", "не определено"},
    {"levelNone", "no records that the level applies to", "нет записей, к которым применим уровень"},
    {"outsideNote",
     "record was measured outside its device's verification period or without a verification on record; it is "
     "marked in the tables.|records were measured outside their device's verification period or without a "
     "verification on record; they are marked in the tables.",
     "запись получена вне срока поверки прибора или без сведений о поверке; она отмечена в таблицах.|записи "
     "получены вне срока поверки прибора или без сведений о поверке; они отмечены в таблицах.|записей получено вне "
     "срока поверки прибора или без сведений о поверке; они отмечены в таблицах."},
    {"apart", "Records outside the placements", "Записи вне периодов размещения"},
    {"apartNote", "Records of the object's devices measured outside every placement: listed, not counted.",
     "Записи приборов объекта вне всех периодов размещения: приведены для сведения, в расчёт не входят."},
    {"noPoints", "The object has no points with records.", "У объекта нет точек с записями."},
    {"performed", "Measurements performed by", "Измерения выполнил"},
    {"checked", "Protocol checked by", "Протокол проверил"},
    {"signature", "signature, name", "подпись, Ф. И. О."},
};

}  // namespace

std::span<const PageText> pageTexts() { return kTexts; }

std::string_view text(report::Language language, std::string_view key) {
  for (const PageText& t : kTexts)
    if (t.key == key) return language == report::Language::Ru ? t.ru : t.en;
  return key;
}

std::string unitLabel(std::string_view unit, report::Language language) {
  const bool ru = language == report::Language::Ru;
  if (unit == "Bq/m3") return ru ? "Бк/м³" : "Bq/m³";
  if (unit == "mBq/(s\u00B7m2)" || unit == "mBq/(m2*s)") return ru ? "мБк/(м²·с)" : "mBq/(m²·s)";
  if (unit == "pulses" && ru) return std::string(cli::russianUnitText(cli::Unit::Pulses));
  return std::string(unit);
}

std::string quantityLabel(std::string_view key, const std::string& label, report::Language language) {
  if (language != report::Language::Ru) return label;
  // The NRB sum is the protocol's own, written as the levels' titles write it.
  const std::string_view russian = key == "EECsum" ? "ЭРОА(Rn) + 4,6 ЭРОА(Tn)" : cli::russianResultLabel(key);
  return russian.empty() ? label : std::string(russian);
}

std::string modeName(std::uint32_t code, const std::string& name, report::Language language) {
  const std::string_view russian = language == report::Language::Ru ? cli::russianModeName(code) : "";
  return russian.empty() ? name : std::string(russian);
}

std::string countText(report::Language language, std::string_view key, std::uint64_t n) {
  std::vector<std::string_view> forms;
  for (std::string_view rest = text(language, key);;) {
    const std::size_t bar = rest.find('|');
    forms.push_back(rest.substr(0, bar));
    if (bar == std::string_view::npos) break;
    rest.remove_prefix(bar + 1);
  }
  std::size_t form = n == 1 ? 0 : 1;
  if (language == report::Language::Ru) {
    const std::uint64_t tens = n % 100, ones = n % 10;
    form = ones == 1 && tens != 11 ? 0 : ones >= 2 && ones <= 4 && (tens < 12 || tens > 14) ? 1 : 2;
  }
  return std::to_string(n) + " " + std::string(forms[std::min(form, forms.size() - 1)]);
}

std::string_view verdictText(report::Verdict verdict, report::Language language) {
  switch (verdict) {
    case report::Verdict::Above: return text(language, "levelAbove");
    case report::Verdict::Below: return text(language, "levelBelow");
    case report::Verdict::Inconclusive: break;
  }
  return text(language, "levelInconclusive");
}

std::string_view verificationText(Verification v, report::Language language) {
  const bool ru = language == report::Language::Ru;
  switch (v) {
    case Verification::Valid: return ru ? "в сроке поверки" : "within verification";
    case Verification::Outside: return ru ? "вне срока поверки" : "outside the verification period";
    case Verification::NotOnRecord: return ru ? "нет сведений о поверке" : "no verification on record";
    case Verification::Undated: break;
  }
  return ru ? "нет календарной даты: поверку проверить нельзя" : "no calendar date: verification cannot be checked";
}

std::string_view verificationName(Verification v) {
  switch (v) {
    case Verification::Valid: return "valid";
    case Verification::Outside: return "outside";
    case Verification::NotOnRecord: return "not-on-record";
    case Verification::Undated: break;
  }
  return "undated";
}

std::string_view normTitle(const report::Norm& norm, report::Language language) {
  return language == report::Language::Ru ? norm.titleRu : norm.titleEn;
}

std::string_view normShortTitle(const report::Norm& norm, report::Language language) {
  return language == report::Language::Ru ? norm.shortRu : norm.shortEn;
}

std::string roundedText(double v) {
  if (!std::isfinite(v)) return "\u2013";
  char buf[48];
  std::snprintf(buf, sizeof buf, std::fabs(v) < 1 && v != 0 ? "%.3g" : "%.2f", v);
  return buf;
}

std::string levelText(double v) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%g", v);
  return buf;
}

std::string dayText(std::string_view isoDay) {
  cli::DateTime t;
  if (!cli::parsePeriodBound(isoDay, false, t)) return std::string(isoDay);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02u.%02u.%04u", unsigned{t.day}, unsigned{t.month}, unsigned{t.year});
  return buf;
}

std::string roomTitle(const RoomResult& room, report::Language language) {
  const bool ru = language == report::Language::Ru;
  std::string title;
  if (!room.floor.empty()) title = std::string(ru ? "Этаж " : "Floor ") + room.floor + ", ";
  title += title.empty() ? (ru ? "Помещение " : "Room ") : (ru ? "помещение " : "room ");
  return title + room.room;
}

}  // namespace zel::archive::page
