// Whether a stream is a terminal, on Linux.
#include <unistd.h>

#include "kvd/io/platform.h"

namespace zel::cli::platform {

bool isTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

}  // namespace zel::cli::platform
