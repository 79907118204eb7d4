// What kvd names in English, in the words of a page's language (from
// kvd/meaning/record_words.cpp): the mode names, the units, the record's
// fields with labels for people, and the headings of a table exported from
// a Russian page. The numbers are never touched; the Windows programs and
// kvd's command line keep their own English words.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "kvd/export/row_model.h"
#include "kvd/meaning/record_meaning.h"

namespace zel::serve {

bool isRussian(std::string_view lang);

// The mode's name as the record browser shows it, or in Russian; "???"
// for codes without one, as the browser shows them.
std::string_view modeNameIn(std::string_view lang, std::uint32_t modeCode);
std::string_view unitIn(std::string_view lang, cli::Unit unit);
// "Pulse count" / "Число импульсов" for the field "pulseCount"; the
// identifier itself for a name that is no field.
std::string_view fieldLabel(std::string_view lang, std::string_view field);
// A result of the record's page: its name ("EEC(Rn)" / "ЭРОА(Rn)") and,
// for a result in words, its text.
std::string resultLabel(std::string_view lang, const cli::Quantity& result);
std::string_view resultText(std::string_view lang, const cli::Quantity& result);

// The Russian headings, mode names and units of a CSV or XLSX export.
const cli::TableWords& russianTableWords();

}  // namespace zel::serve
