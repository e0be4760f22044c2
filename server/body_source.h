// Where the store reads a body from: a spool file the transfer connection
// wrote (command 64), a local file (import), or bytes in memory
// (administration and tests). Read piece by piece, so a body never has to
// fit in memory; a second pass (type detection first, storing second)
// starts again with Rewind().
#ifndef QORV_SERVER_BODY_SOURCE_H_
#define QORV_SERVER_BODY_SOURCE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/file.h"
#include "server/ole_time.h"

namespace qorv::server {

class BodySource {
 public:
  virtual ~BodySource() = default;
  // Starts reading from the first byte again. False with the reason in
  // *error when the source cannot be (re)opened.
  virtual bool Rewind(std::string* error) = 0;
  // Reads up to `length` bytes; *got is 0 at the end. False with the reason
  // in *error on a read failure.
  virtual bool Read(char* buffer, size_t length, size_t* got, std::string* error) = 0;
};

class MemoryBodySource final : public BodySource {
 public:
  explicit MemoryBodySource(std::string bytes) : bytes_(std::move(bytes)) {}
  bool Rewind(std::string*) override {
    position_ = 0;
    return true;
  }
  bool Read(char* buffer, size_t length, size_t* got, std::string* error) override;

 private:
  std::string bytes_;
  size_t position_ = 0;
};

// A file read from its start; opened by the first Rewind() (or Read()).
class FileBodySource final : public BodySource {
 public:
  explicit FileBodySource(std::string path) : path_(std::move(path)) {}
  bool Rewind(std::string* error) override;
  bool Read(char* buffer, size_t length, size_t* got, std::string* error) override;

 private:
  std::string path_;
  platform::File file_;
};

// A body sent by the client, with the file time sent beside it.
struct UploadedBody {
  // A body held in memory (administration, tests).
  UploadedBody(std::string bytes, OleMs mtime)
      : source(std::make_shared<MemoryBodySource>(std::move(bytes))), modification_time(mtime) {}
  UploadedBody(std::shared_ptr<BodySource> body, OleMs mtime)
      : source(std::move(body)), modification_time(mtime) {}

  std::shared_ptr<BodySource> source;
  OleMs modification_time = 0;
};

}  // namespace qorv::server

#endif  // QORV_SERVER_BODY_SOURCE_H_
