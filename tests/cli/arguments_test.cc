// The command line: where options may stand, their forms, and the errors.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/global_options.h"

namespace qorv::cli {
namespace {

const std::vector<OptionSpec> kCommandOptions = {
    {"recursive", 'R', nullptr, ""},
    {"by", 0, "USER", ""},
};

bool Parse(const std::vector<std::string>& arguments, CommandLine* line, std::string* error) {
  return ParseCommandLine(
      arguments, GlobalOptionSpecs(),
      [](std::string_view word) -> const std::vector<OptionSpec>* {
        return word == "history" ? &kCommandOptions : nullptr;
      },
      line, error);
}

TEST(ArgumentsTest, GlobalOptionsBeforeAndAfterTheCommandAndValueForms) {
  CommandLine line;
  std::string error;
  ASSERT_TRUE(Parse({"--server", "h:1", "history", "$/A", "--user=bob", "-Rq", "--by", "ann",
                     "--key-file", "a.key", "--key-file=b.key"},
                    &line, &error))
      << error;
  EXPECT_EQ(line.command, "history");
  EXPECT_EQ(line.arguments, std::vector<std::string>({"$/A"}));
  EXPECT_EQ(line.options.Value("server"), "h:1");
  EXPECT_EQ(line.options.Value("user"), "bob");
  EXPECT_EQ(line.options.Value("by"), "ann");
  EXPECT_TRUE(line.options.Has("recursive"));
  EXPECT_TRUE(line.options.Has("quiet"));
  EXPECT_EQ(line.options.Values("key-file"), std::vector<std::string>({"a.key", "b.key"}));
}

TEST(ArgumentsTest, DoubleDashEndsOptionsAndLoneDashIsAnArgument) {
  CommandLine line;
  std::string error;
  ASSERT_TRUE(Parse({"history", "-", "--", "--json", "-R"}, &line, &error)) << error;
  EXPECT_EQ(line.arguments, std::vector<std::string>({"-", "--json", "-R"}));
  EXPECT_FALSE(line.options.Has("json"));
}

TEST(ArgumentsTest, ShortOptionTakesItsValueAttachedOrNext) {
  CommandLine line;
  std::string error;
  ASSERT_TRUE(Parse({"-ubob", "history", "-d", "Main"}, &line, &error)) << error;
  EXPECT_EQ(line.options.Value("user"), "bob");
  EXPECT_EQ(line.options.Value("database"), "Main");
}

TEST(ArgumentsTest, Errors) {
  CommandLine line;
  std::string error;
  EXPECT_FALSE(Parse({"history", "--nope"}, &line, &error));
  EXPECT_EQ(error, "unknown option --nope");
  EXPECT_FALSE(Parse({"history", "--json=yes"}, &line, &error));
  EXPECT_EQ(error, "option --json takes no value");
  EXPECT_FALSE(Parse({"history", "--by"}, &line, &error));
  EXPECT_EQ(error, "option --by needs a value (USER)");
  EXPECT_FALSE(Parse({"frobnicate"}, &line, &error));
  EXPECT_EQ(error, "unknown command \"frobnicate\"");
  // A command's option is unknown before the command is named.
  EXPECT_FALSE(Parse({"--by", "ann", "history"}, &line, &error));
  EXPECT_FALSE(Parse({"history", "-Z"}, &line, &error));
  EXPECT_EQ(error, "unknown option -Z");
}

// A command option with the name of a global one would never be seen: the
// global option is found first.
TEST(ArgumentsTest, NoCommandOptionShadowsAGlobalOption) {
  std::set<std::string> global_long;
  std::set<char> global_short;
  for (const OptionSpec& spec : GlobalOptionSpecs()) {
    global_long.insert(spec.name);
    if (spec.short_name != 0) global_short.insert(spec.short_name);
  }
  std::set<std::string> names;
  for (const Command& command : ClientCommands()) {
    EXPECT_TRUE(names.insert(command.name).second) << command.name;
    for (const char* alias : command.aliases) EXPECT_TRUE(names.insert(alias).second) << alias;
    for (const OptionSpec& spec : command.options) {
      EXPECT_EQ(global_long.count(spec.name), 0u) << command.name << " --" << spec.name;
      if (spec.short_name != 0) {
        EXPECT_EQ(global_short.count(spec.short_name), 0u)
            << command.name << " -" << spec.short_name;
      }
    }
  }
}

TEST(ArgumentsTest, OptionListAlignsHelpAndContinuationLines) {
  const std::string text = FormatOptionList({{"eol", 0, "lf|crlf|cr", "First line.\nSecond line."},
                                             {"recursive", 'R', nullptr, "Deep."}});
  EXPECT_EQ(text,
            "      --eol lf|crlf|cr      First line.\n"
            "                            Second line.\n"
            "  -R, --recursive           Deep.\n");
}

}  // namespace
}  // namespace qorv::cli
