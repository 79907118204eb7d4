// The lab's archive: every record ever downloaded, once, with every file it
// came in, and where it was measured (object, floor, room, point). The rules
// live here, once, over the database seam, so an SQLite file and a
// PostgreSQL server give the same answers:
// - a record is its 688 bytes: the same bytes in another file, under
//   another name, are the same record, stored once;
// - one file is one transaction: an interrupted import leaves the archive
//   as it was after the previous file;
// - a record stands at one point at most; moving it is asked for;
// - every text is bound as a parameter, never spliced into SQL.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/record.h"
#include "kvd/archive/accounts.h"
#include "kvd/archive/audit.h"
#include "kvd/archive/database.h"
#include "kvd/meaning/record_meaning.h"

namespace zel::archive {

using cli::DateTime;

// A refusal or failure of an archive operation, said to the user as it is:
// "object "School 5" has 12 records assigned: give --unassign".
class ArchiveError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
  // `code` names the refusal for a program that words it in its own
  // language (the web pages); the message stays the command line's.
  ArchiveError(const std::string& message, std::string code) : std::runtime_error(message), code_(std::move(code)) {}
  const std::string& code() const { return code_; }

 private:
  std::string code_;
};

inline constexpr int kSchemaVersion = 7;
// The most records of one row of sighting_runs.
inline constexpr std::int64_t kMaxSightingRun = 4096;

// Where the archive is: the option if given, else KVD_ARCHIVE, else the
// user's own (kvd/archive/location.h says where that is per platform).
std::string archiveLocation(const std::string& option);
bool isPostgresLocation(const std::string& location);  // postgresql:// or postgres://
// Opens the database of a location; an SQLite file and its folder are made
// when missing only if `create`.
std::unique_ptr<Database> openLocation(const std::string& location, bool create);

// A point of an object: floor, room and point name; floor and point may be
// empty, the room not.
struct PointName {
  std::string floor;
  std::string room;
  std::string point;
  friend bool operator==(const PointName&, const PointName&) = default;
};

// What an object is chooses the level that is normative for its rooms:
// "in-use" (a dwelling or public building in use), "new" (one being
// commissioned, new or rebuilt), "workplace".
bool validObjectKind(const std::string& kind);
inline constexpr const char* kDefaultObjectKind = "in-use";

struct ObjectInfo {
  std::string name;
  std::string address;
  std::string client;
  std::string notes;
  std::string kind = kDefaultObjectKind;
};

// What `object edit` changes: only the fields given.
struct ObjectChange {
  std::optional<std::string> name;
  std::optional<std::string> address;
  std::optional<std::string> client;
  std::optional<std::string> notes;
  std::optional<std::string> kind;
};

struct PointSummary {
  std::int64_t id = 0;
  PointName name;
  std::uint64_t records = 0;
};

struct ObjectSummary {
  std::int64_t id = 0;
  ObjectInfo info;
  std::vector<PointSummary> points;  // by floor, room, point
  std::uint64_t records = 0;
};

// An instrument and its verification, as a protocol names it. Dates are
// "YYYY-MM-DD" or empty.
struct DeviceInfo {
  std::uint32_t number = 0;
  std::string model;
  std::string certificate;
  std::string verifiedFrom;
  std::string verifiedUntil;
  std::string type;         // the instrument's type as its papers name it
  std::string serial;       // empty: the device number
  std::string statedError;  // its stated measurement error, as the papers give it ("±30 %")
};

// A verification date in either of kvd's date forms (YYYY-MM-DD,
// dd.mm.yyyy) as "YYYY-MM-DD"; an empty text is no date. False when it is
// no calendar day.
bool verificationDay(const std::string& text, std::string& out);

// Which records: every selector given must hold (an empty one holds for
// all). Period bounds are inclusive and leave out records whose date is no
// calendar date.
struct Selection {
  std::optional<std::string> object;
  std::optional<std::string> floor;
  std::optional<std::string> room;
  std::optional<std::string> point;
  std::optional<std::uint32_t> device;
  std::optional<DateTime> from;
  std::optional<DateTime> to;
  std::vector<std::uint32_t> modes;
  bool unassigned = false;
  std::vector<std::int64_t> recordIds;
  // Records seen in an imported file: the import ids of that file (every
  // import of the same contents or path, from Archive::importsOf), and
  // optionally the record indexes within it, as inclusive ranges.
  std::vector<std::int64_t> importIds;
  struct IndexRange {
    std::uint64_t first;
    std::uint64_t last;
  };
  std::vector<IndexRange> indexes;
  bool any() const;  // whether any selector is given
};

// A record as the archive holds it.
struct StoredRecord {
  std::int64_t id = 0;
  MeasurementRecord record;
  std::string object;  // empty while unassigned
  PointName point;
  std::string firstFile;  // the path as given when the record was first seen
  std::uint64_t firstIndex = 0;
};

