// The protocol of an object: what the lab hands its client. Per point the
// mean of every quantity its records give, with its standard uncertainty u
// and its expanded uncertainty U = k·u (k: the lab's coverage factor), the
// conditions of measurement; per room, the unit of assessment, its mean and
// one verdict against the level that is normative for the object; the
// devices with their verification, and every record measured outside it.
//
// The rules, without any database: the command gathers the object, its
// devices, points, placements and records from the archive into a
// ProtocolInput; computeProtocol decides; writeProtocolHtml writes the page.
//
// - A point's quantities are the results its records' pages show (CRn, CTn,
//   EEC(Rn), EEC(Tn), Qint, Q(n), flux, the sample concentrations). A mean
//   is the arithmetic mean of the finite values; its uncertainty u is
//   sqrt(sum of error²) / n, given only when every record has an error, as
//   kvd stats computes it. NaN and infinite values take no part.
// - The normative levels are NRB-99/2009's for the object's kind, judged by
//   EEC(Rn) + 4.6 EEC(Tn) (in use 200, new 100, workplace 310 Bq/m3), and
//   the radon flux level of building sites when there are flux records. The
//   sum is taken of the means of EEC(Rn) and of EEC(Tn) over the records
//   that hold both, their u in quadrature; the flux and the indoor radon by
//   the mean of the values the record browser lists (reference_levels.h).
// - A room's mean for a level is the same mean over the records of all its
//   points taken together, so that a point of many records weighs more than
//   a point of one. Its verdict is report::judge(mean, U, level): above only
//   when mean − U exceeds the level, below when mean + U does not, else
//   inconclusive. Points get their verdicts by the same rule; a room none of
//   whose records a level judges has no verdict for it.
// - The informative levels (WHO, EU, US EPA; `ProtocolInput::norms` chooses
//   which, a normative name there being ignored) are compared with each
//   point's mean for information only: no verdict and no conclusion ever
//   names them.
// - The conditions of a point are the lowest and highest temperature,
//   humidity and pressure of its records whose page shows them.
// - A record is measured outside verification when its date lies before the
//   device's verifiedFrom or after its verifiedUntil (the whole day
//   counts), when its device has no verification on record, or when it has
//   no calendar date to check. Such records still count in the means: the
//   protocol marks them, and its conclusion says how many there are.
// - The records given apart (the object's devices' records outside every
//   placement) are listed, never counted.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "kvd/archive/archive.h"
#include "kvd/archive/lab.h"
#include "kvd/report/html_report.h"
#include "kvd/report/reference_levels.h"

