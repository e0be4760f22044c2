#include "net/proxy_traversal.h"

#include "qorvsdk/result_codes.h"

namespace qorv {

const char* ProxyKindName(int32_t proxy_type) {
  switch (proxy_type) {
    case kProxySocks4:
      return "SOCKS4";
    case kProxySocks5:
      return "SOCKS5";
    case kProxyHttp:
      return "HTTP";
    default:
      return "";
  }
}

int32_t NoProxyTraversal::Traverse(CCancelableSocket& /*socket*/,
                                   const ConnectSettings& /*settings*/) {
  return kResultProxyUnknownType;
}

}  // namespace qorv
