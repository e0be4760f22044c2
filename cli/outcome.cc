#include "cli/outcome.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "qorvsdk/result_codes.h"

namespace qorv::cli {
namespace {

// Statuses of the reference server (docs/protocol.md, section 3) that name
// something that does not exist. Other servers' statuses pass through the
// SDK unchanged and fall into the general "refused" class.
constexpr int32_t kServerNotFoundStatuses[] = {
    40002,  // database does not exist
    40101,  // project does not exist
    40102,  // file does not exist
    40103,  // item does not exist
    40105,  // no deleted item
    40301,  // version does not exist
    40302,  // label does not exist
    40303,  // version no longer kept
    40307,  // project did not exist at that time
};

// Statuses of the reference server about the session and the login.
constexpr int32_t kServerLoginStatuses[] = {
    40001,  // not logged in
    40003,  // invalid user name or password
    40004,  // the user key does not match
    40005,  // wrong login command for this channel
    40006,  // unknown login identity
};

template <size_t N>
bool Contains(const int32_t (&codes)[N], int32_t code) {
  return std::find(std::begin(codes), std::end(codes), code) != std::end(codes);
}

bool IsConnectionFailure(int32_t result) {
  switch (result) {
    case kResultPeerClosed:
    case kResultSocketError:
    case kResultConnectFailed:
    case kResultFileTransferFailed:
    case kResultTempFileReadFailed:
    case kResultProxyConnectFailed:
    case kResultProxyTargetUnreachable:
    case kResultProxyBadResponse:
    case kResultProxyAuthRequired:
    case kResultProxyAuthSchemeUnsupported:
    case kResultProxyUnknownType:
    case kResultProxyOtherFailure:
    case kResultNotThisProduct:
    case kResultVersionRefused:
    case kResultUnknownEncryption:
    case kResultFileNotTransferred:
    case kResultUnspecifiedConnectError:
      return true;
    default:
      return result >= kResultSslFirst && result <= kResultSslLast;
  }
}

bool IsLocalFileFailure(int32_t result) {
  switch (result) {
    case kResultLocalStoreFailed:
    case kResultLocalNameTooLong:
    case kResultCacheNodeFailed:
    case kResultCreateFolderFailed:
    case kResultMergeFailed:
    case kResultChecksumFailed:
    case kResultCacheUpdateFailed:
    case kResultCacheSaveFailed:
    case kResultUnsafeServerName:
    case kFileErrorGeneric:
      return true;
    default:
      // The file layer's own codes.
      return result >= kFileErrorFileNotFound && result <= kFileErrorFileExists;
  }
}

bool IsNotFound(int32_t result) {
  return result == kResultNotFound || result == kResultLocalFolderNotFound ||
         result == kResultLocalFileNotFound || Contains(kServerNotFoundStatuses, result);
}

bool IsCanceled(int32_t result) {
  return result == kResultSocketCanceled || result == kResultRequestCanceled ||
         result == kResultPromptCanceled;
}

bool IsInternal(int32_t result) {
  return result == kResultOutOfMemory || result == kResultReceiveOutOfMemory ||
         result == kResultSystemError;
}

}  // namespace

const char* ExitClassName(ExitClass exit_class) {
  switch (exit_class) {
    case ExitClass::kSuccess:
      return "success";
    case ExitClass::kNo:
      return "no";
    case ExitClass::kUsage:
      return "usage";
    case ExitClass::kConnection:
      return "connection";
    case ExitClass::kAuthentication:
      return "authentication";
    case ExitClass::kNotFound:
      return "not-found";
    case ExitClass::kRefused:
      return "refused";
    case ExitClass::kLocalFile:
      return "local-file";
    case ExitClass::kCanceled:
      return "canceled";
    case ExitClass::kInternal:
      return "internal";
  }
  return "internal";
}

const char* ExitClassMeaning(ExitClass exit_class) {
  switch (exit_class) {
    case ExitClass::kSuccess:
      return "success";
    case ExitClass::kNo:
      return "the answer of exists or compare is no";
    case ExitClass::kUsage:
      return "usage error: unknown command or option, bad argument";
    case ExitClass::kConnection:
      return "connection or transport failure (server, proxy, SSL)";
    case ExitClass::kAuthentication:
      return "authentication failed (login, proxy authentication)";
    case ExitClass::kNotFound:
      return "not found (project, file, version, label, database)";
    case ExitClass::kRefused:
      return "conflict or refused by the server (checked out,\n"
             "                     exists, no rights, busy)";
    case ExitClass::kLocalFile:
      return "local file error (working folder, cache, temporary files)";
    case ExitClass::kCanceled:
      return "canceled (Ctrl-C, a question answered cancel)";
    case ExitClass::kInternal:
      return "internal error (SDK missing or not implemented)";
  }
  return "";
}

Outcome Outcome::Usage(std::string message) {
  Outcome outcome;
  outcome.step = Step::kSetup;
  outcome.usage_error = true;
  outcome.description = std::move(message);
  return outcome;
}

Outcome Outcome::Internal(std::string message) {
  Outcome outcome;
  outcome.step = Step::kSetup;
  outcome.internal_error = true;
  outcome.description = std::move(message);
  return outcome;
}

Outcome Outcome::Interrupted() {
  Outcome outcome;
  outcome.canceled = true;
  outcome.description = kTextCanceled;
  return outcome;
}

Outcome Outcome::FailedCall(const char* method, HRESULT hr) {
  Outcome outcome;
  outcome.method = method;
  outcome.hr = hr;
  return outcome;
}

ExitClass ClassifyResult(int32_t result, bool canceled, Step step) {
  if (canceled || IsCanceled(result)) return ExitClass::kCanceled;
  if (result == kResultOk) return ExitClass::kSuccess;
  if (result == kResultProxyAuthFailed) return ExitClass::kAuthentication;
  if (IsConnectionFailure(result)) return ExitClass::kConnection;
  if (IsInternal(result)) return ExitClass::kInternal;
  if (step == Step::kLogin || Contains(kServerLoginStatuses, result)) {
    return ExitClass::kAuthentication;
  }
  if (IsNotFound(result)) return ExitClass::kNotFound;
  if (IsLocalFileFailure(result)) return ExitClass::kLocalFile;
  return ExitClass::kRefused;
}

ExitClass ClassifyOutcome(const Outcome& outcome) {
  if (outcome.exit_class) return *outcome.exit_class;
  if (outcome.usage_error) return ExitClass::kUsage;
  if (outcome.internal_error || FAILED(outcome.hr)) return ExitClass::kInternal;
  const ExitClass by_result = ClassifyResult(outcome.result, outcome.canceled, outcome.step);
  if (by_result == ExitClass::kSuccess && outcome.answer_no) return ExitClass::kNo;
  return by_result;
}

std::string HresultText(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
  return text;
}

}  // namespace qorv::cli
