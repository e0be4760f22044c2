#include "cli/outcome.h"

#include <cstdio>

#include "qorvsdk/result_codes.h"

namespace qorv::cli {
namespace {

using enum ExitClass;

// Every result value with a class of its own; any other nonzero value, being
// a server's status, is a refusal (kRefused), or at the login step an
// authentication failure. The server statuses are those of the reference
// server (docs/protocol.md, section 3); other servers' statuses pass through
// the SDK unchanged and fall into the general class. docs/cli.md and the
// help text are checked against this table by the tests.
constexpr ResultClassRow kResultClasses[] = {
    {kResultOutOfMemory, kResultOutOfMemory, kInternal},
    {kResultSystemError, kResultSystemError, kInternal},
    // The transport; 11004 is a string longer than any this protocol sends,
    // which is what a peer that speaks another protocol gives.
    {kResultPeerClosed, kResultSocketError, kConnection},
    {kResultSocketCanceled, kResultSocketCanceled, kCanceled},
    {kResultReceiveOutOfMemory, kResultConnectFailed, kConnection},
    {kResultFileTransferFailed, kResultFileTransferFailed, kConnection},
    {kResultTempFileReadFailed, kResultTempFileReadFailed, kConnection},
    {kResultProxyConnectFailed, kResultProxyConnectFailed, kConnection},
    {kResultProxyAuthFailed, kResultProxyAuthFailed, kAuthentication},
    {kResultProxyTargetUnreachable, kResultProxyOtherFailure, kConnection},
    {kResultNotThisProduct, kResultVersionRefused, kConnection},
    {kResultUnknownEncryption, kResultUnknownEncryption, kConnection},
    {kResultLocalStoreFailed, kResultLocalStoreFailed, kLocalFile},
    {kResultBusy, kResultBusy, kRefused},
    {kResultRequestCanceled, kResultRequestCanceled, kCanceled},
    {kResultFileNotTransferred, kResultUnspecifiedConnectError, kConnection},
    {kResultSslFirst, kResultSslLast, kConnection},
    {kFileErrorGeneric, kFileErrorGeneric, kLocalFile},
    {kFileErrorFileNotFound, kFileErrorFileExists, kLocalFile},
    {kResultNotFound, kResultLocalFileNotFound, kNotFound},
    {kResultLocalNameTooLong, kResultMergeFailed, kLocalFile},
    {kResultChecksumFailed, kResultChecksumFailed, kLocalFile},
    {kResultFileAlreadyInProject, kResultNameInTheWay, kRefused},
    {kResultPromptCanceled, kResultPromptCanceled, kCanceled},
    {kResultFileTypeExcluded, kResultAlreadyCheckedOutByYou, kRefused},
    {kResultShareUnderDescendant, kResultShareUnderDescendant, kRefused},
    {kResultCacheUpdateFailed, kResultUnsafeServerName, kLocalFile},
    // The reference server's answers to a login (not logged in, no such
    // database, name or password, user key, login command, identity): the
    // login is refused.
    {40001, 40006, kAuthentication},
    // Items that do not exist.
    {40101, 40103, kNotFound},  // project, file, item
    {40105, 40105, kNotFound},  // no deleted item
    {40301, 40303, kNotFound},  // version, label, version no longer kept
    {40307, 40307, kNotFound},  // project did not exist at that time
};

const ResultClassRow* FindRow(int32_t result) {
  for (const ResultClassRow& row : kResultClasses) {
    if (result >= row.first && result <= row.last) return &row;
  }
  return nullptr;
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
      return "usage error: unknown command or option, bad argument\n"
             "                     (a malformed server path among them)";
    case ExitClass::kConnection:
      return "connection or transport failure (server, proxy, SSL;\n"
             "                     serve: the port cannot be listened on)";
    case ExitClass::kAuthentication:
      return "authentication failed (user, password, key or database\n"
             "                     refused at login; proxy authentication)";
    case ExitClass::kNotFound:
      return "not found (project, file, version, label)";
    case ExitClass::kRefused:
      return "conflict or refused by the server (checked out,\n"
             "                     exists, no rights, busy)";
    case ExitClass::kLocalFile:
      return "local file error (a local file given, working folder,\n"
             "                     cache, temporary files, standard output)";
    case ExitClass::kCanceled:
      return "canceled (Ctrl-C, a question answered cancel)";
    case ExitClass::kInternal:
      return "internal error (SDK missing or not implemented, an\n"
             "                     unexpected failure inside qorv)";
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

Outcome Outcome::Failure(ExitClass exit_class, std::string message) {
  Outcome outcome;
  outcome.step = Step::kSetup;
  outcome.exit_class = exit_class;
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

std::span<const ResultClassRow> ResultClassTable() { return kResultClasses; }

ExitClass ClassifyResult(int32_t result, bool canceled, Step step) {
  if (canceled) return kCanceled;
  if (result == kResultOk) return kSuccess;
  if (const ResultClassRow* row = FindRow(result)) return row->exit_class;
  return step == Step::kLogin ? kAuthentication : kRefused;
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
