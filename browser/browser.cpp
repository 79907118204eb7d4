#include "browser/browser.h"

#include "browser/header_panel.h"
#include "common/cp1251.h"

namespace zel::browser {

namespace {

constexpr Cp1251Text kNoFile{"Нет файла: "};
constexpr Cp1251Text kNoData{"   ---   Нет данных   ---"};

LoadResult refused(LoadOutcome outcome, MessageText message) {
  LoadResult r;
  r.outcome = outcome;
  r.message = std::move(message);
  return r;
}

}  // namespace

MessageText notKvdMessage() { return {"error: not ''.kvd''  file tip", {}}; }
MessageText nameTooLongMessage() { return {"error: file name longer than 255 characters", {}}; }
MessageText noFileMessage(std::string_view name) { return {std::string(kNoFile.view()), std::string(name)}; }
MessageText openErrorMessage() { return {"file open error", {}}; }
MessageText noDataMessage() { return {std::string(kNoData.view()), {}}; }
MessageText exportFailedMessage(std::string_view exportName) {
  return {"file write error: ", std::string(exportName)};
}

Browser::Browser(BrowserCommandLine commandLine, int listClientWidth, int listClientHeight)
    : programDirectory_(std::move(commandLine.programDirectory)), view_(listClientWidth, listClientHeight) {
  if (commandLine.fileGiven) givenFile_ = std::move(commandLine.fileName);
}

std::optional<std::string> Browser::takeGivenFile() {
  std::optional<std::string> file = std::move(givenFile_);
  givenFile_.reset();
  return file;
}

LoadResult Browser::load(std::string_view name, FileSource& file) {
  switch (checkFileName(name)) {
    case NameCheck::NotKvd: return refused(LoadOutcome::NotKvd, notKvdMessage());
    case NameCheck::TooLong: return refused(LoadOutcome::NameTooLong, nameTooLongMessage());
    case NameCheck::Ok: break;
  }
  const std::string path(name);
  if (!file.open(path.c_str())) {
    LoadResult r = refused(LoadOutcome::NoFile, noFileMessage(name));
    r.quit = true;
    return r;
  }
  LoadResult result;
  listShown_ = true;
  result.showExportButton = !exportButtonShown_;
  exportButtonShown_ = true;

  SummaryList summaries;
  const ReadStatus status = readSummaryList(file, summaries);
  file.close();
  if (status != ReadStatus::Ok) {
    // The list loaded before stays, whole and usable.
    result.outcome = LoadOutcome::OpenError;
    result.message = openErrorMessage();
    return result;
  }
  view_.setList(std::move(summaries));
  loadedName_ = path;
  result.outcome = LoadOutcome::Loaded;
  return result;
}

ListUpdate Browser::rightButtonDown(int x, int y) {
  if (!listShown_) return {};
  return view_.rightButtonDown(x, y);
}

std::optional<ViewerLaunch> Browser::leftButtonDown(int x, int y) const {
  if (!listShown_) return std::nullopt;
  const std::optional<std::uint32_t> row = view_.recordAt(x, y);
  if (!row) return std::nullopt;
  return viewerLaunch(programDirectory_, loadedName_, view_.list()[*row].modeCode, *row);
}

ExportRequest Browser::exportRequest() const {
  ExportRequest request;
  if (!view_.holdsRecords()) {
    request.message = noDataMessage();
  } else {
    request.fileName = exportFileName(loadedName_);
  }
  return request;
}

bool Browser::writeExport(ByteSink& sink) const {
  if (!view_.holdsRecords()) return false;
  return writeDifExport(view_.list(), loadedName_, sink);
}

void Browser::drawHeader(Surface& surface) const {
  if (!view_.holdsRecords()) return;
  drawHeaderValues(surface, loadedName_, view_.recordCount(), view_.list()[0].deviceNumber);
}

}  // namespace zel::browser
