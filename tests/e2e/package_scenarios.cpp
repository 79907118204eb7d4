// The programs as an installed package meets the user: a .kvd file opened
// through the shell's open verb, as Explorer does on a double click; a
// Start menu shortcut started as Explorer starts it; and every program's
// version resource and manifest, read back from the file.
#include <windows.h>

#include <shlobj.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/mode_table.h"
#include "tests/e2e/browser_windows.h"
#include "tests/e2e/driver.h"

namespace {

using namespace e2e;

std::string imageOf(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!process) return {};
  char name[MAX_PATH];
  DWORD size = sizeof name;
  const bool ok = QueryFullProcessImageNameA(process, 0, name, &size) != 0;
  CloseHandle(process);
  return ok ? std::string(name, size) : std::string();
}

bool samePath(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

void closeAndWait(HWND window, const std::string& what) {
  PostMessageA(window, WM_CLOSE, 0, 0);
  check(waitFor([&] { return !IsWindow(window); }, 8000), what + " did not close");
}

std::string withExtension(const std::string& file, const std::string& extension) {
  return file.substr(0, file.size() - 3) + extension;
}

// The DIF's file row names the measurement file that the browser loaded.
void expectExportOf(const std::string& kvd) {
  const std::string dif = withExtension(kvd, "dif");
  std::string text;
  check(waitFor([&] { return (text = readFile(dif)).find("\r\nEOD\r\n") != std::string::npos; }, 8000),
        "no complete export at " + dif);
  check(text.find("\"  File:  " + kvd) != std::string::npos, "the export names another file");
}

// The browser from FOLDER, already starting on KVD: it shows the file, a
// click on the first row starts the viewer of MODE from the same folder,
// EXCEL writes the export beside the file.
void browseFromFolder(const std::string& folder, const std::string& kvd, int mode) {
  const BrowserWindows w = windowsOf(waitBrowserWindow(20000));
  check(samePath(imageOf(w.main), folder + "\\ZelViewer.exe"), "the browser runs from " + imageOf(w.main));
  check(waitFor([&] { return listShown(w); }, 8000), "the list did not appear");

  SendMessageA(w.list, WM_LBUTTONDOWN, MK_LBUTTON, at(100, rowY(0)));
  char program[16];
  *zel::formatViewerProgramName(program, static_cast<std::uint32_t>(mode)) = '\0';
  HWND viewer = nullptr;
  check(waitFor([&] { return (viewer = FindWindowA("SimpleWinClass", program)) != nullptr && IsWindowVisible(viewer); },
                15000),
        std::string("the viewer ") + program + " did not open");
  check(samePath(imageOf(viewer), folder + "\\" + program + ".exe"), "the viewer runs from " + imageOf(viewer));
  closeAndWait(viewer, "the viewer");

  click(w.excel);
  expectExportOf(kvd);
  closeAndWait(w.main, "the browser");
}

// installed-open INSTALL_DIR KVD MODE: the shell opens KVD (ShellExecute,
// verb "open", as Explorer on a double click), and the installed browser
// takes it from there.
void installedOpen(const Context&, const std::vector<std::string>& args) {
  const std::string kvd = args.at(1);
  const auto started = reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", kvd.c_str(), nullptr, nullptr,
                                                               SW_SHOWNORMAL));
  check(started > 32, "the shell could not open the file: " + std::to_string(started));
  browseFromFolder(args.at(0), kvd, std::stoi(args.at(2)));
}
E2E_SCENARIO("installed-open", installedOpen);

// portable-open FOLDER KVD MODE: the browser of an unpacked portable copy,
// started with a file as a user starts it by hand or by dropping the file.
void portableOpen(const Context&, const std::vector<std::string>& args) {
  Process p = start(quoted(args.at(0) + "\\ZelViewer.exe") + " " + quoted(args.at(1)));
  browseFromFolder(args.at(0), args.at(1), std::stoi(args.at(2)));
  check(p.waitExit() == 0, "the browser did not end with 0");
}
E2E_SCENARIO("portable-open", portableOpen);

std::string versionString(const std::vector<char>& info, const char* name) {
  char query[96];
  std::snprintf(query, sizeof query, "\\StringFileInfo\\040904B0\\%s", name);
  char* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(info.data(), query, reinterpret_cast<void**>(&value), &length) || !value) return {};
  return std::string(value);
}

std::string manifestOf(const std::string& file) {
  HMODULE module = LoadLibraryExA(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!module) module = LoadLibraryExA(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  check(module != nullptr, "cannot read the resources of " + file);
  std::string text;
  if (HRSRC r = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24))) {
    if (HGLOBAL data = LoadResource(module, r))
      text.assign(static_cast<const char*>(LockResource(data)), SizeofResource(module, r));
  }
  FreeLibrary(module);
  return text;
}

std::string trimmedModeName(int mode) {
  const zel::ModeNameEntry& entry = zel::modeName(static_cast<std::uint32_t>(mode));
  std::string name(entry.name, sizeof entry.name);
  return name.substr(0, name.find_last_not_of(' ') + 1);
}

