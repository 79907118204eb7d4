// What a measurement record means, decided once for every part of kvd that
// shows, exports or sums records (list, show, the CSV, JSON and XLSX writers,
// the statistics, the report): its date and time, its mode, the value pair
// that the record browser lists, the results that its viewer's page shows
// with their names and units, every named field as the instrument meant it,
// and the sums of its spectrum windows. Numbers are kept as stored, never
// rounded; their texts are written without any locale.
//
// The browser's value pair (listValue), per category and mode, as the list
// shows it:
// - category 0: primaryResult ± primaryError in Bq/m3 (mode 6: the radon
//   flux in mBq/(s·m2)); mode 21 integralResult ± integralError; mode 3 its
//   error is 20 % of the value, computed in 64 bits, truncated;
// - category 2: eecRn ± eecRnError in Bq/m3; mode 7 the float ca with no
//   error; mode 20 primaryResult, stored in tenths, with primaryError:
//     * from 0.5 on the value is the number the list shows: 57 is 5.7, 90 is
//       9.0, and past 90 the list drops the tenth, so 123 is 12 (the exact
//       stored number stays in the primaryResult column);
//     * below 0.5 (compared as a signed 32-bit number, as the list does) the
//       list shows the text "< 0.5" and no error; there the value is the
//       exact stored tenths divided by ten (4 is 0.4, a negative -10 is -1)
//       and the error is empty, as in the list;
//     * the error is the stored primaryError as the list shows it beside the
//       value: the list divides only the value by ten;
// - category 4: the pulse count in "pulses", no error.
// Modes are told by their full 16-bit code, as the browser tells them: a
// code past 26 has the name "???" and category 0, even when its low byte is
// 3, 7, 20 or 21.
// The unit is the one of the list column the value stands in, so mode 7's
// value is in Bq/m3 (the EEC column) although its page shows Nk without one.
// The unit conversions of --units pci follow the column too: a value of the
// "Crn(Bq/m3)" column (the radon and thoron concentrations, mode 4's
// background) is also given in pCi/L, one of the "EEC(Bq/m3)" column (mode
// 7's background included) also in WL; the flux and the pulse counts have
// none. The page results carry their own conversion, by what they are.
//
// The page results (results) follow the viewer programs' pages: the EEC page
// of modes 14, 15 and 22 shows EEC(Rn) and EEC(Tn) with their errors, mode
// 20's page shows the stored integer as EEC(Tn) in Bq/m3 (the browser lists
// the same number in tenths, see above), and so on; modes without a viewer
// program (0, 8, 9, 11, 16, 17, 23 and codes past 26) have no page results.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/record.h"

namespace zel::cli {

// A number as the instrument stored it, or one derived from stored numbers.
struct Number {
  enum class Kind : std::uint8_t {
    None,      // no number: an empty cell
    Unsigned,  // u
    Signed,    // i
    Float,     // f, a stored single-precision value, possibly NaN or infinite
    Tenths,    // i tenths: an exact decimal with one decimal place
    Real,      // d, derived (unit conversions, statistics)
  };
  Kind kind = Kind::None;
  union {
    std::uint64_t u = 0;
    std::int64_t i;
    float f;
    double d;
  };

  static Number none() { return {}; }
  static Number ofUnsigned(std::uint64_t v) {
    Number n;
    n.kind = Kind::Unsigned;
    n.u = v;
    return n;
  }
  static Number ofSigned(std::int64_t v) {
    Number n;
    n.kind = Kind::Signed;
    n.i = v;
    return n;
  }
  static Number ofFloat(float v) {
    Number n;
    n.kind = Kind::Float;
    n.f = v;
    return n;
  }
  static Number ofTenths(std::int64_t tenths) {
    Number n;
    n.kind = Kind::Tenths;
    n.i = tenths;
    return n;
  }
  static Number ofReal(double v) {
    Number n;
    n.kind = Kind::Real;
    n.d = v;
    return n;
  }

