// Table-driven IDispatch: one declarative table per interface serves
// GetIDsOfNames and Invoke; no member needs hand-written conversion code.
//
// A table lists, for each member: its name, its DISPID, its kind (method,
// property get, property put) and the member function. The argument
// conversions come from the member function's signature (see
// dispatch_arguments.h):
//
//   template <>
//   struct qorv::platform::DispatchTableFor<IQORVAddFile> {
//     using M = qorv::platform::DispatchMembers<IQORVAddFile>;
//     static constexpr qorv::platform::DispatchMember kMembers[] = {
//         M::PropertyGet<&IQORVAddFile::get_LocalFileName>("LocalFileName", 1),
//         M::PropertyPut<&IQORVAddFile::put_LocalFileName>("LocalFileName", 1),
//     };
//   };
//
// Invoke behaves as COM's type-library-driven Invoke does:
// - riid other than IID_NULL: DISP_E_UNKNOWNINTERFACE;
// - a DISPID without a member of a kind the flags allow: DISP_E_MEMBERNOTFOUND
//   (DISPATCH_METHOD picks a method, DISPATCH_PROPERTYGET a property get,
//   DISPATCH_PROPERTYPUT a property put, in that order of preference);
// - named arguments: only DISPID_PROPERTYPUT, and only for a put, which
//   requires it (DISP_E_NONAMEDARGS otherwise; DISP_E_PARAMNOTFOUND for a put
//   without it);
// - a wrong number of arguments: DISP_E_BADPARAMCOUNT;
// - an argument that cannot be converted: DISP_E_TYPEMISMATCH (or
//   DISP_E_OVERFLOW) with its index in rgvarg in *puArgErr;
// - a member that returns a failure: DISP_E_EXCEPTION with the member's
//   HRESULT in EXCEPINFO::scode (the rest of EXCEPINFO zero);
// - otherwise the member's own HRESULT.
// GetIDsOfNames matches names ignoring ASCII letter case; an unknown name
// gets DISPID_UNKNOWN and DISP_E_UNKNOWNNAME. Parameter names are not known,
// so any name after the first also gets DISPID_UNKNOWN.
#ifndef QORV_PLATFORM_COMPONENT_DISPATCH_TABLE_H_
#define QORV_PLATFORM_COMPONENT_DISPATCH_TABLE_H_

#include <span>
#include <type_traits>

#include "platform/component/dispatch_arguments.h"
#include "qorvsdk/comtypes.h"

namespace qorv::platform {

enum class DispatchKind : WORD {
  kMethod = DISPATCH_METHOD,
  kPropertyGet = DISPATCH_PROPERTYGET,
  kPropertyPut = DISPATCH_PROPERTYPUT,
};

struct DispatchMember {
  const char* name;  // ASCII
  DISPID dispid;
  DispatchKind kind;
  // Converts the arguments, calls the member on `target` (which points to the
  // table's interface) and writes the out-values back.
  HRESULT (*invoke)(void* target, InvokeFrame& frame);
};

using DispatchTable = std::span<const DispatchMember>;

// Specialised per interface with a `static constexpr DispatchMember
// kMembers[]`.
template <class Interface>
struct DispatchTableFor;

template <class Interface>
DispatchTable DispatchTableOf() {
  return DispatchTableFor<Interface>::kMembers;
}

// Builders of table entries for the members of `Target`; each checks at
// compile time that the member belongs to Target and suits its kind.
template <class Target>
struct DispatchMembers {
  template <auto Member>
  static constexpr DispatchMember Method(const char* name, DISPID dispid) {
    CheckTarget<Member>();
    return {name, dispid, DispatchKind::kMethod, &dispatch_internal::InvokeThunk<Member>};
  }

  // get_X(T* value), or with leading index parameters (get_Item(LONG, VARIANT*)).
  template <auto Member>
  static constexpr DispatchMember PropertyGet(const char* name, DISPID dispid) {
    CheckTarget<Member>();
    static_assert(dispatch_internal::MemberSignature<decltype(Member)>::kLastIsOut,
                  "a property get returns its value through its last parameter");
    return {name, dispid, DispatchKind::kPropertyGet, &dispatch_internal::InvokeThunk<Member>};
  }

  // put_X(T value).
  template <auto Member>
  static constexpr DispatchMember PropertyPut(const char* name, DISPID dispid) {
    CheckTarget<Member>();
    using Signature = dispatch_internal::MemberSignature<decltype(Member)>;
    static_assert(Signature::kCount >= 1 && !Signature::kAnyOut,
                  "a property put takes its value and has no out-parameters");
    return {name, dispid, DispatchKind::kPropertyPut, &dispatch_internal::InvokeThunk<Member>};
  }

 private:
  template <auto Member>
  static constexpr void CheckTarget() {
    static_assert(
        std::is_same_v<typename dispatch_internal::MemberSignature<decltype(Member)>::TargetType,
                       Target>,
        "a dispatch table lists members of its own interface");
  }
};

HRESULT DispatchGetIDsOfNames(DispatchTable table, REFIID riid, LPOLESTR* names, UINT count,
                              DISPID* dispids);

// `target` points to the interface the table describes.
HRESULT DispatchInvoke(DispatchTable table, void* target, DISPID dispid, REFIID riid, WORD flags,
                       DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                       UINT* argument_error);

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_COMPONENT_DISPATCH_TABLE_H_