void expectIdentity(const std::string& dir, const std::string& program, const std::string& description,
                    const std::string& version) {
  const std::string file = dir + "\\" + program + ".exe";
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
  check(size > 0, program + ": no version resource");
  std::vector<char> info(size);
  check(GetFileVersionInfoA(file.c_str(), 0, size, info.data()) != 0, program + ": version resource unreadable");
  const struct {
    const char* name;
    std::string expected;
  } strings[] = {
      {"ProductName", "ZelViewer"},         {"FileDescription", description}, {"FileVersion", version},
      {"ProductVersion", version},          {"OriginalFilename", program + ".exe"},
  };
  for (const auto& s : strings) {
    const std::string got = versionString(info, s.name);
    check(got == s.expected, program + ": " + s.name + " is '" + got + "', not '" + s.expected + "'");
  }
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  check(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length) && fixed, program + ": no fixed info");
  char numbers[48];
  std::snprintf(numbers, sizeof numbers, "%lu.%lu.%lu", static_cast<unsigned long>(HIWORD(fixed->dwFileVersionMS)),
                static_cast<unsigned long>(LOWORD(fixed->dwFileVersionMS)),
                static_cast<unsigned long>(HIWORD(fixed->dwFileVersionLS)));
  check(numbers == version, program + ": file version number " + numbers);

  const std::string manifest = manifestOf(file);
  check(!manifest.empty(), program + ": no manifest");
  const char* required[] = {
      "level=\"asInvoker\"",
      "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // Windows 7
      "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // Windows 8
      "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // Windows 8.1
      "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // Windows 10 and 11
  };
  for (const char* text : required) check(manifest.find(text) != std::string::npos, program + ": manifest lacks " + text);
  // The fixed pixel layouts and the classic buttons stay as they are.
  for (const char* text : {"dpiAware", "dpiAwareness", "Common-Controls"})
    check(manifest.find(text) == std::string::npos, program + ": manifest asks for " + text);
}

// version-resources VERSION DIR...: every program in each folder carries the
// release's version resource and manifest.
void versionResources(const Context&, const std::vector<std::string>& args) {
  const std::string version = args.at(0);
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& dir = args[i];
    expectIdentity(dir, "ZelViewer", "ZelViewer record browser", version);
    for (int mode = 0; mode < zel::kModeCount; ++mode) {
      if (!zel::hasViewerProgram(static_cast<std::uint32_t>(mode))) continue;
      char program[16];
      *zel::formatViewerProgramName(program, static_cast<std::uint32_t>(mode)) = '\0';
      expectIdentity(dir, program, "ZelViewer viewer: " + trimmedModeName(mode), version);
    }
    expectIdentity(dir, "kvd", "ZelViewer command-line companion: list, show, export, statistics, report", version);
    expectIdentity(dir, "kvdw", "ZelViewer companion for Explorer: export, report and archive of measurement files", version);
  }
}
E2E_SCENARIO("version-resources", versionResources);

}  // namespace

namespace {

using namespace e2e;

// shell-verb FILE VERB: asks the shell to carry out one of the file's verbs,
// as Explorer's context menu does; what the verb then does is checked by the
// caller (the files it writes, the program it opens).
void shellVerb(const Context&, const std::vector<std::string>& args) {
  const auto started = reinterpret_cast<INT_PTR>(
      ShellExecuteA(nullptr, args.at(1).c_str(), args.at(0).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  check(started > 32, "the shell could not carry out " + args.at(1) + ": " + std::to_string(started));
}
E2E_SCENARIO("shell-verb", shellVerb);

// A message box captioned ZelViewer whose text holds `text` appears, and no
// console window with it; it is then closed.
void expectMessage(const std::string& text) {
  HWND box = nullptr;
  check(waitFor([&] { return (box = FindWindowA("#32770", "ZelViewer")) != nullptr && IsWindowVisible(box); }, 20000),
        "no message box");
  const std::wstring said = messageText(box);
  check(said.find(std::wstring(text.begin(), text.end())) != std::wstring::npos,
        "the message says '" + narrow(said) + "'");
  check(FindWindowA("ConsoleWindowClass", nullptr) == nullptr, "a console window is open");
  pressOk(box);
  check(waitFor([&] { return !IsWindow(box); }, 5000), "the message box did not close");
}

// shell-verb-says FILE VERB TEXT: the verb says what it did, or why it
// failed, in a message box captioned ZelViewer whose text holds TEXT; no
// console window appears.
void shellVerbSays(const Context& c, const std::vector<std::string>& args) {
  shellVerb(c, args);
  expectMessage(args.at(2));
}
E2E_SCENARIO("shell-verb-says", shellVerbSays);

// shortcut-says LINK TEXT: the shortcut file's program is started with its
// arguments in its working folder, as Explorer starts a Start menu entry,
// and says TEXT in a message box, with no console window.
void shortcutSays(const Context&, const std::vector<std::string>& args) {
  check(SUCCEEDED(CoInitialize(nullptr)), "COM did not start");
  IShellLinkW* link = nullptr;
  check(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link))),
        "no shell link object");
  IPersistFile* file = nullptr;
  check(SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))), "no IPersistFile");
  const std::wstring name(args.at(0).begin(), args.at(0).end());
  check(SUCCEEDED(file->Load(name.c_str(), STGM_READ)), "the shortcut " + args.at(0) + " cannot be read");
  wchar_t program[MAX_PATH] = {}, arguments[1024] = {}, folder[MAX_PATH] = {};
  link->GetPath(program, MAX_PATH, nullptr, 0);
  link->GetArguments(arguments, 1024);
  link->GetWorkingDirectory(folder, MAX_PATH);
  file->Release();
  link->Release();
  std::wstring command = L"\"" + std::wstring(program) + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  check(CreateProcessW(program, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder[0] ? folder : nullptr,
                       &startup, &process) != 0,
        "the shortcut's program " + narrow(program) + " did not start");
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  expectMessage(args.at(1));
}
E2E_SCENARIO("shortcut-says", shortcutSays);

}  // namespace
