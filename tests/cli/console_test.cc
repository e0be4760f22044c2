// What reaches standard output and standard error, and when escape codes
// may appear.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/console.h"
#include "cli/path_arguments.h"
#include "cli/text_table.h"

namespace qorv::cli {
namespace {

TEST(ConsoleTest, ReportLinesGoToStandardErrorWithFailuresMarked) {
  std::ostringstream out, err;
  Console console(ConsoleSettings{}, out, err);
  console.ReportLine(true, "Getting $/A general info...");
  console.ReportLine(false, "Project $/A does not exist");
  console.Progress(50);  // not a terminal: no bar
  console.Output("result\n");
  EXPECT_EQ(out.str(), "result\n");
  EXPECT_EQ(err.str(), "Getting $/A general info...\nerror: Project $/A does not exist\n");
  EXPECT_TRUE(console.ShowedFailure("Project $/A does not exist"));
  EXPECT_FALSE(console.ShowedFailure("Getting $/A general info..."));
}

TEST(ConsoleTest, QuietKeepsOnlyFailuresAndJsonKeepsLinesForTheDocument) {
  std::ostringstream out, err;
  ConsoleSettings quiet;
  quiet.quiet = true;
  quiet.error_is_terminal = true;
  Console console(quiet, out, err);
  console.ReportLine(true, "Connecting to server...");
  console.ReportLine(false, "Socket error occurs");
  console.Notice("registered");
  console.Progress(10);
  EXPECT_EQ(err.str(), "error: Socket error occurs\n");

  std::ostringstream json_out, json_err;
  ConsoleSettings json;
  json.json = true;
  Console document(json, json_out, json_err);
  document.ReportLine(true, "a");
  document.ReportLine(false, "b");
  EXPECT_EQ(json_err.str(), "");
  EXPECT_EQ(document.report_lines().Serialize(),
            R"([{"ok":true,"text":"a"},{"ok":false,"text":"b"}])");
}

TEST(ConsoleTest, ProgressBarOnATerminalIsClearedBeforeOtherOutput) {
  std::ostringstream out, err;
  ConsoleSettings terminal;
  terminal.error_is_terminal = true;
  terminal.columns = 29;  // a 20-character bar
  Console console(terminal, out, err);
  console.Progress(50);
  console.Progress(50);  // unchanged: not drawn again
  console.ReportLine(true, "line");
  console.Progress(150);
  console.EndProgress();
  EXPECT_EQ(err.str(),
            "\r[##########..........]  50%"
            "\r\x1b[Kline\n[##########..........]  50%"
            "\r[####################] 100%"
            "\r\x1b[K");
}

TEST(ConsoleTest, BarFitsNarrowTerminals) {
  EXPECT_EQ(RenderProgressBar(7, 5), "  7%");
  EXPECT_EQ(RenderProgressBar(-3, 200).size(), 57u);  // the bar stops at 50 characters
}

TEST(ConsoleTest, ServerTextCannotDriveTheTerminal) {
  EXPECT_EQ(PrintableText("a\x1b]0;title\x07z\tok\n"), "a?]0;title?z\tok\n");
  EXPECT_EQ(PrintableText("\xC2\x9B"
                          "31m \xC2\xA9 \x7F"),
            "?31m \xC2\xA9 ?");
  std::ostringstream out, err;
  Console console(ConsoleSettings{}, out, err);
  console.Output("name\x1b[2J\n");
  console.ReportLine(false, "bad\x1b[31m");
  EXPECT_EQ(out.str(), "name?[2J\n");
  EXPECT_EQ(err.str(), "error: bad?[31m\n");
}

TEST(ConsoleTest, TablesAlignByCharactersNotBytes) {
  TextTable table;
  table.AddRow({"\xC3\xA9t\xC3\xA9", "1", ""});
  table.AddRow({"long name", "12", "x"});
  EXPECT_EQ(table.Render(), "\xC3\xA9t\xC3\xA9        1\nlong name  12  x\n");
}

TEST(ConsoleTest, ServerPathArguments) {
  EXPECT_EQ(ServerPathArgument(""), "$/");
  EXPECT_EQ(ServerPathArgument("Game/a.c"), "$/Game/a.c");
  EXPECT_EQ(ServerPathArgument("//Game"), "$/Game");
  EXPECT_EQ(ServerPathArgument("$/Game"), "$/Game");
  EXPECT_EQ(ServerPathArgument("$"), "$");
  EXPECT_EQ(LeafName("$/Game/a.c"), "a.c");
  EXPECT_EQ(JoinServerPath("$/", "Game"), "$/Game");
  EXPECT_EQ(JoinServerPath("$/Game", "Sub"), "$/Game/Sub");
}

}  // namespace
}  // namespace qorv::cli
