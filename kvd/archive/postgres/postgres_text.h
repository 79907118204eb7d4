// The text forms that travel between the archive and a PostgreSQL server:
// values in COPY's text format, bytea's hex output, and the connection URI
// as it may be shown to the user.
#pragma once

#include <string>
#include <string_view>

#include "kvd/archive/database.h"

namespace zel::archive::postgres {

// Appends one value as a field of COPY's text format: \N for NULL (and for
// NaN and the infinities, as the archive stores them), tabs, newlines,
// carriage returns and backslashes escaped, a blob as bytea's \x hex form.
// Throws DatabaseError for a text holding a NUL, which PostgreSQL cannot store.
void appendCopyField(std::string& line, const Value& value);

// The decimal form of an integer or, for a finite double, its shortest form
// that reads back to the same double; empty for NaN and the infinities.
std::string numberText(const Value& value);

// bytea's output in hex ("\x00ff…") decoded to its bytes; other text as it is.
std::string decodeBytea(std::string_view text);

// The URI (or key=value connection string) without its password.
std::string withoutPassword(std::string_view uri);

}  // namespace zel::archive::postgres
