// A streaming reader of one stored version as delivered with a line ending
// (command 65): the stored pieces are fetched one at a time from the store
// and converted on the fly, so a body of any size passes in bounded memory.
#ifndef QORV_SERVER_BODY_READER_H_
#define QORV_SERVER_BODY_READER_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "server/line_endings.h"
#include "server/server_status.h"

namespace qorv::server {

class Database;

// Where a version's stored bytes are: a content row kept in pieces, or one
// kept whole in contents.data (files from before the pieces).
struct ContentLocation {
  int64_t content_id = 0;
  bool chunked = true;
  int64_t stored_size = 0;
  bool is_text = false;
};

class BodyReader {
 public:
  // `database` must outlive the reader.
  BodyReader(Database& database, ContentLocation location, Eol eol, int64_t delivered_size)
      : database_(database), location_(location), eol_(eol), delivered_size_(delivered_size) {}

  // The number of bytes Read() delivers in all, known before the first.
  int64_t delivered_size() const { return delivered_size_; }

  // Copies up to `length` delivered bytes into `buffer`; *got is 0 at the
  // end. A failure (the content purged meanwhile, a store error) is a
  // non-ok status, after which the reader delivers nothing more.
  StoreStatus Read(char* buffer, size_t length, size_t* got);

  // Hands the reader the first stored piece, read when it was opened.
  void Preload(std::string stored);

 private:
  // Makes `stored` the current piece, in its delivered form.
  void TakePiece(std::string stored);

  Database& database_;
  ContentLocation location_;
  Eol eol_;
  int64_t delivered_size_;
  int64_t next_piece_ = 0;
  int64_t stored_read_ = 0;
  int64_t delivered_ = 0;
  // The delivered form of the current stored piece, and how much of it has
  // been handed out.
  std::string piece_;
  size_t piece_offset_ = 0;
};

}  // namespace qorv::server

#endif  // QORV_SERVER_BODY_READER_H_
