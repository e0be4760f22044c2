// qorv add's arguments and options: where each local name goes on the
// server, what a folder needs, and the values the options take.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "cli/add_options.h"
#include "support/scoped_temp.h"

namespace qorv::cli {
namespace {

OptionValues Options(std::initializer_list<std::pair<const char*, const char*>> given) {
  OptionValues values;
  for (const auto& [name, value] : given) values.Add(name, value);
  return values;
}

class AddOptionsTest : public ::testing::Test {
 protected:
  AddOptionsTest() {
    std::filesystem::create_directories(folder_.Child("docs/img"));
    std::ofstream(folder_.Child("main.c")) << "int main;\n";
    std::ofstream(folder_.Child("docs/MAIN.C")) << "other\n";
  }

  Outcome Read(const OptionValues& options, std::vector<std::string> arguments) {
    return ReadAddSettings(options, arguments, &settings_);
  }

  testing::ScopedTempFolder folder_;
  AddSettings settings_;
};

TEST_F(AddOptionsTest, FilesAndFoldersGoUnderTheProjectByTheirOwnNames) {
  ASSERT_TRUE(Read(Options({{"recursive", ""}, {"type", "text"}, {"writable", ""}}),
                   {folder_.Child("main.c"), folder_.Child("docs/img") + "/", "Game/"})
                  .ok());
  EXPECT_EQ(settings_.project, "$/Game");
  ASSERT_EQ(settings_.files.size(), 1u);
  EXPECT_EQ(settings_.files[0].local, folder_.Child("main.c"));
  EXPECT_EQ(settings_.files[0].path, "$/Game/main.c");
  ASSERT_EQ(settings_.folders.size(), 1u);
  EXPECT_EQ(settings_.folders[0].local, folder_.Child("docs/img"));
  EXPECT_EQ(settings_.folders[0].path, "$/Game/img");
  EXPECT_EQ(settings_.file_type, Enum_Text);
  EXPECT_FALSE(settings_.read_only);

  // The root joins without a doubled "/"; the defaults.
  ASSERT_TRUE(Read(Options({}), {folder_.Child("main.c"), "$/"}).ok());
  EXPECT_EQ(settings_.files[0].path, "$/main.c");
  EXPECT_EQ(settings_.file_type, Enum_Autodetect);
  EXPECT_TRUE(settings_.read_only);
  EXPECT_FALSE(settings_.latest_only);
}

TEST_F(AddOptionsTest, WhatCannotBeAddedFailsBeforeAnythingConnects) {
  Outcome outcome = Read(Options({}), {folder_.Child("docs"), "Game"});
  EXPECT_TRUE(outcome.usage_error);
  EXPECT_EQ(outcome.description, "add: " + folder_.Child("docs") + " is a folder; add it with -r");

  // Two names the server takes for one (it ignores ASCII letter case).
  outcome = Read(Options({}), {folder_.Child("main.c"), folder_.Child("docs/MAIN.C"), "Game"});
  EXPECT_TRUE(outcome.usage_error);
  EXPECT_EQ(outcome.description, "add: two of the local names given would become $/Game/MAIN.C");

  outcome = Read(Options({}), {folder_.Child("gone.c"), "Game"});
  EXPECT_FALSE(outcome.usage_error);
  EXPECT_EQ(outcome.exit_class.value_or(ExitClass::kSuccess), ExitClass::kLocalFile);
  EXPECT_NE(outcome.description.find("No such file or directory"), std::string::npos)
      << outcome.description;

  for (const char* local : {"", "-"}) {
    EXPECT_TRUE(Read(Options({}), {local, "Game"}).usage_error) << local;
  }
  outcome = Read(Options({{"type", "Binary"}}), {folder_.Child("main.c"), "Game"});
  EXPECT_EQ(outcome.description, "--type \"Binary\" is not auto, binary or text");
  outcome = Read(Options({{"eol", "unix"}}), {folder_.Child("main.c"), "Game"});
  EXPECT_TRUE(outcome.usage_error);
}

TEST_F(AddOptionsTest, TheDeletedCopyQuestionIsAnsweredByAddsOwnOptions) {
  std::set<std::string> names;
  for (const OptionSpec& spec : AddOptionSpecs()) {
    EXPECT_TRUE(names.insert(spec.name).second) << "twice: " << spec.name;
  }
  for (const char* name : {"recover", "purge", "yes", "no", "recursive", "type", "writable"}) {
    EXPECT_TRUE(names.count(name)) << name;
  }
  for (const char* name : {"replace", "skip", "checkin-unchanged", "merge"}) {
    EXPECT_FALSE(names.count(name)) << name;
  }
}

}  // namespace
}  // namespace qorv::cli
