// Everything qorv writes: results on standard output, the SDK's report
// lines, notices and errors on standard error, and the progress bar, which
// appears only when standard error is a terminal.
//
// Text from the server (names, comments, descriptions) is written through
// PrintableText, so a control sequence stored on the server cannot drive the
// user's terminal.
#ifndef QORV_CLI_CONSOLE_H_
#define QORV_CLI_CONSOLE_H_

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/json_value.h"

namespace qorv::cli {

struct ConsoleSettings {
  bool json = false;   // results as one JSON document; report lines go into it
  bool quiet = false;  // no report lines that succeeded, no notices, no progress
  bool error_is_terminal = false;
  int columns = 80;
};

class Console {
 public:
  Console(ConsoleSettings settings, std::ostream& out, std::ostream& err);
  ~Console();
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  const ConsoleSettings& settings() const { return settings_; }

  // A report line of the SDK, as it arrives. Failures are written to
  // standard error marked "error: "; the others too, unmarked, unless quiet.
  // With --json they are kept for the document instead.
  void ReportLine(bool succeeded, std::string_view text);
  // Whether a failure line with exactly this text was written, so the final
  // error message need not repeat it.
  bool ShowedFailure(std::string_view text) const;
  const JsonValue& report_lines() const { return report_lines_; }
  // How many failed report lines arrived, in every mode.
  size_t failed_report_lines() const { return failed_report_lines_; }

  // OnPercentDone: draws the bar on a terminal (redrawn only on change).
  void Progress(int percent);
  // Removes the bar, before the next output or at the end of a command.
  void EndProgress();

  // "qorv: text" on standard error, left out when quiet; with --json, kept
  // for the document instead.
  void Notice(std::string_view text);
  const JsonValue& notices() const { return notices_; }
  // "qorv: warning: text" on standard error, also when quiet (something the
  // user asked for will not happen); kept for the document with --json.
  void Warning(std::string_view text);
  const JsonValue& warnings() const { return warnings_; }
  void Error(std::string_view text);
  // A question asked on the terminal, without a line end.
  void Ask(std::string_view text);

  // Result text on standard output.
  void Output(std::string_view text);

 private:
  void DrawBar();

  ConsoleSettings settings_;
  std::ostream& out_;
  std::ostream& err_;
  JsonValue report_lines_ = JsonValue::Array();
  JsonValue notices_ = JsonValue::Array();
  JsonValue warnings_ = JsonValue::Array();
  std::vector<std::string> failures_shown_;
  size_t failed_report_lines_ = 0;
  int percent_ = -1;  // the percent drawn, -1 when no bar is shown
};

// The bar for `percent` (clamped to 0..100) in at most `columns` - 1
// characters: "[#####.....]  45%".
std::string RenderProgressBar(int percent, int columns);

// `text` with every control character (C0 other than line feed and tab, DEL,
// and the C1 range U+0080..U+009F) replaced by "?".
std::string PrintableText(std::string_view text);

}  // namespace qorv::cli

#endif  // QORV_CLI_CONSOLE_H_
