// Icon buttons and message boxes, shared by all programs.
#pragma once

#include <windows.h>

#include <string_view>

namespace zel::win32 {

// A push button showing an icon of the program's resources; no text and no
// control identifier: the parent knows it by its handle.
HWND createIconButton(HWND parent, int x, int y, int width, int height, const char* icon, int iconSize,
                      bool visible = true);

// An OK message box. The texts are Windows-1251 and reach the wide function
// converted, so the Cyrillic ones read right whatever the system code page;
// `ansi` (a file name as the system gave it) is appended from the ANSI code page.
void showMessage(HWND owner, std::string_view text1251, std::string_view caption1251, std::string_view ansi = {});

}  // namespace zel::win32
