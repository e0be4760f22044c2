#include "transfer/transfer_commands.h"

#include <gtest/gtest.h>

#include "protocol/command_test_support.h"

namespace qorv {
namespace {

using testing::HexOf;
using testing::RequestHex;
using testing::Wire;

TEST(TransferCommandsTest, ConnectionKeySendsTheKeyHalvesSwapped) {
  TransferConnectionKeyCommand command;
  command.first_random = 0x01020304;
  command.login_identity = 7;
  for (size_t i = 0; i < command.key.size(); ++i) command.key[i] = static_cast<uint8_t>(0xA0 + i);
  command.second_random = -1;
  EXPECT_EQ(RequestHex(command), HexOf(Wire()
                                           .Byte(96)
                                           .Int32(0x01020304)
                                           .Int32(7)
                                           .Raw({0xA8, 0xA9, 0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF})
                                           .Raw({0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7})
                                           .Int32(-1)));
}

TEST(TransferCommandsTest, UploadAndDownloadBatchesListTheirFiles) {
  UploadBatchCommand upload;
  upload.login_identity = 42;
  upload.files = {{3, 100, 45000.5}, {9, 0, -1.25}};
  EXPECT_EQ(RequestHex(upload), HexOf(Wire()
                                          .Byte(64)
                                          .Bool(false)
                                          .Bool(false)
                                          .Int32(42)
                                          .Int32(2)
                                          .Int32(3)
                                          .Int32(100)
                                          .Date(45000, 43200000)
                                          .Int32(9)
                                          .Int32(0)
                                          .Date(-1, -21600000)));

  DownloadBatchCommand download;
  download.compressed = true;
  download.login_identity = 42;
  download.files = {{0, "T1"}, {5, ""}};
  EXPECT_EQ(
      RequestHex(download),
      HexOf(
          Wire().Byte(65).Bool(true).Bool(false).Int32(42).Int32(2).Int32(0).Str("T1").Int32(5).Str(
              "")));
}

// Parses `wire` as a received payload.
void Load(CInMessage& in, const Wire& wire) {
  ASSERT_EQ(in.SetPayload(wire.bytes().data(), wire.bytes().size()), kResultOk);
}

TEST(TransferCommandsTest, RepliesMustHoldExactlyOneEntryPerFile) {
  CInMessage in;
  std::vector<UploadFileResult> results;
  Load(in, Wire().Bool(true).Str("File received successfully").Bool(false).Str("No"));
  ASSERT_TRUE(ReadUploadResults(in, 2, false, &results));
  ASSERT_EQ(results.size(), 2u);
  EXPECT_TRUE(results[0].transferred);
  EXPECT_EQ(results[1].text, "No");

  // One entry short, one too many, a huge count on a small message.
  Load(in, Wire().Bool(true).Str("a"));
  EXPECT_FALSE(ReadUploadResults(in, 2, false, &results));
  Load(in, Wire().Bool(true).Str("a").Bool(true).Str("b"));
  EXPECT_FALSE(ReadUploadResults(in, 1, false, &results));
  Load(in, Wire().Bool(true).Str("a"));
  EXPECT_FALSE(ReadUploadResults(in, 1u << 30, false, &results));

  std::vector<double> dates;
  Load(in, Wire().Date(45000, 0).Date(1, 43200000));
  ASSERT_TRUE(ReadDownloadDates(in, 2, false, &dates));
  EXPECT_EQ(dates, (std::vector<double>{45000.0, 1.5}));
  Load(in, Wire().Date(45000, 0).Date(1, 0).Date(2, 0));
  EXPECT_FALSE(ReadDownloadDates(in, 2, false, &dates));
  // Zero padding of a Blowfish frame is no extra entry; other bytes are.
  Load(in, Wire().Date(45000, 0).Repeat(0, 7));
  EXPECT_TRUE(ReadDownloadDates(in, 1, true, &dates));
  EXPECT_FALSE(ReadDownloadDates(in, 1, false, &dates));
  Load(in, Wire().Date(45000, 0).Repeat(0, 3).Byte(1));
  EXPECT_FALSE(ReadDownloadDates(in, 1, true, &dates));
}

}  // namespace
}  // namespace qorv
