// Table-driven IDispatch: name lookup, argument conversion and the DISP_E_
// codes, on a test interface with parameters of every supported kind.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/component/com_object.h"
#include "platform/component/dispatch_impl.h"
#include "platform/component/dispatch_table.h"
#include "qorvsdk/comtypes.h"
#include "qorvsdk/enums.h"

struct ITestTarget : IDispatch {
  // Copies every in-argument to the matching out-argument; the result is
  // number + 1.
  virtual HRESULT Echo(LONG number, BSTR text, VARIANT_BOOL flag, DATE date, Enum_EOL eol,
                       IDispatch* object, LONG* number_out, BSTR* text_out, VARIANT_BOOL* flag_out,
                       DATE* date_out, Enum_EOL* eol_out, IDispatch** object_out, LONG* result) = 0;
  // Leaves `kept` alone; sets `written` to 5.
  virtual HRESULT Partial(LONG* kept, LONG* written) = 0;
  virtual HRESULT get_Value(LONG* value) = 0;
  virtual HRESULT put_Value(LONG value) = 0;
  virtual HRESULT get_Item(LONG index, VARIANT* item) = 0;
  virtual HRESULT Fail() = 0;
};

// {6F1C2A0E-8D3B-4C5A-9E7F-112233445566}
constexpr IID IID_ITestTarget = {
    0x6F1C2A0E, 0x8D3B, 0x4C5A, {0x9E, 0x7F, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66}};
QORV_INTERFACE_ID(ITestTarget, IID_ITestTarget);

template <>
struct qorv::platform::DispatchTableFor<ITestTarget> {
  using M = DispatchMembers<ITestTarget>;
  static constexpr DispatchMember kMembers[] = {
      M::Method<&ITestTarget::Echo>("Echo", 1),
      M::Method<&ITestTarget::Partial>("Partial", 2),
      M::PropertyGet<&ITestTarget::get_Value>("Value", 3),
      M::PropertyPut<&ITestTarget::put_Value>("Value", 3),
      M::PropertyGet<&ITestTarget::get_Item>("Item", DISPID_VALUE),
      M::Method<&ITestTarget::Fail>("Fail", 4),
  };
};

namespace qorv::platform {
namespace {

class TestTarget final : public ComObject<TestTarget, DispatchImpl<ITestTarget>> {
 public:
  HRESULT Echo(LONG number, BSTR text, VARIANT_BOOL flag, DATE date, Enum_EOL eol,
               IDispatch* object, LONG* number_out, BSTR* text_out, VARIANT_BOOL* flag_out,
               DATE* date_out, Enum_EOL* eol_out, IDispatch** object_out, LONG* result) override {
    *number_out = number;
    *text_out = SysAllocStringLen(text, SysStringLen(text));
    *flag_out = flag;
    *date_out = date;
    *eol_out = eol;
    if (object != nullptr) object->AddRef();
    *object_out = object;
    *result = number + 1;
    return S_OK;
  }
  HRESULT Partial(LONG*, LONG* written) override {
    *written = 5;
    return S_OK;
  }
  HRESULT get_Value(LONG* value) override {
    *value = value_;
    return S_OK;
  }
  HRESULT put_Value(LONG value) override {
    value_ = value;
    return S_OK;
  }
  HRESULT get_Item(LONG index, VARIANT* item) override {
    if (index != 0) return E_INVALIDARG;
    item->vt = VT_I4;
    item->value.lVal = 100;
    return S_OK;
  }
  HRESULT Fail() override { return E_ACCESSDENIED; }

 private:
  LONG value_ = 0;
};

// Owns the VARIANT arguments of one call; Arg() appends in declaration order
// and Params() lays them out last-first, as DISPPARAMS wants them.
class Arguments {
 public:
  ~Arguments() {
    for (VARIANT& v : values_) VariantClear(&v);
  }
  Arguments& Long(LONG value) {
    return Add(VT_I4, [&](VARIANT& v) { v.value.lVal = value; });
  }
  Arguments& Bool(VARIANT_BOOL value) {
    return Add(VT_BOOL, [&](VARIANT& v) { v.value.boolVal = value; });
  }
  Arguments& Double(double value) {
    return Add(VT_R8, [&](VARIANT& v) { v.value.dblVal = value; });
  }
  Arguments& Date(DATE value) {
    return Add(VT_DATE, [&](VARIANT& v) { v.value.date = value; });
  }
  Arguments& Text(const char16_t* text) {
    return Add(VT_BSTR, [&](VARIANT& v) { v.value.bstrVal = SysAllocString(text); });
  }
  Arguments& Dispatch(IDispatch* object) {
    if (object != nullptr) object->AddRef();
    return Add(VT_DISPATCH, [&](VARIANT& v) { v.value.pdispVal = object; });
  }
  Arguments& Empty() {
    return Add(VT_EMPTY, [](VARIANT&) {});
  }
  Arguments& Ref(VARTYPE type, void* target) {
    return Add(static_cast<VARTYPE>(VT_BYREF | type), [&](VARIANT& v) { v.value.byref = target; });
  }
  DISPPARAMS Params() {
    ordered_.assign(values_.rbegin(), values_.rend());
    return DISPPARAMS{ordered_.data(), nullptr, static_cast<UINT>(ordered_.size()), 0};
  }

