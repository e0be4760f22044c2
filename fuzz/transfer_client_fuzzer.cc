// What the server sends on a transfer connection, read by the client's
// batches: the bodies of a download batch (command 65: plain, compressed
// through ReceiveFileBody, or as a delta against the working file) and its
// dates message, and the reply to an upload batch (command 64), in a
// folder of its own in the temporary folder, removed after each input.
//
// Input: a mode byte (bit 0: upload, else download; bit 1: compressed
// bodies; bit 2: deltas used, threshold 0; bits 3-4: 1 to 3 files), per
// file a 16-bit size (downloads) and a text (the working file's content;
// a download's working file exists when the text is not empty), then the
// bytes the server sends.
//
// Properties, beyond not crashing or hanging:
// - a failed batch fails every file with a text, and leaves every working
//   file as it was;
// - a download writes each file whole or not at all: a file that came has
//   "Completed" and exactly its size, and a plain body's bytes are those
//   the frames carried (read independently of the body channel); a file
//   that did not come is as it was;
// - an upload sends command 64 and, in the plain form, one body holding the
//   files' contents back to back; its sources stay as they were;
// - no temporary is left: the working folder holds the working files only,
//   the temporary folder nothing.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "codec/byte_order.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/memory_stream.h"
#include "local/file_layer.h"
#include "platform/process.h"
#include "transfer/batch_transfer.h"
#include "transfer/body_channel.h"

