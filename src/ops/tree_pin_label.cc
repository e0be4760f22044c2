// PinFile, UnpinFile and LabelItem (tree_edits.h).
#include "ops/report_texts.h"
#include "ops/tree_edit_steps.h"
#include "ops/tree_edits.h"
#include "protocol/query_commands.h"
#include "protocol/tree_commands.h"
#include "qorvsdk/enums.h"

namespace qorv::ops {
namespace {

// The file's entry, made (with its project's nodes) when the cache has
// none; null for a path the cache cannot hold.
CacheFileEntry* EnsureFileEntry(CacheModel& model, const std::string& file_path) {
  CacheFileEntry* entry = model.FindFile(file_path);
  return entry != nullptr ? entry : model.PutFile(file_path, CacheFileEntry{});
}

int32_t PinnedStatus(int32_t status) {
  switch (status) {
    case Enum_FileStatusNormal:
      return Enum_FileStatusPinned;
    case Enum_FileStatusShared:
      return Enum_FileStatusPinnedAndShared;
    default:
      return status;
  }
}

}  // namespace

int32_t PinFile(const OperationContext& context, const std::string& file_path, int32_t version,
                OperationStatus* status) {
  context.BeginOperation();
  PinFileCommand command;
  command.file_path = file_path;
  command.version = version;
  const int32_t result = context.Run(command, status);
  context.driver.Report(
      "", kReportPinningPrefix + file_path + kReportPinningInfix + status->description,
      result == kResultOk);
  if (result != kResultOk || status->canceled) return result;

  TreeCacheUpdate cache(context);
  if (const int32_t locked = cache.Lock(status); locked != kResultOk) return locked;
  if (CacheFileEntry* entry = EnsureFileEntry(cache.model(), file_path)) {
    entry->status = PinnedStatus(entry->status);
    entry->latest_version_date = CacheDate::Valid(command.reply.date);
    // Version 0 pins the latest version, whose number the entry already
    // holds when it is known.
    if (version != 0) entry->version = version;
  }
  return cache.Save(status);
}

int32_t UnpinFile(const OperationContext& context, const std::string& file_path,
                  OperationStatus* status) {
  OperationDriver& driver = context.driver;
  context.BeginOperation();
  const std::string heading = kReportUnpinningPrefix + file_path + kReportEllipsis;
  UnpinFileCommand unpin;
  unpin.file_path = file_path;
  int32_t result = context.Run(unpin, status);
  if (result != kResultOk || status->canceled) {
    driver.Report(heading, status->description, false);
    return result;
  }
  const std::string unpinned = status->description;

  FileStatusCommand state;
  state.entries = {FileStatusEntry{file_path, 0, false}};
  result = context.Run(state, status);
  if (result == kResultOk && !status->canceled) {
    if (state.reply.empty()) {
      result = kResultSystemError;
      status->description = kTextUnspecifiedErrorOccured;
    } else if (state.reply[0].result != kResultOk) {
      result = state.reply[0].result;
      status->description = state.reply[0].description;
    }
  }
  if (result != kResultOk || status->canceled) {
    driver.Report(kReportGettingItemPrefix + file_path + kReportRemoteVersionSuffix,
                  status->description, false);
    return result;
  }

  driver.Report(heading, unpinned, true);
  TreeCacheUpdate cache(context);
  if (const int32_t locked = cache.Lock(status); locked != kResultOk) return locked;
  if (CacheFileEntry* entry = EnsureFileEntry(cache.model(), file_path)) {
    entry->status = state.reply[0].file_status;
    entry->version = state.reply[0].version;
    entry->latest_version_date = CacheDate::Valid(unpin.reply.date);
  }
  return cache.Save(status);
}

int32_t LabelItem(const OperationContext& context, const std::string& item_path,
                  const std::string& label_name, const std::string& comment,
                  OperationStatus* status) {
  context.BeginOperation();
  LabelItemCommand command;
  command.item_path = item_path;
  command.label_name = label_name;
  command.comment = comment;
  const int32_t result = context.Run(command, status);
  context.driver.Report(
      "", kReportLabelingPrefix + item_path + kReportLabelingInfix + status->description,
      result == kResultOk);
  return result;
}

}  // namespace qorv::ops