namespace zel::archive {

struct ProtocolPoint {
  PointName name;
  std::vector<Placement> placements;
  std::vector<StoredRecord> records;
};

// Who signs a protocol: their full name and position, from their account.
struct Signer {
  std::string login;
  std::string name;
  std::string position;
};

struct ProtocolInput {
  ObjectInfo object;
  std::vector<DeviceInfo> devices;   // those on record; others are named by their records
  std::vector<ProtocolPoint> points;  // by floor, room, point
  std::vector<StoredRecord> apart;
  std::vector<const report::Norm*> norms;  // the informative levels listed; empty: WHO, EU, US EPA
  report::Language language = report::Language::En;
  std::string issued;  // the protocol's date as it is to be printed; empty: none
  LabInfo lab;
  std::string number;            // empty: a draft, marked so on every page
  std::vector<Signer> signers;   // they sign on `issued`
  std::string replaces;          // the number of the protocol this one corrects
  std::string reason;            // why it was issued anew, or records outside verification accepted
  bool acceptedUnverified = false;  // issued with records outside verification, said so
};

enum class Verification {
  Valid,
  Outside,         // dated before verifiedFrom or after verifiedUntil
  NotOnRecord,     // the device has no verification in the archive
  Undated,         // no calendar date: the verification cannot be checked
};

// One result of a record, finite, as the protocol averages and charts it.
struct ResultValue {
  std::string key;  // as in record_meaning.h; "EECsum" for EEC(Rn) + 4.6 EEC(Tn)
  std::string label;
  double value = 0;
  std::optional<double> error;
  std::string unit;
};

// A record as the protocol lists it: the record browser's list row.
struct ProtocolRecord {
  std::int64_t id = 0;
  cli::DateTime when;
  bool dated = false;
  std::string date;  // "05.07.2019"
  std::string time;  // "09:04:07"
  std::uint16_t mode = 0;
  std::string modeName;
  std::string valueText;  // "186", "< 0.5"
  std::string errorText;  // "37", or empty
  std::string unit;
  std::uint32_t device = 0;
  std::string firstFile;
  std::uint64_t firstIndex = 0;
  Verification verification = Verification::Valid;
  std::vector<ResultValue> results;
  std::optional<double> listed;  // the browser's value and error, finite ones
  std::optional<double> listedError;
  // Where the record's page shows them: °C, %, mmHg.
  std::optional<double> temperature, humidity, pressure;
};

// The mean of one quantity over a point's records.
struct QuantityMean {
  std::string key;    // "CRn", "EECRn", …, "EECsum" for the NRB sum
  std::string label;  // "CRn", "EEC(Rn)", "EEC(Rn) + 4.6 EEC(Tn)"
  std::string unit;
  std::uint64_t count = 0;      // finite values taken
  std::uint64_t nonFinite = 0;  // values left out
  double mean = 0;
  std::optional<double> uncertainty;  // u
  std::optional<double> expanded;     // U = k·u
};

// The lowest and highest of a condition over a point's records.
struct Condition {
  std::string key;  // "temperature", "humidity", "pressure"
  cli::Unit unit = cli::Unit::None;
  std::uint64_t count = 0;
  double min = 0;
  double max = 0;
};

// The quantity a level is compared with, over records: its mean with u,
// and U = k·u.
struct LevelMean {
  const report::Norm* norm = nullptr;
  std::uint64_t count = 0;  // records taken
  report::Measured measured{0, 0};  // the mean and its u
  double expanded = 0;              // U
  bool hasUncertainty = true;       // false: not every record has an error; u and U are 0
};

// A normative level's verdict: report::judge(mean, U, level).
struct PointVerdict : LevelMean {
  report::Verdict verdict = report::Verdict::Inconclusive;
};

struct PointResult {
  PointName name;
  std::vector<Placement> placements;
  std::vector<ProtocolRecord> records;  // in date order, undated last
  std::vector<QuantityMean> means;
  std::vector<PointVerdict> verdicts;  // in normative order, only the levels that judge it
  std::vector<LevelMean> informative;  // in informative order, only the levels that apply
  std::vector<Condition> conditions;   // temperature, humidity, pressure: those some record shows
  std::optional<cli::DateTime> first;  // the dated records' span
  std::optional<cli::DateTime> last;
  const PointVerdict* verdictOf(const report::Norm* norm) const;
};

// A room's verdict, of the mean over the records of all its points.
struct RoomVerdict : PointVerdict {
  std::size_t pointsJudged = 0;  // points with records the level judges
};

struct RoomResult {
  std::string floor;
  std::string room;
  std::vector<std::size_t> points;  // into Protocol::points
  std::vector<RoomVerdict> verdicts;  // in normative order, only the levels that judge it
  const RoomVerdict* verdictOf(const report::Norm* norm) const;
};

struct DeviceResult {
  DeviceInfo info;
  bool onRecord = false;  // whether the archive knows its model and verification
  std::uint64_t records = 0;
  std::uint64_t outsideVerification = 0;
  std::optional<cli::DateTime> first;
  std::optional<cli::DateTime> last;
};

// Per level, which rooms (into Protocol::rooms) are above, inconclusive,
// below.
struct LevelConclusion {
  const report::Norm* norm = nullptr;
  std::vector<std::size_t> above;
  std::vector<std::size_t> inconclusive;
  std::vector<std::size_t> below;
  bool judgedAny() const { return !above.empty() || !inconclusive.empty() || !below.empty(); }
};

struct Protocol {
  ObjectInfo object;
  report::Language language = report::Language::En;
  std::string issued;
  LabInfo lab;
  std::string number;  // empty: a draft
  std::vector<Signer> signers;
  std::string replaces;
  std::string reason;
  bool acceptedUnverified = false;
  double coverageFactor = kDefaultCoverageFactor;  // k, the lab's
  std::vector<const report::Norm*> normative;    // the kind's NRB level, and the flux level if a record is of flux
  std::vector<const report::Norm*> informative;  // as chosen, or WHO, EU, US EPA
  std::vector<DeviceResult> devices;        // by number
  std::vector<PointResult> points;
  std::vector<RoomResult> rooms;            // in the order of their first point
  std::vector<ProtocolRecord> apart;
  std::vector<LevelConclusion> conclusions;  // one per normative level
  std::uint64_t records = 0;                 // at the points
  std::uint64_t outsideVerification = 0;     // of them, and of those apart
  std::optional<cli::DateTime> first;        // the period of the measurements
  std::optional<cli::DateTime> last;
  bool draft() const { return number.empty(); }
};

// How a record measured at `when` stands to its device's verification;
// `device` null: the archive knows no such device.
Verification verificationOf(const DeviceInfo* device, const cli::DateTime& when);

Protocol computeProtocol(const ProtocolInput& input);

// What the archive holds of an object for its protocol: its points with
// their records and placements, the devices that stood there with their
// verification, the lab's details, and apart the records those devices made
// in the placement periods that were put at no point.
ProtocolInput protocolInput(Archive& archive, const ObjectInfo& object);

// The protocol as one self-contained HTML page (no request of any kind),
// from the template in kvd/web/. Throws std::runtime_error if the template
// cannot be rendered.
void writeProtocolHtml(std::ostream& out, const ProtocolInput& input);
std::string protocolHtml(const Protocol& protocol);

}  // namespace zel::archive
