// What a record's bytes say, as the archive stores it beside them: the
// columns of the view `records` from date_time to window_sum4
// (schema::meaningColumns, in that order). The import stores these values;
// `kvd archive check` decodes the bytes again and compares, so both take
// them from here.
#pragma once

#include <string>
#include <vector>

#include "common/record.h"
#include "kvd/archive/database.h"
#include "kvd/meaning/record_meaning.h"

namespace zel::archive {

// The record's date and time as stored, "YYYY-MM-DD hh:mm:ss"; empty when
// its numbers are no calendar date (stored as NULL).
std::string storedDateTime(const MeasurementRecord& record);

// Appends the values of the meaning columns of `record`. `dateTime` is
// storedDateTime(record): its value views it, so it must outlive the
// values (no value views `record`). A NaN or an infinity is a real that
// both databases store as NULL.
void appendMeaningValues(const MeasurementRecord& record, const std::string& dateTime,
                         cli::WindowSumCalculator& windows, std::vector<Value>& out);

}  // namespace zel::archive
