// Answers to the SDK's questions: from options, asked on the terminal, or
// canceled when nobody can answer.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/console.h"
#include "cli/prompt_answers.h"
#include "qorvsdk/enums.h"

namespace qorv::cli {
namespace {

OptionValues Switches(std::initializer_list<const char*> names) {
  OptionValues values;
  for (const char* name : names) values.Add(name, "");
  return values;
}

TEST(PromptAnswersTest, YesAndNoAnswerEveryQuestionAndSpecificOptionsWin) {
  PromptAnswers answers;
  std::string error;
  ASSERT_TRUE(ResolvePromptAnswers(Switches({"yes", "skip"}), &answers, &error)) << error;
  EXPECT_EQ(answers.writable_file, Enum_WritableFileHandlingSkip);
  EXPECT_EQ(answers.checkin_unchanged, Enum_CheckinUnchangedFileHandlingCheckin);
  EXPECT_EQ(answers.undo_changed, Enum_UndoCheckOutChangedFileHandlingUndo);
  EXPECT_EQ(answers.deleted_copy, Enum_AddFileDeletedCopyHandlingRecover);

  ASSERT_TRUE(ResolvePromptAnswers(Switches({"no"}), &answers, &error)) << error;
  EXPECT_EQ(answers.writable_file, Enum_WritableFileHandlingSkip);
  EXPECT_EQ(answers.checkin_unchanged, Enum_CheckinUnchangedFileHandlingUndoCheckout);
  EXPECT_EQ(answers.undo_changed, Enum_UndoCheckOutChangedFileHandlingNotUndo);
  EXPECT_EQ(answers.deleted_copy, Enum_AddFileDeletedCopyHandlingPurge);

  ASSERT_TRUE(ResolvePromptAnswers(Switches({"merge", "purge"}), &answers, &error)) << error;
  EXPECT_EQ(answers.writable_file, Enum_WritableFileHandlingMerge);
  EXPECT_EQ(answers.deleted_copy, Enum_AddFileDeletedCopyHandlingPurge);
  EXPECT_FALSE(answers.checkin_unchanged.has_value());
}

TEST(PromptAnswersTest, TwoAnswersToOneQuestionAreRefused) {
  PromptAnswers answers;
  std::string error;
  EXPECT_FALSE(ResolvePromptAnswers(Switches({"replace", "skip"}), &answers, &error));
  EXPECT_EQ(error, "options --replace and --skip give two answers to one question");
  EXPECT_FALSE(ResolvePromptAnswers(Switches({"yes", "no"}), &answers, &error));
  EXPECT_FALSE(ResolvePromptAnswers(Switches({"recover", "purge"}), &answers, &error));
}

class AnswerPromptTest : public ::testing::Test {
 protected:
  std::ostringstream out_, err_;
  Console console_{ConsoleSettings{}, out_, err_};
};

TEST_F(AnswerPromptTest, OptionAnswerAppliesToAllWithoutAsking) {
  PromptAnswers answers;
  answers.writable_file = Enum_WritableFileHandlingReplace;
  bool asked = false;
  const PromptReply reply =
      AnswerPrompt(PromptKind::kWritableFile, "a.txt is writable", false, answers, true, console_,
                   [&](std::string*) { return asked = true; });
  EXPECT_EQ(reply.answer, Enum_WritableFileHandlingReplace);
  EXPECT_TRUE(reply.apply_to_all);
  EXPECT_FALSE(asked);
}

TEST_F(AnswerPromptTest, WithoutTerminalAndAnswerItCancelsAndSaysSo) {
  const PromptReply reply =
      AnswerPrompt(PromptKind::kCheckinUnchanged, "b.c unchanged", false, PromptAnswers(), false,
                   console_, [](std::string*) { return false; });
  EXPECT_EQ(reply.answer, 0);
  EXPECT_FALSE(reply.apply_to_all);
  EXPECT_NE(err_.str().find("answering cancel"), std::string::npos) << err_.str();
  EXPECT_NE(err_.str().find("--checkin-unchanged"), std::string::npos) << err_.str();
}

TEST_F(AnswerPromptTest, InteractiveAnswersAskAgainOnNonsenseAndCapitalsApplyToAll) {
  std::vector<std::string> typed = {"", "zz", " k"};
  size_t next = 0;
  const auto reader = [&](std::string* line) {
    if (next == typed.size()) return false;
    *line = typed[next++];
    return true;
  };
  PromptReply reply = AnswerPrompt(PromptKind::kUndoChanged, "c.c changed", false, PromptAnswers(),
                                   true, console_, reader);
  EXPECT_EQ(reply.answer, Enum_UndoCheckOutChangedFileHandlingNotUndo);
  EXPECT_FALSE(reply.apply_to_all);
  EXPECT_EQ(next, 3u);
  EXPECT_NE(err_.str().find("c.c changed"), std::string::npos);

  typed = {"M"};
  next = 0;
  reply =
      AnswerPrompt(PromptKind::kWritableFile, "d.c", true, PromptAnswers(), true, console_, reader);
  EXPECT_EQ(reply.answer, Enum_WritableFileHandlingMerge);
  EXPECT_TRUE(reply.apply_to_all);
  EXPECT_NE(err_.str().find("merge (three-way)"), std::string::npos);

  // The end of input (or Ctrl-C) while asking cancels.
  typed = {};
  next = 0;
  reply =
      AnswerPrompt(PromptKind::kDeletedCopy, "e.c", false, PromptAnswers(), true, console_, reader);
  EXPECT_EQ(reply.answer, Enum_AddFileDeletedCopyHandlingCancel);
}

}  // namespace
}  // namespace qorv::cli
