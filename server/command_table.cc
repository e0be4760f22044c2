#include "server/command_table.h"

#include <array>
#include <cstddef>
#include <iterator>

#include "net/command_list.h"
#include "server/command_handlers.h"

namespace qorv::server {
namespace {

// The code of a command of the protocol's command list, by its name there.
constexpr uint8_t Code(CommandCode code) { return static_cast<uint8_t>(code); }

constexpr bool kSession = true;
constexpr bool kNoSession = false;
constexpr bool kChanges = true;
constexpr bool kQuery = false;

constexpr CommandEntry kCommands[] = {
    {Code(CommandCode::kPlainLogin), kNoSession, kQuery, HandlePlainLogin},
    {Code(CommandCode::kCheckOutHolders), kSession, kQuery, HandleCheckoutHolders},
    {Code(CommandCode::kProjectContents), kSession, kQuery, HandleListContents},
    {Code(CommandCode::kCreateProjects), kSession, kChanges, HandleCreateProjects},
    {Code(CommandCode::kDeleteItems), kSession, kChanges, HandleDeleteItems},
    {Code(CommandCode::kRenameItem), kSession, kChanges, HandleRenameItem},
    {Code(CommandCode::kRecoverItems), kSession, kChanges, HandleRecoverItems},
    {Code(CommandCode::kShareFile), kSession, kChanges, HandleShareFile},
    {Code(CommandCode::kShareProject), kSession, kChanges, HandleShareProject},
    {Code(CommandCode::kPinFile), kSession, kChanges, HandlePinFile},
    {Code(CommandCode::kUnpinFile), kSession, kChanges, HandleUnpinFile},
    {Code(CommandCode::kBranchItem), kSession, kChanges, HandleBranchItem},
    {Code(CommandCode::kMoveItem), kSession, kChanges, HandleMoveItem},
    // A read-only user may change the own password.
    {Code(CommandCode::kSetPassword), kSession, kQuery, HandleSetPassword},
    {Code(CommandCode::kItemLabels), kSession, kQuery, HandleLabels},
    {Code(CommandCode::kFileLinks), kSession, kQuery, HandleFileLinks},
    {Code(CommandCode::kFileGeneralInfo), kSession, kQuery, HandleFileInfo},
    {Code(CommandCode::kProjectGeneralInfo), kSession, kQuery, HandleProjectInfo},
    {Code(CommandCode::kDeletedItems), kSession, kQuery, HandleDeletedItems},
    {Code(CommandCode::kPurgeItems), kSession, kChanges, HandlePurgeItems, PurgeWholeFailure},
    {Code(CommandCode::kLabelItem), kSession, kChanges, HandleLabelItem},
    {Code(CommandCode::kFileHistory), kSession, kQuery, HandleFileHistory},
    {Code(CommandCode::kProjectHistory), kSession, kQuery, HandleProjectHistory},
    {Code(CommandCode::kUsers), kSession, kQuery, HandleListUsers},
    {Code(CommandCode::kGetFiles), kSession, kQuery, HandleGetFiles},
    {Code(CommandCode::kAddFiles), kSession, kChanges, HandleAddFiles},
    {Code(CommandCode::kCheckOutUnconfirmed), kSession, kChanges,
     HandleCheckOutNoConfirmationReply},
    {Code(CommandCode::kUndoCheckOut), kSession, kChanges, HandleUndoCheckout},
    {Code(CommandCode::kDatabaseAliases), kNoSession, kQuery, HandleDatabaseAliases},
    {Code(CommandCode::kSetKeepLatestOnly), kSession, kChanges, HandleSetLatestOnly},
    {Code(CommandCode::kKeyedLogin), kNoSession, kQuery, HandleKeyedLogin},
    {Code(CommandCode::kFileExists), kSession, kQuery, HandleFileExists},
    {Code(CommandCode::kProjectExists), kSession, kQuery, HandleProjectExists},
    {Code(CommandCode::kItemKinds), kSession, kQuery, HandleItemKinds},
    {Code(CommandCode::kFileCount), kSession, kQuery, HandleFileCount},
    {Code(CommandCode::kListWithDates), kSession, kQuery, HandleListWithDates},
    {Code(CommandCode::kListSince), kSession, kQuery, HandleListSince},
    {Code(CommandCode::kProjectFileList), kSession, kQuery, HandleProjectFileList},
    {Code(CommandCode::kVersionAtLabel), kSession, kQuery, HandleVersionAtLabel},
    {Code(CommandCode::kGetFilesAtVersion), kSession, kQuery, HandleGetAtVersion},
    {Code(CommandCode::kGetFilesAtDate), kSession, kQuery, HandleGetAtDate},
    {Code(CommandCode::kAddCheck), kSession, kQuery, HandleAddCheck},
    {Code(CommandCode::kFileStatus), kSession, kQuery, HandleFileStatus},
    {Code(CommandCode::kCheckOutState), kSession, kQuery, HandleCheckoutState},
    {Code(CommandCode::kProjectAtVersion), kSession, kQuery, HandleListingAtVersion},
    {Code(CommandCode::kProjectAtDate), kSession, kQuery, HandleListingAtDate},
    {Code(CommandCode::kCheckOut), kSession, kChanges, HandleCheckOut},
    {Code(CommandCode::kCheckInBegin), kSession, kChanges, HandleCheckInOpen},
    {Code(CommandCode::kCheckInCommit), kSession, kChanges, HandleCheckInCommit},
    {Code(CommandCode::kKeepAlivePing), kNoSession, kQuery, HandlePing},
    {Code(CommandCode::kLabelDate), kSession, kQuery, HandleLabelDate},
};

// Every entry answers a message of the client's main connection, once.
constexpr bool EveryEntryIsAMainConnectionCommandOnce() {
  for (size_t i = 0; i < std::size(kCommands); ++i) {
    if (RouteOfCode(kCommands[i].code) != CommandRoute::kMain) return false;
    for (size_t j = 0; j < i; ++j) {
      if (kCommands[j].code == kCommands[i].code) return false;
    }
  }
  return true;
}
static_assert(EveryEntryIsAMainConnectionCommandOnce(),
              "the server's table names a code that is not a main-connection command of "
              "net/command_list.h, or names one twice");

// Every code's entry (or null), built once from the list above.
struct CommandIndex {
  std::array<const CommandEntry*, 256> by_code{};
  CommandIndex() {
    for (const CommandEntry& entry : kCommands) by_code[entry.code] = &entry;
  }
};

}  // namespace

const CommandEntry* FindCommand(uint8_t code) {
  static const CommandIndex index;
  return index.by_code[code];
}

}  // namespace qorv::server
