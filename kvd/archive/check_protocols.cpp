// The check of issued protocols: each page against the SHA-256 it was
// issued with, and each record it used against the digest it used it by.
#include "kvd/archive/check_steps.h"
#include "kvd/archive/sha256.h"

namespace zel::archive::check {

void protocols(Database& db, CheckReport& report, const CheckProgress&) {
  report.part("protocols");
  db.run("SELECT protocol_id, number, html, html_sha256 FROM protocols ORDER BY protocol_id", {}, [&](const Row& row) {
    ++report.part("protocols").count;
    const std::string html = row.blob(2);
    const Digest d = sha256(reinterpret_cast<const std::uint8_t*>(html.data()), html.size());
    if (hexText(d.data(), d.size()) != row.text(3))
      report.add({"protocols", "protocols", row.integer(0), "protocol " + row.text(1),
                  "its page does not match the digest it was issued with"});
  });
  db.run("SELECT p.protocol_id, p.number, x.record_id, x.digest, r.digest FROM protocol_records x "
         "JOIN protocols p ON p.protocol_id = x.protocol_id "
         "LEFT JOIN stored_records r ON r.record_id = x.record_id ORDER BY x.protocol_id, x.record_id",
         {}, [&](const Row& row) {
           const std::string stored = row.blob(4);
           const std::string now = hexText(reinterpret_cast<const std::uint8_t*>(stored.data()), stored.size());
           if (row.isNull(4) || now != row.text(3))
             report.add({"protocols", "protocol_records", row.integer(0), "protocol " + row.text(1),
                         "record " + std::to_string(row.integer(2)) +
                             (row.isNull(4) ? " that it used is gone" : " is not the record it used")});
         });
}

}  // namespace zel::archive::check