namespace qorv::fuzz {
namespace {

namespace fs = std::filesystem;

std::optional<std::string> Content(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Put(const fs::path& file, std::string_view content) {
  std::ofstream out(file, std::ios::binary);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  QORV_FUZZ_CHECK(out.good(), "a working file is written");
}

// A folder for one input, removed with everything in it when it goes.
class InputFolder {
 public:
  InputFolder()
      : root_(fs::temp_directory_path() /
              ("qorv_fuzz_transfer_" + std::to_string(platform::CurrentProcessId()))) {
    std::error_code error;
    fs::remove_all(root_, error);
    fs::create_directories(work(), error);
    fs::create_directories(temp(), error);
    QORV_FUZZ_CHECK(!error, "the input's folders are made");
  }
  ~InputFolder() {
    std::error_code error;
    fs::remove_all(root_, error);
  }
  fs::path work() const { return root_ / "work"; }
  fs::path temp() const { return root_ / "temp"; }

 private:
  fs::path root_;
};

// The payload bytes of a plain, unenciphered body of exactly `size` bytes
// read off `incoming`, as the framing says: a message of int32 length and
// payload, the first payload opening with the int32 size.
std::optional<std::string> PlainBody(std::string_view incoming, uint32_t size) {
  std::string body;
  bool first = true;
  while (first || body.size() < size) {
    if (incoming.size() < 4) return std::nullopt;
    const uint32_t length = LoadBigEndian32(reinterpret_cast<const uint8_t*>(incoming.data()));
    incoming.remove_prefix(4);
    if (length > incoming.size()) return std::nullopt;
    std::string_view payload = incoming.substr(0, length);
    incoming.remove_prefix(length);
    if (first) {
      if (payload.size() < 4) return std::nullopt;
      payload.remove_prefix(4);
      first = false;
    }
    body.append(payload);
  }
  if (body.size() != size) return std::nullopt;
  return body;
}

struct FileCase {
  uint32_t size = 0;
  std::string old;  // empty: no working file (downloads)
  fs::path path;
};

void CheckNoTemporaries(const InputFolder& folder, const std::vector<FileCase>& files) {
  QORV_FUZZ_CHECK(fs::is_empty(folder.temp()), "no temporary is left in the temporary folder");
  for (const auto& entry : fs::directory_iterator(folder.work())) {
    const bool known = std::any_of(files.begin(), files.end(),
                                   [&](const FileCase& file) { return file.path == entry.path(); });
    QORV_FUZZ_CHECK(known, "no temporary is left beside the working files");
  }
}

void Run(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  const uint8_t mode = input.Byte();
  const bool upload = (mode & 1) != 0;
  const bool compressed = (mode & 2) != 0;
  const bool delta = (mode & 4) != 0;
  const size_t count = std::max(1, (mode >> 3) & 3);
  InputFolder folder;
  std::vector<FileCase> files(count);
  for (size_t i = 0; i < count; ++i) {
    files[i].size = input.Word();
    files[i].old = std::string(input.Text());
    files[i].path = folder.work() / ("file" + std::to_string(i));
    if (upload || !files[i].old.empty()) Put(files[i].path, files[i].old);
  }
  const std::string_view incoming = input.RestText();

  ServerConnection connection(nullptr);
  std::string sent;
  QORV_FUZZ_CHECK(PushMemoryStream(connection.socket(), incoming, &sent), "a socket is made");
  BodyChannel channel;
  FileLayer layer;
  TransferJob job;
  job.temp_directory = folder.temp().string();
  job.settings.compressed = compressed ? 1 : 0;
  BatchContext context{connection, channel, layer, job, nullptr, delta, 0};
  std::vector<TransferEntry> entries(count);
  std::vector<TransferEntry*> batch;
  for (size_t i = 0; i < count; ++i) {
    entries[i].index = static_cast<int32_t>(i);
    entries[i].local_file_name = files[i].path.string();
    entries[i].size = upload ? 0 : files[i].size;
    entries[i].server_name = "T" + std::to_string(i);
    batch.push_back(&entries[i]);
  }
  const TransferOutcome outcome =
      upload ? RunUploadBatch(context, batch) : RunDownloadBatch(context, batch);

  for (size_t i = 0; i < count; ++i) {
    QORV_FUZZ_CHECK(entries[i].result == 0 || entries[i].result == 1, "a result is 0 or 1");
    QORV_FUZZ_CHECK(outcome.ok() || entries[i].result == 0, "a failed batch fails every file");
  }
  if (!outcome.ok()) {
    QORV_FUZZ_CHECK(!outcome.text.empty(), "a failure has a text");
  }
  CheckNoTemporaries(folder, files);

  if (upload) {
    for (const FileCase& file : files) {
      QORV_FUZZ_CHECK(Content(file.path) == file.old, "an upload leaves its sources as they were");
    }
    QORV_FUZZ_CHECK(sent.size() >= 8, "an upload sends its command");
    const uint32_t command_length = LoadBigEndian32(reinterpret_cast<const uint8_t*>(sent.data()));
    QORV_FUZZ_CHECK(command_length <= sent.size() - 4, "the command is whole");
    QORV_FUZZ_CHECK(static_cast<uint8_t>(sent[4]) == 64, "the command is 64");
    if (!compressed && !delta) {
      std::string contents;
      for (const FileCase& file : files) contents += file.old;
      const std::optional<std::string> body =
          PlainBody(std::string_view(sent).substr(4 + command_length),
                    static_cast<uint32_t>(contents.size()));
      QORV_FUZZ_CHECK(body == contents, "the body holds the files back to back");
    }
    return;
  }

  // Downloads: whole or not at all.
  std::optional<std::string> plain_body;
  uint32_t body_offset = 0;
  if (outcome.ok() && !compressed && !delta) {
    uint64_t total = 0;
    for (const FileCase& file : files) total += file.size;
    plain_body = PlainBody(incoming, static_cast<uint32_t>(total));
    QORV_FUZZ_CHECK(plain_body.has_value(), "an accepted plain body is one the framing allows");
  }
  for (size_t i = 0; i < count; ++i) {
    const std::optional<std::string> now = Content(files[i].path);
    if (entries[i].result == 1) {
      QORV_FUZZ_CHECK(entries[i].result_text == kTextCompleted, "a file that came is completed");
      QORV_FUZZ_CHECK(now && now->size() == files[i].size, "a file that came has its size");
      if (plain_body) {
        QORV_FUZZ_CHECK(*now == plain_body->substr(body_offset, files[i].size),
                        "a file that came holds its bytes of the body");
      }
    } else if (files[i].old.empty()) {
      QORV_FUZZ_CHECK(!now, "a file that did not come is not made");
    } else {
      QORV_FUZZ_CHECK(now == files[i].old, "a file that did not come is as it was");
    }
    body_offset += files[i].size;
  }
}

}  // namespace
}  // namespace qorv::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qorv::fuzz::Run(data, size);
  return 0;
}
