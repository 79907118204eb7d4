// Inside the protocol's page: the template's data of its longer sections,
// each from the computed protocol. Every text of the user's is set as
// UTF-8 for a {{…}} tag, which escapes it.
#pragma once

#include <kainjow/mustache.hpp>

#include <string>
#include <string_view>
#include <vector>

#include "kvd/archive/protocol.h"

namespace zel::archive::page {

using kainjow::mustache::data;

inline data list() { return data(data::type::list); }
std::string userText(std::string_view s);
// "05.03.2024 10:00:00 – 06.03.2024 10:00:00", or a dash.
std::string spanText(const std::optional<cli::DateTime>& first, const std::optional<cli::DateTime>& last);

// The records of a point, or those apart, as the record table lists them.
data recordsData(const Protocol& protocol, const std::vector<ProtocolRecord>& records);
// Every room with its assessment and its points; `chartsOf` numbers each
// point's charts.
data roomsData(const Protocol& protocol, const std::vector<std::vector<std::size_t>>& chartsOf);
// The informative levels' table: a row per point with an indoor radon mean.
data informativeData(const Protocol& protocol);

}  // namespace zel::archive::page
