// Which certificate the lab server shows: the lab's own (--tls-cert and
// --tls-key), or a self-signed one made at the first start and kept for the
// later ones, so that its fingerprint, once compared and trusted, stays.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "kvd/serve/certificate.h"

namespace zel::serve {

// kvd-serve-cert.pem and kvd-serve-key.pem beside an SQLite archive; for a
// PostgreSQL archive in the folder of the user's own archive.
struct TlsFiles {
  std::filesystem::path certificate;
  std::filesystem::path key;
};
TlsFiles selfSignedFiles(const std::string& location);

struct LabCertificate {
  TlsIdentity identity;
  std::string fingerprint;  // "3A:F0:…"
  std::filesystem::path certificateFile;
  bool selfSigned = false;
  bool made = false;  // made at this start
};

// The given pair when both files are named (else the self-signed one for
// `location`, reused while it is valid and names every one of `hosts`, the
// addresses the server is reached by; made anew, for them, this computer's
// name and the loopback, when there is none or it does not). False with
// the reason; a self-signed pair that cannot be read is never replaced
// silently.
bool labCertificate(const std::string& location, const std::vector<std::string>& hosts,
                    const std::string& certificateFile, const std::string& keyFile, LabCertificate& out,
                    std::string& why);

}  // namespace zel::serve
