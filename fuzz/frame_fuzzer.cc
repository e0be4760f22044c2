// Frames and fields as a peer sends them: a stream of frames taken apart
// with ParseFrame (plain or Blowfish), then read field by field.
//
// Input: a mode byte (bit 0: Blowfish; bit 1: a channel key of 16 bytes
// follows, else the initial key), a count byte and that many read
// operations (taken modulo 32), then the frame stream, of which the first
// 64 frames are taken.
//
// Properties, beyond not crashing:
// - a frame taken has the announced length, and building a frame from its
//   (deciphered) payload gives back the very bytes taken;
// - a frame refused leaves the message empty, for the reason the bytes give
//   (too short, over the bound, not whole cipher blocks);
// - a read past the end reads nothing, a read that succeeds advances by its
//   field's size, a string holds exactly its bytes, and a date written back
//   gives the two int32 it was read from (for days of the years 100 to 9999
//   and milliseconds within the day, with the days' sign).
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "codec/byte_order.h"
#include "fuzz/fuzz_support.h"
#include "net/blowfish_message.h"
#include "net/in_message.h"
#include "net/out_message.h"
#include "net/socket_buffer_exception.h"
#include "net/transport_limits.h"
#include "qorvsdk/result_codes.h"

namespace qorv::fuzz {
namespace {

// The days of 0100-01-01 and 9999-12-31 on the OLE date scale.
constexpr int32_t kFirstDay = -657434;
constexpr int32_t kLastDay = 2958465;
constexpr int32_t kMillisecondsPerDay = 86400000;
// Frames taken from one input.
constexpr int kMaxFrames = 64;

enum ReadKind { kReadByte, kReadInt32, kReadBool, kReadDate, kReadString, kReadBytes, kReadKinds };

// The two int32 of a date are those a writer makes when the milliseconds
// lie within the day and carry the days' sign.
bool IsWrittenForm(int32_t days, int32_t milliseconds) {
  if (days < kFirstDay || days > kLastDay) return false;
  if (milliseconds <= -kMillisecondsPerDay || milliseconds >= kMillisecondsPerDay) return false;
  return days == 0 || (days > 0) == (milliseconds >= 0) || milliseconds == 0;
}

void CheckDateRoundTrip(const uint8_t* field, double value) {
  const int32_t days = static_cast<int32_t>(LoadBigEndian32(field));
  const int32_t milliseconds = static_cast<int32_t>(LoadBigEndian32(field + 4));
  if (!IsWrittenForm(days, milliseconds)) return;
  COutMessage out;
  QORV_FUZZ_CHECK(out.AppendDate(value) == kResultOk, "a date can be written");
  QORV_FUZZ_CHECK(out.size() == 8 && std::memcmp(out.data(), field, 8) == 0,
                  "a date read and written back keeps its days and milliseconds");
}

// One read; its kind and length come from `operation`.
void RunRead(CInMessage& message, uint8_t operation) {
  const size_t before = message.position();
  const uint8_t* const field = message.data() == nullptr ? nullptr : message.data() + before;
  size_t expected = 0;
  try {
    switch (operation % kReadKinds) {
      case kReadByte:
        expected = 1;
        message.ReadByte();
        break;
      case kReadInt32:
        expected = 4;
        message.ReadInt32();
        break;
      case kReadBool:
        expected = 4;
        message.ReadBool();
        break;
      case kReadDate: {
        expected = 8;
        const double value = message.ReadDate();
        CheckDateRoundTrip(field, value);
        break;
      }
      case kReadString: {
        const std::string text = message.ReadString();
        expected = 4 + text.size();
        QORV_FUZZ_CHECK(LoadBigEndian32(field) == text.size(), "a string has its count of bytes");
        QORV_FUZZ_CHECK(text.empty() || std::memcmp(text.data(), field + 4, text.size()) == 0,
                        "a string holds the bytes that follow its count");
        break;
      }
      default: {
        expected = operation / kReadKinds;
        std::vector<uint8_t> bytes(expected);
        message.ReadBytes(bytes.data(), bytes.size());
        QORV_FUZZ_CHECK(expected == 0 || std::memcmp(bytes.data(), field, expected) == 0,
                        "raw bytes are copied as they stand");
        break;
      }
    }
  } catch (const CCancelableSocketBufferException&) {
    QORV_FUZZ_CHECK(message.position() == before, "a read past the end reads nothing");
    return;
  }
  QORV_FUZZ_CHECK(message.position() == before + expected, "a read advances by its field");
  QORV_FUZZ_CHECK(message.position() <= message.size(), "reads stay within the payload");
}

// The frame a sender builds for `payload` (the plain payload).
std::vector<uint8_t> Rebuilt(const CInMessage& message, bool blowfish, const ChannelKey& key) {
  std::unique_ptr<COutMessage> out;
  if (blowfish) {
    out = std::make_unique<CBlowfishOutMessage>(key);
  } else {
    out = std::make_unique<COutMessage>();
  }
  QORV_FUZZ_CHECK(out->AppendBytes(message.data(), message.size()) == kResultOk,
                  "a payload can be sent again");
  std::vector<uint8_t> frame;
  QORV_FUZZ_CHECK(out->BuildFrame(&frame) == kResultOk, "a frame can be built");
  return frame;
}

// The next 16 input bytes as a channel key. Kept out of line: inlined, GCC 12
// at -O3 sees a 16-byte write into a 15-byte region that is not there.
[[gnu::noinline]] ChannelKey KeyFrom(FuzzInput& input) {
  ChannelKey key{};
  for (uint8_t& byte : key) byte = input.Byte();
  return key;
}

void RunFrames(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  const uint8_t mode = input.Byte();
  const bool blowfish = (mode & 1) != 0;
  const ChannelKey key = (mode & 2) != 0 ? KeyFrom(input) : kInitialChannelKey;
  std::vector<uint8_t> reads(input.Byte() % 32);
  for (uint8_t& read : reads) read = input.Byte();

  std::unique_ptr<CInMessage> message;
  if (blowfish) {
    message = std::make_unique<CBlowfishInMessage>(key);
  } else {
    message = std::make_unique<CInMessage>();
  }
  const uint8_t* stream = input.rest();
  size_t left = input.rest_size();
  // Frames are taken independently of each other, so a longer stream finds
  // nothing new: the frames past the limit are left alone, and an input's
  // run stays short however large the fuzzer grows it.
  for (int frames = 0; frames < kMaxFrames; ++frames) {
    size_t consumed = 0;
    const int32_t code = message->ParseFrame(stream, left, &consumed);
    if (code != kResultOk) {
      QORV_FUZZ_CHECK(consumed == 0 && message->size() == 0, "a refused frame leaves nothing");
      if (left < 4) {
        QORV_FUZZ_CHECK(code == kResultPeerClosed, "a stream without a whole prefix ends");
        break;
      }
      const uint32_t announced = LoadBigEndian32(stream);
      if (announced > kMaxIncomingLength) {
        QORV_FUZZ_CHECK(code == kResultOutOfMemory, "a length over the bound is refused");
      } else if (left - 4 < announced) {
        QORV_FUZZ_CHECK(code == kResultPeerClosed, "a frame cut short ends the stream");
      } else {
        QORV_FUZZ_CHECK(blowfish && announced % 8 != 0 && code == kResultOutOfMemory,
                        "only a payload of broken cipher blocks is refused");
      }
      break;
    }
    const uint32_t announced = LoadBigEndian32(stream);
    QORV_FUZZ_CHECK(consumed == 4 + static_cast<size_t>(announced) && consumed <= left,
                    "a frame is its prefix and the announced payload");
    QORV_FUZZ_CHECK(message->size() == announced && message->position() == 0,
                    "the payload is whole and read from its start");
    const std::vector<uint8_t> frame = Rebuilt(*message, blowfish, key);
    QORV_FUZZ_CHECK(frame.size() == consumed && std::memcmp(frame.data(), stream, consumed) == 0,
                    "the payload sent again gives the frame's bytes");
    for (uint8_t read : reads) RunRead(*message, read);
    stream += consumed;
    left -= consumed;
  }
}

}  // namespace
}  // namespace qorv::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qorv::fuzz::RunFrames(data, size);
  return 0;
}
