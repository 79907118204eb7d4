// What the record browser's scenarios do with it: its program, files of
// many distinct records, a start with its list shown, EXIT, its rows and
// scroll bar read from the screen, and its message boxes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/e2e/browser_windows.h"
#include "tests/e2e/driver.h"

namespace e2e {

inline constexpr COLORREF kBackground = RGB(255, 252, 252);
inline constexpr COLORREF kMarked = RGB(255, 0, 255);
inline constexpr COLORREF kHover = RGB(254, 255, 151);
inline constexpr int kRows = 24;

std::string browserExe(const Context& c);
// One record per line, each with its own date and time so that every row of
// the list looks different; modes taken in turn from `modes`.
std::string listDescription(int count, const std::vector<int>& modes);
// A measurement file of `count` such records in the scenario's folder.
std::string listFile(const Context& c, const std::string& name, int count, const std::vector<int>& modes = {3});

// Starts the browser and waits for its list.
BrowserWindows startWith(Process& p, const std::string& arguments, const std::string& exe);
void pressExit(Process& p, const BrowserWindows& w);

// The pixels of a row differ between records: the list shows which record is
// where by comparing rows with a picture taken before.
std::vector<COLORREF> rowPixels(HWND list, int row);
// Under Wine the scroll state of another program's window cannot be read
// (GetScrollPos answers 0), so the bar is read from the screen instead.
bool scrollBarShown(HWND list);
// The top of the scroll thumb; -1 without a bar.
int thumbTop(HWND list);

// An ASCII text (a path of the scenario's folder) as a message box shows it.
std::wstring wide(const std::string& ascii);
// A message box of the browser with this text, answered with OK.
void expectBox(const Process& p, const std::wstring& expected);
void expectNoBox(const Process& p, int ms);

}  // namespace e2e
