// The lab server's TLS certificate and key: read from PEM files (the lab's
// own, --tls-cert and --tls-key) or made self-signed with OpenSSL, and the
// certificate's SHA-256 fingerprint as browsers show it, which people
// compare before they trust a self-signed certificate.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct ssl_ctx_st;

namespace zel::serve {

struct TlsIdentity {
  std::string certificatePem;  // the server's certificate, then any chain
  std::string keyPem;          // its private key, PKCS #8, not encrypted
};

// Reads the certificate (with any chain after it) and the private key.
// False with a message that names the file and what is wrong with it: not
// readable, no PEM certificate or key, an encrypted key, a key that is not
// the certificate's.
bool loadTlsIdentity(const std::filesystem::path& certificate, const std::filesystem::path& key,
                     TlsIdentity& out, std::string& why);

// A new self-signed certificate (X.509 v3, ECDSA P-256, a random serial,
// valid from a day ago for ten years) for these names: each an IP address
// or a DNS name, the first also its common name.
TlsIdentity selfSignedIdentity(const std::vector<std::string>& names);

// Whether a certificate is valid now and for `name` (an IP address or a
// DNS name).
bool certificateServes(const std::string& certificatePem, const std::string& name);

// The SHA-256 of the certificate's DER bytes: "3A:F0:…", 32 upper-case
// pairs of hex digits.
std::string certificateFingerprint(const std::string& certificatePem);

// Gives a TLS context the certificate, its chain and the key; false when
// OpenSSL does not take them.
bool useTlsIdentity(ssl_ctx_st& context, const TlsIdentity& identity);

}  // namespace zel::serve
