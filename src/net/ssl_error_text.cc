#include "net/ssl_channel.h"
#include "qorvsdk/result_codes.h"

namespace qorv {

const char* SslErrorText(int32_t code) {
  switch (code) {
    case 20001:
      return kTextSslOutOfMemory;
    case 20002:
      return kTextSslTimeOut;
    case 20003:
      return kTextSslInitFailed;
    case 20004:
      return kTextSslCtxApplyFailed;
    case 20005:
      return kTextSslHandleApplyFailed;
    case 20006:
      return kTextSslInvalidCtx;
    case 20007:
      return kTextSslInvalidHandle;
    case 20008:
      return kTextSslInvalidCtxType;
    case 20009:
      return kTextSslConnectFailed;
    case 20010:
      return kTextSslSendFailed;
    case 20011:
      return kTextSslReceiveFailed;
    case kResultSslWriteWouldBlock:
      return kTextSslWriteWouldBlock;
    case kResultSslReadWouldBlock:
      return kTextSslReadWouldBlock;
    case 20014:
      return kTextSslAcceptFailed;
    case 20015:
      return kTextSslCallFailed;
    case 20016:
    case 20099:
      return kTextSslKernelObjectFailed;
    case kResultSslUnspecified:
      return kTextSslUnspecifiedError;
    default:
      return kTextSslOtherError;
  }
}

}  // namespace qorv
