// The machinery every operation method of IQORVSDK shares: argument
// conversion, running the operation with prepared out-places, and writing
// the out-parameters and result objects whatever the result.
//
// A method body is then:
//
//   HRESULT CQorSDK::GetFileLinks(BSTR FileName, IQORVFileLinkSet** FileLinkSet,
//                                 VARIANT_BOOL* Canceled, BSTR* ResultDescription,
//                                 LONG* ResultValue) {
//     std::vector<std::string> links;
//     const MethodOutcome outcome = RunOperation([&](ops::OperationStatus* status) {
//       return ops::GetFileLinks(Context(), InText(FileName), status, &links);
//     });
//     WriteOutcome(outcome, Canceled, ResultDescription, ResultValue);
//     return HandOut(FileLinkSet, links);
//   }
//
// Rules the helpers carry out:
// - Text arguments: UTF-16 to the system's multibyte text (UTF-8); a null
//   BSTR is the empty text. Booleans: any nonzero VARIANT_BOOL is true.
//   Enumerations, longs and dates pass unchanged. Input sets: their entries
//   in the order added.
// - Out-places: Canceled false, description empty, lists empty (the
//   method's own locals).
// - Written on every path: ResultValue; ResultDescription as a new BSTR
//   (empty, never null); Canceled and every boolean out as VARIANT_TRUE or
//   VARIANT_FALSE; text outs as new BSTRs; date outs, 0.0 when unset.
//   Long and enumeration outs only when the operation has a value for them
//   (std::optional), so on failure they keep what the caller passed in.
// - Result collections are always created (empty on failure, never null)
//   and handed out with one reference for the caller. A single item result
//   goes into the caller's own IQORVOperationResult; a null one is left
//   alone.
// - The method returns S_OK, or E_OUTOFMEMORY when a result object cannot
//   be made.
// Null out-parameter pointers are skipped.
#ifndef QORV_SDK_METHOD_CALL_H_
#define QORV_SDK_METHOD_CALL_H_

#include <cstdint>
#include <exception>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "local/qor_exception.h"
#include "ops/item_result.h"
#include "ops/operation_context.h"
#include "platform/com/text_convert.h"
#include "qorvsdk/comtypes.h"
#include "qorvsdk/result_codes.h"
#include "sdk/input_sets.h"
#include "sdk/item_records.h"
#include "sdk/result_collections.h"

namespace qorv::sdk {

// ---- In-arguments --------------------------------------------------------------

inline std::string InText(BSTR text) { return BstrToUtf8(text); }
inline bool InBool(VARIANT_BOOL value) { return value != 0; }

// The entries of an input set in the order added; none for a null set or an
// object that is not one of this module's sets.
template <class SetInterface>
std::vector<InputSetEntry<SetInterface>> InSet(SetInterface* set) {
  std::vector<InputSetEntry<SetInterface>> entries;
  if (FAILED(ReadInputSet(set, &entries))) entries.clear();
  return entries;
}

// ---- Running the operation -------------------------------------------------------

// What the operation left: its result value, Canceled and description.
struct MethodOutcome {
  int32_t result = kResultOk;
  ops::OperationStatus status;
};

// Ends an outcome with a failure: the result and, when memory allows, the
// text (otherwise the description stays empty).
void FailOutcome(MethodOutcome* outcome, int32_t result, std::string_view text) noexcept;

// Calls `operation(ops::OperationStatus*)`, which returns the result value,
// with prepared out-places. The operation converts the method's arguments
// itself (InText, InSet ...), so that they are converted inside the guard.
// Nothing thrown leaves the method: running out of memory ends with 2 and
// its text, a file-layer exception with its code and text, anything else
// with 12008 "Unspecified error occured.".
template <class Operation>
MethodOutcome RunOperation(Operation&& operation) noexcept {
  MethodOutcome outcome;
  try {
    outcome.result = operation(&outcome.status);
  } catch (const std::bad_alloc&) {
    FailOutcome(&outcome, kResultOutOfMemory, kTextOutOfMemory);
  } catch (const CQORException& error) {
    FailOutcome(&outcome, error.code(), error.message());
  } catch (...) {
    FailOutcome(&outcome, kResultSystemError, kTextUnspecifiedErrorOccured);
  }
  return outcome;
}

// ---- Out-parameters ----------------------------------------------------------------

void WriteBool(VARIANT_BOOL* out, bool value);
// A new BSTR (never null for a text that could be made). When memory runs
// out the out-parameter gets null (the empty text) and the result is false,
// so that a method whose only output is the text can fail instead.
bool WriteText(BSTR* out, std::string_view text) noexcept;
void WriteDate(DATE* out, double value);
// Written only when the operation has a value.
void WriteLong(LONG* out, const std::optional<int32_t>& value);
template <class Enumeration>
void WriteEnum(Enumeration* out, const std::optional<int32_t>& value) {
  if (out != nullptr && value) *out = static_cast<Enumeration>(*value);
}

// ResultValue, ResultDescription and Canceled.
void WriteOutcome(const MethodOutcome& outcome, VARIANT_BOOL* canceled, BSTR* description,
                  LONG* result);
// The same for the methods without a Canceled out-parameter.
void WriteOutcome(const MethodOutcome& outcome, BSTR* description, LONG* result);

// ---- Result objects -----------------------------------------------------------------

// The record of a collection element made from what an operation listed;
// one overload per pair of list element and record (query_records.h).
template <class CollectionInterface, class Element>
HRESULT HandOut(CollectionInterface** out, const std::vector<Element>& list) {
  if (out == nullptr) return S_OK;
  std::vector<ResultRecord<CollectionInterface>> records;
  try {
    records.resize(list.size());
    for (size_t i = 0; i < list.size(); ++i) ToRecord(list[i], &records[i]);
  } catch (const std::bad_alloc&) {
    records.clear();  // an empty collection is still better than none
  }
  HRESULT hr = CreateResultCollection(records, out);
  if (FAILED(hr) && !records.empty()) hr = CreateResultCollection({}, out);
  return FAILED(hr) ? E_OUTOFMEMORY : S_OK;
}

// The IQORVOperationResultSet of a multi-item method: one IQORVOperationResult
// per item result, in order.
HRESULT HandOutResults(IQORVOperationResultSet** out, const std::vector<ops::ItemResult>& items);

// The single result of GetOldVersionFile and DeleteProject, stored into the
// caller's object: OperationResult and Description from the method's
// outcome, ItemFullName from the item.
HRESULT WriteSingleResult(IQORVOperationResult* object, const MethodOutcome& outcome,
                          const ops::ItemResult& item);

}  // namespace qorv::sdk

#endif  // QORV_SDK_METHOD_CALL_H_
