// The object base (identity, counts, module lock), class factories with and
// without aggregation, and the snapshot enumerator.
#include <gtest/gtest.h>

#include "platform/component/class_factory.h"
#include "platform/component/com_object.h"
#include "platform/component/module_lock.h"
#include "platform/component/variant_enumerator.h"
#include "qorvsdk/comtypes.h"

namespace qorv::platform {
namespace {

class Plain final : public ComObject<Plain, IEnumVARIANT, ISupportErrorInfo> {
 public:
  HRESULT Next(ULONG, VARIANT*, ULONG*) override { return E_NOTIMPL; }
  HRESULT Skip(ULONG) override { return E_NOTIMPL; }
  HRESULT Reset() override { return E_NOTIMPL; }
  HRESULT Clone(IEnumVARIANT**) override { return E_NOTIMPL; }
  HRESULT InterfaceSupportsErrorInfo(REFIID) override { return S_FALSE; }
};

class Aggregatable final : public ComObject<Aggregatable, ISupportErrorInfo> {
 public:
  static constexpr bool kAggregatable = true;
  HRESULT InterfaceSupportsErrorInfo(REFIID) override { return S_OK; }
};

// An outer object that aggregates an inner object and counts its own
// references (the test controls its lifetime).
struct Outer : IUnknown {
  IUnknown* inner = nullptr;
  ULONG references = 1;
  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (riid == IID_IUnknown) {
      *object = this;
      AddRef();
      return S_OK;
    }
    return inner->QueryInterface(riid, object);
  }
  ULONG AddRef() override { return ++references; }
  ULONG Release() override { return --references; }
};

TEST(ComObject, IdentityInterfacesAndModuleLock) {
  const long before = ModuleLockCount();
  IUnknown* unknown = nullptr;
  ASSERT_EQ(CreateComObject<Plain>(nullptr, IID_IUnknown, reinterpret_cast<void**>(&unknown)),
            S_OK);
  EXPECT_EQ(ModuleLockCount(), before + 1);

  ISupportErrorInfo* error_info = nullptr;
  ASSERT_EQ(unknown->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&error_info)),
            S_OK);
  // Every interface leads back to the same IUnknown.
  IUnknown* again = nullptr;
  ASSERT_EQ(error_info->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&again)), S_OK);
  EXPECT_EQ(again, unknown);
  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(unknown->QueryInterface(IID_IDispatch, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);

  again->Release();
  error_info->Release();
  EXPECT_EQ(unknown->Release(), 0u);
  EXPECT_EQ(ModuleLockCount(), before);
}

TEST(ClassFactory, RefusesAnOuterUnknownUnlessTheClassIsAggregatable) {
  const long before = ModuleLockCount();
  IClassFactory* factory = nullptr;
  ASSERT_EQ(GetClassFactory<Plain>(IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
  Outer outer;
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory->CreateInstance(&outer, IID_IUnknown, &object), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(object, nullptr);

  // The class object counts while it lives; LockServer adds one more.
  EXPECT_EQ(ModuleLockCount(), before + 1);
  EXPECT_EQ(factory->LockServer(1), S_OK);
  EXPECT_EQ(ModuleLockCount(), before + 2);
  EXPECT_EQ(factory->LockServer(0), S_OK);
  factory->Release();
  EXPECT_EQ(ModuleLockCount(), before);
}

TEST(ModuleLock, AnUnbalancedUnlockDoesNotGoBelowZero) {
  ASSERT_EQ(ModuleLockCount(), 0);  // no test leaves an object alive
  UnlockModule();
  EXPECT_EQ(ModuleLockCount(), 0);
  LockModule();
  EXPECT_EQ(ModuleLockCount(), 1);
  UnlockModule();
}

TEST(ClassFactory, AggregatedObjectDelegatesToItsOuterObject) {
  IClassFactory* factory = nullptr;
  ASSERT_EQ(GetClassFactory<Aggregatable>(IID_IClassFactory, reinterpret_cast<void**>(&factory)),
            S_OK);
  Outer outer;
  void* object = nullptr;
  // Aggregation asks for IUnknown only.
  EXPECT_EQ(factory->CreateInstance(&outer, IID_ISupportErrorInfo, &object), CLASS_E_NOAGGREGATION);
  ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, &object), S_OK);
  factory->Release();
  outer.inner = static_cast<IUnknown*>(object);

  ISupportErrorInfo* error_info = nullptr;
  ASSERT_EQ(outer.QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&error_info)),
            S_OK);
  EXPECT_EQ(outer.references, 2u);  // the inner interface counts on the outer object
  IUnknown* identity = nullptr;
  ASSERT_EQ(error_info->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
  EXPECT_EQ(identity, static_cast<IUnknown*>(&outer));
  identity->Release();
  error_info->Release();
  EXPECT_EQ(outer.references, 1u);
  EXPECT_EQ(outer.inner->Release(), 0u);  // the non-delegating unknown ends the inner object
}

TEST(VariantEnumerator, NextSkipResetCloneOverASnapshot) {
  VARIANT items[3];
  for (int i = 0; i < 3; ++i) {
    VariantInit(&items[i]);
    items[i].vt = VT_BSTR;
    items[i].value.bstrVal = SysAllocString(i == 0 ? u"a" : i == 1 ? u"b" : u"c");
  }
  IUnknown* unknown = nullptr;
  ASSERT_EQ(VariantEnumerator::Create(items, &unknown), S_OK);
  for (VARIANT& item : items) VariantClear(&item);  // the snapshot has its own copies
  IEnumVARIANT* enumerator = nullptr;
  ASSERT_EQ(unknown->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(&enumerator)), S_OK);
  unknown->Release();

  VARIANT out[4];
  ULONG fetched = 0;
  ASSERT_EQ(enumerator->Next(2, out, &fetched), S_OK);
  EXPECT_EQ(fetched, 2u);
  EXPECT_EQ(std::u16string(out[1].value.bstrVal), u"b");
  VariantClear(&out[0]);
  VariantClear(&out[1]);

  IEnumVARIANT* clone = nullptr;
  ASSERT_EQ(enumerator->Clone(&clone), S_OK);
  EXPECT_EQ(enumerator->Next(4, out, &fetched), S_FALSE);  // only "c" was left
  EXPECT_EQ(fetched, 1u);
  VariantClear(&out[0]);
  EXPECT_EQ(enumerator->Next(1, out, nullptr), S_FALSE);
  EXPECT_EQ(enumerator->Next(2, out, nullptr), E_POINTER);  // a count needs `fetched`

  // The clone continues from where the original was when cloned.
  ASSERT_EQ(clone->Next(1, out, nullptr), S_OK);
  EXPECT_EQ(std::u16string(out[0].value.bstrVal), u"c");
  VariantClear(&out[0]);
  EXPECT_EQ(clone->Reset(), S_OK);
  EXPECT_EQ(clone->Skip(2), S_OK);
  EXPECT_EQ(clone->Skip(2), S_FALSE);
  enumerator->Release();
  clone->Release();
}

}  // namespace
}  // namespace qorv::platform
