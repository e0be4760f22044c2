// The memory a reply can make the client hold: every list command's decoder
// refuses a count its frame cannot carry before reserving anything, and a
// reply of minimal entries costs a small multiple of its frame size.
//
// The global operator new and delete of this executable count the bytes in
// use and their peak, so the measure covers the vectors and strings the
// decoders build, wherever the library allocates them.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "net/socket_buffer_exception.h"
#include "protocol/protocol_client.h"
#include "protocol/query_commands.h"
#include "protocol/session_commands.h"
#include "protocol/wire_bytes.h"

namespace {

// Allocation counters of this test program. Each block carries its size in
// a header as wide as the strictest fundamental alignment.
constexpr size_t kHeader = alignof(std::max_align_t);
std::atomic<size_t> bytes_in_use{0};
std::atomic<size_t> peak_in_use{0};

void* CountedAllocate(size_t size) {
  auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
  if (block == nullptr) throw std::bad_alloc();
  *reinterpret_cast<size_t*>(block) = size;
  const size_t now = bytes_in_use.fetch_add(size) + size;
  size_t peak = peak_in_use.load();
  while (now > peak && !peak_in_use.compare_exchange_weak(peak, now)) {
  }
  return block + kHeader;
}

void CountedFree(void* pointer) {
  if (pointer == nullptr) return;
  auto* block = static_cast<unsigned char*>(pointer) - kHeader;
  bytes_in_use.fetch_sub(*reinterpret_cast<size_t*>(block));
  std::free(block);
}

}  // namespace

void* operator new(size_t size) { return CountedAllocate(size); }
void* operator new[](size_t size) { return CountedAllocate(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  try {
    return CountedAllocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void operator delete(void* pointer) noexcept { CountedFree(pointer); }
void operator delete[](void* pointer) noexcept { CountedFree(pointer); }
void operator delete(void* pointer, size_t) noexcept { CountedFree(pointer); }
void operator delete[](void* pointer, size_t) noexcept { CountedFree(pointer); }

namespace qorv {
namespace {

using testing::Wire;

// One list command: its decoder run on a payload, and the fewest bytes one
// entry of its list takes on the wire (written out from docs/protocol.md).
struct ListCase {
  const char* name;
  size_t minimum_entry_bytes;
  std::function<void(CInMessage&)> parse;
};

template <class Command>
std::function<void(CInMessage&)> Parser() {
  return [](CInMessage& in) {
    Command command;
    CProtocolClient::ParseReply(command, in);
  };
}

std::vector<ListCase> CountedListCommands() {
  return {
      {"check-out holders", 4, Parser<CheckOutHoldersCommand>()},
      {"project contents", 4 + 4 + 4 + 4 + 4, Parser<ProjectContentsCommand>()},
      {"file links", 4, Parser<FileLinksCommand>()},
      {"deleted items", 4 + 1, Parser<DeletedItemsCommand>()},
      {"project history", 4 + 4 + 4 + 4 + 8 + 4 + 4 + 4 + 4, Parser<ProjectHistoryCommand>()},
      {"users", 4 + 4, Parser<UsersCommand>()},
      {"item kinds", 1, Parser<ItemKindsCommand>()},
      {"list with dates", 4 + 4 + 8 + 4 + 4, Parser<ListWithDatesCommand>()},
      {"list since", 4 + 4 + 4, Parser<ListSinceCommand>()},
      {"project file list", 4 + 4 + 8 + 4 + 4 + 4 + 4 + 4 + 4, Parser<ProjectFileListCommand>()},
      {"project at version", 4 + 4 + 4 + 16 + 4 + 4 + 4 + 4, Parser<ProjectAtVersionCommand>()},
      {"project at date", 4 + 4 + 4 + 16 + 4 + 4 + 4 + 4, Parser<ProjectAtDateCommand>()},
      {"database aliases", 4, Parser<DatabaseAliasesCommand>()},
  };
}

// A successful reply: status 0, an empty description, the count, then
// `entry_bytes` zero bytes (entries whose strings are empty and numbers 0).
std::vector<uint8_t> Reply(int32_t count, size_t entry_bytes) {
  Wire wire;
  wire.Int32(0).Str("").Int32(count).Repeat(0, entry_bytes);
  return wire.bytes();
}

struct Measure {
  bool refused = false;
  size_t peak = 0;  // the most bytes held above those in use before decoding
};

Measure Decode(const ListCase& list, const std::vector<uint8_t>& payload) {
  CInMessage in;
  EXPECT_EQ(in.SetPayload(payload.data(), payload.size()), kResultOk);
  Measure measure;
  const size_t before = bytes_in_use.load();
  peak_in_use.store(before);
  try {
    list.parse(in);
  } catch (const CCancelableSocketBufferException&) {
    measure.refused = true;
  }
  measure.peak = peak_in_use.load() - before;
  if (!measure.refused) {
    EXPECT_EQ(in.remaining(), 0u) << list.name << ": entries left unread";
  }
  return measure;
}

TEST(ReplyBounds, HugeCountsAreRefusedBeforeMemoryGrows) {
  constexpr size_t kEntryBytes = 1 << 20;
  for (const ListCase& list : CountedListCommands()) {
    SCOPED_TRACE(list.name);
    // The largest count, then a megabyte of entries; and one entry more
    // than the bytes carry.
    const size_t carried = kEntryBytes / list.minimum_entry_bytes;
    for (int32_t count : {INT32_MAX, static_cast<int32_t>(carried + 1)}) {
      const Measure measure = Decode(list, Reply(count, kEntryBytes));
      EXPECT_TRUE(measure.refused) << count;
      // Nothing beyond the decoder's own few small blocks.
      EXPECT_LT(measure.peak, 4096u) << count;
    }
  }
}

TEST(ReplyBounds, MinimalEntriesCostASmallMultipleOfTheirBytes) {
  constexpr size_t kEntries = 20000;
  for (const ListCase& list : CountedListCommands()) {
    SCOPED_TRACE(list.name);
    const std::vector<uint8_t> payload =
        Reply(static_cast<int32_t>(kEntries), kEntries * list.minimum_entry_bytes);
    const Measure measure = Decode(list, payload);
    ASSERT_FALSE(measure.refused) << "a reply of minimal entries was refused";
    // An empty name is a 32-byte string object for its 4 wire bytes: 8
    // times, the worst entry of the list; growth by doubling would reach
    // twice that.
    EXPECT_LE(measure.peak, 8 * payload.size() + 4096) << payload.size();
  }
}

}  // namespace
}  // namespace qorv