// One file a record came in.
struct Sighting {
  std::int64_t importId = 0;
  std::string path;          // as given
  std::string absolutePath;
  std::uint64_t index = 0;   // the record's index in that file
  std::string importedAt;    // "YYYY-MM-DD hh:mm:ss", local time
  std::string user;
  std::string host;
};

// The facts of a file about to be imported.
struct FileFacts {
  std::string path;          // as given (UTF-8)
  std::string absolutePath;
  std::uint64_t size = 0;
  std::string sha256;        // lower-case hex of the whole file
  std::uint64_t partialBytes = 0;  // bytes after the last whole record
};

struct ImportResult {
  // A file of the same SHA-256 was imported before: no record is added. A
  // copy at another path is kept as a file its records came in, with their
  // count (all of them known).
  bool alreadyImported = false;
  std::int64_t importId = 0;
  std::uint64_t records = 0;
  std::uint64_t fresh = 0;  // new to the archive
  std::uint64_t known = 0;  // already there (also a record twice in the same file, the second time)
};

struct ImportSummary {
  std::int64_t importId = 0;
  std::string path;
  std::string importedAt;
  std::uint64_t records = 0;
  std::uint64_t fresh = 0;
  std::uint64_t known = 0;
};

// A placement: a device that stood at a point from one time to another.
struct Placement {
  std::string object;
  PointName point;
  std::uint32_t device = 0;
  DateTime from;
  DateTime to;
  std::int64_t id = 0;  // its number in this archive
};

// What correcting a placement changes: only the fields given. The point is
// one of the same object's.
struct PlacementChange {
  std::optional<std::uint32_t> device;
  std::optional<PointName> point;
  std::optional<DateTime> from;
  std::optional<DateTime> to;
};

// Records to assign that stand at other points: how many stand at each.
struct PointCount {
  std::string object;
  PointName point;
  std::uint64_t records = 0;
};

// The refusal of an assignment whose records stand at other points, with
// their counts per point (the first points only, `morePoints` the rest),
// for a program that words it in its own language.
class RecordsElsewhere : public ArchiveError {
 public:
  RecordsElsewhere(const std::string& message, std::uint64_t records, std::vector<PointCount> points,
                   std::uint64_t morePoints)
      : ArchiveError(message, "records_elsewhere"), records_(records), points_(std::move(points)),
        morePoints_(morePoints) {}
  std::uint64_t records() const { return records_; }
  const std::vector<PointCount>& points() const { return points_; }
  std::uint64_t morePoints() const { return morePoints_; }

 private:
  std::uint64_t records_;
  std::vector<PointCount> points_;
  std::uint64_t morePoints_;
};

// The order of a page of records: the key, then the record id, both in the
// same direction. Undated records sort as the database sorts no value.
enum class SortKey { Date, Mode, Value, Device, Point, Id };

struct RecordOrder {
  SortKey key = SortKey::Date;
  bool descending = false;
};

struct RecordPage {
  std::uint64_t total = 0;  // every record of the selection
  std::vector<StoredRecord> rows;
};

struct AssignResult {
  std::uint64_t assigned = 0;  // records now at the point that were not before
  std::uint64_t already = 0;   // records that were at the point already
  std::uint64_t moved = 0;     // of `assigned`, taken from another point (--move)
  bool pointCreated = false;
};

// One row of a measurement plan: `line` is its line in the plan file.
struct PlanRow {
  std::size_t line = 0;
  std::string object;
  std::string address;
  Placement placement;
};

class Archive {
 public:
  // Takes the database and brings its schema to kSchemaVersion: a new
  // archive gets the whole schema, an older one is upgraded in one
  // transaction (upgradedFrom() then tells from which version), a newer one
  // is refused with ArchiveError and left unchanged.
  explicit Archive(std::unique_ptr<Database> database);
  ~Archive();
  Archive(const Archive&) = delete;
  Archive& operator=(const Archive&) = delete;

  Database& database() { return *db_; }
  std::optional<int> upgradedFrom() const { return upgradedFrom_; }

  // --- Who acts, and the audit trail (audit.h) ---------------------------
  // Every change from now on is written to the audit trail under this
  // actor, with its reason, in the change's own transaction. Until it is
  // set, the operating system's user and host act ("anna@LAB-PC-3").
  void setActor(Actor actor) { actor_ = std::move(actor); }
  const Actor& actor() const { return actor_; }
  // Appends one entry in a transaction of its own, for what changes no
  // table of the archive (a failed sign-in, a backup taken). `before` and
  // `after` are JSON texts or empty.
  void audit(const std::string& action, const std::string& target, const std::string& before,
             const std::string& after);
  // The entries that pass the filter, oldest first (the last `limit` ones
  // when it is given).
  std::vector<AuditEntry> auditLog(const AuditFilter& filter);

