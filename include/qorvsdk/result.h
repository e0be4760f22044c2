// Calls whose outputs arrive in out-parameters, turned into one value.
//
// A property getter or any method whose last parameter is its one output:
//
//   qorvsdk::Result<LONG> count = qorvsdk::Get(set, &IQORVOperationResultSet::get_Count);
//   qorvsdk::Result<qorvsdk::Bstr> name = qorvsdk::Get(item, &IQORVProjectItem::get_Name);
//   if (count.ok()) use(count.value);
//
// The output is held by the type that owns it: a BSTR by Bstr, a VARIANT by
// Variant, an interface pointer by ComPtr, anything else by value.
//
// The operation methods of IQORVSDK share three outputs (Canceled,
// ResultDescription, ResultValue); OperationStatus holds them:
//
//   qorvsdk::OperationStatus status;
//   status.hr = sdk->Logout(status.CanceledOut(), status.DescriptionOut(),
//                           status.ValueOut());
//   if (!status.ok()) report(status.description.Utf8());
#ifndef QORVSDK_RESULT_H_
#define QORVSDK_RESULT_H_

#include <tuple>
#include <type_traits>
#include <utility>

#include "qorvsdk/bstr.h"
#include "qorvsdk/com_ptr.h"
#include "qorvsdk/comtypes.h"
#include "qorvsdk/variant.h"

namespace qorvsdk {

template <class T>
struct Result {
  HRESULT hr = E_UNEXPECTED;
  T value{};
  bool ok() const { return SUCCEEDED(hr); }
};

// The owning holder of an out-parameter of type Out* and where the method
// writes into it.
template <class Out, class = void>
struct OutHolder {
  using Type = Out;
  static Out* Address(Type& holder) { return &holder; }
};
template <>
struct OutHolder<BSTR> {
  using Type = Bstr;
  static BSTR* Address(Bstr& holder) { return holder.Receive(); }
};
template <>
struct OutHolder<VARIANT> {
  using Type = Variant;
  static VARIANT* Address(Variant& holder) { return holder.Receive(); }
};
template <class I>
struct OutHolder<I*, std::enable_if_t<std::is_base_of_v<IUnknown, I>>> {
  using Type = ComPtr<I>;
  static I** Address(ComPtr<I>& holder) { return holder.Receive(); }
};

namespace detail {

template <class Method>
struct LastParameter;
template <class C, class... Params>
struct LastParameter<HRESULT (C::*)(Params...)> {
  static_assert(sizeof...(Params) > 0, "the method has no out-parameter");
  using Pointer = std::tuple_element_t<sizeof...(Params) - 1, std::tuple<Params...>>;
  static_assert(std::is_pointer_v<Pointer>, "the last parameter is not an out-parameter");
  using Type = std::remove_pointer_t<Pointer>;
};

}  // namespace detail

// Calls object->method(args..., &output) and returns the HRESULT with the
// output. E_POINTER (and no call) when `object` is null. On failure the
// value is whatever the method left, normally empty.
template <class Object, class Method, class... Args>
auto Get(Object* object, Method method, Args&&... args)
    -> Result<typename OutHolder<typename detail::LastParameter<Method>::Type>::Type> {
  using Holder = OutHolder<typename detail::LastParameter<Method>::Type>;
  Result<typename Holder::Type> result;
  if (object == nullptr) {
    result.hr = E_POINTER;
    return result;
  }
  result.hr = (object->*method)(std::forward<Args>(args)..., Holder::Address(result.value));
  return result;
}

// The outputs every IQORVSDK operation method shares: whether an event
// handler canceled it, the result text ("Completed" on success) and the
// result code. `hr` is the method's own HRESULT: a failing one means the
// outputs were not written.
struct OperationStatus {
  HRESULT hr = E_UNEXPECTED;
  VARIANT_BOOL canceled = VARIANT_FALSE;
  Bstr description;
  LONG value = 0;

  VARIANT_BOOL* CanceledOut() { return &canceled; }
  BSTR* DescriptionOut() { return description.Receive(); }
  LONG* ValueOut() { return &value; }

  bool Canceled() const { return canceled != VARIANT_FALSE; }
  // The call ran and was not canceled (the result code may still report a
  // failure of the operation itself).
  bool ok() const { return SUCCEEDED(hr) && !Canceled(); }
};

}  // namespace qorvsdk

#endif  // QORVSDK_RESULT_H_
