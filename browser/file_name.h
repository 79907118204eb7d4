// Which file names the browser takes, and the name of a list's export.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zel::browser {

// The longest name the browser holds: the header panel, the export's file
// cell and the viewer's argument are all laid out for it. The open-file
// dialog's buffer is 260 characters, so it can return up to 259.
inline constexpr std::size_t kMaxFileNameLength = 255;

enum class NameCheck { Ok, NotKvd, TooLong };

// The name ends in ".kvd", in any mix of cases.
bool hasKvdExtension(std::string_view name);

// A name that is too long is refused before its extension is looked at: it
// could not be held whole, and a cut name would open another file.
NameCheck checkFileName(std::string_view name);

// The export lies beside the measurement file: the same name with its last
// three characters, the extension, replaced by "dif".
std::string exportFileName(std::string_view loadedName);

}  // namespace zel::browser
