// Argument conversion for table-driven IDispatch::Invoke, derived from the
// signature of the member function a dispatch entry names.
//
// Parameter kinds, by C++ type:
//   in:  BSTR, LONG, VARIANT_BOOL (any SHORT), DATE (any double), an
//        enumeration, a pointer to an interface, VARIANT
//   out: a pointer to any of those value types (BSTR*, LONG*, ...), a pointer
//        to an interface pointer (IQORV...Set**, IUnknown**), VARIANT*
// An in-argument may be passed by value or by reference and is converted
// (variant_coerce.h). An out-argument must be passed by reference, either to
// its exact type (VT_BYREF | VT_I4 for LONG* and enumerations, VT_BYREF |
// VT_BSTR, VT_BYREF | VT_DISPATCH or VT_UNKNOWN for interfaces ...) or as
// VT_BYREF | VT_VARIANT, which receives a value of the exact type. When the
// last parameter is an out-parameter the caller may leave it out; it then
// arrives in the result VARIANT (the return value of the dispatch view).
//
// Out-values are written back only when the member succeeds. A LONG,
// VARIANT_BOOL, DATE or enumeration out-parameter passed through a VARIANT
// starts from that VARIANT's value, so a member that leaves it alone hands
// the caller's value back (coerced to the exact type).
#ifndef QORV_PLATFORM_COMPONENT_DISPATCH_ARGUMENTS_H_
#define QORV_PLATFORM_COMPONENT_DISPATCH_ARGUMENTS_H_

#include <cstddef>
#include <tuple>
#include <type_traits>
#include <utility>

#include "platform/component/interface_id.h"
#include "platform/component/variant_coerce.h"
#include "qorvsdk/comtypes.h"

