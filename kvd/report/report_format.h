// The report's small writers of text: HTML-escaped texts, JSON strings that
// stay inside a script element, and numbers exact or rounded for a reader.
#pragma once

#include <string>
#include <string_view>

namespace zel::report {

void appendEscaped(std::string& out, std::string_view text);
std::string escaped(std::string_view text);
// A JSON string inside a script element. Every '<' is written "\u003c": a
// text can then neither close the element ("</script>") nor, with "<!--"
// and "<script", make the browser read past its end.
void appendJsonString(std::string& out, std::string_view text);
// The shortest text that reads back as the same double: a stored integer
// stays that integer, a mean keeps every digit it has; "null" for NaN and
// the infinities.
void appendNumber(std::string& out, double v);
std::string numberText(double v);
// A computed number (a mean, an uncertainty) for a reader: two decimals, or
// three significant digits below one; "&ndash;" for NaN and the infinities.
// The data for tools keeps every digit.
std::string roundedText(double v);

}  // namespace zel::report
