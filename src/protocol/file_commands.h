// The multi-item commands of the operations that move file bodies: get,
// add, check out with its confirmation, and the two steps of check in. The
// bodies themselves travel on the transfer connections. Field meanings:
// docs/protocol.md.
#ifndef QORV_PROTOCOL_FILE_COMMANDS_H_
#define QORV_PROTOCOL_FILE_COMMANDS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "protocol/command_base.h"
#include "protocol/command_codes.h"

namespace qorv {

// One file the server offers for download (38, 61, 62).
struct OfferedFile {
  std::string transfer_name;  // names the body on a transfer connection; empty on failure
  int32_t size = 0;           // delivered size
  bool text_file = false;     // sent by command 38 only
  double check_in_time = 0;
  double modification_time = 0;
  int32_t result = kResultOk;
  std::string description;
};

// 38 (0x26) Get files.
struct GetFilesEntry {
  std::string file_path;
  int32_t version = 0;  // 0: the version the project shows
};
struct GetFilesCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kGetFiles;
  int32_t line_ending_mode = 0;  // Enum_EOL
  int32_t file_time_mode = 0;    // Enum_SetLocalFileTime
  int32_t login_identity = 0;
  std::vector<GetFilesEntry> entries;
  std::vector<OfferedFile> reply;  // one per entry

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};

// 61 (0x3D) Get files at a project version.
struct GetFilesAtVersionCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kGetFilesAtVersion;
  std::string project_path;
  int32_t version = 0;
  bool recursive = false;
  int32_t line_ending_mode = 0;
  int32_t file_time_mode = 0;
  int32_t login_identity = 0;
  std::vector<std::string> file_paths;
  std::vector<OfferedFile> reply;  // one per path

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};

// 62 (0x3E) Get files at a date (a label's date).
struct GetFilesAtDateCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kGetFilesAtDate;
  std::string project_path;
  double date = 0;
  bool recursive = false;
  int32_t line_ending_mode = 0;
  int32_t file_time_mode = 0;
  int32_t login_identity = 0;
  std::vector<std::string> file_paths;
  std::vector<OfferedFile> reply;  // one per path

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};

// 40 (0x28) Add files, after their bodies were uploaded under their entry
// indexes.
struct AddFilesEntry {
  int32_t entry_index = 0;
  std::string file_path;
  int32_t file_type = 0;  // Enum_FileType
  bool store_latest_only = false;
};
struct AddedFile {
  double date = 0;  // check-in time of version 1
  int32_t result = kResultOk;
  std::string description;
};
struct AddFilesCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kAddFiles;
  std::string comment;
  int32_t line_ending_mode = 0;
  int32_t login_identity = 0;
  std::vector<AddFilesEntry> entries;
  std::vector<AddedFile> reply;  // one per entry

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};

// 72 (0x48) Check out, and 42 (0x2A), the same command whose confirmation
// (69) gets no reply.
struct CheckOutEntry {
  std::string file_path;
  int32_t body_wanted = 0;  // nonzero: a transfer name is issued
};
struct CheckedOutFile {
  std::string transfer_name;
  double check_out_time = 0;
  std::string user_text;
  int32_t version = 0;
  double check_in_time = 0;
  double modification_time = 0;
  int32_t size = 0;
  int32_t file_status = 0;
  int32_t result = kResultOk;
  std::string description;
};
struct CheckOutFields : CommandBase {
  std::string comment;
  int32_t line_ending_mode = 0;
  int32_t file_time_mode = 0;
  int32_t login_identity = 0;
  std::vector<CheckOutEntry> entries;
  std::vector<CheckedOutFile> reply;  // one per entry

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};
struct CheckOutCommand : CheckOutFields {
  static constexpr CommandCode kCode = CommandCode::kCheckOut;
};
struct CheckOutUnconfirmedCommand : CheckOutFields {
  static constexpr CommandCode kCode = CommandCode::kCheckOutUnconfirmed;
};

// 73 Check-out confirmation, and 69, the same without a reply. No code byte:
// one int32 per entry of the preceding check out, its result after the file
// phase (0, the server's result, or 19000), with no count. 73 receives one
// reply frame and does not parse it; 69 receives nothing. Both report 0,
// "Completed".
struct ConfirmationFields : CommandBase {
  static constexpr bool kSendsCodeByte = false;
  std::vector<int32_t> results;

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage&) {}
};
struct CheckOutConfirmationCommand : ConfirmationFields {
  static constexpr CommandCode kCode = CommandCode::kCheckOutConfirmation;
  static constexpr ReplyShape kReplyShape = ReplyShape::kFrameNotParsed;
};
struct ConfirmationWithoutReplyCommand : ConfirmationFields {
  static constexpr CommandCode kCode = CommandCode::kConfirmationWithoutReply;
  static constexpr ReplyShape kReplyShape = ReplyShape::kNoReply;
};

// 80 (0x50) Check in, first step: announces the entry indexes the bodies
// will be uploaded with.
struct CheckInBeginEntry {
  std::string file_path;
  int32_t entry_index = 0;  // position in the whole check-in list
};
struct CheckInBeginCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kCheckInBegin;
  int32_t line_ending_mode = 0;
  int32_t login_identity = 0;
  std::vector<CheckInBeginEntry> entries;

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage&) {}
};

// 81 (0x51) Check in, commit. Only the entries whose result is still 0 are
// sent, each with its position in the whole list; each reply entry names
// the position it answers and completes that entry in place:
//   request  bool keep checked out, string comment, int32 K,
//            K x {string file path, bool body uploaded, int32 entry index}
//   reply    K x {int32 entry index, int32 new version, date, string user
//            text, int32 file status, int32 result, string description}
// A reply entry whose index was not sent, or that answers an entry a second
// time, does not fit the request: the reply is refused as a read past its
// end would be, and no entry changes.
struct CheckInCommitEntry {
  std::string file_path;
  bool body_uploaded = false;
  // In: 0 sends the entry. Out: the server's result for a sent entry.
  int32_t result = kResultOk;
  std::string description;
  int32_t new_version = 0;
  double date = 0;
  std::string user_text;
  int32_t file_status = 0;
};
struct CheckInCommitCommand : CommandBase {
  static constexpr CommandCode kCode = CommandCode::kCheckInCommit;
  bool keep_checked_out = false;
  std::string comment;
  std::vector<CheckInCommitEntry> entries;  // the whole list

  void Encode(FieldWriter& out) const;
  void Decode(CInMessage& in);
};

}  // namespace qorv

#endif  // QORV_PROTOCOL_FILE_COMMANDS_H_
