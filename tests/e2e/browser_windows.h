// The record browser's windows as the scenarios find them: the main window
// by its title, the three panels and the buttons by their places.
#pragma once

#include <windows.h>

#include <string>

namespace e2e {

struct BrowserWindows {
  HWND main = nullptr;
  HWND header = nullptr;
  HWND columns = nullptr;
  HWND list = nullptr;
  HWND exit = nullptr;
  HWND look = nullptr;
  HWND excel = nullptr;
};

// The title of the main window and the caption of every message box.
std::wstring browserTitle();

// The panels and buttons of a browser's main window, waiting for them to be
// created; fails when one is not at its place.
BrowserWindows browserWindows(HWND main);

}  // namespace e2e
