#include "kvd/serve/tls_files.h"

#include <algorithm>

#include "kvd/archive/archive.h"
#include "kvd/archive/location.h"
#include "kvd/io/platform.h"
#include "kvd/serve/serve_platform.h"

namespace zel::serve {

namespace fs = std::filesystem;

TlsFiles selfSignedFiles(const std::string& location) {
  const fs::path folder = archive::isPostgresLocation(location)
                              ? archive::defaultArchivePath().parent_path()
                              : cli::platform::pathFromUtf8(location).parent_path();
  return {folder / "kvd-serve-cert.pem", folder / "kvd-serve-key.pem"};
}

bool labCertificate(const std::string& location, const std::vector<std::string>& hosts,
                    const std::string& certificateFile, const std::string& keyFile, LabCertificate& out,
                    std::string& why) {
  LabCertificate result;
  if (!certificateFile.empty()) {
    result.certificateFile = cli::platform::pathFromUtf8(certificateFile);
    if (!loadTlsIdentity(result.certificateFile, cli::platform::pathFromUtf8(keyFile), result.identity, why))
      return false;
  } else {
    const TlsFiles files = selfSignedFiles(location);
    result.certificateFile = files.certificate;
    result.selfSigned = true;
    std::error_code ec;
    if (fs::exists(files.certificate, ec) || fs::exists(files.key, ec)) {
      if (!loadTlsIdentity(files.certificate, files.key, result.identity, why)) {
        why += ": remove " + cli::platform::utf8FromPath(files.certificate) + " and " +
               cli::platform::utf8FromPath(files.key) + " to have a new self-signed certificate made";
        return false;
      }
    }
    // A certificate that has expired, or was made for other addresses of
    // this computer, would only make every browser warn: a new one is made.
    std::vector<std::string> names = hosts;
    names.push_back("127.0.0.1");
    const bool serves = !result.identity.certificatePem.empty() &&
                        std::all_of(names.begin(), names.end(), [&](const std::string& name) {
                          return certificateServes(result.identity.certificatePem, name);
                        });
    if (!serves) {
      names.insert(names.end() - 1, {archive::hostName(), "localhost"});
      result.identity = selfSignedIdentity(names);
      fs::create_directories(files.certificate.parent_path().empty() ? fs::path(".") : files.certificate.parent_path(),
                             ec);
      // The key first: a certificate on disk always has its key beside it.
      if (!writePrivateFile(files.key, result.identity.keyPem) ||
          !writePrivateFile(files.certificate, result.identity.certificatePem)) {
        why = "the self-signed certificate cannot be written to " + cli::platform::utf8FromPath(files.certificate);
        return false;
      }
      result.made = true;
    }
  }
  result.fingerprint = certificateFingerprint(result.identity.certificatePem);
  out = std::move(result);
  return true;
}

}  // namespace zel::serve
