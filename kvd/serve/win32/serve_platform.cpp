// kvd serve's platform functions on Windows: the token from CNG's random
// source, the browser through the shell, Ctrl+C and the console's close
// through the console's control handler, and the running-server file.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <bcrypt.h>
#include <objbase.h>
#include <shellapi.h>

#include <fstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "kvd/archive/sha256.h"
#include "kvd/serve/serve_platform.h"
#include "kvd/win32/wide_text.h"

namespace zel::serve {

namespace {

// Set by the console's control handler, waited for by the thread that
// stops the server. The handler runs on a thread that the system makes for
// it, which leaves through the loader's lock: it only sets the event, and
// the stop (sockets, locks of the threads library) happens on a thread of
// ours, so that no thread ending at the same time can wait on the handler's.
HANDLE stopAsked = nullptr;

BOOL WINAPI onConsoleControl(DWORD event) {
  SetEvent(stopAsked);
  // On Ctrl+C and Ctrl+Break the process goes on and main finishes the
  // request in hand. On the console's close, a logoff or a shutdown Windows
  // ends the process as soon as this handler returns, so the handler waits
  // (Windows allows about five seconds) while main finishes and exits, which
  // ends this thread with the process.
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) Sleep(4500);
  return TRUE;
}

}  // namespace

std::string randomHex(std::size_t bytes) {
  std::vector<std::uint8_t> buffer(bytes);
  if (BCryptGenRandom(nullptr, buffer.data(), static_cast<ULONG>(bytes), BCRYPT_USE_SYSTEM_PREFERRED_RNG) != 0)
    throw std::runtime_error("the system gives no random bytes");
  return archive::hexText(buffer.data(), buffer.size());
}

bool openInBrowser(const std::string& url) {
  // The shell may hand the address to a browser through COM; a thread that
  // already has COM set up keeps it as it is.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  const HINSTANCE started = ShellExecuteW(nullptr, L"open", cli::platform::wideFromUtf8(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  if (SUCCEEDED(com)) CoUninitialize();
  // ShellExecuteW's old convention: a value above 32 is success.
  return reinterpret_cast<INT_PTR>(started) > 32;
}

void onStopSignal(std::function<void()> onStop) {
  stopAsked = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!stopAsked) throw std::runtime_error("the stop signal cannot be waited for");
  std::thread([onStop = std::move(onStop)] {
    WaitForSingleObject(stopAsked, INFINITE);
    onStop();
  }).detach();
  SetConsoleCtrlHandler(onConsoleControl, TRUE);
}

bool writePrivateFile(const std::filesystem::path& file, const std::string& text) {
  // The file is in the user's %LOCALAPPDATA%, whose folders Windows gives
  // the user, the system and the administrators alone; the new file takes
  // those rights from its folder, so no other user can read the token.
  std::filesystem::path temporary = file;
  temporary += L".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    if (!out) {
      DeleteFileW(temporary.c_str());
      return false;
    }
  }
  if (!MoveFileExW(temporary.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileW(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace zel::serve
