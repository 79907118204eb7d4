// The report's data for tools and for its charts, as JSON texts that sit
// inside script elements: no text in them holds a '<'.
#pragma once

#include <string>
#include <vector>

#include "kvd/report/html_report.h"

namespace zel::report {

// {"statistics":[…],"verdicts":[…]}: every digit of every number.
std::string reportDataJson(const ReportInput& input, const std::vector<VerdictRow>& verdicts);
// The charts on one time axis: per chart its series, time in ms and, per
// series, [low, value, high] or null; the levels of `norms` it is judged by.
std::string reportChartsJson(const ReportInput& input, const std::vector<const Norm*>& norms);

}  // namespace zel::report
