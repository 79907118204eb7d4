// Rows in COPY's binary format: each value as the column's own type sends
// it, so the server parses no text (a record's 688 bytes travel as they
// are, not as 1,376 hex digits).
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "kvd/archive/database.h"

namespace zel::archive::postgres {

// The type oids that binary COPY is written for.
namespace oid {
inline constexpr std::uint32_t kInt8 = 20, kInt2 = 21, kInt4 = 23, kText = 25, kFloat8 = 701, kBytea = 17,
                               kTimestamp = 1114, kVarchar = 1043;
}

// The whole COPY stream (header, rows, trailer) of `values`, rows of
// `types.size()` columns of these types, written to `out` (whose memory
// serves again); false when a value does not fit its column's type in
// binary form (then the rows go as text). NaN and the
// infinities are NULL, as the archive stores them; a text with a NUL
// throws DatabaseError, as PostgreSQL cannot store it.
bool binaryCopy(std::span<const std::uint32_t> types, std::span<const Value> values, std::string& out);

}  // namespace zel::archive::postgres
