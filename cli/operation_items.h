// What the SDK's file operations (get, checkout, undo, checkin) share on
// qorv's side: creating their input sets from the paths given, reading back
// their per-item results, failing the command for an item that failed, and
// the result they print.
#ifndef QORV_CLI_OPERATION_ITEMS_H_
#define QORV_CLI_OPERATION_ITEMS_H_

#include <string>
#include <vector>

#include "cli/json_value.h"
#include "cli/local_targets.h"
#include "cli/outcome.h"
#include "qorvsdk/activation.h"
#include "qorvsdk/bstr.h"
#include "qorvsdk/com_ptr.h"
#include "qorvsdk/sdk.h"

namespace qorv::cli {

// One element of an operation's OperationResultSet (or its single
// OperationResult).
struct OperationItem {
  std::string item;  // ItemFullName
  int32_t result = 0;
  std::string description;
};

OperationItem ReadOperationItem(IQORVOperationResult* element);

// Appends the set's items; a set that cannot be read fails the command
// only when the call itself succeeded.
Outcome ReadOperationItems(Outcome outcome, IQORVOperationResultSet* set,
                           std::vector<OperationItem>* items);

// Creates an object of the SDK's module by its class.
template <class Interface>
Outcome CreateSdkObject(const CLSID& clsid, const IID& iid, const char* name,
                        qorvsdk::ComPtr<Interface>* object) {
  const HRESULT hr =
      QorvCoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, object->ReceiveVoid());
  return FAILED(hr) ? Outcome::FailedCall(name, hr) : Outcome::Success();
}

// The classes and interfaces of an input set whose items pair a server path
// (put by `put_path`) with a local name (put by `put_local`).
template <class Set, class Item>
struct ItemSetKind {
  const CLSID& set_class;
  const IID& set_iid;
  const char* set_name;
  const CLSID& item_class;
  const IID& item_iid;
  const char* item_name;
  HRESULT (Item::*put_path)(BSTR);
  HRESULT (Item::*put_local)(BSTR);
};

// A new input set holding one item per target, in order.
template <class Set, class Item>
Outcome BuildItemSet(const ItemSetKind<Set, Item>& kind, const std::vector<ItemTarget>& targets,
                     qorvsdk::ComPtr<Set>* set) {
  Outcome created = CreateSdkObject(kind.set_class, kind.set_iid, kind.set_name, set);
  for (const ItemTarget& target : targets) {
    if (!created.ok()) return created;
    qorvsdk::ComPtr<Item> entry;
    created = CreateSdkObject(kind.item_class, kind.item_iid, kind.item_name, &entry);
    if (!created.ok()) return created;
    qorvsdk::Bstr path(target.path), local(target.local);
    (entry.get()->*kind.put_path)(path.get());
    (entry.get()->*kind.put_local)(local.get());
    VARIANT_BOOL added = VARIANT_FALSE;
    (*set)->Add(entry.get(), &added);
  }
  return created;
}

// A call that succeeded while some of its items failed fails with the first
// of them, so that the exit status tells a script; the cause says how many
// items "could not be " + `done` ("got", "checked in"). Failures that only
// the report lines tell (`failed_lines` of them) fail it as a refusal, the
// class of a status qorv does not know.
Outcome WithItemFailures(const char* command, const char* done, Outcome outcome,
                         const std::vector<OperationItem>& items, size_t failed_lines);

// The targets as JSON (path, local, kind), projects first, and as text, one
// "PATH -> LOCAL" line each.
JsonValue TargetsJson(const std::vector<ItemTarget>& files, const std::vector<ItemTarget>& projects,
                      std::string* text);

// The items as JSON (item, result, description).
JsonValue ItemsJson(const std::vector<OperationItem>& items);

}  // namespace qorv::cli

#endif  // QORV_CLI_OPERATION_ITEMS_H_
