// Columns line up on a terminal: widths count the columns characters take.
#include "cli/text_table.h"

#include <gtest/gtest.h>

namespace qorv::cli {
namespace {

TEST(TextTableTest, WideCharactersTakeTwoColumns) {
  EXPECT_EQ(DisplayWidth("main.c"), 6u);
  EXPECT_EQ(DisplayWidth("caf\xC3\xA9"), 4u);                           // é: one column
  EXPECT_EQ(DisplayWidth("\xE8\xB3\x87\xE6\x96\x99"), 4u);              // 資料: CJK ideographs
  EXPECT_EQ(DisplayWidth("\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF"), 6u);  // データ: katakana
  EXPECT_EQ(DisplayWidth("\xED\x95\x9C"), 2u);                          // 한: Hangul
  EXPECT_EQ(DisplayWidth("\xEF\xBC\xA1"), 2u);                          // Ａ: fullwidth
  EXPECT_EQ(DisplayWidth("\xF0\x9F\x8E\xAE"), 2u);                      // 🎮: emoji
  EXPECT_EQ(DisplayWidth("\xF0\xA0\x80\x80"), 2u);                      // U+20000
  EXPECT_EQ(DisplayWidth("\xE2\x94\x80"), 1u);                          // ─: box drawing
  // A cut sequence still takes a column per byte the terminal shows.
  EXPECT_EQ(DisplayWidth("\xE8\xB3"), 2u);
}

TEST(TextTableTest, ColumnsAfterCjkNamesLineUp) {
  TextTable table;
  table.AddRow({"\xE8\xB3\x87\xE6\x96\x99.txt", "1", "alice"});  // 資料.txt: 8 columns
  table.AddRow({"readme.txt", "12", "bob"});                     // 10 columns
  EXPECT_EQ(table.Render(),
            "\xE8\xB3\x87\xE6\x96\x99.txt    1   alice\n"
            "readme.txt  12  bob\n");
}

}  // namespace
}  // namespace qorv::cli
