// Keeps the test session's Wine desktop open: Wine closes a virtual desktop
// one second after its last program ends, and a program started just then
// can find no desktop and end before its first line. This program is one
// more user of the desktop for the whole session, with a hidden window that
// ignores WM_CLOSE. Once its window is there it creates the file named by
// its command line; the session ends it with the wineserver.
#include <windows.h>

#include <string>

namespace {

LRESULT CALLBACK keeperProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_CLOSE) return 0;
  return DefWindowProcA(window, message, w, l);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  WNDCLASSA c{};
  c.lpfnWndProc = keeperProc;
  c.hInstance = instance;
  c.lpszClassName = "ZelDesktopKeeper";
  if (!RegisterClassA(&c)) return 2;
  if (!CreateWindowExA(0, c.lpszClassName, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, instance, nullptr)) return 3;
  std::string path = commandLine;
  if (path.size() >= 2 && path.front() == '"' && path.back() == '"') path = path.substr(1, path.size() - 2);
  HANDLE ready = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (ready == INVALID_HANDLE_VALUE) return 4;
  CloseHandle(ready);
  MSG m;
  while (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
  return 0;
}
