// The record's words in Russian, and its fields' labels for people in
// both languages. The radiation terms as Russian radon laboratories use
// them: ОА (объёмная активность), ЭРОА (эквивалентная равновесная
// объёмная активность).
#include <array>
#include <span>
#include <utility>

#include "common/mode_table.h"
#include "kvd/meaning/record_meaning.h"

namespace zel::cli {

namespace {

// By code, as the record browser's mode table; empty where it has "???".
constexpr std::array<std::string_view, kModeCount> kRussianModes = {
    "",
    "ОА радона 20, оценка",
    "ОА радона 20",
    "Интегральная ОА радона 1",
    "Фон канала ОА радона",
    "Радон в пробе воды",
    "Поток радона с поверхности",
    "Фон канала ЭРОА",
    "",
    "",
    "ЭРОА, ручные настройки",
    "",
    "ОА радона 20 без воздуходувки",
    "ОА радона 60 без воздуходувки",
    "ЭРОА – 5",
    "ЭРОА – 2",
    "",
    "",
    "Радон в пробе воздуха",
    "Радон в пробе почвы",
    "ЭРОА торона",
    "Интегральная ОА радона 2",
    "ЭРОА – 10",
    "Интегральная ЭРОА",
    "ОА торона",
    "ОА радона, ручные настройки",
    "ОА радона 60",
};

struct Label {
  std::string_view field;
  std::string_view en;
  std::string_view ru;
};

// The named fields in record order, then the window sums.
constexpr Label kFieldLabels[] = {
    {"deviceNumber", "Device number", "Номер прибора"},
    {"modeCode", "Mode code", "Код режима"},
    {"year", "Year", "Год"},
    {"month", "Month", "Месяц"},
    {"day", "Day", "День"},
    {"hour", "Hour", "Час"},
    {"minute", "Minute", "Минута"},
    {"second", "Second", "Секунда"},
    {"delayTime", "Delay time", "Время задержки"},
    {"measurementTime", "Measurement time", "Время измерения"},
    {"pulseCount", "Pulse count", "Число импульсов"},
    {"countN1", "Count N1", "Счёт N1"},
    {"countN2", "Count N2", "Счёт N2"},
    {"countN3", "Count N3", "Счёт N3"},
    {"pumpingTime", "Pumping time", "Время прокачки"},
    {"temperature", "Temperature", "Температура"},
    {"humidity", "Humidity", "Влажность"},
    {"pressure", "Pressure", "Давление"},
    {"windowBound1", "Window boundary 1", "Граница окна 1"},
    {"windowBound2", "Window boundary 2", "Граница окна 2"},
    {"windowBound3", "Window boundary 3", "Граница окна 3"},
    {"cycleCount", "Cycle count", "Число циклов"},
    {"primaryResult", "Result", "Результат"},
    {"primaryError", "Error of the result", "Погрешность результата"},
    {"integralResult", "Integral result", "Интегральный результат"},
    {"integralError", "Error of the integral result", "Погрешность интегрального результата"},
    {"eecRn", "EEC of radon", "ЭРОА радона"},
    {"eecRnError", "Error of the EEC of radon", "Погрешность ЭРОА радона"},
    {"eecTn", "EEC of thoron", "ЭРОА торона"},
    {"eecTnError", "Error of the EEC of thoron", "Погрешность ЭРОА торона"},
    {"variantFlag", "Variant flag", "Признак варианта"},
    {"ca", "Coefficient Ca", "Коэффициент Ca"},
    {"cb", "Coefficient Cb", "Коэффициент Cb"},
    {"cc", "Coefficient Cc", "Коэффициент Cc"},
    {"kv", "Coefficient Kv", "Коэффициент Kv"},
    {"fd", "Coefficient Fd", "Коэффициент Fd"},
    {"windowSum1", "Sum of window 1", "Сумма окна 1"},
    {"windowSum2", "Sum of window 2", "Сумма окна 2"},
    {"windowSum3", "Sum of window 3", "Сумма окна 3"},
    {"windowSum4", "Sum of window 4", "Сумма окна 4"},
};

constexpr std::pair<std::string_view, std::string_view> kRussianResults[] = {
    {"CRn", "ОА(Rn)"},
    {"CTn", "ОА(Tn)"},
    {"EECRn", "ЭРОА(Rn)"},
    {"EECTn", "ЭРОА(Tn)"},
    {"Qwater", "Q(вода)"},
    {"Qsample", "Q(проба воздуха)"},
    {"Qsoil", "Q(почва)"},
    {"flux", "Q(поток радона)"},
    {"background", "Собственный фон радиометра"},
    {"method", "Метод"},
    {"pumpingMode", "Режим прокачки"},
    {"pumpingTime", "прокачка"},
    {"delayTime", "задержка"},
    {"measurementTime", "измерение"},
    {"cycles", "Циклы"},
};

constexpr std::pair<std::string_view, std::string_view> kRussianResultTexts[] = {
    {"Method 1", "Метод 1"},
    {"Method 2", "Метод 2"},
    {"timed", "по времени"},
    {"continuous", "непрерывная"},
};

std::string_view lookUp(std::span<const std::pair<std::string_view, std::string_view>> table, std::string_view key) {
  for (const auto& [from, to] : table)
    if (from == key) return to;
  return {};
}

}  // namespace

std::string_view russianResultLabel(std::string_view key) { return lookUp(kRussianResults, key); }

std::string_view russianResultText(std::string_view text) { return lookUp(kRussianResultTexts, text); }

std::string_view russianModeName(std::uint32_t modeCode) {
  return modeCode < kRussianModes.size() ? kRussianModes[modeCode] : std::string_view();
}

std::string_view russianUnitText(Unit unit) {
  switch (unit) {
    case Unit::None: return "";
    case Unit::BqPerM3: return "Бк/м³";
    case Unit::MilliBqPerSM2: return "мБк/(с·м²)";
    case Unit::Pulses: return "имп.";
    case Unit::Seconds: return "с";
    case Unit::Minutes: return "мин";
    case Unit::Celsius: return "°C";
    case Unit::Percent: return "%";
    case Unit::MmHg: return "мм рт. ст.";
    case Unit::Channel: return "канал";
    case Unit::Cycles: return "цикл.";
  }
  return unitText(unit);
}

std::string_view fieldLabel(std::string_view field, bool russian) {
  for (const Label& l : kFieldLabels)
    if (l.field == field) return russian ? l.ru : l.en;
  return {};
}

}  // namespace zel::cli
