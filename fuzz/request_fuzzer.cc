// The reference server's request handling, fed what a hostile client sends,
// against a fresh copy of a store with content (fuzz_store.h).
//
// One store serves input after input until one changes a database; only
// then is the template copied again. Most inputs change nothing, and the
// copy, the open and the checks of a fresh store are most of an input's
// cost otherwise.
//
// Input: a byte choosing the connection (bits 0-2: no session, or a session
// of alice, bob, reader, keyed or newcomer; bit 3: a Blowfish channel, where
// only the keyed login is served), a byte choosing a store step that fails
// (0: none), then request frames (a 32-bit big-endian length and the
// deciphered payload), answered one after the other on one connection.
//
// Properties, beyond not crashing or hanging:
// - every reply opens with a status and a whole description;
// - nothing is committed to the store by a request whose status is not 0,
//   by a query, or by a per-entry command none of whose entries succeeded
//   (so a malformed request, a refused one or a change whose step failed
//   leaves no half-applied change);
// - the client's decoder of the command reads every reply to a request it
//   could have sent whole, to the reply's last byte;
// - a failed login leaves the connection's session as it was;
// - after the requests the store passes SQLite's integrity and foreign-key
//   checks, and its whole project tree can still be listed.
#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "fuzz/command_catalogue.h"
#include "fuzz/fuzz_store.h"
#include "fuzz/fuzz_support.h"
#include "net/in_message.h"
#include "net/out_message.h"
#include "net/socket_buffer_exception.h"
#include "qorvsdk/result_codes.h"
#include "server/command_context.h"
#include "server/database.h"
#include "server/request_dispatcher.h"

namespace qorv::fuzz {
namespace {

// A request's answer is one reply; the connection is served for at most
// this many requests per input, which keeps one input's run short.
constexpr int kMaxRequests = 32;

// The steps of the store's changes that can be made to fail.
constexpr const char* kFaultSteps[] = {"password:stored",      "create-project:recorded",
                                       "delete:link-changed",  "rename:link-changed",
                                       "recover:link-changed", "move:link-changed",
                                       "purge:link-removed",   "label:stored",
                                       "latest-only:stored",   "checkout:stored",
                                       "undo:released",        "share-file:linked",
                                       "share-project:linked", "pin:link-changed",
                                       "unpin:link-changed",   "branch:versions-copied"};
constexpr size_t kFaultStepCount = sizeof(kFaultSteps) / sizeof(kFaultSteps[0]);

const FuzzUser* const kSessionUsers[] = {nullptr, &kAlice, &kBob, &kReader, &kKeyed, &kNewcomer};

// A second, read-only connection to the database file that sees the
// commits of the server's connection.
class StoreWatch {
 public:
  explicit StoreWatch(const std::filesystem::path& file) {
    if (sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
      PropertyFailed("sqlite3_open_v2", __FILE__, __LINE__, "the store file can be watched");
    }
  }
  ~StoreWatch() { sqlite3_close(db_); }
  StoreWatch(const StoreWatch&) = delete;
  StoreWatch& operator=(const StoreWatch&) = delete;

  // Changes whenever another connection commits.
  int64_t DataVersion() { return SingleInteger("PRAGMA data_version"); }

  bool IntegrityHolds() {
    sqlite3_stmt* statement = Prepare("PRAGMA integrity_check");
    const bool ok =
        sqlite3_step(statement) == SQLITE_ROW &&
        std::string(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0))) == "ok" &&
        sqlite3_step(statement) == SQLITE_DONE;
    sqlite3_finalize(statement);
    return ok;
  }

  bool ForeignKeysHold() {
    sqlite3_stmt* statement = Prepare("PRAGMA foreign_key_check");
    const bool ok = sqlite3_step(statement) == SQLITE_DONE;
    sqlite3_finalize(statement);
    return ok;
  }

 private:
  sqlite3_stmt* Prepare(const char* sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, sql, -1, &statement, nullptr) != SQLITE_OK) {
      PropertyFailed(sql, __FILE__, __LINE__, "the watch's statement runs");
    }
    return statement;
  }

  int64_t SingleInteger(const char* sql) {
    sqlite3_stmt* statement = Prepare(sql);
    QORV_FUZZ_CHECK(sqlite3_step(statement) == SQLITE_ROW, "the watch reads the store");
    const int64_t value = sqlite3_column_int64(statement, 0);
    sqlite3_finalize(statement);
    return value;
  }

  sqlite3* db_ = nullptr;
};

// The per-entry commands: their reply is one entry per request entry, each
// its own change.
enum class EntryLayout { kNone, kResult, kDatedResult, kUndoResult };

EntryLayout EntryLayoutOf(uint8_t code) {
  switch (code) {
    case 4:   // create projects: {int32 result, string}; 0 is "created"
    case 5:   // delete items
    case 32:  // purge items
      return EntryLayout::kResult;
    case 7:  // recover items: {date, int32 result, string}
      return EntryLayout::kDatedResult;
    case 43:  // undo check out: {date, string, int32 status, int32 result, string}
      return EntryLayout::kUndoResult;
    default:
      return EntryLayout::kNone;
  }
}

