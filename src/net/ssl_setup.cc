#include "net/ssl_setup.h"

#include "net/ssl_channel.h"
#include "qorvsdk/result_codes.h"

namespace qorv {

int32_t NoSslChannelSetup::WriteCaFile(const std::string& /*certificate*/,
                                       const std::string& /*server_host*/, uint16_t /*server_port*/,
                                       std::string* /*ca_file_path*/, std::string* description) {
  *description = SslErrorText(kResultSslUnspecified);
  return kResultSslUnspecified;
}

int32_t NoSslChannelSetup::OpenChannel(CCancelableSocket& /*socket*/,
                                       const std::string& /*ca_file_path*/,
                                       std::string* description) {
  *description = SslErrorText(kResultSslUnspecified);
  return kResultSslUnspecified;
}

}  // namespace qorv
