// Line endings, text detection, paths and names, patterns, transfer names
// and wire dates of the server store.
#include <gtest/gtest.h>

#include "server/content_digest.h"
#include "server/line_endings.h"
#include "server/ole_time.h"
#include "server/server_path.h"
#include "server/transfer_name.h"
#include "server/wildcard.h"

namespace qorv::server {
namespace {

TEST(LineEndingsTest, EveryBreakFormBecomesOneLf) {
  EXPECT_EQ(NormaliseToLf("a\r\nb\rc\nd\r\n\r\n"), "a\nb\nc\nd\n\n");
  // A CR at the very end and CR CR LF (a CR followed by a CR LF pair).
  EXPECT_EQ(NormaliseToLf("x\r"), "x\n");
  EXPECT_EQ(NormaliseToLf("x\r\r\n"), "x\n\n");
  EXPECT_EQ(NormaliseToLf(""), "");
}

TEST(LineEndingsTest, DeliveryRoundTripsAConsistentFile) {
  const std::string crlf = "one\r\ntwo\r\n\r\nthree";
  std::string stored = NormaliseToLf(crlf);
  EXPECT_EQ(DeliverText(stored, Eol::kCrLf), crlf);
  EXPECT_EQ(DeliverText(stored, Eol::kCr), "one\rtwo\r\rthree");
  EXPECT_EQ(DeliverText(stored, Eol::kLf), "one\ntwo\n\nthree");
  EXPECT_EQ(DeliveredTextSize(static_cast<int64_t>(stored.size()), 3, Eol::kCrLf),
            static_cast<int64_t>(crlf.size()));
}

TEST(LineEndingsTest, TextDetection) {
  EXPECT_TRUE(LooksLikeText(""));
  EXPECT_TRUE(LooksLikeText("plain\ttext\r\n\f\v\x1b[0m end\x1a"));
  EXPECT_TRUE(LooksLikeText("caf\xc3\xa9"));
  EXPECT_FALSE(LooksLikeText(std::string("a\0b", 3)));
  EXPECT_FALSE(LooksLikeText("\x89PNG\r\n\x1a\n\x01"));
  EXPECT_FALSE(LooksLikeText("x\x1fy"));
}

TEST(LineEndingsTest, EolFromWireRefusesUnknownModes) {
  EXPECT_EQ(EolFromWire(2), Eol::kCrLf);
  EXPECT_FALSE(EolFromWire(3).has_value());
  EXPECT_FALSE(EolFromWire(-1).has_value());
}

// A body fed in pieces cut at every position gives the same stored form
// as one fed whole: a CR at the end of a piece waits for the next byte.
TEST(LineEndingsTest, NormalisingInPiecesMatchesWholeAtEveryCut) {
  const std::string body = "a\r\nb\rc\r\r\nd\n\r";
  const std::string whole = NormaliseToLf(body);
  EXPECT_EQ(whole, "a\nb\nc\n\nd\n\n");
  for (size_t cut = 0; cut <= body.size(); ++cut) {
    TextNormaliser normaliser;
    std::string out;
    normaliser.Feed(std::string_view(body).substr(0, cut), &out);
    normaliser.Feed(std::string_view(body).substr(cut), &out);
    normaliser.Finish(&out);
    EXPECT_EQ(out, whole) << "cut at " << cut;
  }
}

TEST(ContentDigestTest, DigestsAreThoseOfTheDeliveredBytesWhateverThePieces) {
  ContentDigests text(true);
  text.Feed("a\nb");
  text.Feed("\n");
  const ContentDigests::Result made = text.Finish();
  EXPECT_EQ(made.stored_size, 4);
  EXPECT_EQ(made.lf_count, 2);
  EXPECT_EQ(made.delivered_md5[static_cast<int>(Eol::kCrLf)], Md5Of("a\r\nb\r\n"));
  EXPECT_EQ(made.delivered_md5[static_cast<int>(Eol::kCr)], Md5Of("a\rb\r"));
  EXPECT_EQ(made.delivered_md5[static_cast<int>(Eol::kLf)], Md5Of("a\nb\n"));
  // A binary body has one digest for all modes.
  ContentDigests binary(false);
  binary.Feed("a\r\nb");
  const ContentDigests::Result raw = binary.Finish();
  EXPECT_EQ(raw.lf_count, 0);
  EXPECT_EQ(raw.delivered_md5[0], Md5Of("a\r\nb"));
  EXPECT_EQ(raw.delivered_md5[2], raw.delivered_md5[0]);
  // RFC 1321 test vector.
  Md5Digest abc = Md5Of("abc");
  EXPECT_EQ(abc[0], 0x90);
  EXPECT_EQ(abc[15], 0x72);
}

TEST(ServerPathTest, ParsesRootAndTrailingSlash) {
  ASSERT_TRUE(ParseServerPath("$").has_value());
  EXPECT_TRUE(ParseServerPath("$/")->IsRoot());
  std::optional<ServerPath> path = ParseServerPath("$/A/b.c/");
  ASSERT_TRUE(path.has_value());
  EXPECT_EQ(path->names, (std::vector<std::string>{"A", "b.c"}));
  EXPECT_EQ(path->ToString(), "$/A/b.c");
  EXPECT_EQ(path->Parent().ToString(), "$/A");
  EXPECT_EQ(path->Parent().Parent().ToString(), "$/");
}

TEST(ServerPathTest, RefusesMalformedPathsAndUnsafeNames) {
  for (const char* bad : {"", "/", "A/B", "$A", "$//A", "$/A//B", "$/A/..", "$/./x", "$/a\\b",
                          "$/a:b", "$/con?", "$/$x", "$/tab\tname"}) {
    EXPECT_FALSE(ParseServerPath(bad).has_value()) << bad;
  }
  EXPECT_FALSE(IsValidItemName(std::string(256, 'x')));
  EXPECT_TRUE(IsValidItemName(std::string(255, 'x')));
}

TEST(ServerPathTest, DatabaseNamesCannotLeaveTheDirectory) {
  EXPECT_TRUE(IsValidDatabaseName("Main_db-2.old"));
  for (const char* bad : {"", "..", ".hidden", "a/b", "a\\b", "sp ace", "x\xc3\xa9"}) {
    EXPECT_FALSE(IsValidDatabaseName(bad)) << bad;
  }
}

TEST(ServerPathTest, CaseFoldingTouchesAsciiLettersOnly) {
  EXPECT_TRUE(EqualsNoCase("ReadMe.TXT", "readme.txt"));
  EXPECT_FALSE(EqualsNoCase("\xc3\xa9", "\xc3\x89"));
  EXPECT_TRUE(LessNoCase("apple", "Banana"));
  EXPECT_FALSE(LessNoCase("b", "A"));
}

TEST(WildcardTest, MatchesTypePatterns) {
  EXPECT_TRUE(MatchesAnyPattern("*.exe; *.OBJ", "tool.EXE"));
  EXPECT_TRUE(MatchesAnyPattern("*.exe;*.obj", "a.obj"));
  EXPECT_FALSE(MatchesAnyPattern("*.exe;*.obj", "a.objx"));
  EXPECT_TRUE(WildcardMatch("?ake*", "Makefile"));
  EXPECT_FALSE(WildcardMatch("?ake", "ake"));
  EXPECT_FALSE(MatchesAnyPattern(";;", "anything"));
  EXPECT_TRUE(WildcardMatch("*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaab"));
  EXPECT_FALSE(WildcardMatch("*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaa"));
}

TEST(TransferNameTest, RoundTripsAndRefusesAnythingElse) {
  std::string name = MakeTransferName(42, Eol::kCrLf, kFileTimeCheckIn);
  EXPECT_EQ(name, "V42.2.2");
  std::optional<TransferName> parsed = ParseTransferName(name);
  ASSERT_TRUE(parsed.has_value());
  EXPECT_EQ(parsed->version_record, 42);
  EXPECT_EQ(parsed->eol, Eol::kCrLf);
  EXPECT_EQ(parsed->file_time_mode, kFileTimeCheckIn);
  // An unknown file-time mode is kept as the modification time.
  EXPECT_EQ(MakeTransferName(7, Eol::kLf, 9), "V7.1.1");
  for (const char* bad : {"", "V", "V.1.1", "V1.3.1", "V1.1.3", "V1.1.1x", "Vx.1.1", "W1.1.1",
                          "V1234567890123456789.1.1", "V-1.1.1"}) {
    EXPECT_FALSE(ParseTransferName(bad).has_value()) << bad;
  }
}

TEST(TransferNameTest, DateFollowsTheFileTimeMode) {
  VersionInfo version;
  version.checkin_time = 100;
  version.modification_time = 50;
  EXPECT_EQ(TransferDate({1, Eol::kLf, kFileTimeCurrent}, version, 999), 999);
  EXPECT_EQ(TransferDate({1, Eol::kLf, kFileTimeModification}, version, 999), 50);
  EXPECT_EQ(TransferDate({1, Eol::kLf, kFileTimeCheckIn}, version, 999), 100);
}

TEST(OleTimeTest, WireDatesTruncateTowardZero) {
  WireDate noon = ToWireDate(kMsPerDay / 2);
  EXPECT_EQ(noon.days, 0);
  EXPECT_EQ(noon.ms, 43200000);
  // -1.25 days: both parts carry the sign.
  WireDate negative = ToWireDate(-(kMsPerDay + kMsPerDay / 4));
  EXPECT_EQ(negative.days, -1);
  EXPECT_EQ(negative.ms, -21600000);
  EXPECT_EQ(FromWireDate(negative), -(kMsPerDay + kMsPerDay / 4));
  EXPECT_DOUBLE_EQ(ToOleDouble(-(kMsPerDay + kMsPerDay / 4)), -1.25);
}

}  // namespace
}  // namespace qorv::server
