// PackZip: the local header first (sizes and CRC-32 still 0), the raw
// deflate stream after it, then the local header again with the final
// values, the central directory header and the end records.
#include <zlib.h>

#include <memory>
#include <new>

#include "codec/crc32.h"
#include "codec/zip_archive.h"

namespace qorv {
namespace {

struct DeflateStream {
  z_stream stream{};
  bool open = false;
  ~DeflateStream() {
    if (open) deflateEnd(&stream);
  }
};

bool WriteString(const ZipPackIo& io, const std::string& bytes) {
  return io.write(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace

ZipResult PackZip(const ZipPackIo& io, const ZipPackOptions& options, zip::Entry* written) {
  zip::Entry entry;
  entry.name = options.entry_name.substr(0, 0xFFFF);
  entry.time = options.dos_time;
  entry.date = options.dos_date;
  const std::string placeholder = zip::LocalHeader(entry);
  if (!WriteString(io, placeholder)) return ZipResult::PackFailure(kZipOutputWriteFailure);

  std::unique_ptr<uint8_t[]> input(new (std::nothrow) uint8_t[kZipBufferSize]);
  std::unique_ptr<uint8_t[]> output(new (std::nothrow) uint8_t[kZipBufferSize]);
  DeflateStream packer;
  if (!input || !output) return ZipResult::PackFailure(kZipOutOfMemory);
  if (deflateInit2(&packer.stream, options.level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) !=
      Z_OK) {
    return ZipResult::PackFailure(kZipOutOfMemory);
  }
  packer.open = true;

  Crc32 crc;
  bool finished = false;
  while (!finished) {
    if (io.canceled && io.canceled()) return ZipResult::PackFailure(kZipCanceled);
    size_t got = 0;
    if (!io.read(input.get(), kZipBufferSize, &got) || got > kZipBufferSize) {
      return ZipResult::PackFailure(kZipInputReadFailure);
    }
    crc.Update(input.get(), got);
    entry.size += got;
    const int flush = got == 0 ? Z_FINISH : Z_NO_FLUSH;
    packer.stream.next_in = input.get();
    packer.stream.avail_in = static_cast<uInt>(got);
    do {
      packer.stream.next_out = output.get();
      packer.stream.avail_out = static_cast<uInt>(kZipBufferSize);
      const int status = deflate(&packer.stream, flush);
      if (status == Z_STREAM_ERROR) return ZipResult::PackFailure(kZipStructureInvalid);
      const size_t produced = kZipBufferSize - packer.stream.avail_out;
      if (produced > 0 && !io.write(output.get(), produced)) {
        return ZipResult::PackFailure(kZipOutputWriteFailure);
      }
      entry.compressed_size += produced;
      finished = status == Z_STREAM_END;
    } while (packer.stream.avail_out == 0 || (flush == Z_FINISH && !finished));
  }

  entry.crc = crc.value();
  const std::string local = zip::LocalHeader(entry);
  if (!io.rewrite(0, reinterpret_cast<const uint8_t*>(local.data()), local.size())) {
    return ZipResult::PackFailure(kZipStructureInvalid);
  }
  const uint64_t central_offset = local.size() + entry.compressed_size;
  const std::string central = zip::CentralHeader(entry);
  if (!WriteString(io, central) || !WriteString(io, zip::EndRecords(central_offset, central.size(),
                                                                    options.zip64_offset_limit))) {
    return ZipResult::PackFailure(kZipStructureInvalid);
  }
  if (written != nullptr) *written = entry;
  return ZipResult::Packed();
}

}  // namespace qorv
