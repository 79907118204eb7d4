// The record browser's windows as the driver finds them on screen: the main
// window, its three panels and its buttons, and the rows of the list.
#pragma once

#include <windows.h>

#include "tests/e2e/driver.h"

namespace e2e {

inline constexpr char kBrowserTitle[] = "ZelViewer v 1.4 e  15.07.2019";
inline constexpr const char* kTitle = kBrowserTitle;

struct BrowserWindows {
  HWND main = nullptr;
  HWND header = nullptr;
  HWND columns = nullptr;
  HWND list = nullptr;
  HWND exit = nullptr;
  HWND look = nullptr;
  HWND excel = nullptr;
};

HWND buttonAt(HWND main, int x, int y);
// The panels and buttons of a browser's main window, once they are there.
BrowserWindows windowsOf(HWND main);
BrowserWindows windowsOf(const Process& p);
// A browser window of any process, as one started by the shell.
HWND waitBrowserWindow(int ms);

RECT clientRect(HWND window);
RECT rowRect(HWND list, int row);
int rowY(int row);  // the middle of a row
LPARAM at(int x, int y);
int darkPixels(HWND window, RECT area);
bool rowHasText(HWND list, int row);
bool listShown(const BrowserWindows& w);
// The header's three lines and the column headings are drawn: panels of
// their own, painted apart from the list.
bool headerShown(const BrowserWindows& w);

}  // namespace e2e
