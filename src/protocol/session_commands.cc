#include "protocol/session_commands.h"

#include <limits>
#include <memory>
#include <new>

#include "net/blowfish.h"

namespace qorv {
namespace {

// Read whole before it is stored, so a short reply leaves the old values.
void DecodeLoginReply(CInMessage& in, LoginReply* reply) {
  LoginReply read;
  read.must_change_password = in.ReadBool();
  read.expire_days = in.ReadInt32();
  read.login_identity = in.ReadInt32();
  *reply = read;
}

}  // namespace

void PlainLoginCommand::Encode(FieldWriter& out) const {
  out.String(database).String(user_name).String(password);
}

void PlainLoginCommand::Decode(CInMessage& in) { DecodeLoginReply(in, &reply); }

void KeyedLoginCommand::Encode(FieldWriter& out) const {
  out.String(database).String(user_name).String(server_name).Int32(encryption_mode);
  if (password.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    out.Fail(kResultOutOfMemory);
    return;
  }
  const size_t length = password.size();
  const size_t padded = Blowfish::PaddedLength(length);
  std::unique_ptr<uint8_t[]> enciphered(new (std::nothrow) uint8_t[padded + kChannelKeySize]);
  std::unique_ptr<Blowfish> cipher(new (std::nothrow) Blowfish());
  if (!enciphered || !cipher) {
    out.Fail(kResultOutOfMemory);
    return;
  }
  cipher->SetKey(user_key.data(), user_key.size());
  cipher->Encipher(reinterpret_cast<const uint8_t*>(password.data()), enciphered.get(), length);
  // The key under itself: two whole blocks.
  cipher->Encipher(user_key.data(), enciphered.get() + padded, user_key.size());
  out.Int32(static_cast<int32_t>(length)).Bytes(enciphered.get(), padded + kChannelKeySize);
}

void KeyedLoginCommand::Decode(CInMessage& in) { DecodeLoginReply(in, &reply); }

void SetPasswordCommand::Encode(FieldWriter& out) const { out.String(new_password); }

void DatabaseAliasesCommand::Decode(CInMessage& in) { reply = ReadStringList(in); }

}  // namespace qorv
