// Throwaway certificate authorities and server certificates for the SSL
// tests, made at test time by the `openssl` command in a folder the test
// owns (and removes): no key or certificate is kept with the sources.
// Elliptic-curve keys (P-256) keep them quick to make and the CA
// certificate well below the 2048 bytes a client takes.
#ifndef QORV_TESTS_SUPPORT_TEST_CERTIFICATES_H_
#define QORV_TESTS_SUPPORT_TEST_CERTIFICATES_H_

#include <string>
#include <vector>

#include "platform/captured_program.h"
#include "platform/file_system.h"

namespace qorv::testing {

inline constexpr char kOpenSslProgram[] = "/usr/bin/openssl";

// True when the openssl command is there (scripts/setup installs it).
inline bool HaveOpenSslProgram() {
  return platform::GetAttributes(kOpenSslProgram) != platform::kInvalidAttributes;
}

// Runs openssl with `arguments`; its error output in *error when it fails.
inline bool RunOpenSsl(const std::vector<std::string>& arguments, std::string* error) {
  platform::CapturedProgram program;
  if (program.Start(kOpenSslProgram, arguments, {}, "") != 0) {
    *error = "cannot start openssl";
    return false;
  }
  int exit_code = -1;
  if (!program.Finish(60000, &exit_code) || exit_code != 0) {
    *error = "openssl " + arguments.front() + ": " + program.err();
    return false;
  }
  return true;
}

struct CertificateFiles {
  std::string certificate;  // PEM
  std::string key;          // PEM, not encrypted
};

// A self-signed CA certificate with the common name `name`, written as
// <folder>/<name>.pem and <folder>/<name>.key.
inline bool MakeCertificateAuthority(const std::string& folder, const std::string& name,
                                     CertificateFiles* files, std::string* error) {
  files->certificate = folder + "/" + name + ".pem";
  files->key = folder + "/" + name + ".key";
  return RunOpenSsl(
      {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes", "-keyout",
       files->key, "-out", files->certificate, "-days", "2", "-subj", "/CN=" + name},
      error);
}

// A server certificate for `host` signed by `authority`, written as
// <folder>/<name>.pem and <folder>/<name>.key (its request as <name>.csr).
inline bool MakeServerCertificate(const std::string& folder, const std::string& name,
                                  const std::string& host, const CertificateFiles& authority,
                                  CertificateFiles* files, std::string* error) {
  files->certificate = folder + "/" + name + ".pem";
  files->key = folder + "/" + name + ".key";
  const std::string request = folder + "/" + name + ".csr";
  return RunOpenSsl({"req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes",
                     "-keyout", files->key, "-out", request, "-subj", "/CN=" + host},
                    error) &&
         RunOpenSsl({"x509", "-req", "-in", request, "-CA", authority.certificate, "-CAkey",
                     authority.key, "-set_serial", "1", "-days", "2", "-out", files->certificate},
                    error);
}

}  // namespace qorv::testing

#endif  // QORV_TESTS_SUPPORT_TEST_CERTIFICATES_H_