  // --- Accounts (accounts.h) ---------------------------------------------
  // Refused with ArchiveError when the login is taken or no login (letters,
  // digits, '.', '_', '-'; 1 to 64), the name is empty, or the password is
  // refused (passwordRefusal).
  void addAccount(const Account& account, const std::string& password);
  void setAccount(const std::string& login, const AccountChange& change);
  void setPassword(const std::string& login, const std::string& password);
  void setAccountActive(const std::string& login, bool active);
  std::vector<Account> accounts();  // by login
  std::optional<Account> account(const std::string& login);
  // The active account of this login when the password is its own; none
  // otherwise (no such login, disabled, wrong password), in the same time.
  std::optional<Account> signIn(const std::string& login, const std::string& password);
  bool hasActiveAdmin();

  // --- Import -----------------------------------------------------------
  // The records come from `next` in file order until it returns false. One
  // transaction: when anything fails (or `next` throws), nothing of this
  // file stays. `user` and `host` are stored with the import.
  ImportResult importFile(const FileFacts& facts, const std::function<bool(MeasurementRecord&)>& next,
                          const std::string& user, const std::string& host);
  // Every file that a record came in, in import order.
  std::vector<Sighting> where(std::int64_t recordId);
  bool hasRecord(std::int64_t recordId);
  // The last imports, newest first.
  std::vector<ImportSummary> lastImports(std::size_t count);
  // The imports of a file: those of the same SHA-256 (when the file can be
  // read) and of the same absolute path. Empty when it was never imported.
  std::vector<std::int64_t> importsOf(const std::string& sha256, const std::string& absolutePath);

  // --- Objects, points, devices -----------------------------------------
  void addObject(const ObjectInfo& object);
  void editObject(const std::string& name, const ObjectChange& change);
  // Refused while records are assigned to its points, unless `unassign`.
  // Returns the number of records unassigned.
  std::uint64_t removeObject(const std::string& name, bool unassign);
  std::vector<ObjectSummary> objects();
  std::optional<ObjectInfo> object(const std::string& name);
  // The object's placements by their start.
  std::vector<Placement> placements(const std::string& object);
  std::optional<Placement> placement(std::int64_t id);
  // Refused when there is no such placement, its point would have no room,
  // it would end before it starts or be one on record already. A point
  // named anew is made. The records stay where they are.
  Placement changePlacement(std::int64_t id, const PlacementChange& change);
  void removePlacement(std::int64_t id);

  // Creates or updates; empty fields clear. Refused when the verification
  // would end before it begins.
  void setDevice(const DeviceInfo& device);
  std::vector<DeviceInfo> devices();
  std::optional<DeviceInfo> device(std::uint32_t number);

  // --- Placing records --------------------------------------------------
  // Places the selected records at the point of the object (made when it
  // does not exist). Records at other points are refused with
  // RecordsElsewhere, counted per point, unless `move`. With a device and a
  // period the placement is kept too, for the object's protocol.
  // Records that leave a point (moved, or unassigned) take with them the
  // part of its placements that no record of theirs holds any more: a
  // placement shrinks to the records left at its start or end, splits
  // around a gap, or goes when none is left; one that still holds a record
  // keeps it.
  AssignResult assign(const std::string& object, const PointName& point, const Selection& selection, bool move);
  // Takes the selected records off their points, their placements kept
  // as for a move; returns how many.
  std::uint64_t unassign(const Selection& selection);
  // A whole plan in one transaction: every row is checked first (its object
  // is made with its address where it does not exist); the first bad row
  // is refused with its line number and nothing changes.
  std::vector<AssignResult> assignPlan(const std::vector<PlanRow>& plan, bool move);

  // --- Reading ----------------------------------------------------------
  // The selected records in date order (undated ones last), then by id.
  void forEachRecord(const Selection& selection, const std::function<void(const StoredRecord&)>& onRecord);
  // The same in the order of a list (the page's, so that an export of a
  // sorted list keeps its rows where the list shows them).
  void forEachRecord(const Selection& selection, const RecordOrder& order,
                     const std::function<void(const StoredRecord&)>& onRecord);
  std::uint64_t countRecords(const Selection& selection);
  // One page of the selected records in the given order, for a list that
  // shows a part of a large archive at a time.
  // The instruments whose records the archive holds, by number.
  std::vector<std::uint32_t> deviceNumbers();
  RecordPage recordPage(const Selection& selection, SortKey key, bool descending, std::uint64_t offset,
                        std::uint64_t limit);

 private:
  std::uint64_t pageTotal(const Selection& selection);

  std::unique_ptr<Database> db_;
  std::optional<int> upgradedFrom_;
  Actor actor_;
  // The totals of the pages asked for, kept while the archive is unchanged
  // (SQLite only: the mark of that is cheap there).
  std::map<std::string, std::uint64_t> pageTotals_;
  std::pair<std::int64_t, std::int64_t> pageTotalsMark_{-1, -1};
};

}  // namespace zel::archive