namespace qorv::platform {

// The arguments of one Invoke call as a member's thunk sees them.
struct InvokeFrame {
  VARIANTARG* arguments = nullptr;  // DISPPARAMS::rgvarg: the last argument first
  UINT count = 0;
  VARIANT* result = nullptr;  // null when the caller wants no result, and for puts
  UINT* argument_error = nullptr;
  bool member_called = false;  // set once the arguments were converted
};

namespace dispatch_internal {

template <class Param>
constexpr bool kIsOutParameter = std::is_pointer_v<Param> && !std::is_same_v<Param, BSTR> &&
                                 !std::is_base_of_v<IUnknown, std::remove_pointer_t<Param>>;

template <class Param>
struct InArgument;  // undefined: an unsupported parameter type fails to compile

template <>
struct InArgument<LONG> {
  LONG value = 0;
  HRESULT Bind(const VARIANT& argument) { return CoerceToLong(ReadThrough(argument), &value); }
  LONG Get() const { return value; }
};

template <>
struct InArgument<VARIANT_BOOL> {
  VARIANT_BOOL value = VARIANT_FALSE;
  HRESULT Bind(const VARIANT& argument) { return CoerceToBool(ReadThrough(argument), &value); }
  VARIANT_BOOL Get() const { return value; }
};

template <>
struct InArgument<DATE> {
  DATE value = 0.0;
  HRESULT Bind(const VARIANT& argument) { return CoerceToDate(ReadThrough(argument), &value); }
  DATE Get() const { return value; }
};

template <class Enum>
requires std::is_enum_v<Enum>
struct InArgument<Enum> {
  static_assert(sizeof(Enum) == sizeof(LONG), "enumerations travel as VT_I4");
  LONG value = 0;
  HRESULT Bind(const VARIANT& argument) { return CoerceToLong(ReadThrough(argument), &value); }
  Enum Get() const { return static_cast<Enum>(value); }
};

template <>
struct InArgument<BSTR> {
  BSTR value = nullptr;
  bool owned = false;
  InArgument() = default;
  InArgument(const InArgument&) = delete;
  InArgument& operator=(const InArgument&) = delete;
  ~InArgument() {
    if (owned) SysFreeString(value);
  }
  HRESULT Bind(const VARIANT& argument) {
    VARIANT view = ReadThrough(argument);
    if (view.vt == VT_BSTR) {  // borrowed: the caller keeps ownership
      value = view.value.bstrVal;
      return S_OK;
    }
    HRESULT hr = CoerceToBstr(view, &value);
    owned = SUCCEEDED(hr);
    return hr;
  }
  BSTR Get() const { return value; }
};

template <class Interface>
requires std::is_base_of_v<IUnknown, Interface>
struct InArgument<Interface*> {
  Interface* value = nullptr;
  InArgument() = default;
  InArgument(const InArgument&) = delete;
  InArgument& operator=(const InArgument&) = delete;
  ~InArgument() {
    if (value != nullptr) value->Release();
  }
  HRESULT Bind(const VARIANT& argument) {
    void* pointer = nullptr;
    HRESULT hr = CoerceToInterface(ReadThrough(argument), IidOf<Interface>(), &pointer);
    value = static_cast<Interface*>(pointer);
    return hr;
  }
  Interface* Get() const { return value; }
};

template <>
struct InArgument<VARIANT> {
  VARIANT value;
  InArgument() { VariantInit(&value); }
  InArgument(const InArgument&) = delete;
  InArgument& operator=(const InArgument&) = delete;
  ~InArgument() { VariantClear(&value); }
  HRESULT Bind(const VARIANT& argument) {
    VARIANT view = ReadThrough(argument);
    if (view.vt == VT_ERROR && (argument.vt & VT_BYREF) != 0) return DISP_E_TYPEMISMATCH;
    return VariantCopy(&value, &view);
  }
  VARIANT Get() const { return value; }
};

// Per out-type facts: the exact VARTYPE, whether the caller's storage can be
// handed to the member as it is, how a value starts from a VARIANT, how it
// is stored into one and how it is freed when unused.
template <class T>
struct OutTraits;

template <>
struct OutTraits<LONG> {
  static constexpr VARTYPE kVarType = VT_I4;
  static constexpr bool kDirect = true;
  static LONG Initial(const VARIANT& current) {
    LONG value = 0;
    return SUCCEEDED(CoerceToLong(ReadThrough(current), &value)) ? value : 0;
  }
  static void Store(LONG value, VARIANT* target) {
    target->vt = VT_I4;
    target->value.lVal = value;
  }
  static void Discard(LONG&) {}
};

template <>
struct OutTraits<VARIANT_BOOL> {
  static constexpr VARTYPE kVarType = VT_BOOL;
  static constexpr bool kDirect = true;
  static VARIANT_BOOL Initial(const VARIANT& current) {
    VARIANT_BOOL value = VARIANT_FALSE;
    return SUCCEEDED(CoerceToBool(ReadThrough(current), &value)) ? value : VARIANT_FALSE;
  }
  static void Store(VARIANT_BOOL value, VARIANT* target) {
    target->vt = VT_BOOL;
    target->value.boolVal = value;
  }
  static void Discard(VARIANT_BOOL&) {}
};

template <>
struct OutTraits<DATE> {
  static constexpr VARTYPE kVarType = VT_DATE;
  static constexpr bool kDirect = true;
  static DATE Initial(const VARIANT& current) {
    DATE value = 0.0;
    return SUCCEEDED(CoerceToDate(ReadThrough(current), &value)) ? value : 0.0;
  }
  static void Store(DATE value, VARIANT* target) {
    target->vt = VT_DATE;
    target->value.date = value;
  }
  static void Discard(DATE&) {}
};

template <>
struct OutTraits<BSTR> {
  static constexpr VARTYPE kVarType = VT_BSTR;
  static constexpr bool kDirect = true;
  // An out-BSTR always receives a new string; the old one is not passed in.
  static BSTR Initial(const VARIANT&) { return nullptr; }
  static void Store(BSTR value, VARIANT* target) {
    target->vt = VT_BSTR;
    target->value.bstrVal = value;
  }
  static void Discard(BSTR& value) {
    SysFreeString(value);
    value = nullptr;
  }
};

template <class Enum>
requires std::is_enum_v<Enum>
struct OutTraits<Enum> {
  static_assert(sizeof(Enum) == sizeof(LONG), "enumerations travel as VT_I4");
  static constexpr VARTYPE kVarType = VT_I4;
  static constexpr bool kDirect = false;  // the caller's storage is a LONG
  static Enum Initial(const VARIANT& current) {
    return static_cast<Enum>(OutTraits<LONG>::Initial(current));
  }
  static Enum FromExact(const VARIANT& exact) { return static_cast<Enum>(*exact.value.plVal); }
  static void WriteExact(Enum value, const VARIANT& exact) {
    *exact.value.plVal = static_cast<LONG>(value);
  }
  static void Store(Enum value, VARIANT* target) {
    OutTraits<LONG>::Store(static_cast<LONG>(value), target);
  }
  static void Discard(Enum&) {}
};

template <class Interface>
requires std::is_base_of_v<IUnknown, Interface>
struct OutTraits<Interface*> {
  static constexpr VARTYPE kVarType =
      std::is_base_of_v<IDispatch, Interface> ? VT_DISPATCH : VT_UNKNOWN;
  static constexpr bool kDirect = false;  // the caller's storage is an IDispatch* or IUnknown*
  static bool IsExact(VARTYPE vt) {
    return vt == (VT_BYREF | VT_UNKNOWN) ||
           (vt == (VT_BYREF | VT_DISPATCH) && kVarType == VT_DISPATCH);
  }
  static Interface* Initial(const VARIANT&) { return nullptr; }
  static Interface* FromExact(const VARIANT&) { return nullptr; }
  static void WriteExact(Interface* value, const VARIANT& exact) {
    if (exact.vt == (VT_BYREF | VT_DISPATCH)) {
      if constexpr (std::is_base_of_v<IDispatch, Interface>) *exact.value.ppdispVal = value;
    } else {
      *exact.value.ppunkVal = value;
    }
  }
  static void Store(Interface* value, VARIANT* target) {
    target->vt = kVarType;
    target->value.punkVal = value;
  }
  static void Discard(Interface*& value) {
    if (value != nullptr) value->Release();
    value = nullptr;
  }
};

template <class T>
bool IsExactReference(VARTYPE vt) {
  if constexpr (requires { OutTraits<T>::IsExact(vt); }) {
    return OutTraits<T>::IsExact(vt);
  } else {
    return vt == (VT_BYREF | OutTraits<T>::kVarType);
  }
}

// One out-parameter: bound to the caller's reference, or to the result
// VARIANT when it is the omitted return value.
template <class T>
class OutArgument {
  using Traits = OutTraits<T>;

