// The client's command structs by command code, for the targets that decode
// replies: ForCommand(code, visit) calls visit.template operator()<Command>()
// with the struct of that code.
#ifndef QORV_FUZZ_COMMAND_CATALOGUE_H_
#define QORV_FUZZ_COMMAND_CATALOGUE_H_

#include <cstdint>

#include "protocol/protocol_client.h"

namespace qorv::fuzz {

// False for a code without a command struct (nothing is called then).
template <class Visit>
bool ForCommand(uint8_t code, Visit&& visit) {
#define QORV_FUZZ_COMMAND(name)                 \
  case CommandCode::k##name:                    \
    visit.template operator()<name##Command>(); \
    return true;
  switch (static_cast<CommandCode>(code)) {
    QORV_FUZZ_COMMAND(PlainLogin)
    QORV_FUZZ_COMMAND(CheckOutHolders)
    QORV_FUZZ_COMMAND(ProjectContents)
    QORV_FUZZ_COMMAND(CreateProjects)
    QORV_FUZZ_COMMAND(DeleteItems)
    QORV_FUZZ_COMMAND(RenameItem)
    QORV_FUZZ_COMMAND(RecoverItems)
    QORV_FUZZ_COMMAND(ShareFile)
    QORV_FUZZ_COMMAND(ShareProject)
    QORV_FUZZ_COMMAND(PinFile)
    QORV_FUZZ_COMMAND(UnpinFile)
    QORV_FUZZ_COMMAND(BranchItem)
    QORV_FUZZ_COMMAND(MoveItem)
    QORV_FUZZ_COMMAND(SetPassword)
    QORV_FUZZ_COMMAND(ItemLabels)
    QORV_FUZZ_COMMAND(FileLinks)
    QORV_FUZZ_COMMAND(FileGeneralInfo)
    QORV_FUZZ_COMMAND(ProjectGeneralInfo)
    QORV_FUZZ_COMMAND(DeletedItems)
    QORV_FUZZ_COMMAND(PurgeItems)
    QORV_FUZZ_COMMAND(LabelItem)
    QORV_FUZZ_COMMAND(FileHistory)
    QORV_FUZZ_COMMAND(ProjectHistory)
    QORV_FUZZ_COMMAND(Users)
    QORV_FUZZ_COMMAND(GetFiles)
    QORV_FUZZ_COMMAND(AddFiles)
    QORV_FUZZ_COMMAND(CheckOutUnconfirmed)
    QORV_FUZZ_COMMAND(UndoCheckOut)
    QORV_FUZZ_COMMAND(DatabaseAliases)
    QORV_FUZZ_COMMAND(SetKeepLatestOnly)
    QORV_FUZZ_COMMAND(KeyedLogin)
    QORV_FUZZ_COMMAND(FileExists)
    QORV_FUZZ_COMMAND(ProjectExists)
    QORV_FUZZ_COMMAND(ItemKinds)
    QORV_FUZZ_COMMAND(FileCount)
    QORV_FUZZ_COMMAND(ListWithDates)
    QORV_FUZZ_COMMAND(ListSince)
    QORV_FUZZ_COMMAND(ProjectFileList)
    QORV_FUZZ_COMMAND(VersionAtLabel)
    QORV_FUZZ_COMMAND(GetFilesAtVersion)
    QORV_FUZZ_COMMAND(GetFilesAtDate)
    QORV_FUZZ_COMMAND(AddCheck)
    QORV_FUZZ_COMMAND(FileStatus)
    QORV_FUZZ_COMMAND(CheckOutState)
    QORV_FUZZ_COMMAND(ConfirmationWithoutReply)
    QORV_FUZZ_COMMAND(ProjectAtVersion)
    QORV_FUZZ_COMMAND(ProjectAtDate)
    QORV_FUZZ_COMMAND(CheckOut)
    QORV_FUZZ_COMMAND(CheckOutConfirmation)
    QORV_FUZZ_COMMAND(CheckInBegin)
    QORV_FUZZ_COMMAND(CheckInCommit)
    QORV_FUZZ_COMMAND(KeepAlivePing)
    QORV_FUZZ_COMMAND(LabelDate)
    default:
      return false;
  }
#undef QORV_FUZZ_COMMAND
}

// Sets the number of request entries that a per-entry reply answers.
template <class Command>
void SizeRequest(Command& command, size_t count) {
  if constexpr (requires { command.entries; }) command.entries.resize(count);
  if constexpr (requires { command.file_paths; }) command.file_paths.resize(count);
  if constexpr (requires { command.project_paths; }) command.project_paths.resize(count);
  if constexpr (requires { command.item_paths; }) command.item_paths.resize(count);
  if constexpr (requires { command.paths; }) command.paths.resize(count);
}

}  // namespace qorv::fuzz

#endif  // QORV_FUZZ_COMMAND_CATALOGUE_H_
