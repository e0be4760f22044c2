// Statuses the reference server answers with, and their texts.
//
// They lie in 40001..40599, outside every range the client produces, and
// travel to the caller unchanged. Command 4 alone answers its per-entry
// results with 0, 2 and 3 (kCreateResult...). docs/protocol.md lists them.
#ifndef QORV_SERVER_SERVER_STATUS_H_
#define QORV_SERVER_SERVER_STATUS_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace qorv::server {

enum ServerStatusCode : int32_t {
  kStatusOk = 0,
  kStatusNotLoggedIn = 40001,
  kStatusUnknownDatabase = 40002,
  kStatusBadCredentials = 40003,
  kStatusUserKeyMismatch = 40004,
  kStatusWrongLoginCommand = 40005,
  kStatusUnknownLoginIdentity = 40006,
  kStatusNoRights = 40007,
  kStatusUnknownCommand = 40008,
  kStatusMalformedRequest = 40009,
  kStatusInvalidEol = 40010,
  kStatusInvalidPath = 40100,
  kStatusProjectNotFound = 40101,
  kStatusFileNotFound = 40102,
  kStatusItemNotFound = 40103,
  kStatusNameInUse = 40104,
  kStatusNoDeletedItem = 40105,
  kStatusInvalidName = 40106,
  kStatusUnderItself = 40107,
  kStatusRootUnchangeable = 40108,
  kStatusCheckedOutByOther = 40201,
  kStatusAlreadyCheckedOut = 40202,
  kStatusNotCheckedOutByYou = 40203,
  kStatusPinnedNoCheckout = 40204,
  kStatusHasCheckouts = 40205,
  kStatusNoSuchVersion = 40301,
  kStatusNoSuchLabel = 40302,
  kStatusVersionNotKept = 40303,
  kStatusNotShared = 40304,
  kStatusNotPinned = 40305,
  kStatusInvalidLabel = 40306,
  kStatusProjectDidNotExist = 40307,
  kStatusNoUploadedBody = 40401,
  kStatusTypeExcluded = 40402,
  kStatusStoreError = 40501,
};

// Per-entry results of command 4 (create projects), as the client's project
// creation reads them.
inline constexpr int32_t kCreateResultCreated = 0;
inline constexpr int32_t kCreateResultExists = 2;
inline constexpr int32_t kCreateResultFailed = 3;

// Texts; "%s" and "%d" are filled by the functions below.
inline constexpr char kTextCompleted[] = "Completed";
inline constexpr char kTextNotLoggedIn[] = "Not logged in";
inline constexpr char kFormatUnknownDatabase[] = "Database %s does not exist";
inline constexpr char kTextBadCredentials[] = "Invalid user name or password";
inline constexpr char kTextUserKeyMismatch[] = "The user key does not match";
inline constexpr char kTextWrongLoginCommand[] = "Wrong login command for this channel";
inline constexpr char kTextUnknownLoginIdentity[] = "Unknown login identity";
inline constexpr char kTextNoRights[] = "You do not have the rights for this operation";
inline constexpr char kFormatUnknownCommand[] = "Unknown command %d";
inline constexpr char kTextMalformedRequest[] = "Malformed request";
inline constexpr char kFormatInvalidEol[] = "Invalid line-ending mode %d";
inline constexpr char kFormatInvalidPath[] = "Invalid path: %s";
inline constexpr char kFormatProjectNotFound[] = "Project %s does not exist";
inline constexpr char kFormatFileNotFound[] = "File %s does not exist";
inline constexpr char kFormatItemNotFound[] = "Item %s does not exist";
inline constexpr char kFormatNameInUse[] = "An item with the name %s already exists";
inline constexpr char kFormatProjectExists[] = "Project %s already exists";
inline constexpr char kFormatNoDeletedItem[] = "No deleted item %s";
inline constexpr char kFormatInvalidName[] = "Invalid name: %s";
inline constexpr char kTextUnderItself[] = "A project cannot be moved or shared under itself";
inline constexpr char kTextRootUnchangeable[] = "The root project cannot be changed this way";
inline constexpr char kFormatCheckedOutByOther[] = "File %s is checked out by %s";
inline constexpr char kFormatAlreadyCheckedOut[] = "You currently have file %s checked out";
inline constexpr char kFormatNotCheckedOutByYou[] = "File %s is not checked out by you";
inline constexpr char kFormatPinnedNoCheckout[] = "File %s is pinned and cannot be checked out";
inline constexpr char kFormatFileCheckedOut[] = "%s is checked out";
inline constexpr char kFormatProjectHasCheckouts[] = "%s contains checked-out files";
inline constexpr char kFormatNoSuchVersion[] = "Version %d of %s does not exist";
inline constexpr char kFormatNoSuchLabel[] = "Label %s does not exist on %s";
inline constexpr char kFormatVersionNotKept[] = "Version %d of %s is no longer kept";
inline constexpr char kFormatNotShared[] = "File %s is not shared";
inline constexpr char kFormatNotPinned[] = "File %s is not pinned";
inline constexpr char kTextInvalidLabel[] = "Invalid label name";
inline constexpr char kFormatProjectDidNotExist[] = "Project %s did not exist at that time";
inline constexpr char kFormatNoUploadedBody[] = "No file body was uploaded for entry %d";
inline constexpr char kFormatTypeExcluded[] = "Files of this type are excluded: %s";
inline constexpr char kFormatStoreError[] = "Server store error: %s";

// A status with its text: code 0 with "Completed" on success.
struct StoreStatus {
  int32_t code = kStatusOk;
  std::string text = kTextCompleted;

  bool ok() const { return code == kStatusOk; }
  static StoreStatus Ok() { return {}; }
};

// Builds a status from a format with one "%s" (or none).
StoreStatus MakeStatus(int32_t code, const char* format, std::string_view arg = {});
// Builds a status from a format with "%d" and then "%s" (or "%d" only).
StoreStatus MakeStatus(int32_t code, const char* format, int32_t number, std::string_view arg = {});
// Fills a format whose placeholders are "%s" and "%d", in any order, from the
// given texts and numbers taken left to right by kind.
std::string FormatText(const char* format, std::initializer_list<std::string_view> texts,
                       std::initializer_list<int32_t> numbers = {});

}  // namespace qorv::server

#endif  // QORV_SERVER_SERVER_STATUS_H_
