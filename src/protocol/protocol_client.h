// The protocol client: runs one command of the catalogue over a connection's
// socket and message buffers.
//
// Every command follows the same steps: reset the outgoing buffer; append
// the code byte and the request fields; send; receive one frame; read the
// int32 status and the string description; read the reply fields when the
// status is 0 (command 32: whatever the status). A transport failure ends the
// command with the transport code and the socket's text for it, and no reply
// field is read. The description is the server's, except for the commands
// with no reply to parse (73, 69 and the ping), which report 0 "Completed".
//
// Reading past the end of a reply throws CCancelableSocketBufferException
// and a string that cannot be allocated std::bad_alloc; the request engine's
// worker routine turns both into results. Reply fields are stored only once
// they were read whole, so a short reply leaves the command's earlier values.
#ifndef QORV_PROTOCOL_PROTOCOL_CLIENT_H_
#define QORV_PROTOCOL_PROTOCOL_CLIENT_H_

#include <cstdint>

#include "net/blocking_socket.h"
#include "net/in_message.h"
#include "net/out_message.h"
#include "protocol/command_base.h"
#include "protocol/file_commands.h"
#include "protocol/query_commands.h"
#include "protocol/session_commands.h"
#include "protocol/tree_commands.h"
#include "qorvsdk/result_codes.h"

namespace qorv {

class CProtocolClient {
 public:
  CProtocolClient(CBlockingSocket& socket, COutMessage& out, CInMessage& in)
      : socket_(socket), out_(out), in_(in) {}

  // The request payload: the code byte (for the commands that have one),
  // then the request fields. Returns 0, or 2 when a field cannot be appended.
  template <class Command>
  static int32_t BuildRequest(const Command& command, COutMessage& out) {
    FieldWriter writer(out);
    if constexpr (Command::kSendsCodeByte) writer.Byte(static_cast<uint8_t>(Command::kCode));
    command.Encode(writer);
    return writer.result();
  }

  // Reads a received reply payload into the command: status, description,
  // and the reply fields by the command's reply shape.
  template <class Command>
  static ReplyStatus ParseReply(Command& command, CInMessage& in) {
    if constexpr (Command::kReplyShape == ReplyShape::kFrameNotParsed ||
                  Command::kReplyShape == ReplyShape::kNoReply) {
      return {kResultOk, kTextCompleted};
    }
    ReplyStatus reply;
    reply.status = in.ReadInt32();
    reply.description = in.ReadString();
    if (reply.status == kResultOk || Command::kReplyShape == ReplyShape::kFieldsAlways) {
      command.Decode(in);
    }
    return reply;
  }

  // The whole exchange of one command.
  template <class Command>
  ReplyStatus Run(Command& command) {
    out_.Reset();
    if (BuildRequest(command, out_) != kResultOk) {
      // Nothing is sent.
      return {kResultOutOfMemory, kTextOutOfMemory};
    }
    int32_t code = out_.Send(socket_);
    if (code != kResultOk) return {code, socket_.StatusText(code)};
    if constexpr (Command::kReplyShape == ReplyShape::kNoReply) {
      return {kResultOk, kTextCompleted};
    }
    code = in_.Receive(socket_);
    if (code != kResultOk) return {code, socket_.StatusText(code)};
    return ParseReply(command, in_);
  }

