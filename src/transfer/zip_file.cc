#include "transfer/zip_file.h"

#include <optional>

#include "codec/zip_archive.h"
#include "local/file_times.h"
#include "local/qor_exception.h"
#include "platform/local_time.h"
#include "transfer/transfer_exchange.h"

namespace qorv {
namespace {

// Now, in local time, as the entry's MS-DOS time and date.
void StampNow(ZipPackOptions* options) {
  platform::FileTime local = 0;
  const platform::FileTime now = platform::CurrentFileTime();
  if (!platform::UtcToLocalFileTime(now, &local)) local = now;
  const CalendarTime time = FileTimeToCalendar(local);
  options->dos_date = zip::DosDate(time.year, time.month, time.day);
  options->dos_time = zip::DosTime(time.hour, time.minute, time.second);
}

bool SeekTo(BatchTemporary& file, uint64_t offset) { return file.file().Seek(offset) == 0; }

TransferOutcome Outcome(const ZipResult& result) {
  if (result.ok()) return {};
  return {result.code, result.text};
}

}  // namespace

TransferOutcome PackFile(FileLayer& files, BatchTemporary& source, BatchTemporary& archive,
                         const std::string& entry_name, const std::function<bool()>& canceled) {
  if (!SeekTo(source, 0)) return Outcome(ZipResult::PackFailure(kZipInputReadFailure));
  uint64_t appended = 0;  // the archive's length so far
  ZipPackIo io;
  io.read = [&](uint8_t* into, size_t capacity, size_t* got) {
    try {
      *got = files.Read(source.file(), source.path(), into, capacity);
      return true;
    } catch (const CQORException&) {
      return false;
    }
  };
  io.write = [&](const uint8_t* from, size_t count) {
    try {
      files.Write(archive.file(), archive.path(), from, count);
      appended += count;
      return true;
    } catch (const CQORException&) {
      return false;
    }
  };
  io.rewrite = [&](uint64_t offset, const uint8_t* from, size_t count) {
    if (!SeekTo(archive, offset)) return false;
    try {
      files.Write(archive.file(), archive.path(), from, count);
    } catch (const CQORException&) {
      return false;
    }
    return SeekTo(archive, appended);
  };
  io.canceled = canceled;
  ZipPackOptions options;
  options.entry_name = entry_name;
  StampNow(&options);
  return Outcome(PackZip(io, options));
}

TransferOutcome UnpackFile(FileLayer& files, BatchTemporary& archive, BatchTemporary& target,
                           uint64_t max_size, const std::function<bool()>& canceled,
                           uint64_t* unpacked) {
  *unpacked = 0;
  ZipUnpackIo io;
  if (archive.file().Size(&io.archive_size) != 0) {
    return Outcome(ZipResult::UnpackFailure(kUnzipUnexpectedEnd));
  }
  io.read_at = [&](uint64_t offset, uint8_t* into, size_t count) {
    if (!SeekTo(archive, offset)) return false;
    try {
      while (count > 0) {
        const size_t read = files.Read(archive.file(), archive.path(), into, count);
        if (read == 0) return false;
        into += read;
        count -= read;
      }
    } catch (const CQORException&) {
      return false;
    }
    return true;
  };
  std::optional<TransferOutcome> write_failure;
  io.write = [&](const uint8_t* from, size_t count) {
    try {
      files.Write(target.file(), target.path(), from, count);
    } catch (const CQORException& failure) {
      write_failure = FileFailure(failure.code(), failure.message());
      return false;
    }
    *unpacked += count;
    return true;
  };
  io.canceled = canceled;
  io.max_size = max_size;
  zip::Entry entry;
  const ZipResult result = UnpackZip(io, &entry);
  if (!result.ok() && write_failure) return *write_failure;
  if (!result.ok() && entry.size > max_size) return {kResultLocalStoreFailed, kTextBatchMismatch};
  return Outcome(result);
}

}  // namespace qorv