  bool present() const { return kind != Kind::None; }
  // False for NaN and the infinities (and for no number).
  bool finite() const;
  // The value as a double. A float gives the double of its shortest decimal
  // text (0.1f gives 0.1), which is what a reader of that text gets; a
  // tenths value its correctly rounded quotient (57 gives 5.7).
  double toDouble() const;
};

// The longest text formatNumber writes.
inline constexpr int kMaxNumberText = 32;

// A number's text without any locale: integers with all their digits; a
// float as the shortest decimal that reads back as the same float ("0.25",
// "1.352", "1e+20"); tenths as "5.7", "12", "-1", "0.4"; a derived number as
// the shortest text of its double; NaN and the infinities as "NaN",
// "Infinity" and "-Infinity"; no number as no text. `decimalPoint` replaces
// the point. Returns the end; writes no terminator.
char* formatNumber(char* out, const Number& n, char decimalPoint = '.');
std::string numberText(const Number& n, char decimalPoint = '.');
// For people (list, show and stats texts): derived numbers with six
// significant digits; stored numbers as formatNumber.
std::string readableNumberText(const Number& n);

// The record's date and time, the fields as stored.
struct DateTime {
  std::uint16_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  friend auto operator<=>(const DateTime&, const DateTime&) = default;
};
DateTime recordDateTime(const MeasurementRecord& record);
// A real date and time: year 1 ... 9999, month 1 ... 12, a day of that
// month (leap years by the Gregorian rule), hour 0 ... 23, minute and
// second 0 ... 59.
bool isCalendarDate(const DateTime& t);
// "YYYY-MM-DDThh:mm:ss" (ISO 8601, no zone: the instrument stores none).
// A date that is no calendar date is written the same way with the stored
// numbers, which may run past their usual digits: "2019-13-45T25:61:99".
inline constexpr int kIsoDateTimeLength = 19;
inline constexpr int kMaxIsoDateTimeText = 40;
char* formatIsoDateTime(char* out, const DateTime& t);
std::string isoDateTimeText(const DateTime& t);
// "dd.mm.yyyy hh:mm:ss" with the stored numbers, for people.
std::string readableDateTimeText(const DateTime& t);
// Spreadsheet date cells start on 1 March 1900: before it Excel and the
// other spreadsheet programs count the days differently.
bool fitsSpreadsheetDate(const DateTime& t);

enum class Unit : std::uint8_t {
  None,
  BqPerM3,         // "Bq/m3"
  MilliBqPerSM2,   // "mBq/(s·m2)", the radon flux of mode 6
  Pulses,          // "pulses"
  Seconds,         // "s"
  Minutes,         // "min"
  Celsius,         // "°C"
  Percent,         // "%"
  MmHg,            // "mmHg"
  Channel,         // "channel"
  Cycles,          // "cycles"
};
std::string_view unitText(Unit unit);

// The extra unit that --units pci adds beside a stored value.
enum class Conversion : std::uint8_t {
  None,
  PicoCuriePerLitre,  // radon and thoron concentrations: 1 pCi/L = 37 Bq/m3
  WorkingLevel,       // EEC: 1 WL = 3,700 Bq/m3 EEC
};
std::string_view conversionUnitText(Conversion c);  // "pCi/L", "WL", ""
// The stored number in the conversion's unit (none when there is none or
// the number is missing); NaN and the infinities stay what they are.
Number convert(const Number& n, Conversion c);

// The mode's name from the mode table, without its trailing blanks; "???"
// for the codes without a name of their own and for codes past 26.
std::string_view modeNameText(std::uint32_t modeCode);

// The same words for people who read Russian (kvd/meaning/record_words.cpp):
// the web pages, their exports and the Russian protocol. kvd's own texts
// and the Windows programs keep the English ones.
// The mode's name as a Russian radon laboratory says it ("ЭРОА – 5");
// empty for a code whose name is "???".
std::string_view russianModeName(std::uint32_t modeCode);
std::string_view russianUnitText(Unit unit);
// A named field ("pulseCount") or window sum ("windowSum1") for people:
// "Pulse count" or "Число импульсов"; empty for another name.
std::string_view fieldLabel(std::string_view field, bool russian);
// A page result (Quantity::key) in Russian: "EECRn" is "ЭРОА(Rn)"; empty
// for the symbols that Russian writes alike (Qi, Qint, Q(n), N1, Fd, Ca …).
std::string_view russianResultLabel(std::string_view key);
// A result in words (Quantity::text) in Russian: "Method 1" is "Метод 1".
std::string_view russianResultText(std::string_view text);

// The record browser's list row: the mode, and the value pair.
struct ListValue {
  std::uint16_t mode = 0;       // the mode code, all 16 bits as stored
  std::string_view modeName;    // modeNameText(mode)
  // The list's date and time texts, "05.07.2019" and "09:04:07" (with texts).
  std::string date;
  std::string time;
  Number value;
  Number error;  // none where the list shows no error
  Unit unit;
  Conversion conversion;
  // The category (0, 2, 4): which list column the value stands in.
  std::uint8_t category;
  // The list's own texts: "186" and "37", "0.250" and "", "< 0.5" and "".
  std::string valueText;
  std::string errorText;
};
// `texts` false leaves the texts empty (for the exporters and the
// statistics, which need the numbers only).
ListValue listValue(const MeasurementRecord& record, bool texts = true);

// One result of the record as its viewer's page shows it.
struct Quantity {
  // Machine-readable and stable: "CRn", "CTn", "EECRn", "EECTn", "Qi",
  // "Qint", "Qn", "Qwater", "Qsample", "Qsoil", "flux", "background", "Nk",
  // "N", "N1", "N2", "N3", "Fd", "Kv", "Ca", "Cb", "Cc", "pumpingTime",
  // "delayTime", "measurementTime", "cycles", "method", "pumpingMode".
  std::string_view key;
  // As the page names it: "EEC(Rn)", "Q(12)", "Q(water)".
  std::string label;
  Number value;  // none for a result that is a text
  Number error;  // none where the page shows no error
  Unit unit;
  Conversion conversion;
  std::string_view text;  // a result in words: "Method 1", "timed"
};
std::vector<Quantity> results(const MeasurementRecord& record);

// The viewer program of a mode code ("ZelV_14"), or empty when the set has
// none for it.
std::string viewerProgramText(std::uint32_t modeCode);

// The spectrum: the count of each channel 0 ... 255, in pulses.
std::array<std::uint16_t, kSpectrumChannels> spectrumCounts(const MeasurementRecord& record);

// A named field of the record (every one but the spectrum and the reserved
// bytes, in record order), with its value as the instrument meant it: the
// temperature the signed low byte, humidity and cycleCount their low byte,
// variantFlag its byte, the 32-bit fields in full, the coefficients as
// floats; and the unit of the field in the record's mode.
struct FieldValue {
  std::string_view name;
  Number value;
  Unit unit;
};
inline constexpr std::size_t kFieldCount = 36;
std::array<FieldValue, kFieldCount> fieldValues(const MeasurementRecord& record);
// The values alone, in the same order, for the exporters' rows.
void fieldNumbers(const MeasurementRecord& record, Number* out);
// The field names alone, for headers.
std::array<std::string_view, kFieldCount> fieldNames();

// The spectrum windows with the stored boundaries, summed as the spectrum
// panel sums them when it opens. Modes with a three-boundary panel have four
// windows, the others three; a mode with no viewer program has none.
struct WindowSums {
  int boundaryCount = 0;
  int windowCount = 0;
  std::array<std::uint32_t, 3> boundaries{};
  std::array<std::uint32_t, 4> sums{};
  std::array<std::string, 4> ranges;  // the panel's range texts: "18-44"
};
WindowSums windowSums(const MeasurementRecord& record);
// Only the sums, for the exporters' rows; returns the number of windows.
int windowSumValues(const MeasurementRecord& record, std::array<std::uint32_t, 4>& sums);

// The same for many records in a row: one spectrum panel per mode, opened
// again for each record, as a viewer opens it.
class WindowSumCalculator {
 public:
  WindowSumCalculator();
  ~WindowSumCalculator();
  WindowSumCalculator(const WindowSumCalculator&) = delete;
  WindowSumCalculator& operator=(const WindowSumCalculator&) = delete;
  int sums(const MeasurementRecord& record, std::array<std::uint32_t, 4>& out);

 private:
  struct Panels;
  std::unique_ptr<Panels> panels_;
};

}  // namespace zel::cli
