#include "protocol/file_commands.h"

#include <limits>

#include "net/socket_buffer_exception.h"

namespace qorv {
namespace {

// One offered file; command 38 alone sends the text flag after the size.
OfferedFile ReadOfferedFile(CInMessage& in, bool with_text_flag) {
  OfferedFile file;
  file.transfer_name = in.ReadString();
  file.size = in.ReadInt32();
  if (with_text_flag) file.text_file = in.ReadBool();
  file.check_in_time = in.ReadDate();
  file.modification_time = in.ReadDate();
  file.result = in.ReadInt32();
  file.description = in.ReadString();
  return file;
}

std::vector<OfferedFile> ReadOfferedFiles(CInMessage& in, size_t count, bool with_text_flag) {
  return ReadPerEntryList(in, count, [with_text_flag](CInMessage& message) {
    return ReadOfferedFile(message, with_text_flag);
  });
}

}  // namespace

void GetFilesCommand::Encode(FieldWriter& out) const {
  out.Int32(line_ending_mode).Int32(file_time_mode).Int32(login_identity).Count(entries.size());
  for (const GetFilesEntry& entry : entries) out.String(entry.file_path).Int32(entry.version);
}

void GetFilesCommand::Decode(CInMessage& in) {
  reply = ReadOfferedFiles(in, entries.size(), /*with_text_flag=*/true);
}

void GetFilesAtVersionCommand::Encode(FieldWriter& out) const {
  out.String(project_path)
      .Int32(version)
      .Bool(recursive)
      .Int32(line_ending_mode)
      .Int32(file_time_mode)
      .Int32(login_identity);
  WriteStringList(out, file_paths);
}

void GetFilesAtVersionCommand::Decode(CInMessage& in) {
  reply = ReadOfferedFiles(in, file_paths.size(), /*with_text_flag=*/false);
}

void GetFilesAtDateCommand::Encode(FieldWriter& out) const {
  out.String(project_path)
      .Date(date)
      .Bool(recursive)
      .Int32(line_ending_mode)
      .Int32(file_time_mode)
      .Int32(login_identity);
  WriteStringList(out, file_paths);
}

void GetFilesAtDateCommand::Decode(CInMessage& in) {
  reply = ReadOfferedFiles(in, file_paths.size(), /*with_text_flag=*/false);
}

void AddFilesCommand::Encode(FieldWriter& out) const {
  out.String(comment).Int32(line_ending_mode).Int32(login_identity).Count(entries.size());
  for (const AddFilesEntry& entry : entries) {
    out.Int32(entry.entry_index)
        .String(entry.file_path)
        .Int32(entry.file_type)
        .Bool(entry.store_latest_only);
  }
}

void AddFilesCommand::Decode(CInMessage& in) {
  reply = ReadPerEntryList(in, entries.size(), [](CInMessage& message) {
    AddedFile file;
    file.date = message.ReadDate();
    file.result = message.ReadInt32();
    file.description = message.ReadString();
    return file;
  });
}

void CheckOutFields::Encode(FieldWriter& out) const {
  out.String(comment)
      .Int32(line_ending_mode)
      .Int32(file_time_mode)
      .Int32(login_identity)
      .Count(entries.size());
  for (const CheckOutEntry& entry : entries) out.String(entry.file_path).Int32(entry.body_wanted);
}

void CheckOutFields::Decode(CInMessage& in) {
  reply = ReadPerEntryList(in, entries.size(), [](CInMessage& message) {
    CheckedOutFile file;
    file.transfer_name = message.ReadString();
    file.check_out_time = message.ReadDate();
    file.user_text = message.ReadString();
    file.version = message.ReadInt32();
    file.check_in_time = message.ReadDate();
    file.modification_time = message.ReadDate();
    file.size = message.ReadInt32();
    file.file_status = message.ReadInt32();
    file.result = message.ReadInt32();
    file.description = message.ReadString();
    return file;
  });
}

void ConfirmationFields::Encode(FieldWriter& out) const {
  for (int32_t result : results) out.Int32(result);
}

void CheckInBeginCommand::Encode(FieldWriter& out) const {
  out.Int32(line_ending_mode).Int32(login_identity).Count(entries.size());
  for (const CheckInBeginEntry& entry : entries) {
    out.String(entry.file_path).Int32(entry.entry_index);
  }
}

void CheckInCommitCommand::Encode(FieldWriter& out) const {
  if (entries.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    out.Fail(kResultOutOfMemory);
    return;
  }
  size_t sent = 0;
  for (const CheckInCommitEntry& entry : entries) sent += entry.result == kResultOk ? 1 : 0;
  out.Bool(keep_checked_out).String(comment).Count(sent);
  for (size_t index = 0; index < entries.size(); ++index) {
    const CheckInCommitEntry& entry = entries[index];
    if (entry.result != kResultOk) continue;
    out.String(entry.file_path).Bool(entry.body_uploaded).Int32(static_cast<int32_t>(index));
  }
}

void CheckInCommitCommand::Decode(CInMessage& in) {
  struct Answer {
    size_t index;
    CheckInCommitEntry fields;
  };
  // 1 marks an entry that was sent and not answered yet.
  std::vector<uint8_t> awaiting(entries.size(), 0);
  size_t sent = 0;
  for (size_t index = 0; index < entries.size(); ++index) {
    if (entries[index].result == kResultOk) {
      awaiting[index] = 1;
      ++sent;
    }
  }
  // index, version, date, user text, status, result, description: 32 bytes
  // at the least.
  CheckEntriesFit(in, sent, 32);
  std::vector<Answer> answers;
  answers.reserve(sent);
  for (size_t i = 0; i < sent; ++i) {
    const int32_t index = in.ReadInt32();
    if (index < 0 || static_cast<size_t>(index) >= entries.size() || !awaiting[index]) {
      throw CCancelableSocketBufferException();
    }
    awaiting[index] = 0;
    Answer answer{static_cast<size_t>(index), {}};
    answer.fields.new_version = in.ReadInt32();
    answer.fields.date = in.ReadDate();
    answer.fields.user_text = in.ReadString();
    answer.fields.file_status = in.ReadInt32();
    answer.fields.result = in.ReadInt32();
    answer.fields.description = in.ReadString();
    answers.push_back(std::move(answer));
  }
  for (Answer& answer : answers) {
    CheckInCommitEntry& entry = entries[answer.index];
    entry.new_version = answer.fields.new_version;
    entry.date = answer.fields.date;
    entry.user_text = std::move(answer.fields.user_text);
    entry.file_status = answer.fields.file_status;
    entry.result = answer.fields.result;
    entry.description = std::move(answer.fields.description);
  }
}

}  // namespace qorv
