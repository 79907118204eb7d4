// kvd archive: the lab's archive of every record downloaded, by object,
// floor, room and point (kvd/archive/archive.h holds its rules). Each
// command takes the archive's location (--archive, else KVD_ARCHIVE, else
// the user's own), its parsed options and the program's streams, and
// returns kvd's exit code. A failure of the database or a refusal of the
// archive is said as "kvd: archive LOCATION: MESSAGE", exit code 1.
#pragma once

#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "kvd/archive/archive.h"
#include "kvd/commands/commands.h"
#include "kvd/io/output_file.h"
#include "kvd/io/text_sink.h"

namespace zel::cli {

class TableWords;  // kvd/export/row_model.h

// Which records, as given on the command line.
struct ArchiveSelectors {
  std::optional<std::string> object, floor, room, point;
  std::optional<std::uint32_t> device;
  std::string from, to;
  std::vector<std::uint32_t> modes;
  bool unassigned = false;
  std::vector<std::int64_t> records;
  std::string file;     // a measurement file that was imported
  std::string indexes;  // its records: "0,3,10-12"
};

struct ArchiveImportOptions {
  std::vector<std::string> paths;  // files and folders
  bool json = false;
  std::string reason;  // for the audit trail
};

struct ArchiveWhereOptions {
  std::int64_t record = 0;
  bool json = false;
};

struct ArchiveObjectOptions {
  std::string name;
  archive::ObjectChange change;  // add: the fields given; edit: what changes
  bool unassign = false;         // remove: take its records off first
  bool json = false;             // objects
  std::string reason;            // for the audit trail
};

struct ArchiveAssignOptions {
  std::string object;
  archive::PointName point;
  ArchiveSelectors selectors;
  std::string plan;  // a plan CSV instead of OBJECT, point and selectors
  bool move = false;
  std::string reason;  // for the audit trail
};

struct ArchiveDeviceOptions {
  std::uint32_t number = 0;
  std::optional<std::string> model, certificate, verifiedFrom, verifiedUntil, type, serial, error;
  bool json = false;  // devices
  std::string reason;  // set: for the audit trail
};

struct ArchiveReadOptions {
  ArchiveSelectors selectors;
  std::string output;  // export
  std::string format;  // export: xlsx, csv, json, jsonl, kvd; stats: text, json
  std::string csvStyle;
  std::string by = "mode";  // stats: mode, point, room, object
  bool spectrum = false;
  bool pci = false;
  // export, for kvd serve: a list's order instead of the date order, and
  // the words of the page's language in a table's headings and texts
  std::optional<archive::RecordOrder> order;
  const TableWords* words = nullptr;
};

struct ArchiveReportOptions {
  std::string object;
  std::string output;
  std::vector<std::string> norms;
  bool russian = false;
};

int runArchiveImport(const std::string& location, const ArchiveImportOptions& options, Streams& io);
int runArchiveWhere(const std::string& location, const ArchiveWhereOptions& options, Streams& io);
int runArchiveObjectAdd(const std::string& location, const ArchiveObjectOptions& options, Streams& io);
int runArchiveObjectEdit(const std::string& location, const ArchiveObjectOptions& options, Streams& io);
int runArchiveObjectRemove(const std::string& location, const ArchiveObjectOptions& options, Streams& io);
int runArchiveObjects(const std::string& location, const ArchiveObjectOptions& options, Streams& io);
int runArchiveDeviceSet(const std::string& location, const ArchiveDeviceOptions& options, Streams& io);
int runArchiveDevices(const std::string& location, const ArchiveDeviceOptions& options, Streams& io);
int runArchiveAssign(const std::string& location, const ArchiveAssignOptions& options, Streams& io);
int runArchiveUnassign(const std::string& location, const ArchiveAssignOptions& options, Streams& io);
int runArchiveList(const std::string& location, const ArchiveReadOptions& options, Streams& io);
int runArchiveExport(const std::string& location, const ArchiveReadOptions& options, Streams& io);
int runArchiveStats(const std::string& location, const ArchiveReadOptions& options, Streams& io);
int runArchiveReport(const std::string& location, const ArchiveReportOptions& options, Streams& io);

// The protocol page of an object, as kvd archive report writes it; the
// numbers of its points and of their records when asked for.
std::string archiveProtocolHtml(archive::Archive& archive, const archive::ObjectInfo& object,
                                const std::vector<const report::Norm*>& norms, bool russian,
                                std::size_t* points = nullptr, std::uint64_t* records = nullptr);

// The selected records into the file options.output: a table format, or
// with no format a measurement file of their stored bytes; as kvd archive
// export writes them (a new file, whole or not at all).
int exportSelection(archive::Archive& archive, const archive::Selection& selection, const ArchiveReadOptions& options,
                    std::optional<ExportFormat> format, Streams& io);

// One file's entry in the answer of kvd archive import --format json: its
// name, counts and partial bytes, and "already_imported" for a file whose
// contents were imported before (nothing added).
nlohmann::ordered_json importedFileJson(const std::string& name, const archive::ImportResult& result,
                                        std::uint64_t partialBytes);

// The usage line of an archive command ("import", "object add", …), or of
// the whole archive command for an empty or unknown name.
std::string archiveUsage(const std::string& command);

// --- Shared by the archive commands ---------------------------------------

// How the archive is opened: `option` is --archive (archive::archiveLocation
// takes KVD_ARCHIVE or the user's own when it is empty); `create` makes a missing SQLite file and its
// folder (the commands that add to it); else a missing one is said plainly.
// Runs `body` with the archive and turns DatabaseError and ArchiveError
// into "kvd: archive LOCATION: MESSAGE", exit code 1. Its changes are the
// operating system's user's ("user@host"), with `reason` (--reason) in the
// audit trail.
int withArchive(const std::string& option, bool create, Streams& io,
                const std::function<int(archive::Archive&)>& body, const std::string& reason = {});

// What a date option says when its text is no date.
inline constexpr const char* kArchiveDateForms =
    "not a date and time of the forms YYYY-MM-DD[Thh:mm[:ss]] or dd.mm.yyyy[ hh:mm[:ss]]";

// The location for messages: a PostgreSQL URI without its password.
std::string shownLocation(const std::string& location);

// The selectors as the archive's Selection, in two steps. Before the
// archive is opened: a bad date, --to before --from, a bad index list are
// usage errors (exit 2, with `usage`). Then with the archive: an unknown
// object or record, a file never imported fail (exit 1). Each returns
// kExitOk when its part is done.
int parseSelection(const ArchiveSelectors& selectors, archive::Selection& selection, Streams& io,
                   const std::string& usage);
int resolveSelection(const ArchiveSelectors& selectors, archive::Archive& archive, archive::Selection& selection,
                     Streams& io);

// Creates the output file's temporary beside `name`; false when it cannot,
// said on `diagnostics`.
bool createOutput(OutputFile& output, const FileName& name, Diagnostics& diagnostics);

// A file's absolute path, normalised, as UTF-8: how the archive keeps
// where a file was imported from.
std::string absolutePathText(const std::filesystem::path& path);

// "OBJECT / floor F / room R / point P", the parts given; "(unassigned)"
// for an empty object.
std::string pointText(const std::string& object, const archive::PointName& point);
// The same without the object: "floor F / room R / point P".
std::string placeText(const archive::PointName& point);

}  // namespace zel::cli
