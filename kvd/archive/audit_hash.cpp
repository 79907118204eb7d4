// The link of an audit entry to the one before it.
#include <string>

#include "kvd/archive/audit.h"
#include "kvd/archive/sha256.h"

namespace zel::archive {

std::string auditEntryHash(const AuditEntry& e) {
  std::string content;
  for (const std::string* field : {&e.previousHash, &e.at, &e.who, &e.action, &e.target, &e.before, &e.after,
                                   &e.reason}) {
    content += *field;
    content += '\0';
    if (field == &e.previousHash) {
      content += std::to_string(e.id);
      content += '\0';
    }
  }
  const Digest d = sha256(reinterpret_cast<const std::uint8_t*>(content.data()), content.size());
  return hexText(d.data(), d.size());
}

}  // namespace zel::archive
