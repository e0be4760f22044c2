// The protocol client: runs one command of the catalogue over a connection's
// socket and message buffers. Run(command) serves every command struct.
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

  // The whole exchange of one command: any struct of the command list's
  // main-connection commands.
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

 private:
  CBlockingSocket& socket_;
  COutMessage& out_;
  CInMessage& in_;
};

}  // namespace qorv

#endif  // QORV_PROTOCOL_PROTOCOL_CLIENT_H_
