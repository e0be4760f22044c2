// A file system that fails on purpose, for tests of what the layers above do
// when the disk fills up, another process holds a file, or a write stops part
// way. Everything it does not fail it forwards to the real file system, so
// the files a test looks at afterwards are real.
#ifndef QORV_TESTS_SUPPORT_FAULT_FILE_SYSTEM_H_
#define QORV_TESTS_SUPPORT_FAULT_FILE_SYSTEM_H_

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_system_interface.h"

namespace qorv::testing {

// The calls a fault can be set on. kWrite and kRead are calls on a file
// opened through this file system.
enum class FileStep {
  kOpen,
  kRead,
  kWrite,
  kClose,
  kSetAttributes,
  kSetLastWriteTime,
  kCreateFolder,
  kRemoveFolder,
  kDelete,
  kRename,
  kMove,
  kCopy,
  kStepCount
};

class FaultFileSystem : public platform::FileSystemWrapper {
 public:
  explicit FaultFileSystem(platform::FileSystem& target = platform::NativeFileSystem())
      : FileSystemWrapper(target) {}

  // The `nth` call of `step` from now on (1: the next one) fails with
  // `error`. It changes nothing, except a write: a failing write first writes
  // half of its bytes (a short write).
  void FailCall(FileStep step, int error, int nth = 1) {
    std::lock_guard<std::mutex> lock(mutex_);
    faults_.push_back({step, error, counts_[Index(step)] + nth});
  }

  // Writes stop once `bytes` more bytes have been written: the write that
  // passes that point writes the bytes up to it and fails with `error`, as
  // does every write after it (a disk that filled up).
  void FailWritesAfter(uint64_t bytes, int error) {
    std::lock_guard<std::mutex> lock(mutex_);
    write_budget_ = bytes;
    budget_error_ = error;
  }

  // How many calls of `step` were made.
  int Calls(FileStep step) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return counts_[Index(step)];
  }

  int Open(const std::string& path, platform::FileAccess access, platform::FileCreation creation,
           platform::FileSharing sharing, std::unique_ptr<platform::OpenFile>* file) override {
    if (int error = Next(FileStep::kOpen); error != 0) return error;
    std::unique_ptr<platform::OpenFile> opened;
    int error = target().Open(path, access, creation, sharing, &opened);
    if (error == 0) *file = std::make_unique<FaultFile>(*this, std::move(opened));
    return error;
  }
  int SetAttributes(const std::string& path, int32_t attributes) override {
    if (int error = Next(FileStep::kSetAttributes); error != 0) return error;
    return target().SetAttributes(path, attributes);
  }
  int SetLastWriteTime(const std::string& path, platform::FileTime time) override {
    if (int error = Next(FileStep::kSetLastWriteTime); error != 0) return error;
    return target().SetLastWriteTime(path, time);
  }
  int CreateFolder(const std::string& path) override {
    if (int error = Next(FileStep::kCreateFolder); error != 0) return error;
    return target().CreateFolder(path);
  }
  int RemoveFolder(const std::string& path) override {
    if (int error = Next(FileStep::kRemoveFolder); error != 0) return error;
    return target().RemoveFolder(path);
  }
  int DeleteFile(const std::string& path) override {
    if (int error = Next(FileStep::kDelete); error != 0) return error;
    return target().DeleteFile(path);
  }
  int RenamePath(const std::string& from, const std::string& to) override {
    if (int error = Next(FileStep::kRename); error != 0) return error;
    return target().RenamePath(from, to);
  }
  int MovePath(const std::string& from, const std::string& to) override {
    if (int error = Next(FileStep::kMove); error != 0) return error;
    return target().MovePath(from, to);
  }
  int CopyFile(const std::string& from, const std::string& to) override {
    if (int error = Next(FileStep::kCopy); error != 0) return error;
    return target().CopyFile(from, to);
  }

 private:
  struct Fault {
    FileStep step;
    int error;
    int call;  // the count of `step` calls at which it fires
  };

  class FaultFile : public platform::OpenFile {
   public:
    FaultFile(FaultFileSystem& owner, std::unique_ptr<platform::OpenFile> file)
        : owner_(owner), file_(std::move(file)) {}
    int Read(void* buffer, size_t size, size_t* read) override {
      *read = 0;
      if (int error = owner_.Next(FileStep::kRead); error != 0) return error;
      return file_->Read(buffer, size, read);
    }
    int Write(const void* buffer, size_t size) override {
      size_t allowed = size;
      int error = owner_.NextWrite(size, &allowed);
      if (allowed > 0) {
        if (int written = file_->Write(buffer, allowed); written != 0) return written;
      }
      return error;
    }
    int Seek(uint64_t offset) override { return file_->Seek(offset); }
    int Truncate(uint64_t size) override { return file_->Truncate(size); }
    int Size(uint64_t* size) override { return file_->Size(size); }
    int Sync() override { return file_->Sync(); }
    int Close() override {
      int error = owner_.Next(FileStep::kClose);
      int closed = file_->Close();  // the descriptor goes either way
      return error != 0 ? error : closed;
    }

   private:
    FaultFileSystem& owner_;
    std::unique_ptr<platform::OpenFile> file_;
  };

  static size_t Index(FileStep step) { return static_cast<size_t>(step); }

  // Counts a call of `step`; the error of the fault set on it, or 0.
  int Next(FileStep step) {
    std::lock_guard<std::mutex> lock(mutex_);
    return TakeFault(step);
  }

  // REQUIRES: mutex_ is held.
  int TakeFault(FileStep step) {
    int count = ++counts_[Index(step)];
    for (auto it = faults_.begin(); it != faults_.end(); ++it) {
      if (it->step == step && it->call == count) {
        int error = it->error;
        faults_.erase(it);
        return error;
      }
    }
    return 0;
  }

  // Counts a write of `size` bytes; `*allowed` is how many of them really
  // get written.
  int NextWrite(size_t size, size_t* allowed) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (int error = TakeFault(FileStep::kWrite); error != 0) {
      *allowed = size / 2;
      return error;
    }
    if (budget_error_ != 0) {
      *allowed = static_cast<size_t>(std::min<uint64_t>(size, write_budget_));
      write_budget_ -= *allowed;
      if (*allowed < size) return budget_error_;
    }
    *allowed = size;
    return 0;
  }

  mutable std::mutex mutex_;
  std::array<int, static_cast<size_t>(FileStep::kStepCount)> counts_{};  // GUARDED_BY(mutex_)
  std::vector<Fault> faults_;                                            // GUARDED_BY(mutex_)
  uint64_t write_budget_ = 0;                                            // GUARDED_BY(mutex_)
  int budget_error_ = 0;                                                 // GUARDED_BY(mutex_)
};

}  // namespace qorv::testing

#endif  // QORV_TESTS_SUPPORT_FAULT_FILE_SYSTEM_H_