 private:
  template <class Fill>
  Arguments& Add(VARTYPE type, Fill fill) {
    VARIANT v;
    VariantInit(&v);
    v.vt = type;
    fill(v);
    values_.push_back(v);
    return *this;
  }
  std::vector<VARIANT> values_;
  std::vector<VARIANT> ordered_;  // a shallow copy in reverse: owns nothing
};

class DispatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(
        CreateComObject<TestTarget>(nullptr, IID_ITestTarget, reinterpret_cast<void**>(&target_)),
        S_OK);
  }
  void TearDown() override { target_->Release(); }

  HRESULT Invoke(DISPID dispid, WORD flags, DISPPARAMS* params, VARIANT* result = nullptr) {
    arg_error_ = 0xFFFF;
    return target_->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, flags, params, result,
                           &exception_, &arg_error_);
  }

  ITestTarget* target_ = nullptr;
  EXCEPINFO exception_ = {};
  UINT arg_error_ = 0;
};

TEST_F(DispatchTest, NamesAreFoundIgnoringCaseAndUnknownNamesAreReported) {
  LPOLESTR name = const_cast<LPOLESTR>(u"vALUE");
  DISPID dispid = 0;
  EXPECT_EQ(target_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &dispid), S_OK);
  EXPECT_EQ(dispid, 3);

  LPOLESTR missing = const_cast<LPOLESTR>(u"Valu");
  EXPECT_EQ(target_->GetIDsOfNames(IID_NULL, &missing, 1, LOCALE_USER_DEFAULT, &dispid),
            DISP_E_UNKNOWNNAME);
  EXPECT_EQ(dispid, DISPID_UNKNOWN);

  // The member is found; its parameter names are not known.
  LPOLESTR names[2] = {const_cast<LPOLESTR>(u"Echo"), const_cast<LPOLESTR>(u"number")};
  DISPID ids[2] = {0, 0};
  EXPECT_EQ(target_->GetIDsOfNames(IID_NULL, names, 2, LOCALE_USER_DEFAULT, ids),
            DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], 1);
  EXPECT_EQ(ids[1], DISPID_UNKNOWN);

  EXPECT_EQ(target_->GetIDsOfNames(IID_IUnknown, &name, 1, LOCALE_USER_DEFAULT, &dispid),
            DISP_E_UNKNOWNINTERFACE);
  UINT count = 7;
  EXPECT_EQ(target_->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 0u);
}

TEST_F(DispatchTest, ManyArgumentsInReverseOrderWithReferencesAndReturnValue) {
  LONG number_out = 0;
  BSTR text_out = nullptr;
  VARIANT_BOOL flag_out = VARIANT_FALSE;
  VARIANT date_out;  // through a VARIANT, as script engines pass variables
  VariantInit(&date_out);
  LONG eol_out = 0;
  IDispatch* object_out = nullptr;
  Arguments args;
  args.Long(41)
      .Text(u"t\u00e9xt")
      .Bool(VARIANT_TRUE)
      .Date(45000.25)
      .Long(Enum_CRLF)
      .Dispatch(target_)
      .Ref(VT_I4, &number_out)
      .Ref(VT_BSTR, &text_out)
      .Ref(VT_BOOL, &flag_out)
      .Ref(VT_VARIANT, &date_out)
      .Ref(VT_I4, &eol_out)
      .Ref(VT_DISPATCH, &object_out);  // the last out-parameter is left to the result
  DISPPARAMS params = args.Params();
  VARIANT result;
  ASSERT_EQ(Invoke(1, DISPATCH_METHOD, &params, &result), S_OK);

  EXPECT_EQ(result.vt, VT_I4);
  EXPECT_EQ(result.value.lVal, 42);
  EXPECT_EQ(number_out, 41);
  EXPECT_EQ(std::u16string(text_out), u"t\u00e9xt");
  EXPECT_EQ(flag_out, VARIANT_TRUE);
  EXPECT_EQ(date_out.vt, VT_DATE);
  EXPECT_EQ(date_out.value.date, 45000.25);
  EXPECT_EQ(eol_out, Enum_CRLF);
  EXPECT_EQ(object_out, static_cast<IDispatch*>(target_));
  SysFreeString(text_out);
  object_out->Release();

  // Passing every argument, the last out-parameter included, leaves the
  // result empty.
  LONG last = 0;
  Arguments all;
  LONG n = 0, e = 0;
  BSTR t = nullptr;
  VARIANT_BOOL f = 0;
  DATE d = 0;
  IDispatch* o = nullptr;
  all.Long(1).Text(u"").Bool(0).Date(0).Long(0).Empty();
  all.Ref(VT_I4, &n).Ref(VT_BSTR, &t).Ref(VT_BOOL, &f).Ref(VT_DATE, &d).Ref(VT_I4, &e);
  all.Ref(VT_DISPATCH, &o).Ref(VT_I4, &last);
  DISPPARAMS all_params = all.Params();
  ASSERT_EQ(Invoke(1, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &all_params, &result), S_OK);
  EXPECT_EQ(result.vt, VT_EMPTY);
  EXPECT_EQ(last, 2);
  EXPECT_EQ(o, nullptr);  // VT_EMPTY for an object is the null object
  SysFreeString(t);
}

