#include "sdk/method_call.h"

namespace qorv::sdk {
void FailOutcome(MethodOutcome* outcome, int32_t result, std::string_view text) noexcept {
  outcome->result = result;
  outcome->status.description.clear();
  try {
    outcome->status.description = text;
  } catch (const std::bad_alloc&) {
    // The result alone still tells what happened.
  }
}

void WriteBool(VARIANT_BOOL* out, bool value) {
  if (out != nullptr) *out = value ? VARIANT_TRUE : VARIANT_FALSE;
}

bool WriteText(BSTR* out, std::string_view text) noexcept {
  if (out == nullptr) return true;
  try {
    *out = Utf8ToBstr(text);
    return true;
  } catch (const std::bad_alloc&) {
    *out = nullptr;
    return false;
  }
}

void WriteDate(DATE* out, double value) {
  if (out != nullptr) *out = value;
}

void WriteLong(LONG* out, const std::optional<int32_t>& value) {
  if (out != nullptr && value) *out = *value;
}

void WriteOutcome(const MethodOutcome& outcome, VARIANT_BOOL* canceled, BSTR* description,
                  LONG* result) {
  WriteBool(canceled, outcome.status.canceled);
  WriteOutcome(outcome, description, result);
}

void WriteOutcome(const MethodOutcome& outcome, BSTR* description, LONG* result) {
  WriteText(description, outcome.status.description);
  if (result != nullptr) *result = outcome.result;
}

HRESULT HandOutResults(IQORVOperationResultSet** out, const std::vector<ops::ItemResult>& items) {
  if (out == nullptr) return S_OK;
  std::vector<OperationResultRecord> records;
  try {
    records.reserve(items.size());
    for (const ops::ItemResult& item : items) {
      records.push_back(OperationResultRecord{item.result, item.description, item.item_full_name});
    }
  } catch (const std::bad_alloc&) {
    records.clear();
  }
  HRESULT hr = CreateResultCollection(records, out);
  if (FAILED(hr) && !records.empty()) hr = CreateResultCollection({}, out);
  return FAILED(hr) ? E_OUTOFMEMORY : S_OK;
}

HRESULT WriteSingleResult(IQORVOperationResult* object, const MethodOutcome& outcome,
                          const ops::ItemResult& item) {
  if (object == nullptr) return S_OK;
  OperationResultRecord record;
  try {
    record = OperationResultRecord{outcome.result, outcome.status.description, item.item_full_name};
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  // The caller's object may be its own implementation; a failing property
  // is its business, the method's outcome is already written.
  WriteItem(record, object);
  return S_OK;
}

}  // namespace qorv::sdk