// The single-step commands that may commit a change when they succeed.
bool IsSingleChange(uint8_t code) {
  switch (code) {
    case 6:
    case 8:
    case 9:
    case 16:
    case 17:
    case 18:
    case 19:
    case 20:
    case 33:
    case 48:
      return true;
    default:
      return false;
  }
}

// Whether any entry of a per-entry reply succeeded. The entries fill the
// rest of the reply; a reply that does not parse is a fault of its own.
bool AnyEntrySucceeded(EntryLayout layout, CInMessage& reply) {
  bool any = false;
  try {
    while (reply.remaining() > 0) {
      int32_t result = 0;
      switch (layout) {
        case EntryLayout::kResult:
          result = reply.ReadInt32();
          reply.ReadString();
          break;
        case EntryLayout::kDatedResult:
          reply.ReadDate();
          result = reply.ReadInt32();
          reply.ReadString();
          break;
        case EntryLayout::kUndoResult:
          reply.ReadDate();
          reply.ReadString();
          reply.ReadInt32();
          result = reply.ReadInt32();
          reply.ReadString();
          break;
        case EntryLayout::kNone:
          return false;
      }
      any = any || result == 0;
    }
  } catch (const CCancelableSocketBufferException&) {
    PropertyFailed("entries", __FILE__, __LINE__, "a per-entry reply is whole entries");
  }
  return any;
}

// The number of entries of a request that the client would have sent whole:
// for a per-entry command the count of its list, read with every entry; 0
// for the other commands; nothing when the request's list is not whole, or
// (81) its entries are not numbered 0, 1, ... (the client never sends such a
// request, or sends it for a longer list, so its reply has no shape to
// check here).
std::optional<size_t> WholeRequestEntries(const CInMessage& frame) {
  CInMessage request;
  if (frame.size() == 0 || request.SetPayload(frame.data(), frame.size()) != kResultOk) return 0;
  try {
    const uint8_t code = request.ReadByte();
    switch (code) {
      case 4:  // comment, paths
        request.ReadString();
        break;
      case 5:   // destroy, paths
      case 67:  // line ending, entries
        request.ReadInt32();
        break;
      case 81:  // keep checked out, comment, entries
        request.ReadBool();
        request.ReadString();
        break;
      case 7:
      case 32:
      case 43:
      case 53:
      case 66:
      case 68:
        break;
      default:
        return 0;
    }
    const int32_t count = request.ReadInt32();
    if (count < 0) return std::nullopt;
    for (int32_t i = 0; i < count; ++i) {
      request.ReadString();
      if (code == 66) request.ReadBool();  // is project
      if (code == 67) {
        request.ReadInt32();  // version
        request.ReadBool();   // digest wanted
      }
      if (code == 81) {
        request.ReadBool();  // body uploaded
        // The client numbers each entry sent by its place in its whole list;
        // a list of which it sent every entry numbers them 0, 1, ...
        if (request.ReadInt32() != i) return std::nullopt;
      }
    }
    return static_cast<size_t>(count);
  } catch (const CCancelableSocketBufferException&) {
    return std::nullopt;
  }
}

// The client's decoder of the command reads the reply whole, to its last
// byte: the server writes no field the client does not read, and none
// short.
void CheckClientReads(uint8_t code, size_t entries, const COutMessage& reply) {
  ForCommand(code, [&]<class Command>() {
    if constexpr (Command::kReplyShape == ReplyShape::kFieldsOnSuccess ||
                  Command::kReplyShape == ReplyShape::kFieldsAlways) {
      Command command;
      SizeRequest(command, entries);
      CInMessage in;
      QORV_FUZZ_CHECK(in.SetPayload(reply.data(), reply.size()) == kResultOk,
                      "a reply can be taken");
      try {
        CProtocolClient::ParseReply(command, in);
      } catch (const CCancelableSocketBufferException&) {
        PropertyFailed("ParseReply", __FILE__, __LINE__, "the client reads the server's reply");
      }
      QORV_FUZZ_CHECK(in.remaining() == 0, "the client reads the reply to its last byte");
    }
  });
}

int32_t SessionIdentity(const server::ConnectionState& connection) {
  return connection.session ? connection.session->identity : 0;
}

