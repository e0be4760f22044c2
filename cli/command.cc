#include "cli/command.h"

#include "cli/sdk_session.h"

namespace qorv::cli {

bool Command::Answers(std::string_view word) const {
  if (word == name) return true;
  for (const char* alias : aliases) {
    if (word == alias) return true;
  }
  return false;
}

IQORVSDK* CommandContext::sdk() const { return session_ == nullptr ? nullptr : session_->sdk(); }

const Command* FindCommand(const std::vector<Command>& commands, std::string_view word) {
  for (const Command& command : commands) {
    if (command.Answers(word)) return &command;
  }
  return nullptr;
}

}  // namespace qorv::cli
