// The options of qorv get: what excludes what, the values each takes, the
// merge template check and where each path goes.
#include <gtest/gtest.h>

#include <unistd.h>

#include "cli/get_options.h"

namespace qorv::cli {
namespace {

OptionValues Options(std::initializer_list<std::pair<const char*, const char*>> given) {
  OptionValues values;
  for (const auto& [name, value] : given) values.Add(name, value);
  return values;
}

std::string UsageError(const OptionValues& options, size_t paths = 1) {
  GetSettings settings;
  const Outcome outcome = ReadGetSettings(options, paths, &settings);
  return outcome.usage_error ? outcome.description : "(no usage error)";
}

TEST(GetOptionsTest, OptionsThatExcludeEachOtherOrNeedAnotherAreUsageErrors) {
  EXPECT_EQ(UsageError(Options({{"label", "r1"}, {"project-version", "2"}})),
            "options --label and --project-version exclude each other");
  EXPECT_EQ(UsageError(Options({{"old-version", "2"}, {"recursive", ""}})),
            "options --old-version and --recursive exclude each other");
  EXPECT_EQ(UsageError(Options({{"recursive", ""}, {"file", ""}})),
            "options --recursive and --file exclude each other");
  EXPECT_EQ(UsageError(Options({{"label", "r1"}, {"file", ""}})),
            "options --label and --file exclude each other");
  EXPECT_EQ(UsageError(Options({{"project", ""}, {"file", ""}})),
            "options --project and --file exclude each other");
  EXPECT_EQ(UsageError(Options({{"merge-args", "\"%BASE_FILE%\""}})),
            "--merge-args needs --merge TOOL, the program it is given to");
  // The modes that get one item take one path.
  EXPECT_EQ(UsageError(Options({{"old-version", "1"}}), 2),
            "get: --old-version gets one FILE, not 2 paths");
  EXPECT_EQ(UsageError(Options({{"label", "r1"}}), 3),
            "get: --label gets one PROJECT, not 3 paths");
  EXPECT_EQ(UsageError(Options({{"recursive", ""}}), 3), "(no usage error)");
}

TEST(GetOptionsTest, BadValuesAreUsageErrorsAndGoodOnesBecomeTheSdkValues) {
  for (const char* eol : {"dos", "LF", ""}) {
    EXPECT_NE(UsageError(Options({{"eol", eol}})).find("is not cr, lf or crlf"), std::string::npos)
        << eol;
  }
  EXPECT_EQ(UsageError(Options({{"file-time", "now"}})),
            "--file-time \"now\" is not current, modification or checkin");
  for (const char* version : {"0", "-1", "1x", " 2", "1234567890", ""}) {
    EXPECT_EQ(
        UsageError(Options({{"project-version", version}})),
        std::string("--project-version \"") + version + "\" is not a version number (1 or more)");
    EXPECT_NE(UsageError(Options({{"old-version", version}})), "(no usage error)") << version;
  }
  EXPECT_EQ(UsageError(Options({{"label", ""}})), "--label needs the name of a label");

  GetSettings settings;
  ASSERT_TRUE(ReadGetSettings(Options({}), 1, &settings).ok());
  EXPECT_EQ(settings.mode, GetMode::kLatest);
  EXPECT_EQ(settings.eol, Enum_LF);
  EXPECT_EQ(settings.file_time, Enum_SetLocalFileTimeCurrent);
  EXPECT_FALSE(settings.make_writable);
  EXPECT_EQ(settings.merge_args, kDefaultMergeArgs);
  char current[4096];
  ASSERT_NE(getcwd(current, sizeof current), nullptr);
  EXPECT_EQ(settings.local_folder, current);

  ASSERT_TRUE(ReadGetSettings(Options({{"eol", "crlf"},
                                       {"file-time", "checkin"},
                                       {"project-version", "12"},
                                       {"writable", ""},
                                       {"dir", "work/./game/"}}),
                              1, &settings)
                  .ok());
  EXPECT_EQ(settings.eol, Enum_CRLF);
  EXPECT_EQ(settings.file_time, Enum_SetLocalFileTimeCheckIn);
  EXPECT_EQ(settings.mode, GetMode::kVersion);
  EXPECT_EQ(settings.version, 12);
  EXPECT_TRUE(settings.make_writable);
  EXPECT_EQ(settings.local_folder, std::string(current) + "/work/game");
  ASSERT_TRUE(
      ReadGetSettings(Options({{"eol", "cr"}, {"file-time", "modification"}}), 1, &settings).ok());
  EXPECT_EQ(settings.eol, Enum_CR);
  EXPECT_EQ(settings.file_time, Enum_SetLocalFileTimeModification);
}

// The SDK starts the merge program by its path: a name is looked up as a
// shell would, and one that cannot be run fails before anything connects.
TEST(GetOptionsTest, MergeProgramIsFoundAndItsTemplateChecked) {
  GetSettings settings;
  ASSERT_TRUE(ReadGetSettings(Options({{"merge", "sh"}}), 1, &settings).ok());
  EXPECT_EQ(settings.merge_tool.front(), '/');
  EXPECT_EQ(settings.merge_tool.substr(settings.merge_tool.size() - 3), "/sh");
  const Outcome missing =
      ReadGetSettings(Options({{"merge", "no-such-merge-program"}}), 1, &settings);
  EXPECT_EQ(ClassifyOutcome(missing), ExitClass::kLocalFile);
  EXPECT_EQ(missing.description,
            "get: the merge program no-such-merge-program cannot be run: it is in no folder of "
            "PATH");
  EXPECT_EQ(ClassifyOutcome(ReadGetSettings(Options({{"merge", "/"}}), 1, &settings)),
            ExitClass::kLocalFile);

  EXPECT_EQ(MergeArgsProblem(kDefaultMergeArgs), "");
  EXPECT_EQ(MergeArgsProblem(R"(-L "%FIRST_LABEL%" \"quoted\" --width=50% %d% %RESULT_FILE%)"), "");
  EXPECT_EQ(MergeArgsProblem(R"("%BASE_FILE% %RESULT_FILE%)"), "a double quote is not closed");
  EXPECT_EQ(MergeArgsProblem(R"("%BASE_FILE%\")"), "a double quote is not closed");
  EXPECT_EQ(MergeArgsProblem("%BASE% %RESULT_FILE%").rfind("%BASE% is no placeholder", 0), 0u);
  EXPECT_NE(UsageError(Options({{"merge", "sh"}, {"merge-args", "%THEIR_FILE%"}}))
                .find("%THEIR_FILE% is no placeholder"),
            std::string::npos);
}

TEST(GetOptionsTest, EachPathGoesIntoTheFolderUnderItsOwnName) {
  EXPECT_EQ(LocalTarget("/w", "$/Game/src/main.c"), "/w/main.c");
  EXPECT_EQ(LocalTarget("/w", "Game/"), "/w/Game");
  EXPECT_EQ(LocalTarget("/w", "$/"), "/w");
  EXPECT_EQ(LocalTarget("/", "Tools"), "/Tools");
  EXPECT_TRUE(CheckDistinctTargets("/w", {"Game/src/main.c", "$/Game/README.txt", "Game"}).ok());
  const Outcome same = CheckDistinctTargets("/w", {"Game/src/util.c", "$/Tools/util.c"});
  EXPECT_TRUE(same.usage_error);
  EXPECT_EQ(same.description,
            "get: $/Game/src/util.c and $/Tools/util.c would both go to /w/util.c; get them "
            "with separate --dir folders");
  EXPECT_TRUE(CheckDistinctTargets("/w", {"Game", "/Game/"}).usage_error);
}

}  // namespace
}  // namespace qorv::cli
