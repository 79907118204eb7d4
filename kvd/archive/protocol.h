// The protocol of an object: what the lab hands its client. Per point the
// mean of every quantity its records give, with the standard uncertainty of
// the mean; per point and chosen level a verdict; per room, the unit of
// assessment, one verdict from its points; the devices with their
// verification, and every record measured outside it.
//
// The rules, without any database: the command gathers the object, its
// devices, points, placements and records from the archive into a
// ProtocolInput; computeProtocol decides; writeProtocolHtml writes the page.
//
// - A point's quantities are the results its records' pages show (CRn, CTn,
//   EEC(Rn), EEC(Tn), Qint, Q(n), flux, the sample concentrations). A mean
//   is the arithmetic mean of the finite values; its uncertainty is
//   sqrt(sum of error²) / n, given only when every record has an error, as
//   kvd stats computes it. NaN and infinite values take no part.
// - A level judges, per point, the records of the modes it covers
//   (reference_levels.h): radon of indoor air by the mean of the values the
//   record browser lists; the NRB levels by EEC(Rn) + 4.6 EEC(Tn) of the
//   means of the records that hold both, the errors in quadrature.
// - A room is above a level when any of its points is above; below when
//   every point with a verdict is below; otherwise inconclusive. A room none
//   of whose points the level judges has no verdict for it.
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
#include "kvd/report/html_report.h"
#include "kvd/report/reference_levels.h"

namespace zel::archive {

struct ProtocolPoint {
  PointName name;
  std::vector<Placement> placements;
  std::vector<StoredRecord> records;
};

struct ProtocolInput {
  ObjectInfo object;
  std::vector<DeviceInfo> devices;   // those on record; others are named by their records
  std::vector<ProtocolPoint> points;  // by floor, room, point
  std::vector<StoredRecord> apart;
  std::vector<const report::Norm*> norms;  // empty: the defaults, as the report
  report::Language language = report::Language::En;
  std::string issued;  // the protocol's date as it is to be printed; empty: none
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
};

// The mean of one quantity over a point's records.
struct QuantityMean {
  std::string key;    // "CRn", "EECRn", …, "EECsum" for the NRB sum
  std::string label;  // "CRn", "EEC(Rn)", "EEC(Rn) + 4.6 EEC(Tn)"
  std::string unit;
  std::uint64_t count = 0;      // finite values taken
  std::uint64_t nonFinite = 0;  // values left out
  double mean = 0;
  std::optional<double> uncertainty;
};

struct PointVerdict {
  const report::Norm* norm = nullptr;
  std::uint64_t count = 0;  // records judged
  report::Measured measured{0, 0};
  bool hasUncertainty = true;  // false: judged by the mean alone
  report::Verdict verdict = report::Verdict::Inconclusive;
};

struct PointResult {
  PointName name;
  std::vector<Placement> placements;
  std::vector<ProtocolRecord> records;  // in date order, undated last
  std::vector<QuantityMean> means;
  std::vector<PointVerdict> verdicts;  // in norm order, only the norms that judge it
  std::optional<cli::DateTime> first;  // the dated records' span
  std::optional<cli::DateTime> last;
  const PointVerdict* verdictOf(const report::Norm* norm) const;
};

struct RoomVerdict {
  const report::Norm* norm = nullptr;
  report::Verdict verdict = report::Verdict::Inconclusive;
  std::size_t pointsJudged = 0;
};

struct RoomResult {
  std::string floor;
  std::string room;
  std::vector<std::size_t> points;  // into Protocol::points
  std::vector<RoomVerdict> verdicts;  // in norm order, only the norms that judge it
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
  std::vector<const report::Norm*> norms;  // as chosen, or the defaults
  std::vector<DeviceResult> devices;        // by number
  std::vector<PointResult> points;
  std::vector<RoomResult> rooms;            // in the order of their first point
  std::vector<ProtocolRecord> apart;
  std::vector<LevelConclusion> conclusions;  // one per norm
  std::uint64_t records = 0;                 // at the points
  std::uint64_t outsideVerification = 0;     // of them, and of those apart
  std::optional<cli::DateTime> first;        // the period of the measurements
  std::optional<cli::DateTime> last;
};

// How a record measured at `when` stands to its device's verification;
// `device` null: the archive knows no such device.
Verification verificationOf(const DeviceInfo* device, const cli::DateTime& when);

Protocol computeProtocol(const ProtocolInput& input);

// The protocol as one self-contained HTML page (no request of any kind),
// from the template in kvd/web/. Throws std::runtime_error if the template
// cannot be rendered.
void writeProtocolHtml(std::ostream& out, const ProtocolInput& input);
std::string protocolHtml(const Protocol& protocol);

}  // namespace zel::archive