  // ---- The catalogue, one method per command ----
  ReplyStatus PlainLogin(PlainLoginCommand& command) { return Run(command); }                  // 1
  ReplyStatus CheckOutHolders(CheckOutHoldersCommand& command) { return Run(command); }        // 2
  ReplyStatus ProjectContents(ProjectContentsCommand& command) { return Run(command); }        // 3
  ReplyStatus CreateProjects(CreateProjectsCommand& command) { return Run(command); }          // 4
  ReplyStatus DeleteItems(DeleteItemsCommand& command) { return Run(command); }                // 5
  ReplyStatus RenameItem(RenameItemCommand& command) { return Run(command); }                  // 6
  ReplyStatus RecoverItems(RecoverItemsCommand& command) { return Run(command); }              // 7
  ReplyStatus ShareFile(ShareFileCommand& command) { return Run(command); }                    // 8
  ReplyStatus ShareProject(ShareProjectCommand& command) { return Run(command); }              // 9
  ReplyStatus PinFile(PinFileCommand& command) { return Run(command); }                        // 16
  ReplyStatus UnpinFile(UnpinFileCommand& command) { return Run(command); }                    // 17
  ReplyStatus BranchItem(BranchItemCommand& command) { return Run(command); }                  // 18
  ReplyStatus MoveItem(MoveItemCommand& command) { return Run(command); }                      // 19
  ReplyStatus SetPassword(SetPasswordCommand& command) { return Run(command); }                // 20
  ReplyStatus ItemLabels(ItemLabelsCommand& command) { return Run(command); }                  // 21
  ReplyStatus FileLinks(FileLinksCommand& command) { return Run(command); }                    // 22
  ReplyStatus FileGeneralInfo(FileGeneralInfoCommand& command) { return Run(command); }        // 23
  ReplyStatus ProjectGeneralInfo(ProjectGeneralInfoCommand& command) { return Run(command); }  // 24
  ReplyStatus DeletedItems(DeletedItemsCommand& command) { return Run(command); }              // 25
  ReplyStatus PurgeItems(PurgeItemsCommand& command) { return Run(command); }                  // 32
  ReplyStatus LabelItem(LabelItemCommand& command) { return Run(command); }                    // 33
  ReplyStatus FileHistory(FileHistoryCommand& command) { return Run(command); }                // 34
  ReplyStatus ProjectHistory(ProjectHistoryCommand& command) { return Run(command); }          // 35
  ReplyStatus Users(UsersCommand& command) { return Run(command); }                            // 37
  ReplyStatus GetFiles(GetFilesCommand& command) { return Run(command); }                      // 38
  ReplyStatus AddFiles(AddFilesCommand& command) { return Run(command); }                      // 40
  ReplyStatus CheckOutUnconfirmed(CheckOutUnconfirmedCommand& command) {                       // 42
    return Run(command);
  }
  ReplyStatus UndoCheckOut(UndoCheckOutCommand& command) { return Run(command); }            // 43
  ReplyStatus DatabaseAliases(DatabaseAliasesCommand& command) { return Run(command); }      // 44
  ReplyStatus SetKeepLatestOnly(SetKeepLatestOnlyCommand& command) { return Run(command); }  // 48
  ReplyStatus KeyedLogin(KeyedLoginCommand& command) { return Run(command); }                // 49
  ReplyStatus FileExists(FileExistsCommand& command) { return Run(command); }                // 51
  ReplyStatus ProjectExists(ProjectExistsCommand& command) { return Run(command); }          // 52
  ReplyStatus ItemKinds(ItemKindsCommand& command) { return Run(command); }                  // 53
  ReplyStatus FileCount(FileCountCommand& command) { return Run(command); }                  // 54
  ReplyStatus ListWithDates(ListWithDatesCommand& command) { return Run(command); }          // 55
  ReplyStatus ListSince(ListSinceCommand& command) { return Run(command); }                  // 56
  ReplyStatus ProjectFileList(ProjectFileListCommand& command) { return Run(command); }      // 59
  ReplyStatus VersionAtLabel(VersionAtLabelCommand& command) { return Run(command); }        // 60
  ReplyStatus GetFilesAtVersion(GetFilesAtVersionCommand& command) { return Run(command); }  // 61
  ReplyStatus GetFilesAtDate(GetFilesAtDateCommand& command) { return Run(command); }        // 62
  ReplyStatus AddCheck(AddCheckCommand& command) { return Run(command); }                    // 66
  ReplyStatus FileStatus(FileStatusCommand& command) { return Run(command); }                // 67
  ReplyStatus CheckOutState(CheckOutStateCommand& command) { return Run(command); }          // 68
  ReplyStatus ConfirmationWithoutReply(ConfirmationWithoutReplyCommand& command) {           // 69
    return Run(command);
  }
  ReplyStatus ProjectAtVersion(ProjectAtVersionCommand& command) { return Run(command); }  // 70
  ReplyStatus ProjectAtDate(ProjectAtDateCommand& command) { return Run(command); }        // 71
  ReplyStatus CheckOut(CheckOutCommand& command) { return Run(command); }                  // 72
  ReplyStatus CheckOutConfirmation(CheckOutConfirmationCommand& command) {                 // 73
    return Run(command);
  }
  ReplyStatus CheckInBegin(CheckInBeginCommand& command) { return Run(command); }    // 80
  ReplyStatus CheckInCommit(CheckInCommitCommand& command) { return Run(command); }  // 81
  ReplyStatus KeepAlivePing(KeepAlivePingCommand& command) { return Run(command); }  // 82
  ReplyStatus LabelDate(LabelDateCommand& command) { return Run(command); }          // 112

 private:
  CBlockingSocket& socket_;
  COutMessage& out_;
  CInMessage& in_;
};

}  // namespace qorv

#endif  // QORV_PROTOCOL_PROTOCOL_CLIENT_H_
