// The four questions the SDK may ask during an operation (its prompt
// events), the answers a script gives them in advance with options, and
// asking them on the terminal.
//
// Each question has a "yes" and a "no" answer, so --yes and --no answer all
// four; the specific options answer one. An answer given by option applies
// to every file of the operation.
#ifndef QORV_CLI_PROMPT_ANSWERS_H_
#define QORV_CLI_PROMPT_ANSWERS_H_

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "qorvsdk/comtypes.h"

namespace qorv::cli {

class Console;

enum class PromptKind {
  kWritableFile,      // PromptLeaveOrReplaceWriteableFile (get, check out)
  kCheckinUnchanged,  // PromptCheckinUnchangedFile (check in)
  kUndoChanged,       // PromptUndoCheckoutChangedFile (undo check out)
  kDeletedCopy,       // PromptRecoverOrPurgeDeletedCopy (add)
};

struct PromptAnswers {
  std::optional<LONG> writable_file;
  std::optional<LONG> checkin_unchanged;
  std::optional<LONG> undo_changed;
  std::optional<LONG> deleted_copy;

  std::optional<LONG> For(PromptKind kind) const;
};

// The options that answer the prompts: all of them.
const std::vector<OptionSpec>& PromptOptionSpecs();
// The options that answer the questions of `kinds`, with --yes and --no: the
// options of a command whose operation may ask them (and so only in that
// command's help and command line).
std::vector<OptionSpec> PromptOptionSpecs(std::initializer_list<PromptKind> kinds);

// Reads the prompt options. False with a message for two answers to one
// question (--replace with --skip, --yes with --no ...).
bool ResolvePromptAnswers(const OptionValues& options, PromptAnswers* answers, std::string* error);

struct PromptReply {
  LONG answer = 0;  // the value for the matching SetPrompt... method; 0 cancels
  bool apply_to_all = false;
};

// Reads one line of the user's answer; false at the end of input or on
// Ctrl-C.
using AnswerReader = std::function<bool(std::string* line)>;

// The answer to one prompt: the option's answer when one was given (for all
// files); else, when `interactive`, the user's answer to the question asked
// through the console (a capital letter applies it to all files); else
// cancel, with a notice that says which option would have answered.
PromptReply AnswerPrompt(PromptKind kind, const std::string& information, bool three_way_merge,
                         const PromptAnswers& answers, bool interactive, Console& console,
                         const AnswerReader& read_answer);

}  // namespace qorv::cli

#endif  // QORV_CLI_PROMPT_ANSWERS_H_
