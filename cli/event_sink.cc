#include "cli/event_sink.h"

namespace qorv::cli {

HRESULT EventSink::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDispatch || riid == DIID__IQorSDKEvents) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG EventSink::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HRESULT EventSink::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT EventSink::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info != nullptr) *info = nullptr;
  return E_NOTIMPL;
}

HRESULT EventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* dispids) {
  for (UINT i = 0; dispids != nullptr && i < count; ++i) dispids[i] = DISPID_UNKNOWN;
  return DISP_E_UNKNOWNNAME;
}

HRESULT EventSink::Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result,
                          EXCEPINFO*, UINT*) {
  if (dispid < DISPID_OnPercentDone || dispid > DISPID_PromptLeaveOrReplaceWriteableFile) {
    return DISP_E_MEMBERNOTFOUND;
  }
  if (result != nullptr) VariantInit(result);
  // The handler may release the last other reference to this sink (the SDK
  // object's, through Unadvise); keep this one until it returns.
  AddRef();
  handler_(dispid);
  Release();
  return S_OK;
}

}  // namespace qorv::cli
