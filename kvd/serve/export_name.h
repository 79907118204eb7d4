// The name of an exported file: what it holds (the object, or "records"
// and the filter) and the day it was made, as a name that every system
// takes, and the Content-Disposition that brings it to the browser whole.
#pragma once

#include <string>
#include <string_view>

#include "kvd/archive/archive.h"

namespace zel::serve {

// "School 5-2026-12-10.xlsx", "School 5-room 101-2026-12-10.csv",
// "records-device 1137-from 2019-07-05-2026-12-10.csv", in the words of
// `lang`. `object` is the one object that every record stands at (empty
// when they stand at several or at none); a choice of records by id says
// "selection". `today` is "YYYY-MM-DD". No character that a file system
// refuses (/ \ : * ? " < > | and control characters) is left in it.
std::string exportFileName(const archive::Selection& selection, const std::string& object, std::string_view lang,
                           const std::string& today, std::string_view extension);

// attachment; filename="…" (ASCII, for old clients) and filename* as
// RFC 5987 says, so that a Cyrillic name arrives as it is.
std::string attachmentDisposition(const std::string& fileName);

}  // namespace zel::serve
