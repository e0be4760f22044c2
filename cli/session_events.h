// What the client does with each SDK event: the percent done becomes the
// progress bar, a batch of report lines is written at once, and each prompt
// is answered from the options or by asking the user.
#ifndef QORV_CLI_SESSION_EVENTS_H_
#define QORV_CLI_SESSION_EVENTS_H_

#include "cli/prompt_answers.h"
#include "qorvsdk/sdk.h"

namespace qorv::cli {

class Console;

class SessionEvents {
 public:
  // `interactive`: prompts may be asked on the terminal, answers read with
  // `read_answer`.
  SessionEvents(Console& console, const PromptAnswers& answers, bool interactive,
                AnswerReader read_answer)
      : console_(console),
        answers_(answers),
        interactive_(interactive),
        read_answer_(std::move(read_answer)) {}

  // Handles one event of `sdk`, on the thread that owns it.
  void Handle(IQORVSDK* sdk, DISPID event);

 private:
  void ShowReportLines(IQORVSDK* sdk);
  void Answer(IQORVSDK* sdk, DISPID event);

  Console& console_;
  const PromptAnswers& answers_;
  bool interactive_;
  AnswerReader read_answer_;
};

}  // namespace qorv::cli

#endif  // QORV_CLI_SESSION_EVENTS_H_