TEST_F(DispatchTest, InArgumentsAreCoercedFromTheUsualTypes) {
  struct Case {
    const char* what;
    std::function<void(Arguments&)> number;  // first argument of Echo
    LONG expected;
  };
  SHORT by_ref_short = 12;
  VARIANT by_ref_variant;
  VariantInit(&by_ref_variant);
  by_ref_variant.vt = VT_R8;
  by_ref_variant.value.dblVal = 7.0;
  const Case cases[] = {
      {"text", [](Arguments& a) { a.Text(u" -17 "); }, -17},
      {"half rounds to even (down)", [](Arguments& a) { a.Double(2.5); }, 2},
      {"half rounds to even (up)", [](Arguments& a) { a.Double(3.5); }, 4},
      {"bool", [](Arguments& a) { a.Bool(VARIANT_TRUE); }, -1},
      {"empty", [](Arguments& a) { a.Empty(); }, 0},
      {"I2 by reference", [&](Arguments& a) { a.Ref(VT_I2, &by_ref_short); }, 12},
      {"VARIANT by reference", [&](Arguments& a) { a.Ref(VT_VARIANT, &by_ref_variant); }, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    LONG number_out = 0;
    BSTR text_out = nullptr;
    VARIANT_BOOL flag_out = 0;
    DATE date_out = 0;
    LONG eol_out = 0;
    IDispatch* object_out = nullptr;
    Arguments args;
    c.number(args);
    args.Long(5).Text(u"true").Text(u"2024-02-29 12:00").Text(u"1").Empty();
    args.Ref(VT_I4, &number_out).Ref(VT_BSTR, &text_out).Ref(VT_BOOL, &flag_out);
    args.Ref(VT_DATE, &date_out).Ref(VT_I4, &eol_out).Ref(VT_DISPATCH, &object_out);
    DISPPARAMS params = args.Params();
    ASSERT_EQ(Invoke(1, DISPATCH_METHOD, &params), S_OK);
    EXPECT_EQ(number_out, c.expected);
    EXPECT_EQ(std::u16string(text_out), u"5");  // LONG to text
    EXPECT_EQ(flag_out, VARIANT_TRUE);          // "true" to bool
    EXPECT_EQ(date_out, 45351.5);               // 2024-02-29 noon
    EXPECT_EQ(eol_out, Enum_LF);
    SysFreeString(text_out);
  }
}

TEST_F(DispatchTest, ConversionFailuresNameTheArgument) {
  LONG n = 0, e = 0, r = 0;
  BSTR t = nullptr;
  VARIANT_BOOL f = 0;
  DATE d = 0;
  IDispatch* o = nullptr;
  auto call = [&](std::function<void(Arguments&)> first, std::function<void(Arguments&)> flag) {
    Arguments args;
    first(args);
    args.Text(u"x");
    flag(args);
    args.Date(0).Long(0).Empty();
    args.Ref(VT_I4, &n).Ref(VT_BSTR, &t).Ref(VT_BOOL, &f).Ref(VT_DATE, &d).Ref(VT_I4, &e);
    args.Ref(VT_DISPATCH, &o).Ref(VT_I4, &r);
    DISPPARAMS params = args.Params();
    return Invoke(1, DISPATCH_METHOD, &params);
  };
  auto ok_flag = [](Arguments& a) { a.Bool(0); };
  // 13 arguments: the first is rgvarg[12], the third rgvarg[10].
  EXPECT_EQ(call([](Arguments& a) { a.Text(u"abc"); }, ok_flag), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(arg_error_, 12u);
  EXPECT_EQ(call([](Arguments& a) { a.Double(3e9); }, ok_flag), DISP_E_OVERFLOW);
  EXPECT_EQ(arg_error_, 12u);
  EXPECT_EQ(call([](Arguments& a) { a.Long(1); }, [](Arguments& a) { a.Text(u"maybe"); }),
            DISP_E_TYPEMISMATCH);
  EXPECT_EQ(arg_error_, 10u);
  EXPECT_EQ(t, nullptr);  // nothing was called, nothing written
}

TEST_F(DispatchTest, OutArgumentsMustBeReferencesOfTheirType) {
  LONG kept = 0;
  SHORT wrong = 0;
  Arguments by_value;
  by_value.Long(1).Long(2);
  DISPPARAMS params = by_value.Params();
  EXPECT_EQ(Invoke(2, DISPATCH_METHOD, &params), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(arg_error_, 1u);
  Arguments wrong_type;
  wrong_type.Ref(VT_I4, &kept).Ref(VT_I2, &wrong);
  params = wrong_type.Params();
  EXPECT_EQ(Invoke(2, DISPATCH_METHOD, &params), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(arg_error_, 0u);
}

TEST_F(DispatchTest, OutArgumentThroughVariantKeepsTheCallersValueWhenNotWritten) {
  VARIANT kept;
  VariantInit(&kept);
  kept.vt = VT_BSTR;
  kept.value.bstrVal = SysAllocString(u"9");
  VARIANT written;
  VariantInit(&written);
  Arguments args;
  args.Ref(VT_VARIANT, &kept).Ref(VT_VARIANT, &written);
  DISPPARAMS params = args.Params();
  ASSERT_EQ(Invoke(2, DISPATCH_METHOD, &params), S_OK);
  EXPECT_EQ(kept.vt, VT_I4);  // handed back in the parameter's type
  EXPECT_EQ(kept.value.lVal, 9);
  EXPECT_EQ(written.vt, VT_I4);
  EXPECT_EQ(written.value.lVal, 5);
}

TEST_F(DispatchTest, PropertiesAndTheirNamedArgument) {
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_BSTR;
  value.value.bstrVal = SysAllocString(u"12");
  DISPID put_id = DISPID_PROPERTYPUT;
  DISPPARAMS put = {&value, &put_id, 1, 1};
  ASSERT_EQ(Invoke(3, DISPATCH_PROPERTYPUT, &put), S_OK);
  VariantClear(&value);

  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  VARIANT result;
  ASSERT_EQ(Invoke(3, DISPATCH_PROPERTYGET, &none, &result), S_OK);
  EXPECT_EQ(result.vt, VT_I4);
  EXPECT_EQ(result.value.lVal, 12);

  // A put needs the named argument; nothing else may be named.
  VARIANT number;
  VariantInit(&number);
  number.vt = VT_I4;
  DISPPARAMS unnamed = {&number, nullptr, 1, 0};
  EXPECT_EQ(Invoke(3, DISPATCH_PROPERTYPUT, &unnamed), DISP_E_PARAMNOTFOUND);
  DISPID other = 5;
  DISPPARAMS wrongly_named = {&number, &other, 1, 1};
  EXPECT_EQ(Invoke(3, DISPATCH_PROPERTYPUT, &wrongly_named), DISP_E_NONAMEDARGS);
  DISPPARAMS named_get = {&number, &put_id, 1, 1};
  EXPECT_EQ(Invoke(3, DISPATCH_PROPERTYGET, &named_get, &result), DISP_E_NONAMEDARGS);
}

TEST_F(DispatchTest, MemberAndCountErrors) {
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  VARIANT result;
  EXPECT_EQ(Invoke(99, DISPATCH_METHOD, &none, &result), DISP_E_MEMBERNOTFOUND);
  // Echo is a method, not a property.
  EXPECT_EQ(Invoke(1, DISPATCH_PROPERTYGET, &none, &result), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Invoke(1, DISPATCH_METHOD, &none, &result), DISP_E_BADPARAMCOUNT);
  Arguments extra;
  extra.Long(1).Long(2);
  DISPPARAMS two = extra.Params();
  EXPECT_EQ(Invoke(3, DISPATCH_PROPERTYGET, &two, &result), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(
      target_->Invoke(3, IID_IUnknown, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr),
      DISP_E_UNKNOWNINTERFACE);
}

TEST_F(DispatchTest, MemberFailureBecomesAnException) {
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  EXPECT_EQ(Invoke(4, DISPATCH_METHOD, &none), DISP_E_EXCEPTION);
  EXPECT_EQ(exception_.scode, E_ACCESSDENIED);

  // The default member with an index: a bad index fails the same way and the
  // result stays empty.
  Arguments index;
  index.Long(3);
  DISPPARAMS params = index.Params();
  VARIANT result;
  EXPECT_EQ(Invoke(DISPID_VALUE, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params, &result),
            DISP_E_EXCEPTION);
  EXPECT_EQ(exception_.scode, E_INVALIDARG);
  EXPECT_EQ(result.vt, VT_EMPTY);
}

}  // namespace
}  // namespace qorv::platform