 public:
  OutArgument() = default;
  OutArgument(const OutArgument&) = delete;
  OutArgument& operator=(const OutArgument&) = delete;
  ~OutArgument() {
    if (!committed_ && direct_ == nullptr) Traits::Discard(value_);
  }

  HRESULT Bind(VARIANTARG& argument) {
    if ((argument.vt & VT_BYREF) == 0 || argument.value.byref == nullptr) {
      return DISP_E_TYPEMISMATCH;
    }
    if (IsExactReference<T>(argument.vt)) {
      if constexpr (Traits::kDirect) {
        direct_ = static_cast<T*>(argument.value.byref);
      } else {
        exact_ = &argument;
        value_ = Traits::FromExact(argument);
      }
      return S_OK;
    }
    if (argument.vt == (VT_BYREF | VT_VARIANT)) {
      variant_ = argument.value.pvarVal;
      value_ = Traits::Initial(*variant_);
      return S_OK;
    }
    return DISP_E_TYPEMISMATCH;
  }

  // `result` may be null: the value is then dropped.
  void BindReturnValue(VARIANT* result) { result_ = result; }

  T* Get() { return direct_ != nullptr ? direct_ : &value_; }

  void Commit() {
    committed_ = true;
    if (direct_ != nullptr) return;
    if constexpr (!Traits::kDirect) {
      if (exact_ != nullptr) {
        Traits::WriteExact(value_, *exact_);
        return;
      }
    }
    if (variant_ != nullptr) {
      VariantClear(variant_);
      Traits::Store(value_, variant_);
    } else if (result_ != nullptr) {
      Traits::Store(value_, result_);
    } else {
      Traits::Discard(value_);
    }
  }

 private:
  T value_{};
  T* direct_ = nullptr;             // the caller's storage of the exact type
  const VARIANT* exact_ = nullptr;  // exact reference needing a converted write
  VARIANT* variant_ = nullptr;      // VT_BYREF | VT_VARIANT target
  VARIANT* result_ = nullptr;       // the result VARIANT (return value)
  bool committed_ = false;
};

// A VARIANT out-parameter (a collection's Item): only VT_BYREF | VT_VARIANT
// or the result VARIANT can receive it.
template <>
class OutArgument<VARIANT> {
 public:
  OutArgument() { VariantInit(&value_); }
  OutArgument(const OutArgument&) = delete;
  OutArgument& operator=(const OutArgument&) = delete;
  ~OutArgument() { VariantClear(&value_); }

