// The options of qorv checkout, undo and checkin: which each command has,
// what excludes what, the values they take and the SDK values they become.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "cli/checkinout_options.h"

namespace qorv::cli {
namespace {

OptionValues Options(std::initializer_list<std::pair<const char*, const char*>> given) {
  OptionValues values;
  for (const auto& [name, value] : given) values.Add(name, value);
  return values;
}

std::string UsageError(CheckOperation operation, const OptionValues& options) {
  CheckSettings settings;
  const Outcome outcome = ReadCheckSettings(operation, options, &settings);
  return outcome.usage_error ? outcome.description : "(no usage error)";
}

std::set<std::string> Names(CheckOperation operation) {
  std::set<std::string> names;
  for (const OptionSpec& spec : CheckOptionSpecs(operation)) {
    EXPECT_TRUE(names.insert(spec.name).second) << "twice: " << spec.name;
  }
  return names;
}

// Each command answers only the question its operation asks; the checkout
// takes no merge program, which the SDK would not run there.
TEST(CheckinoutOptionsTest, EachCommandHasTheAnswersOfItsOwnQuestion) {
  const std::set<std::string> checkout = Names(CheckOperation::kCheckout);
  const std::set<std::string> undo = Names(CheckOperation::kUndo);
  const std::set<std::string> checkin = Names(CheckOperation::kCheckin);
  for (const char* name : {"replace", "skip", "yes", "no", "no-copy", "comment"}) {
    EXPECT_TRUE(checkout.count(name)) << name;
  }
  for (const char* name : {"merge", "local", "writable", "discard-changes", "checkin-unchanged"}) {
    EXPECT_FALSE(checkout.count(name)) << name;
  }
  for (const char* name : {"local", "writable", "discard-changes", "keep-changed", "yes"}) {
    EXPECT_TRUE(undo.count(name)) << name;
  }
  for (const char* name : {"replace", "comment", "merge", "undo-unchanged"}) {
    EXPECT_FALSE(undo.count(name)) << name;
  }
  for (const char* name : {"checkin-unchanged", "undo-unchanged", "merge", "merge-args", "keep",
                           "remove-local", "writable", "comment"}) {
    EXPECT_TRUE(checkin.count(name)) << name;
  }
  for (const char* name : {"skip", "replace", "local", "no-copy", "keep-changed"}) {
    EXPECT_FALSE(checkin.count(name)) << name;
  }
}

TEST(CheckinoutOptionsTest, ConflictsAndBadValuesAreUsageErrors) {
  EXPECT_EQ(UsageError(CheckOperation::kCheckin, Options({{"keep", ""}, {"remove-local", ""}})),
            "options --keep and --remove-local exclude each other");
  EXPECT_EQ(UsageError(CheckOperation::kUndo, Options({{"recursive", ""}, {"file", ""}})),
            "options --recursive and --file exclude each other");
  EXPECT_EQ(UsageError(CheckOperation::kCheckout, Options({{"project", ""}, {"file", ""}})),
            "options --project and --file exclude each other");
  for (const char* value : {"keep", "Replace", ""}) {
    EXPECT_EQ(UsageError(CheckOperation::kUndo, Options({{"local", value}})),
              std::string("--local \"") + value + "\" is not leave, replace or delete");
  }
  EXPECT_EQ(UsageError(CheckOperation::kCheckout, Options({{"eol", "dos"}})),
            "--eol \"dos\" is not cr, lf or crlf");
  EXPECT_EQ(UsageError(CheckOperation::kUndo, Options({{"file-time", "now"}})),
            "--file-time \"now\" is not current, modification or checkin");
  EXPECT_EQ(UsageError(CheckOperation::kCheckin, Options({{"dir", ""}})),
            "--dir needs the name of a local folder");
  EXPECT_EQ(UsageError(CheckOperation::kCheckin, Options({{"merge-args", "%BASE_FILE%"}})),
            "--merge-args needs --merge TOOL, the program it is given to");

  CheckSettings settings;
  const Outcome missing = ReadCheckSettings(
      CheckOperation::kCheckin, Options({{"merge", "no-such-merge-program"}}), &settings);
  EXPECT_EQ(ClassifyOutcome(missing), ExitClass::kLocalFile);
  EXPECT_EQ(missing.description.rfind("checkin: the merge program no-such-merge-program", 0), 0u)
      << missing.description;
}

TEST(CheckinoutOptionsTest, DefaultsAndGivenValuesBecomeTheSdkArguments) {
  CheckSettings settings;
  ASSERT_TRUE(ReadCheckSettings(CheckOperation::kUndo, Options({}), &settings).ok());
  EXPECT_EQ(settings.local, Enum_UndoCheckOutLocalFileHandlingLeave);
  EXPECT_TRUE(settings.read_only) << "files no longer checked out are read-only by default";
  EXPECT_EQ(settings.eol, Enum_LF);
  EXPECT_FALSE(settings.recursive);

  ASSERT_TRUE(ReadCheckSettings(CheckOperation::kUndo,
                                Options({{"local", "delete"}, {"writable", ""}, {"recursive", ""}}),
                                &settings)
                  .ok());
  EXPECT_EQ(settings.local, Enum_UndoCheckOutLocalFileHandlingDelete);
  EXPECT_FALSE(settings.read_only);
  EXPECT_TRUE(settings.recursive);
  ASSERT_TRUE(
      ReadCheckSettings(CheckOperation::kUndo, Options({{"local", "replace"}}), &settings).ok());
  EXPECT_EQ(settings.local, Enum_UndoCheckOutLocalFileHandlingReplace);

  ASSERT_TRUE(ReadCheckSettings(CheckOperation::kCheckin,
                                Options({{"comment", "Fixes the loop"},
                                         {"keep", ""},
                                         {"merge", "sh"},
                                         {"file-time", "modification"},
                                         {"dir", "/w/./x/"}}),
                                &settings)
                  .ok());
  EXPECT_EQ(settings.comment, "Fixes the loop");
  EXPECT_TRUE(settings.keep);
  EXPECT_FALSE(settings.remove_local);
  EXPECT_EQ(settings.merge_tool.substr(settings.merge_tool.size() - 3), "/sh");
  EXPECT_EQ(settings.merge_args, kDefaultMergeArgs);
  EXPECT_EQ(settings.file_time, Enum_SetLocalFileTimeModification);
  EXPECT_EQ(settings.local_folder, "/w/x");

  ASSERT_TRUE(ReadCheckSettings(CheckOperation::kCheckout,
                                Options({{"no-copy", ""}, {"eol", "crlf"}}), &settings)
                  .ok());
  EXPECT_TRUE(settings.no_copy);
  EXPECT_EQ(settings.eol, Enum_CRLF);
  EXPECT_TRUE(settings.comment.empty());
}

}  // namespace
}  // namespace qorv::cli
