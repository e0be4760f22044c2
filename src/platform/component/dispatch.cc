#include <cstring>

#include "platform/com/boundary_guard.h"
#include "platform/component/dispatch_table.h"

namespace qorv::platform {
namespace {

char FoldAscii(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char>(c - u'A' + u'a') : static_cast<char>(c);
}

bool NameMatches(const char16_t* candidate, const char* name) {
  if (candidate == nullptr) return false;
  for (;; ++candidate, ++name) {
    if (*candidate > 0x7F) return false;  // member names are ASCII
    char16_t name_char = static_cast<unsigned char>(*name);
    if (FoldAscii(*candidate) != FoldAscii(name_char)) return false;
    if (*name == '\0') return true;
  }
}

const DispatchMember* FindMember(DispatchTable table, DISPID dispid, DispatchKind kind) {
  for (const DispatchMember& member : table) {
    if (member.dispid == dispid && member.kind == kind) return &member;
  }
  return nullptr;
}

// The member an Invoke call means: a method when the flags allow one, else a
// property get, else a property put.
const DispatchMember* SelectMember(DispatchTable table, DISPID dispid, WORD flags) {
  const DispatchMember* member = nullptr;
  if ((flags & DISPATCH_METHOD) != 0) member = FindMember(table, dispid, DispatchKind::kMethod);
  if (member == nullptr && (flags & DISPATCH_PROPERTYGET) != 0) {
    member = FindMember(table, dispid, DispatchKind::kPropertyGet);
  }
  if (member == nullptr && (flags & DISPATCH_PROPERTYPUT) != 0) {
    member = FindMember(table, dispid, DispatchKind::kPropertyPut);
  }
  return member;
}

}  // namespace

HRESULT DispatchGetIDsOfNames(DispatchTable table, REFIID riid, LPOLESTR* names, UINT count,
                              DISPID* dispids) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (count == 0) return S_OK;
  if (names == nullptr || dispids == nullptr) return E_INVALIDARG;
  HRESULT hr = S_OK;
  dispids[0] = DISPID_UNKNOWN;
  for (const DispatchMember& member : table) {
    if (NameMatches(names[0], member.name)) {
      dispids[0] = member.dispid;
      break;
    }
  }
  if (dispids[0] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
  for (UINT i = 1; i < count; ++i) {
    dispids[i] = DISPID_UNKNOWN;
    hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

HRESULT DispatchInvoke(DispatchTable table, void* target, DISPID dispid, REFIID riid, WORD flags,
                       DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                       UINT* argument_error) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  const DispatchMember* member = SelectMember(table, dispid, flags);
  if (member == nullptr) return DISP_E_MEMBERNOTFOUND;

  DISPPARAMS no_arguments = {nullptr, nullptr, 0, 0};
  if (params == nullptr) params = &no_arguments;
  if (params->cArgs > 0 && params->rgvarg == nullptr) return E_INVALIDARG;
  if (params->cNamedArgs > params->cArgs) return E_INVALIDARG;

  const bool is_put = member->kind == DispatchKind::kPropertyPut;
  if (is_put) {
    // The new value is the named argument DISPID_PROPERTYPUT, at rgvarg[0].
    if (params->cNamedArgs == 0) return DISP_E_PARAMNOTFOUND;
    if (params->cNamedArgs != 1 || params->rgdispidNamedArgs == nullptr ||
        params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
      return DISP_E_NONAMEDARGS;
    }
  } else if (params->cNamedArgs != 0) {
    return DISP_E_NONAMEDARGS;
  }

  if (!is_put && result != nullptr) VariantInit(result);
  InvokeFrame frame;
  frame.arguments = params->rgvarg;
  frame.count = params->cArgs;
  frame.result = is_put ? nullptr : result;
  frame.argument_error = argument_error;
  // Argument conversions allocate too: nothing thrown by them or by the
  // member leaves Invoke.
  HRESULT hr = GuardBoundary([&] { return member->invoke(target, frame); });
  if (frame.member_called && FAILED(hr)) {
    if (exception != nullptr) {
      std::memset(exception, 0, sizeof(*exception));
      exception->scode = hr;
    }
    return DISP_E_EXCEPTION;
  }
  return hr;
}

}  // namespace qorv::platform
