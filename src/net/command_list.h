// Every command of the request protocol, one line each. The command codes,
// the request engine's dispatcher, the fuzz targets' catalogue and the
// reference server's checks are all derived from this list, so adding a
// command is its struct (src/protocol/*_commands.h) plus one line here.
//
// A line is QORV_COMMAND(Name, code, route):
//   Name   CommandCode::k<Name> is the code; a command of route kMain has
//          the struct <Name>Command, whose kCode is that code.
//   code   the byte that opens the request frame (decimal).
//   route  kMain      a message on the main connection, run by the engine;
//          kConnect   the connect and handshake of the main connection, not
//                     a message (the dispatcher runs it, there is no struct);
//          kTransfer  a message of the transfer connections only, never run
//                     by the engine's dispatcher.
//
// It lives with the framing because the code is the first byte of every
// request frame, and it includes nothing of the client, so the reference
// server (which may use net/ but not protocol/) checks its table against it.
#ifndef QORV_NET_COMMAND_LIST_H_
#define QORV_NET_COMMAND_LIST_H_

#include <cstdint>

// clang-format off
#define QORV_COMMAND_LIST(QORV_COMMAND)                                                   \
  QORV_COMMAND(PlainLogin, 1, kMain)                                                      \
  QORV_COMMAND(CheckOutHolders, 2, kMain)           /* "list texts of a path" */          \
  QORV_COMMAND(ProjectContents, 3, kMain)                                                 \
  QORV_COMMAND(CreateProjects, 4, kMain)                                                  \
  QORV_COMMAND(DeleteItems, 5, kMain)                                                     \
  QORV_COMMAND(RenameItem, 6, kMain)                                                      \
  QORV_COMMAND(RecoverItems, 7, kMain)                                                    \
  QORV_COMMAND(ShareFile, 8, kMain)                                                       \
  QORV_COMMAND(ShareProject, 9, kMain)                                                    \
  QORV_COMMAND(PinFile, 16, kMain)                                                        \
  QORV_COMMAND(UnpinFile, 17, kMain)                                                      \
  QORV_COMMAND(BranchItem, 18, kMain)                                                     \
  QORV_COMMAND(MoveItem, 19, kMain)                                                       \
  QORV_COMMAND(SetPassword, 20, kMain)                                                    \
  QORV_COMMAND(ItemLabels, 21, kMain)               /* "list records of a path" */        \
  QORV_COMMAND(FileLinks, 22, kMain)                                                      \
  QORV_COMMAND(FileGeneralInfo, 23, kMain)                                                \
  QORV_COMMAND(ProjectGeneralInfo, 24, kMain)                                             \
  QORV_COMMAND(DeletedItems, 25, kMain)                                                   \
  QORV_COMMAND(PurgeItems, 32, kMain)                                                     \
  QORV_COMMAND(LabelItem, 33, kMain)                                                      \
  QORV_COMMAND(FileHistory, 34, kMain)                                                    \
  QORV_COMMAND(ProjectHistory, 35, kMain)                                                 \
  QORV_COMMAND(Users, 37, kMain)                    /* "list pairs" */                    \
  QORV_COMMAND(GetFiles, 38, kMain)                                                       \
  QORV_COMMAND(AddFiles, 40, kMain)                                                       \
  QORV_COMMAND(CheckOutUnconfirmed, 42, kMain)      /* confirmed by 69, no reply */       \
  QORV_COMMAND(UndoCheckOut, 43, kMain)                                                   \
  QORV_COMMAND(DatabaseAliases, 44, kMain)                                                \
  QORV_COMMAND(SetKeepLatestOnly, 48, kMain)        /* "set a flag on a path" */          \
  QORV_COMMAND(KeyedLogin, 49, kMain)                                                     \
  QORV_COMMAND(Connect, 50, kConnect)                                                     \
  QORV_COMMAND(FileExists, 51, kMain)               /* "boolean query A" */               \
  QORV_COMMAND(ProjectExists, 52, kMain)                                                  \
  QORV_COMMAND(ItemKinds, 53, kMain)                /* "byte list for paths" */           \
  QORV_COMMAND(FileCount, 54, kMain)                                                      \
  QORV_COMMAND(ListWithDates, 55, kMain)                                                  \
  QORV_COMMAND(ListSince, 56, kMain)                                                      \
  QORV_COMMAND(ProjectFileList, 59, kMain)                                                \
  QORV_COMMAND(VersionAtLabel, 60, kMain)           /* "int32 query" */                   \
  QORV_COMMAND(GetFilesAtVersion, 61, kMain)                                              \
  QORV_COMMAND(GetFilesAtDate, 62, kMain)                                                 \
  QORV_COMMAND(UploadBatch, 64, kTransfer)                                                \
  QORV_COMMAND(DownloadBatch, 65, kTransfer)                                              \
  QORV_COMMAND(AddCheck, 66, kMain)                                                       \
  QORV_COMMAND(FileStatus, 67, kMain)                                                     \
  QORV_COMMAND(CheckOutState, 68, kMain)                                                  \
  QORV_COMMAND(ConfirmationWithoutReply, 69, kMain) /* no code byte on the wire */        \
  QORV_COMMAND(ProjectAtVersion, 70, kMain)                                               \
  QORV_COMMAND(ProjectAtDate, 71, kMain)                                                  \
  QORV_COMMAND(CheckOut, 72, kMain)                                                       \
  QORV_COMMAND(CheckOutConfirmation, 73, kMain)     /* no code byte on the wire */        \
  QORV_COMMAND(CheckInBegin, 80, kMain)                                                   \
  QORV_COMMAND(CheckInCommit, 81, kMain)                                                  \
  QORV_COMMAND(KeepAlivePing, 82, kMain)                                                  \
  QORV_COMMAND(TransferConnectionKey, 96, kTransfer)                                      \
  QORV_COMMAND(LabelDate, 112, kMain)
// clang-format on

namespace qorv {

enum class CommandCode : uint8_t {
#define QORV_COMMAND_CODE(name, code, route) k##name = code,
  QORV_COMMAND_LIST(QORV_COMMAND_CODE)
#undef QORV_COMMAND_CODE
};

// Where a command runs; see the list above.
enum class CommandRoute : uint8_t { kNone, kMain, kConnect, kTransfer };

// The route of a code of the list; kNone for a code that is not on it.
constexpr CommandRoute RouteOfCode(uint8_t code) {
  switch (code) {
#define QORV_COMMAND_ROUTE(name, value, route) \
  case value:                                  \
    return CommandRoute::route;
    QORV_COMMAND_LIST(QORV_COMMAND_ROUTE)
#undef QORV_COMMAND_ROUTE
  }
  return CommandRoute::kNone;
}

}  // namespace qorv

#endif  // QORV_NET_COMMAND_LIST_H_
