#include "cli/prompt_answers.h"

#include <cctype>

#include "cli/console.h"
#include "qorvsdk/enums.h"

namespace qorv::cli {
namespace {

struct Choice {
  char key;  // lower case; upper case applies the answer to all files
  const char* label;
  LONG value;
};

struct Question {
  PromptKind kind;
  const char* text;  // asked after the SDK's information text
  std::vector<Choice> choices;
  const char* options_hint;  // the options that answer it without asking
};

const std::vector<Question>& Questions() {
  static const std::vector<Question> kQuestions = {
      {PromptKind::kWritableFile,
       "The local copy is writable and differs from the server's version.",
       {{'r', "replace", Enum_WritableFileHandlingReplace},
        {'s', "skip", Enum_WritableFileHandlingSkip},
        {'m', "merge", Enum_WritableFileHandlingMerge},
        {'c', "cancel", Enum_WritableFileHandlingCanceled}},
       "--replace, --skip, --merge TOOL, --yes (replace) or --no (skip)"},
      {PromptKind::kCheckinUnchanged,
       "The file has not changed. Check it in anyway?",
       {{'c', "check in", Enum_CheckinUnchangedFileHandlingCheckin},
        {'u', "undo check out", Enum_CheckinUnchangedFileHandlingUndoCheckout},
        {'x', "cancel", Enum_CheckinUnchangedFileHandlingCanceled}},
       "--checkin-unchanged, --undo-unchanged, --yes (check in) or --no (undo check out)"},
      {PromptKind::kUndoChanged,
       "The local copy has changed. Undo the check out and lose the changes?",
       {{'u', "undo", Enum_UndoCheckOutChangedFileHandlingUndo},
        {'k', "keep checked out", Enum_UndoCheckOutChangedFileHandlingNotUndo},
        {'c', "cancel", Enum_UndoCheckOutChangedFileHandlingCancel}},
       "--discard-changes, --keep-changed, --yes (undo) or --no (keep checked out)"},
      {PromptKind::kDeletedCopy,
       "The project holds a deleted copy of this file. Recover it?",
       {{'r', "recover", Enum_AddFileDeletedCopyHandlingRecover},
        {'p', "purge and add", Enum_AddFileDeletedCopyHandlingPurge},
        {'c', "cancel", Enum_AddFileDeletedCopyHandlingCancel}},
       "--recover, --purge, --yes (recover) or --no (purge and add)"},
  };
  return kQuestions;
}

const Question& QuestionOf(PromptKind kind) {
  for (const Question& question : Questions()) {
    if (question.kind == kind) return question;
  }
  return Questions().front();
}

// One option's answer: the prompt it answers and the value.
struct AnswerOption {
  const char* name;
  PromptKind kind;
  LONG value;
};

constexpr AnswerOption kAnswerOptions[] = {
    {"replace", PromptKind::kWritableFile, Enum_WritableFileHandlingReplace},
    {"skip", PromptKind::kWritableFile, Enum_WritableFileHandlingSkip},
    {"merge", PromptKind::kWritableFile, Enum_WritableFileHandlingMerge},
    {"checkin-unchanged", PromptKind::kCheckinUnchanged, Enum_CheckinUnchangedFileHandlingCheckin},
    {"undo-unchanged", PromptKind::kCheckinUnchanged,
     Enum_CheckinUnchangedFileHandlingUndoCheckout},
    {"discard-changes", PromptKind::kUndoChanged, Enum_UndoCheckOutChangedFileHandlingUndo},
    {"keep-changed", PromptKind::kUndoChanged, Enum_UndoCheckOutChangedFileHandlingNotUndo},
    {"recover", PromptKind::kDeletedCopy, Enum_AddFileDeletedCopyHandlingRecover},
    {"purge", PromptKind::kDeletedCopy, Enum_AddFileDeletedCopyHandlingPurge},
};

// --yes and --no: the first choice of each question is its "yes", the
// second its "no".
LONG YesOrNo(PromptKind kind, bool yes) { return QuestionOf(kind).choices[yes ? 0 : 1].value; }

std::optional<LONG>* Slot(PromptAnswers* answers, PromptKind kind) {
  switch (kind) {
    case PromptKind::kWritableFile:
      return &answers->writable_file;
    case PromptKind::kCheckinUnchanged:
      return &answers->checkin_unchanged;
    case PromptKind::kUndoChanged:
      return &answers->undo_changed;
    case PromptKind::kDeletedCopy:
      return &answers->deleted_copy;
  }
  return &answers->writable_file;
}

constexpr PromptKind kAllKinds[] = {PromptKind::kWritableFile, PromptKind::kCheckinUnchanged,
                                    PromptKind::kUndoChanged, PromptKind::kDeletedCopy};

}  // namespace

std::optional<LONG> PromptAnswers::For(PromptKind kind) const {
  switch (kind) {
    case PromptKind::kWritableFile:
      return writable_file;
    case PromptKind::kCheckinUnchanged:
      return checkin_unchanged;
    case PromptKind::kUndoChanged:
      return undo_changed;
    case PromptKind::kDeletedCopy:
      return deleted_copy;
  }
  return std::nullopt;
}

const std::vector<OptionSpec>& PromptOptionSpecs() {
  static const std::vector<OptionSpec> kSpecs = {
      {"yes", 'y', nullptr, "Answer yes to every question (replace, check\nin, undo, recover)."},
      {"no", 0, nullptr,
       "Answer no to every question (skip, undo check\nout, keep checked out, purge and add)."},
      {"replace", 0, nullptr, "Replace writable local copies with the\nserver's version."},
      {"skip", 0, nullptr, "Leave writable local copies as they are."},
      {"merge", 0, "TOOL",
       "Merge the server's version into writable local\ncopies with the program TOOL."},
      {"checkin-unchanged", 0, nullptr, "Check in files that have not changed."},
      {"undo-unchanged", 0, nullptr, "Undo the check out of files that have not\nchanged."},
      {"discard-changes", 0, nullptr, "Undo check outs of changed files, losing the\nchanges."},
      {"keep-changed", 0, nullptr, "Keep changed files checked out when undoing."},
      {"recover", 0, nullptr, "Recover the deleted copy of a file being added."},
      {"purge", 0, nullptr, "Purge the deleted copy of a file being added,\nthen add it."},
  };
  return kSpecs;
}

std::vector<OptionSpec> PromptOptionSpecs(std::initializer_list<PromptKind> kinds) {
  std::vector<OptionSpec> specs;
  for (const OptionSpec& spec : PromptOptionSpecs()) {
    const std::string_view name = spec.name;
    bool wanted = name == "yes" || name == "no";
    for (const AnswerOption& option : kAnswerOptions) {
      if (name != option.name) continue;
      for (PromptKind kind : kinds) wanted = wanted || kind == option.kind;
    }
    if (wanted) specs.push_back(spec);
  }
  return specs;
}

bool ResolvePromptAnswers(const OptionValues& options, PromptAnswers* answers, std::string* error) {
  PromptAnswers result;
  std::string given[4];  // the option that answered each question
  const auto set = [&](PromptKind kind, LONG value, const std::string& option) {
    const int index = static_cast<int>(kind);
    std::optional<LONG>* slot = Slot(&result, kind);
    if (slot->has_value() && **slot != value) {
      *error = "options " + given[index] + " and " + option + " give two answers to one question";
      return false;
    }
    *slot = value;
    given[index] = option;
    return true;
  };
  for (const AnswerOption& option : kAnswerOptions) {
    if (options.Has(option.name) &&
        !set(option.kind, option.value, std::string("--") + option.name)) {
      return false;
    }
  }
  if (options.Has("yes") && options.Has("no")) {
    *error = "options --yes and --no exclude each other";
    return false;
  }
  for (const char* name : {"yes", "no"}) {
    if (!options.Has(name)) continue;
    for (PromptKind kind : kAllKinds) {
      // A specific answer wins over --yes/--no for its question.
      if (!Slot(&result, kind)->has_value()) *Slot(&result, kind) = YesOrNo(kind, name[0] == 'y');
    }
  }
  *answers = result;
  return true;
}

PromptReply AnswerPrompt(PromptKind kind, const std::string& information, bool three_way_merge,
                         const PromptAnswers& answers, bool interactive, Console& console,
                         const AnswerReader& read_answer) {
  const Question& question = QuestionOf(kind);
  if (std::optional<LONG> given = answers.For(kind)) return {*given, true};
  if (!interactive) {
    console.Error("no answer for the question \"" + information + "\": answering cancel (" +
                  question.options_hint + " answer it)");
    return {0, false};
  }
  std::string choices;
  for (const Choice& choice : question.choices) {
    if (!choices.empty()) choices += ", ";
    std::string label = choice.label;
    if (choice.value == Enum_WritableFileHandlingMerge && kind == PromptKind::kWritableFile) {
      label = three_way_merge ? "merge (three-way)" : "merge (two-way)";
    }
    choices += std::string("[") + choice.key + "] " + label;
  }
  for (;;) {
    console.Ask(information + "\n" + question.text + "\n" + choices +
                " (a capital letter: all files): ");
    std::string line;
    if (!read_answer(&line)) {
      console.Ask("\n");
      return {0, false};
    }
    const size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos) continue;
    const char typed = line[start];
    const char key = static_cast<char>(std::tolower(static_cast<unsigned char>(typed)));
    for (const Choice& choice : question.choices) {
      if (choice.key == key) return {choice.value, typed != key};
    }
  }
}

}  // namespace qorv::cli
