// The report's and the protocol's files, compiled in at build time from
// Debian's dygraphs and kvd/web/ (cmake/report.cmake names the files).
#pragma once

#include <string_view>

namespace zel::report {

extern const std::string_view kDygraphsScript;
extern const std::string_view kDygraphsStyle;
extern const std::string_view kChartLevelsScript;
extern const std::string_view kReportTemplate;
extern const std::string_view kReportVerdictTemplate;
extern const std::string_view kReportRecordTemplate;
extern const std::string_view kReportStyle;
extern const std::string_view kReportScript;
extern const std::string_view kProtocolTemplate;
extern const std::string_view kProtocolRecordsTemplate;
extern const std::string_view kProtocolStyle;
extern const std::string_view kProtocolScript;

}  // namespace zel::report