// The store of the inputs with watches on both of its databases, made
// again after an input that changed either.
class ReusedStore {
 public:
  FuzzStore& Take(std::string fault_step) {
    if (!store_) {
      store_ = std::make_unique<FuzzStore>();
      main_watch_ = std::make_unique<StoreWatch>(store_->main_file());
      other_watch_ = std::make_unique<StoreWatch>(store_->other_file());
      QORV_FUZZ_CHECK(main_watch_->IntegrityHolds(), "a fresh store passes the integrity check");
    }
    store_->Prepare(std::move(fault_step));
    other_version_ = other_watch_->DataVersion();
    return *store_;
  }
  StoreWatch& main_watch() { return *main_watch_; }
  // After the input: true when it changed a database (the store is then
  // dropped, to be made again for the next input).
  bool Release(bool main_changed) {
    const bool changed = main_changed || other_watch_->DataVersion() != other_version_;
    if (changed) {
      other_watch_.reset();
      main_watch_.reset();
      store_.reset();
    }
    return changed;
  }

 private:
  std::unique_ptr<FuzzStore> store_;
  std::unique_ptr<StoreWatch> main_watch_;
  std::unique_ptr<StoreWatch> other_watch_;
  int64_t other_version_ = 0;
};

// State kept between inputs, as libFuzzer runs them one after the other in
// one process.
ReusedStore& Stores() {
  static ReusedStore stores;
  return stores;
}

void RunRequests(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  const uint8_t connection_choice = input.Byte();
  const size_t fault_choice = input.Byte() % (kFaultStepCount + 1);
  ReusedStore& stores = Stores();
  FuzzStore& store = stores.Take(fault_choice == 0 ? std::string() : kFaultSteps[fault_choice - 1]);
  StoreWatch& watch = stores.main_watch();
  const int64_t version_at_start = watch.DataVersion();

  server::ConnectionState connection;
  connection.encryption_mode = (connection_choice & 8) != 0 ? 1 : 0;
  const size_t user = (connection_choice & 7) % (sizeof(kSessionUsers) / sizeof(kSessionUsers[0]));
  if (kSessionUsers[user] != nullptr) connection.session = store.LogIn(*kSessionUsers[user]);
  server::CommandContext context{store.data(), store.sessions(), connection};
  const server::FaultHooks hooks;

  const uint8_t* stream = input.rest();
  size_t left = input.rest_size();
  CInMessage frame;
  for (int i = 0; i < kMaxRequests; ++i) {
    size_t consumed = 0;
    if (frame.ParseFrame(stream, left, &consumed) != kResultOk) break;
    stream += consumed;
    left -= consumed;
    const uint8_t code = frame.size() > 0 ? frame.data()[0] : 0;

    const int64_t version_before = watch.DataVersion();
    const int32_t identity_before = SessionIdentity(connection);
    COutMessage reply;
    server::AnswerRequest(context, frame, hooks, reply);
    // The server switches the channel key after a keyed login's reply;
    // here the requests are taken deciphered, so nothing is left to do.
    connection.rekey_after_reply.reset();

    CInMessage answer;
    QORV_FUZZ_CHECK(answer.SetPayload(reply.data(), reply.size()) == kResultOk,
                    "a reply can be taken");
    int32_t status = 0;
    try {
      status = answer.ReadInt32();
      answer.ReadString();
    } catch (const CCancelableSocketBufferException&) {
      PropertyFailed("status", __FILE__, __LINE__, "a reply opens with status and description");
    }
    const bool committed = watch.DataVersion() != version_before;
    if (committed) {
      QORV_FUZZ_CHECK(status == 0, "a request that failed committed nothing");
      const EntryLayout layout = EntryLayoutOf(code);
      QORV_FUZZ_CHECK(IsSingleChange(code) || layout != EntryLayout::kNone,
                      "a query committed nothing");
      if (layout != EntryLayout::kNone) {
        QORV_FUZZ_CHECK(AnyEntrySucceeded(layout, answer),
                        "a per-entry command whose entries all failed committed nothing");
      }
    }
    if (const std::optional<size_t> entries = WholeRequestEntries(frame)) {
      CheckClientReads(code, *entries, reply);
    }
    if ((code == 1 || code == 49) && status != 0) {
      QORV_FUZZ_CHECK(SessionIdentity(connection) == identity_before,
                      "a failed login leaves the session");
    }
  }

  // The session the connection ends with goes with it, as on a server.
  if (connection.session) store.sessions().Close(connection.session->identity);
  const bool main_changed = watch.DataVersion() != version_at_start;
  // A store no request changed is as it was checked when it was made.
  if (main_changed) {
    QORV_FUZZ_CHECK(watch.IntegrityHolds(), "the store passes the integrity check");
    QORV_FUZZ_CHECK(watch.ForeignKeysHold(), "the store passes the foreign-key check");
    std::vector<server::ListedItem> items;
    const server::Actor alice = store.main().FindUser(kAlice.name)->actor;
    const server::StoreStatus listed =
        store.main().List(alice, {"$/", server::PointInTime::Now(), -1, true}, &items);
    QORV_FUZZ_CHECK(listed.ok(), "the whole project tree can be listed");
  }
  stores.Release(main_changed);
}

}  // namespace
}  // namespace qorv::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qorv::fuzz::RunRequests(data, size);
  return 0;
}
