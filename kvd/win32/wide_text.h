// UTF-8 and the system's wide (UTF-16) texts on Windows, where every file
// name, console text and message box goes through the wide functions.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>
#include <string_view>

namespace zel::cli::platform {

std::wstring wideFromUtf8(std::string_view text);
// A wide text in a code page: CP_UTF8, or CP_ACP for the programs that take
// their names in the ANSI code page.
std::string codePageFromWide(std::wstring_view text, UINT codePage);

}  // namespace zel::cli::platform
