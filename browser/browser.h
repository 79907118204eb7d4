// The record browser's whole state and its answer to each user action. The
// window procedure makes one call per message and carries out what comes
// back; nothing of Win32 crosses in either direction.
//
// What the shell does:
// - start-up: parseCommandLine(GetCommandLineA(), module file name), then
//   Browser with the list panel's client size (GetClientRect);
// - WM_PAINT: if takeGivenFile() gives a name, load it and paint nothing this
//   time; otherwise copy the bitmaps of the header panel and, while
//   listShown(), of the column-heading and list panels;
// - LOOK: the open-file dialog with kOpenFilter and kOpenFilterIndex; a chosen
//   name is loaded, a cancelled dialog changes nothing;
// - load: see LoadResult;
// - WM_VSCROLL, WM_MOUSEWHEEL, WM_MOUSEMOVE, WM_RBUTTONDOWN, WM_RBUTTONUP,
//   WM_CAPTURECHANGED: the ListView calls below, results as in list_view.h;
// - WM_LBUTTONDOWN on the list panel: leftButtonDown, then viewer_launch.h;
// - EXCEL: exportRequest(), then dif_export.h.
// Every message box is MB_OK with kWindowTitle as its caption. Its text is a
// MessageText: the Windows-1251 part converted with cp1251ToUtf16, the file
// name from the ANSI code page, joined for MessageBoxW.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "browser/command_line.h"
#include "browser/dif_export.h"
#include "browser/file_name.h"
#include "browser/header_panel.h"
#include "browser/list_view.h"
#include "browser/summary_list.h"
#include "browser/viewer_launch.h"
#include "common/surface.h"

namespace zel::browser {

// The open-file dialog: measurement files first, everything else second.
inline constexpr char kOpenFilter[] = "Data Files (*.kvd)\0*.kvd\0All Files (*.*)\0*.*\0";
inline constexpr unsigned kOpenFilterIndex = 1;
inline constexpr std::size_t kOpenDialogBuffer = 260;

// A message box's text: a fixed part in Windows-1251, then (for some) a file
// name as the file system gave it, in the ANSI code page.
struct MessageText {
  std::string text;
  std::string fileName;
  bool empty() const { return text.empty(); }
  std::string joined() const { return text + fileName; }
};

enum class LoadOutcome { Loaded, NotKvd, NameTooLong, NoFile, OpenError };

// What the shell does after a load:
// - message not empty: show it;
// - quit: then PostQuitMessage(0) (the file could not be opened);
// - showExportButton: show the EXCEL button (the first time a file opened);
// - Loaded: drawHeader() into the header panel's bitmap, set the list's scroll
//   range to 0 ... list().scrollMaximum() and its position to 0, drawList(),
//   show the header, column-heading and list panels and invalidate them
//   without erasing.
// Any other outcome leaves the list, its marks, its scroll position and the
// loaded file name as they were.
struct LoadResult {
  LoadOutcome outcome = LoadOutcome::NotKvd;
  MessageText message;
  bool quit = false;
  bool showExportButton = false;
};

// What EXCEL asks for: a message to show and nothing more, or the file to
// write (then writeExport into it).
struct ExportRequest {
  MessageText message;
  std::string fileName;
};

class Browser {
 public:
  Browser(BrowserCommandLine commandLine, int listClientWidth, int listClientHeight);

  // The file named on the command line, handed out once, at the first paint.
  std::optional<std::string> takeGivenFile();
  bool listShown() const { return listShown_; }

  LoadResult load(std::string_view name, FileSource& file);

  const std::string& programDirectory() const { return programDirectory_; }
  const std::string& loadedFileName() const { return loadedName_; }
  const ListView& list() const { return view_; }

  ListUpdate scroll(unsigned request, std::uint32_t trackPosition) { return view_.scroll(request, trackPosition); }
  ListUpdate wheel(int delta) { return view_.wheel(delta); }
  ListUpdate mouseMove(int x, int y) { return view_.mouseMove(x, y); }
  ListUpdate rightButtonDown(int x, int y);
  ListUpdate rightButtonUp() { return view_.rightButtonUp(); }

  // The viewer to start for a left press at (x, y) on the list panel.
  std::optional<ViewerLaunch> leftButtonDown(int x, int y) const;

  ExportRequest exportRequest() const;
  // False when the sink refused a write: then show exportFailedMessage.
  bool writeExport(ByteSink& sink) const;

  void drawHeader(Surface& surface) const;
  void drawList(Surface& surface) const { view_.draw(surface); }

 private:
  std::string programDirectory_;
  std::optional<std::string> givenFile_;
  bool listShown_ = false;
  bool exportButtonShown_ = false;
  std::string loadedName_;
  ListView view_;
};

MessageText notKvdMessage();
MessageText nameTooLongMessage();
MessageText noFileMessage(std::string_view name);
MessageText openErrorMessage();
MessageText noDataMessage();
MessageText exportFailedMessage(std::string_view exportName);

}  // namespace zel::browser
