#include "cli/operation_items.h"

#include "qorvsdk/collection.h"

namespace qorv::cli {

OperationItem ReadOperationItem(IQORVOperationResult* element) {
  OperationItem item;
  LONG result = 0;
  qorvsdk::Bstr name, description;
  element->get_OperationResult(&result);
  element->get_ItemFullName(name.Receive());
  element->get_Description(description.Receive());
  item.item = name.Utf8();
  item.result = result;
  item.description = description.Utf8();
  return item;
}

Outcome ReadOperationItems(Outcome outcome, IQORVOperationResultSet* set,
                           std::vector<OperationItem>* items) {
  if (FAILED(outcome.hr) || set == nullptr) return outcome;
  const HRESULT hr = qorvsdk::ForEachElement<IQORVOperationResult>(
      set, IID_IQORVOperationResult,
      [items](IQORVOperationResult* element) { items->push_back(ReadOperationItem(element)); });
  if (FAILED(hr) && outcome.ok()) return Outcome::FailedCall("OperationResultSet", hr);
  return outcome;
}

Outcome WithItemFailures(const char* command, const char* done, Outcome outcome,
                         const std::vector<OperationItem>& items, size_t failed_lines) {
  if (!outcome.ok()) return outcome;
  size_t failed = 0;
  for (const OperationItem& item : items) {
    if (item.result == 0) continue;
    if (failed++ == 0) {
      outcome.result = item.result;
      outcome.description = item.description;
    }
  }
  if (failed != 0) {
    outcome.cause = std::to_string(failed) + " of " + std::to_string(items.size()) +
                    (items.size() == 1 ? " item" : " items") + " could not be " + done;
  } else if (failed_lines != 0) {
    return Outcome::Failure(ExitClass::kRefused,
                            std::string(command) + ": not everything was " + done +
                                ": the SDK reported " + std::to_string(failed_lines) +
                                (failed_lines == 1 ? " failure" : " failures") +
                                " while its result says success");
  }
  return outcome;
}

JsonValue TargetsJson(const std::vector<ItemTarget>& files, const std::vector<ItemTarget>& projects,
                      std::string* text) {
  JsonValue targets = JsonValue::Array();
  const auto add = [&](const std::vector<ItemTarget>& list, const char* kind) {
    for (const ItemTarget& target : list) {
      targets.Append(JsonValue::Object()
                         .Set("path", JsonValue::String(target.path))
                         .Set("local", JsonValue::String(target.local))
                         .Set("kind", JsonValue::String(kind)));
      *text += target.path + " -> " + target.local + "\n";
    }
  };
  add(projects, "project");
  add(files, "file");
  return targets;
}

JsonValue ItemsJson(const std::vector<OperationItem>& items) {
  JsonValue results = JsonValue::Array();
  for (const OperationItem& item : items) {
    results.Append(JsonValue::Object()
                       .Set("item", JsonValue::String(item.item))
                       .Set("result", JsonValue::Integer(item.result))
                       .Set("description", JsonValue::String(item.description)));
  }
  return results;
}

}  // namespace qorv::cli
