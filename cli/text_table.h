// Rows of text cells written as aligned columns, two blanks apart; the last
// column is not padded.
#ifndef QORV_CLI_TEXT_TABLE_H_
#define QORV_CLI_TEXT_TABLE_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qorv::cli {

// The columns `text` (UTF-8) takes on a terminal: two for a character of the
// East Asian wide and fullwidth ranges (CJK ideographs, kana, Hangul,
// fullwidth forms, emoji), one for any other character.
size_t DisplayWidth(std::string_view text);

class TextTable {
 public:
  void AddRow(std::vector<std::string> cells) { rows_.push_back(std::move(cells)); }
  bool empty() const { return rows_.empty(); }
  // One line per row, each ending with a line feed, columns aligned by
  // DisplayWidth.
  std::string Render() const;

 private:
  std::vector<std::vector<std::string>> rows_;
};

}  // namespace qorv::cli

#endif  // QORV_CLI_TEXT_TABLE_H_
