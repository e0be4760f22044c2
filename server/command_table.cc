#include "server/command_table.h"

#include <array>

#include "server/command_handlers.h"

namespace qorv::server {
namespace {

constexpr bool kSession = true;
constexpr bool kNoSession = false;
constexpr bool kChanges = true;
constexpr bool kQuery = false;

constexpr CommandEntry kCommands[] = {
    {1, kNoSession, kQuery, HandlePlainLogin},
    {2, kSession, kQuery, HandleCheckoutHolders},
    {3, kSession, kQuery, HandleListContents},
    {4, kSession, kChanges, HandleCreateProjects},
    {5, kSession, kChanges, HandleDeleteItems},
    {6, kSession, kChanges, HandleRenameItem},
    {7, kSession, kChanges, HandleRecoverItems},
    {8, kSession, kChanges, HandleShareFile},
    {9, kSession, kChanges, HandleShareProject},
    {16, kSession, kChanges, HandlePinFile},
    {17, kSession, kChanges, HandleUnpinFile},
    {18, kSession, kChanges, HandleBranchItem},
    {19, kSession, kChanges, HandleMoveItem},
    // A read-only user may change the own password.
    {20, kSession, kQuery, HandleSetPassword},
    {21, kSession, kQuery, HandleLabels},
    {22, kSession, kQuery, HandleFileLinks},
    {23, kSession, kQuery, HandleFileInfo},
    {24, kSession, kQuery, HandleProjectInfo},
    {25, kSession, kQuery, HandleDeletedItems},
    {32, kSession, kChanges, HandlePurgeItems, PurgeWholeFailure},
    {33, kSession, kChanges, HandleLabelItem},
    {34, kSession, kQuery, HandleFileHistory},
    {35, kSession, kQuery, HandleProjectHistory},
    {37, kSession, kQuery, HandleListUsers},
    {43, kSession, kChanges, HandleUndoCheckout},
    {44, kNoSession, kQuery, HandleDatabaseAliases},
    {48, kSession, kChanges, HandleSetLatestOnly},
    {49, kNoSession, kQuery, HandleKeyedLogin},
    {51, kSession, kQuery, HandleFileExists},
    {52, kSession, kQuery, HandleProjectExists},
    {53, kSession, kQuery, HandleItemKinds},
    {54, kSession, kQuery, HandleFileCount},
    {55, kSession, kQuery, HandleListWithDates},
    {56, kSession, kQuery, HandleListSince},
    {59, kSession, kQuery, HandleProjectFileList},
    {60, kSession, kQuery, HandleVersionAtLabel},
    {66, kSession, kQuery, HandleAddCheck},
    {67, kSession, kQuery, HandleFileStatus},
    {68, kSession, kQuery, HandleCheckoutState},
    {70, kSession, kQuery, HandleListingAtVersion},
    {71, kSession, kQuery, HandleListingAtDate},
    {82, kNoSession, kQuery, HandlePing},
    {112, kSession, kQuery, HandleLabelDate},
};

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
