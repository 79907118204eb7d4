// Whether a stream is a console, on Windows.
#include <io.h>

#include "kvd/io/platform.h"

namespace zel::cli::platform {

bool isTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

}  // namespace zel::cli::platform
