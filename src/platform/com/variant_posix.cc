// VARIANT life cycle: VariantClear releases what the VARIANT owns (a BSTR or
// an interface reference); by-reference values own nothing.
#include "qorvsdk/comtypes.h"

extern "C" {

QORV_EXPORT void VariantInit(VARIANT* v) {
  if (v == nullptr) return;
  v->vt = VT_EMPTY;
  v->wReserved1 = v->wReserved2 = v->wReserved3 = 0;
  v->value.llVal = 0;
  v->value.brecVal.pRecInfo = nullptr;
}

QORV_EXPORT HRESULT VariantClear(VARIANT* v) {
  if (v == nullptr) return E_INVALIDARG;
  if ((v->vt & VT_BYREF) == 0 && (v->vt & VT_ARRAY) == 0) {
    switch (v->vt & VT_TYPEMASK) {
      case VT_BSTR:
        SysFreeString(v->value.bstrVal);
        break;
      case VT_DISPATCH:
      case VT_UNKNOWN:
        if (v->value.punkVal != nullptr) v->value.punkVal->Release();
        break;
      default:
        break;
    }
  } else if ((v->vt & VT_ARRAY) != 0 && (v->vt & VT_BYREF) == 0) {
    // Arrays are never produced by this runtime.
    return DISP_E_BADVARTYPE;
  }
  VariantInit(v);
  return S_OK;
}

QORV_EXPORT HRESULT VariantCopy(VARIANT* destination, const VARIANT* source) {
  if (destination == nullptr || source == nullptr) return E_INVALIDARG;
  if (destination == source) return S_OK;
  if ((source->vt & VT_ARRAY) != 0 && (source->vt & VT_BYREF) == 0) return DISP_E_BADVARTYPE;
  HRESULT hr = VariantClear(destination);
  if (FAILED(hr)) return hr;
  *destination = *source;
  if ((source->vt & VT_BYREF) != 0) return S_OK;
  switch (source->vt & VT_TYPEMASK) {
    case VT_BSTR:
      if (source->value.bstrVal != nullptr) {
        destination->value.bstrVal =
            SysAllocStringLen(source->value.bstrVal, SysStringLen(source->value.bstrVal));
        if (destination->value.bstrVal == nullptr) {
          VariantInit(destination);
          return E_OUTOFMEMORY;
        }
      }
      break;
    case VT_DISPATCH:
    case VT_UNKNOWN:
      if (source->value.punkVal != nullptr) source->value.punkVal->AddRef();
      break;
    default:
      break;
  }
  return S_OK;
}

}  // extern "C"
