// Rows of text cells written as aligned columns, two blanks apart; the last
// column is not padded.
#ifndef QORV_CLI_TEXT_TABLE_H_
#define QORV_CLI_TEXT_TABLE_H_

#include <string>
#include <vector>

namespace qorv::cli {

class TextTable {
 public:
  void AddRow(std::vector<std::string> cells) { rows_.push_back(std::move(cells)); }
  bool empty() const { return rows_.empty(); }
  // One line per row, each ending with a line feed. Widths count characters
  // (UTF-8 sequences), not bytes.
  std::string Render() const;

 private:
  std::vector<std::vector<std::string>> rows_;
};

}  // namespace qorv::cli

#endif  // QORV_CLI_TEXT_TABLE_H_
