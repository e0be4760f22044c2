#include "codec/zip_format.h"

namespace qorv::zip {
namespace {

void Put16(std::string& out, uint16_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>(value >> 8);
}

void Put32(std::string& out, uint32_t value) {
  Put16(out, static_cast<uint16_t>(value & 0xFFFF));
  Put16(out, static_cast<uint16_t>(value >> 16));
}

void Put64(std::string& out, uint64_t value) {
  Put32(out, static_cast<uint32_t>(value & 0xFFFFFFFF));
  Put32(out, static_cast<uint32_t>(value >> 32));
}

// The ZIP64 extended information of the entry (kExtraSize bytes); the
// local header sits at offset 0 of the archive on disk 0.
void PutExtra(std::string& out, const Entry& entry) {
  Put16(out, kZip64ExtraId);
  Put16(out, static_cast<uint16_t>(kExtraSize - 4));
  Put64(out, entry.size);
  Put64(out, entry.compressed_size);
  Put64(out, 0);
  Put32(out, 0);
}

// Version needed .. sizes, shared by both headers.
void PutCommonFields(std::string& out, const Entry& entry) {
  Put16(out, kVersion);
  Put16(out, entry.flags);
  Put16(out, entry.method);
  Put16(out, entry.time);
  Put16(out, entry.date);
  Put32(out, entry.crc);
  Put32(out, kMarker32);
  Put32(out, kMarker32);
  Put16(out, static_cast<uint16_t>(entry.name.size()));
  Put16(out, static_cast<uint16_t>(kExtraSize));
}

}  // namespace

uint16_t DosDate(int year, int month, int day) {
  if (year < 1980) return (1 << 5) | 1;
  return static_cast<uint16_t>(((year - 1980) << 9) | (month << 5) | day);
}

uint16_t DosTime(int hour, int minute, int second) {
  return static_cast<uint16_t>((hour << 11) | (minute << 5) | (second / 2));
}

uint16_t Load16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | (at[1] << 8)); }

uint32_t Load32(const uint8_t* at) {
  return static_cast<uint32_t>(Load16(at)) | (static_cast<uint32_t>(Load16(at + 2)) << 16);
}

uint64_t Load64(const uint8_t* at) {
  return static_cast<uint64_t>(Load32(at)) | (static_cast<uint64_t>(Load32(at + 4)) << 32);
}

std::string LocalHeader(const Entry& entry) {
  std::string out;
  Put32(out, kLocalHeaderSignature);
  PutCommonFields(out, entry);
  out += entry.name;
  PutExtra(out, entry);
  return out;
}

std::string CentralHeader(const Entry& entry) {
  std::string out;
  Put32(out, kCentralHeaderSignature);
  Put16(out, kVersion);  // made by
  PutCommonFields(out, entry);
  Put16(out, 0);          // comment length
  Put16(out, 0);          // disk number start
  Put16(out, 1);          // internal attributes: text
  Put32(out, 32);         // external attributes: archive
  Put32(out, kMarker32);  // local header offset: in the extra field
  out += entry.name;
  PutExtra(out, entry);
  return out;
}

std::string EndRecords(uint64_t offset, uint64_t size, uint64_t zip64_limit) {
  std::string out;
  const bool zip64 = offset >= zip64_limit;
  if (zip64) {
    const uint64_t record_offset = offset + size;
    Put32(out, kZip64EndSignature);
    Put64(out, kZip64EndSize - 12);  // the record's size after this field
    Put16(out, kVersion);
    Put16(out, kVersion);
    Put32(out, 0);  // this disk
    Put32(out, 0);  // disk of the central directory
    Put64(out, 1);  // entries on this disk
    Put64(out, 1);  // entries in all
    Put64(out, size);
    Put64(out, offset);
    Put32(out, kZip64LocatorSignature);
    Put32(out, 0);  // disk of the ZIP64 end record
    Put64(out, record_offset);
    Put32(out, 1);  // disks in all
  }
  Put32(out, kEndSignature);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, 1);
  Put32(out, static_cast<uint32_t>(size));
  Put32(out, zip64 || offset > kMarker32 ? kMarker32 : static_cast<uint32_t>(offset));
  Put16(out, 0);  // comment length
  return out;
}

}  // namespace qorv::zip
