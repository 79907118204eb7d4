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
    // {number}: the protocol's number as the lab gave it.
    {"heading", "MEASUREMENT PROTOCOL No. {number}", "ПРОТОКОЛ ИЗМЕРЕНИЙ № {number}"},
    {"headingDraft", "MEASUREMENT PROTOCOL: DRAFT", "ПРОЕКТ ПРОТОКОЛА ИЗМЕРЕНИЙ"},
    {"draftMark", "DRAFT", "ПРОЕКТ"},
    {"draftNote", "A draft: not issued, not valid as a protocol.",
     "Проект: протокол не выдан и не имеет силы."},
    // The printed pages' foot: the text, the page, "of", the pages.
    {"pageNumbered", "Protocol No. {number}, page ", "Протокол № {number}, стр. "},
    {"pageDraft", "DRAFT protocol, page ", "ПРОЕКТ протокола, стр. "},
    {"pageOf", " of ", " из "},
    {"subtitle", "Radon, thoron and their decay products in the air of buildings",
     "Радон, торон и их дочерние продукты распада в воздухе зданий"},
    {"lab", "Testing laboratory", "Испытательная лаборатория"},
    {"phone", "Phone", "Телефон"},
    {"email", "E-mail", "Эл. почта"},
    {"accreditation", "Accreditation", "Аттестат аккредитации"},
    {"accreditedUntil", "valid until", "действителен до"},
    {"object", "Object", "Объект"},
    {"address", "Address", "Адрес"},
    {"client", "Customer", "Заказчик"},
    {"kind", "Kind of object", "Вид объекта"},
    {"kindInUse", "dwelling or public building in use", "эксплуатируемое жилое или общественное здание"},
    {"kindNew", "building being commissioned (new or rebuilt)",
     "здание, вводимое в эксплуатацию (новое или после реконструкции)"},
    {"kindWorkplace", "workplace", "рабочие места (производственное помещение)"},
    {"notes", "Notes", "Примечания"},
    {"method", "Method of measurement", "Методика измерений"},
    {"issued", "Date of issue", "Дата выдачи"},
    {"period", "Period of measurements", "Период измерений"},
    {"scope", "Scope", "Объём измерений"},
    // Counted words: English one|other, Russian one|few|many (countText).
    {"roomsCount", "room|rooms", "помещение|помещения|помещений"},
    {"pointsCount", "point|points", "точка|точки|точек"},
    {"recordsCount", "record|records", "запись|записи|записей"},
    {"replaces", "This protocol replaces protocol No. {number}.", "Настоящий протокол заменяет протокол № {number}."},
    {"reason", "Reason", "Причина"},
    {"acceptedUnverified",
     "Records measured outside their instrument's verification period were used in this protocol by the "
     "laboratory's decision.",
     "По решению лаборатории в протоколе использованы записи, полученные вне срока поверки средства измерений."},
    {"devices", "Measuring instruments", "Средства измерений"},
    {"device", "Device", "Прибор"},
    {"type", "Type", "Тип"},
    {"serial", "Serial No.", "Зав. №"},
    {"statedError", "Stated error", "Погрешность"},
    {"certificate", "Verification certificate", "Свидетельство о поверке"},
    {"validity", "Valid", "Срок действия"},
    {"measured", "Measurements", "Измерения"},
    {"outsideCount", "Records outside verification", "Записей вне срока поверки"},
    {"outsideList", "Outside its verification", "Вне срока поверки"},
    {"unknownModel", "not in the archive", "нет в архиве"},
    {"levels", "Normative levels", "Нормативы"},
    {"level", "Level", "Уровень"},
    {"basis", "Basis", "Основание"},
    {"decisionRule", "Decision rule", "Правило принятия решения"},
    // {k}: the coverage factor.
    {"decisionRuleDefault",
     "A room's or point's mean is compared with the normative level together with its expanded uncertainty "
     "U = k·u, k = {k}. The level is exceeded when the mean less U is above the level; it is not exceeded when "
     "the mean plus U is at or below the level; otherwise the result is inconclusive.",
     "Среднее значение по помещению или точке сравнивается с нормативом с учётом расширенной неопределённости "
     "U = k·u, k = {k}. Норматив превышен, если среднее за вычетом U больше норматива; не превышен, если "
     "среднее с добавлением U не больше норматива; в остальных случаях результат не определён."},
    {"results", "Results by room", "Результаты по помещениям"},
    {"room", "Room", "Помещение"},
    {"floor", "Floor", "Этаж"},
    {"point", "Point", "Точка"},
    {"points", "Points", "Точек"},
    {"roomAssessment", "Assessment of the room", "Оценка помещения"},
    {"roomMeanNote", "The room's mean is taken over the records of all its points.",
     "Среднее по помещению вычислено по записям всех его точек."},
    {"placements", "Placements of the devices", "Размещение приборов"},
    {"from", "From", "С"},
    {"to", "To", "По"},
    {"noPlacements", "No placement on record: every record of the point counts.",
     "Сведений о размещении нет: учтены все записи точки."},
    {"conditions", "Conditions of measurement", "Условия измерений"},
    {"lowest", "Lowest", "Наименьшее"},
    {"highest", "Highest", "Наибольшее"},
    {"temperature", "Air temperature", "Температура воздуха"},
    {"humidity", "Relative humidity", "Относительная влажность"},
    {"pressure", "Atmospheric pressure", "Атмосферное давление"},
    {"means", "Mean values", "Средние значения"},
    {"quantity", "Quantity", "Величина"},
    {"count", "Records", "Число записей"},
    {"mean", "Mean", "Среднее"},
    {"uncertainty", "Standard uncertainty u", "Стандартная неопределённость u"},
    {"expanded", "Expanded uncertainty U (k = {k})", "Расширенная неопределённость U (k = {k})"},
    {"unit", "Unit", "Единица"},
    {"leftOut", "left out, not a number", "исключено, не число"},
    {"noUncertaintyShort", "not given", "не определена"},
    {"assessment", "Assessment of the point", "Оценка точки"},
    {"value", "Value", "Значение"},
    {"verdict", "Verdict", "Вывод"},
    {"noUncertainty", "judged by the mean alone: not every record has an error",
     "оценено по среднему: не у всех записей указана погрешность"},
    {"noVerdicts", "No normative level applies to the records of this point.",
     "Ни один норматив не применим к записям точки."},
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
    {"informative", "For information: other reference levels (not a statement of conformity)",
     "Для сведения: иные референтные уровни (не является заявлением о соответствии)"},
    {"informativeNote",
     "Each point's mean of indoor radon beside the reference levels of other bodies, as a share of each level. "
     "These comparisons are given for information only; the laboratory states no conformity with them.",
     "Среднее по каждой точке объёмной активности радона рядом с референтными уровнями иных организаций, в "
     "процентах от каждого уровня. Сравнение приведено только для сведения; соответствие этим уровням "
     "лабораторией не устанавливается."},
    {"conclusion", "Conclusion", "Заключение"},
    {"conclusionNone", "No room exceeds the normative level.", "Ни в одном помещении норматив не превышен."},
    {"conclusionSome", "Rooms exceeding the normative level", "Помещений с превышением норматива"},
    {"conclusionUnsure", "Rooms whose conformity the measurements cannot decide",
     "Помещений, соответствие которых по результатам измерений не установлено"},
    {"of", "of", "из"},
    {"levelAbove", "exceeds the level", "превышает норматив"},
    {"levelBelow", "does not exceed the level", "не превышает норматив"},
    {"levelInconclusive", "inconclusive", "не определено"},
    {"levelNone", "no records that the level applies to", "нет записей, к которым применим норматив"},
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
    {"onlyObject", "The results relate only to the object measured.",
     "Результаты относятся только к объекту, прошедшему измерения."},
    {"fullCopy", "This protocol shall not be reproduced except in full without the laboratory's written approval.",
     "Настоящий протокол не может быть воспроизведён не в полном объёме без письменного разрешения лаборатории."},
    {"signed", "Signatures", "Подписи"},
    {"position", "position", "должность"},
    {"signature", "signature", "подпись"},
    {"name", "name", "Ф. И. О."},
    {"signDate", "date", "дата"},
    {"endOfProtocol", "End of protocol", "Конец протокола"},
};

}  // namespace

std::span<const PageText> pageTexts() { return kTexts; }

std::string_view text(report::Language language, std::string_view key) {
  for (const PageText& t : kTexts)
    if (t.key == key) return language == report::Language::Ru ? t.ru : t.en;
  return key;
}

}  // namespace zel::archive::page