  HRESULT Bind(VARIANTARG& argument) {
    if (argument.vt != (VT_BYREF | VT_VARIANT) || argument.value.pvarVal == nullptr) {
      return DISP_E_TYPEMISMATCH;
    }
    target_ = argument.value.pvarVal;
    clear_target_ = true;
    return S_OK;
  }
  void BindReturnValue(VARIANT* result) { target_ = result; }
  VARIANT* Get() { return &value_; }
  void Commit() {
    if (target_ == nullptr) return;  // dropped with value_ by the destructor
    if (clear_target_) VariantClear(target_);
    *target_ = value_;  // ownership moves to the target
    VariantInit(&value_);
  }

 private:
  VARIANT value_;
  VARIANT* target_ = nullptr;
  bool clear_target_ = false;
};

template <class Param>
using ArgumentFor =
    std::conditional_t<kIsOutParameter<Param>, OutArgument<std::remove_pointer_t<Param>>,
                       InArgument<Param>>;

// Writes an out-argument back; in-arguments have nothing to write.
template <class Argument>
void CommitArgument(Argument& argument) {
  if constexpr (requires { argument.Commit(); }) argument.Commit();
}

template <size_t kIndex, size_t kCount, class Argument>
HRESULT BindArgument(Argument& argument, InvokeFrame& frame, bool return_value_omitted) {
  if constexpr (kIndex + 1 == kCount &&
                requires(Argument & a, VARIANT * r) { a.BindReturnValue(r); }) {
    if (return_value_omitted) {
      argument.BindReturnValue(frame.result);
      return S_OK;
    }
  }
  // Positional arguments arrive in reverse order.
  const UINT position = frame.count - 1 - static_cast<UINT>(kIndex);
  HRESULT hr = argument.Bind(frame.arguments[position]);
  if (FAILED(hr) && frame.argument_error != nullptr) *frame.argument_error = position;
  return hr;
}

template <auto Member, class Target, class... Params, size_t... kIndex>
HRESULT InvokeWithArguments(Target* target, InvokeFrame& frame, std::index_sequence<kIndex...>) {
  constexpr size_t kCount = sizeof...(Params);
  constexpr bool kLastIsOut = [] {
    if constexpr (kCount == 0) {
      return false;
    } else {
      return kIsOutParameter<std::tuple_element_t<kCount - 1, std::tuple<Params...>>>;
    }
  }();
  [[maybe_unused]] bool return_value_omitted = false;
  if (frame.count == kCount) {
    return_value_omitted = false;
  } else if (kLastIsOut && frame.count + 1 == kCount) {
    return_value_omitted = true;
  } else {
    return DISP_E_BADPARAMCOUNT;
  }
  std::tuple<ArgumentFor<Params>...> arguments;
  HRESULT hr = S_OK;
  ((hr = FAILED(hr) ? hr
                    : BindArgument<kIndex, kCount>(std::get<kIndex>(arguments), frame,
                                                   return_value_omitted)),
   ...);
  if (FAILED(hr)) return hr;
  frame.member_called = true;
  hr = (target->*Member)(std::get<kIndex>(arguments).Get()...);
  if (SUCCEEDED(hr)) (CommitArgument(std::get<kIndex>(arguments)), ...);
  return hr;
}

template <class Signature>
struct MemberSignature;

template <class Target, class... Params>
struct MemberSignature<HRESULT (Target::*)(Params...)> {
  using TargetType = Target;
  static constexpr size_t kCount = sizeof...(Params);
  static constexpr bool kLastIsOut = [] {
    if constexpr (kCount == 0) {
      return false;
    } else {
      return kIsOutParameter<std::tuple_element_t<kCount - 1, std::tuple<Params...>>>;
    }
  }();
  static constexpr bool kAnyOut = (kIsOutParameter<Params> || ...);

  template <auto Member>
  static HRESULT Invoke(Target* target, InvokeFrame& frame) {
    return InvokeWithArguments<Member, Target, Params...>(target, frame,
                                                          std::index_sequence_for<Params...>());
  }
};

// The thunk stored in a dispatch table entry.
template <auto Member>
HRESULT InvokeThunk(void* target, InvokeFrame& frame) {
  using Signature = MemberSignature<decltype(Member)>;
  return Signature::template Invoke<Member>(static_cast<typename Signature::TargetType*>(target),
                                            frame);
}

}  // namespace dispatch_internal
}  // namespace qorv::platform

#endif  // QORV_PLATFORM_COMPONENT_DISPATCH_ARGUMENTS_H_
