#include "kvd/report/report_texts.h"

namespace zel::report {

namespace {

constexpr ReportText kTexts[] = {
    {"files", "Files", "Файлы"},
    {"device", "Device", "Прибор"},
    {"period", "Period", "Период"},
    {"recordsPerMode", "Records per mode", "Записей по режимам"},
    {"mode", "Mode", "Режим"},
    {"records", "Records", "Записи"},
    {"charts", "Charts", "Графики"},
    {"chartHelp",
     "Drag across a chart to zoom in on a period; double-click to see the whole period again. All charts follow.",
     "Выделите мышью участок графика, чтобы увеличить период; двойной щелчок возвращает весь период. Все "
     "графики следуют за ним."},
    {"concentrations", "Radon and thoron concentration", "Объёмная активность радона и торона"},
    {"eec", "Equivalent equilibrium concentration (EEC)", "Эквивалентная равновесная объёмная активность (ЭРОА)"},
    {"flux", "Radon flux from the soil", "Плотность потока радона с поверхности грунта"},
    {"climate", "Climate", "Микроклимат"},
    {"temperature", "Temperature, °C", "Температура, °C"},
    {"humidity", "Humidity, %", "Влажность, %"},
    {"pressure", "Pressure, mmHg", "Давление, мм рт. ст."},
    {"statistics", "Statistics", "Статистика"},
    {"quantity", "Quantity", "Величина"},
    {"count", "Count", "Число"},
    {"first", "First", "Первая"},
    {"last", "Last", "Последняя"},
    {"min", "Min", "Минимум"},
    {"max", "Max", "Максимум"},
    {"mean", "Mean", "Среднее"},
    {"uncertainty", "Uncertainty of the mean", "Неопределённость среднего"},
    {"stddev", "Standard deviation", "Стандартное отклонение"},
    {"unit", "Unit", "Единица"},
    {"levels", "Reference levels", "Контрольные уровни"},
    {"informative",
     "This section is informative. A formal assessment follows the applicable method of measurement and "
     "evaluation (annual averages, seasonal coefficients, the number and duration of measurements); single "
     "readings and period means are compared here with the levels as they stand.",
     "Раздел носит информационный характер. Формальная оценка выполняется по применимой методике измерений "
     "и оценки (среднегодовые значения, сезонные коэффициенты, число и длительность измерений); здесь "
     "отдельные результаты и средние за период сравниваются с уровнями непосредственно."},
    {"covers", "Covers", "Охват"},
    {"value", "Value", "Значение"},
    {"error", "Error", "Погрешность"},
    {"level", "Level", "Уровень"},
    {"verdict", "Verdict", "Вывод"},
    {"meanOf", "mean of mode", "среднее по режиму"},
    {"recordsJudged", "Records judged", "Оценено записей"},
    {"recordsAbove", "Records above the level", "Записи выше уровня"},
    {"above", "above", "выше"},
    {"below", "below", "ниже"},
    {"inconclusive", "inconclusive", "не определено"},
    {"noLevels", "The files hold no records that a chosen level applies to.",
     "В файлах нет записей, к которым применим выбранный уровень."},
    {"dateTime", "Date and time", "Дата и время"},
    {"file", "File", "Файл"},
    {"index", "Index", "Номер"},
    {"marks", "Above", "Выше"},
    {"pages", "Result pages", "Страницы результатов"},
    {"page", "Result page", "Страница результата"},
    {"spectrum", "Spectrum", "Спектр"},
    {"none", "none", "нет"},
    {"noRecords", "No records in the period.", "Нет записей за период."},
};

}  // namespace

std::span<const ReportText> reportTexts() { return kTexts; }

std::string_view reportText(Language language, std::string_view key) {
  for (const ReportText& t : kTexts)
    if (t.key == key) return language == Language::Ru ? t.ru : t.en;
  return key;
}

std::string_view verdictWord(Language language, Verdict verdict) { return reportText(language, verdictName(verdict)); }

}  // namespace zel::report
