// The message buffers on plain bytes: field encodings, the growth rule,
// Blowfish frames (checked with OpenSSL's Blowfish), reads past the end, and
// receiving frames from a socket.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "net/blowfish_message.h"
#include "net/in_message.h"
#include "net/loopback.h"
#include "net/message_dates.h"
#include "net/openssl_reference.h"
#include "net/out_message.h"
#include "net/socket_buffer_exception.h"
#include "net/test_bytes.h"
#include "qorvsdk/result_codes.h"

namespace qorv {
namespace {

using testing::Bytes;
using testing::Hex;

std::string FrameOf(const COutMessage& message) {
  std::vector<uint8_t> frame;
  EXPECT_EQ(message.BuildFrame(&frame), kResultOk);
  return Hex(frame);
}

TEST(OutMessage, FieldEncodings) {
  COutMessage message;
  EXPECT_EQ(FrameOf(message), "00000000");          // an empty payload is a bare prefix
  ASSERT_EQ(message.AppendByte(0x1FF), kResultOk);  // the low 8 bits
  EXPECT_EQ(FrameOf(message), "00000001ff");        // one command byte: 5 bytes

  message.Reset();
  message.AppendString("");
  EXPECT_EQ(Hex(message.data(), message.size()), "00000000");
  message.Reset();
  message.AppendInt32(-2);
  message.AppendBool(true);
  message.AppendBool(false);
  message.AppendString("ab");
  const uint8_t raw[3] = {9, 8, 7};
  message.AppendBytes(raw, 3);
  EXPECT_EQ(Hex(message.data(), message.size()),
            "fffffffe"
            "00000001"
            "00000000"
            "000000026162"
            "090807");
}

TEST(OutMessage, DatesTruncateBothPartsTowardZero) {
  COutMessage message;
  message.AppendDate(0.5);    // noon of 30 December 1899
  message.AppendDate(-1.25);  // days -1, minus a quarter day
  EXPECT_EQ(Hex(message.data(), message.size()),
            "00000000"
            "02932e00"
            "ffffffff"
            "feb66900");

  CInMessage in;
  ASSERT_EQ(in.SetPayload(message.data(), message.size()), kResultOk);
  EXPECT_EQ(in.ReadDate(), 0.5);
  EXPECT_EQ(in.ReadDate(), -1.25);

  // Dates that cannot be represented are clamped, never converted with
  // undefined results.
  message.Reset();
  message.AppendDate(std::numeric_limits<double>::quiet_NaN());
  message.AppendDate(1e300);
  message.AppendDate(-1e300);
  EXPECT_EQ(Hex(message.data(), message.size()),
            "00000000"
            "00000000"
            "7fffffff"
            "00000000"
            "80000000"
            "00000000");
}

// A date read from the wire is days + milliseconds / 86400000 rounded to a
// double; writing it back must give the same two int32, although the
// rounded value may lie just short of the exact millisecond.
TEST(OutMessage, DatesReadAreWrittenBackUnchanged) {
  // 189 ms on day 0 came back as 188 when the product was simply truncated.
  for (const int32_t days : {0, 1, 45352, 2958465, -1, -657434}) {
    for (int32_t milliseconds = 0; milliseconds < 200000; ++milliseconds) {
      const int32_t signed_ms = days < 0 ? -milliseconds : milliseconds;
      const DateParts parts = SplitDate(JoinDate(days, signed_ms));
      ASSERT_EQ(parts.days, days) << signed_ms;
      ASSERT_EQ(parts.milliseconds, signed_ms) << days;
    }
    const DateParts last = SplitDate(JoinDate(days, days < 0 ? -86399999 : 86399999));
    EXPECT_EQ(last.days, days);
    EXPECT_EQ(last.milliseconds, days < 0 ? -86399999 : 86399999);
  }
  // Values between milliseconds still truncate toward zero.
  EXPECT_EQ(SplitDate(0.5 + 0.4 / 86400000).milliseconds, 43200000);
  EXPECT_EQ(SplitDate(-0.5 - 0.4 / 86400000).milliseconds, -43200000);
}

TEST(OutMessage, GrowthRule) {
  COutMessage message;
  EXPECT_EQ(message.capacity(), 0u);
  message.AppendByte(1);
  EXPECT_EQ(message.capacity(), 5120u);  // small appends grow by 5 KB
  const std::vector<uint8_t> filler(5119, 0xAB);
  message.AppendBytes(filler.data(), filler.size());
  EXPECT_EQ(message.capacity(), 5120u);  // exactly full, no growth
  message.AppendByte(2);
  EXPECT_EQ(message.capacity(), 10240u);
  const std::vector<uint8_t> large(6000, 0xCD);
  message.AppendBytes(large.data(), large.size());
  EXPECT_EQ(message.capacity(), 16240u);  // a large append grows by its own size
  EXPECT_EQ(message.size(), 5120u + 1 + 6000);
  EXPECT_EQ(message.data()[0], 1);
  EXPECT_EQ(message.data()[5120], 2);  // the written bytes moved with the growth
  EXPECT_EQ(message.data()[message.size() - 1], 0xCD);
  message.Reset();
  EXPECT_EQ(message.capacity(), 0u);
  EXPECT_EQ(message.size(), 0u);
}

TEST(BlowfishMessage, FrameSizesAndPadding) {
  CBlowfishOutMessage message;
  EXPECT_EQ(FrameOf(message), "00000000");  // nothing to encipher
  message.AppendByte(50);
  std::string frame = FrameOf(message);
  EXPECT_EQ(frame.size(), 2 * 12u);  // 4 + 8
  EXPECT_EQ(frame.substr(0, 8), "00000008");
  message.AppendBytes("abcd", 4);  // 5 bytes: still one block
  EXPECT_EQ(FrameOf(message).size(), 2 * 12u);
  message.AppendBytes("xyz", 3);  // 8 bytes: no padding block
  EXPECT_EQ(FrameOf(message).substr(0, 8), "00000008");
  message.AppendByte(0);
  EXPECT_EQ(FrameOf(message).substr(0, 8), "00000010");
}

TEST(BlowfishMessage, OpenSslDeciphersOurFrameToThePayload) {
  const ChannelKey key = kInitialChannelKey;
  CBlowfishOutMessage message(key);
  message.AppendByte(49);
  message.AppendString("Administrator");
  message.AppendInt32(1234567);
  std::vector<uint8_t> frame;
  ASSERT_EQ(message.BuildFrame(&frame), kResultOk);
  const std::vector<uint8_t> enciphered(frame.begin() + 4, frame.end());

  // OpenSSL's textbook Blowfish takes big-endian halves: reverse each half
  // before and after.
  const std::vector<uint8_t> plain = testing::SwapHalves(testing::OpenSslBlowfishEcb(
      std::vector<uint8_t>(key.begin(), key.end()), testing::SwapHalves(enciphered), false));
  ASSERT_EQ(plain.size(), enciphered.size()) << "OpenSSL's legacy provider is missing";
  std::vector<uint8_t> expected(message.data(), message.data() + message.size());
  expected.resize(plain.size(), 0);  // zero padding
  EXPECT_EQ(Hex(plain), Hex(expected));
}

TEST(BlowfishMessage, RoundTripUnderTheSameKeyOnly) {
  ChannelKey user_key{};
  for (size_t i = 0; i < user_key.size(); ++i) user_key[i] = static_cast<uint8_t>(i * 17);
  CBlowfishOutMessage out;
  out.SetKey(user_key);
  out.AppendString("frame under the user key");
  out.AppendDate(45000.75);
  std::vector<uint8_t> frame;
  ASSERT_EQ(out.BuildFrame(&frame), kResultOk);

  CBlowfishInMessage in(user_key);
  size_t consumed = 0;
  ASSERT_EQ(in.ParseFrame(frame.data(), frame.size(), &consumed), kResultOk);
  EXPECT_EQ(consumed, frame.size());
  EXPECT_EQ(in.ReadString(), "frame under the user key");
  EXPECT_EQ(in.ReadDate(), 45000.75);
  // The zero padding stays at the end, deciphered.
  EXPECT_GT(in.remaining(), 0u);
  while (in.remaining() > 0) EXPECT_EQ(in.ReadByte(), 0);

  CBlowfishInMessage stale;  // still under the initial key
  ASSERT_EQ(stale.ParseFrame(frame.data(), frame.size(), &consumed), kResultOk);
  EXPECT_NE(Hex(stale.data(), stale.size()), Hex(in.data(), in.size()));

  // An enciphered payload that is not whole blocks is refused.
  const uint8_t odd[4 + 5] = {0, 0, 0, 5, 1, 2, 3, 4, 5};
  EXPECT_EQ(in.ParseFrame(odd, sizeof(odd), &consumed), kResultOutOfMemory);
  EXPECT_EQ(in.size(), 0u);
}

TEST(InMessage, ReadsAndReadsPastTheEnd) {
  const std::vector<uint8_t> payload = Bytes("7f 00000005 fffffffe 00000003 616263 0102");
  CInMessage in;
  ASSERT_EQ(in.SetPayload(payload.data(), payload.size()), kResultOk);
  EXPECT_EQ(in.ReadByte(), 0x7F);
  EXPECT_TRUE(in.ReadBool());  // any nonzero value is true
  EXPECT_EQ(in.ReadInt32(), -2);
  EXPECT_EQ(in.ReadString(), "abc");
  uint8_t two[2];
  in.ReadBytes(two, 2);
  EXPECT_EQ(two[1], 2);
  EXPECT_EQ(in.remaining(), 0u);
  EXPECT_THROW(in.ReadByte(), CCancelableSocketBufferException);
  EXPECT_EQ(in.position(), in.size());
}

TEST(InMessage, StringCountPastTheEndThrowsBeforeReading) {
  // The count says 100, only 3 bytes follow.
  const std::vector<uint8_t> payload = Bytes("00000064 616263");
  CInMessage in;
  ASSERT_EQ(in.SetPayload(payload.data(), payload.size()), kResultOk);
  EXPECT_THROW(in.ReadString(), CCancelableSocketBufferException);
  EXPECT_EQ(in.position(), 0u);  // not even the count was taken

  // A negative count, and a huge one, fail the same way without allocating.
  const std::vector<uint8_t> negative = Bytes("ffffffff 00");
  ASSERT_EQ(in.SetPayload(negative.data(), negative.size()), kResultOk);
  EXPECT_THROW(in.ReadString(), CCancelableSocketBufferException);
  EXPECT_EQ(in.position(), 0u);
  const std::vector<uint8_t> huge = Bytes("7fffffff");
  ASSERT_EQ(in.SetPayload(huge.data(), huge.size()), kResultOk);
  EXPECT_THROW(in.ReadString(), CCancelableSocketBufferException);
  EXPECT_EQ(in.position(), 0u);

  // An int32 with 3 bytes left reads nothing, and neither does a date whose
  // days are there but not its milliseconds.
  const std::vector<uint8_t> short_int = Bytes("000001");
  ASSERT_EQ(in.SetPayload(short_int.data(), short_int.size()), kResultOk);
  EXPECT_THROW(in.ReadInt32(), CCancelableSocketBufferException);
  EXPECT_EQ(in.position(), 0u);
  const std::vector<uint8_t> short_date = Bytes("0000b128 0000");
  ASSERT_EQ(in.SetPayload(short_date.data(), short_date.size()), kResultOk);
  EXPECT_THROW(in.ReadDate(), CCancelableSocketBufferException);
  EXPECT_EQ(in.position(), 0u);
  EXPECT_EQ(in.ReadInt32(), 45352);  // still there to be read
}

TEST(InMessage, ParseFrameChecksTheAnnouncedLength) {
  CInMessage in;
  size_t consumed = 99;
  const std::vector<uint8_t> two_frames = Bytes("00000002 abcd 00000000");
  ASSERT_EQ(in.ParseFrame(two_frames.data(), two_frames.size(), &consumed), kResultOk);
  EXPECT_EQ(consumed, 6u);
  EXPECT_EQ(in.size(), 2u);
  ASSERT_EQ(in.ParseFrame(two_frames.data() + 6, 4, &consumed), kResultOk);
  EXPECT_EQ(in.size(), 0u);

  EXPECT_EQ(in.ParseFrame(two_frames.data(), 5, &consumed), kResultPeerClosed);  // truncated
  EXPECT_EQ(consumed, 0u);
  const std::vector<uint8_t> absurd = Bytes("fffffff0");
  EXPECT_EQ(in.ParseFrame(absurd.data(), absurd.size(), &consumed), kResultOutOfMemory);
}

TEST(InMessage, ReceivesFramesFromASocket) {
  testing::LoopbackPair pair;
  ASSERT_TRUE(pair.Open());

  // A frame of 3 MiB: the buffer grows as it arrives.
  COutMessage big;
  const std::vector<uint8_t> body(3 * 1024 * 1024 + 5, 0x5A);
  big.AppendInt32(static_cast<int32_t>(body.size()));
  big.AppendBytes(body.data(), body.size());
  std::thread sender([&] { EXPECT_EQ(big.Send(pair.server()), kResultOk); });
  CInMessage in;
  ASSERT_EQ(in.Receive(pair.client()), kResultOk);
  sender.join();
  ASSERT_EQ(in.ReadInt32(), static_cast<int32_t>(body.size()));
  std::vector<uint8_t> got(body.size());
  in.ReadBytes(got.data(), got.size());
  EXPECT_TRUE(got == body);

  // An absurd announced length is refused at once with 2.
  const std::vector<uint8_t> absurd = Bytes("ffffff00");
  ASSERT_EQ(pair.server().Send(absurd.data(), absurd.size()), kResultOk);
  EXPECT_EQ(in.Receive(pair.client()), kResultOutOfMemory);
  EXPECT_EQ(in.size(), 0u);

  // Blowfish frames travel the same way.
  CBlowfishOutMessage blowfish_out;
  blowfish_out.AppendString("enciphered");
  ASSERT_EQ(blowfish_out.Send(pair.server()), kResultOk);
  CBlowfishInMessage blowfish_in;
  ASSERT_EQ(blowfish_in.Receive(pair.client()), kResultOk);
  EXPECT_EQ(blowfish_in.size(), 16u);
  EXPECT_EQ(blowfish_in.ReadString(), "enciphered");

  // A peer closing in the middle of a frame.
  const std::vector<uint8_t> cut = Bytes("00000010 0102");
  ASSERT_EQ(pair.server().Send(cut.data(), cut.size()), kResultOk);
  pair.server().Close();
  EXPECT_EQ(in.Receive(pair.client()), kResultPeerClosed);
  EXPECT_EQ(in.size(), 0u);
}

}  // namespace
}  // namespace qorv
