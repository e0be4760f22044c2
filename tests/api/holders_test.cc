// The owning holders of include/qorvsdk: every reference taken is given back
// exactly once, moves hand over without touching counts, and values convert
// only when they truly fit.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <utility>

#include "qorvsdk/bstr.h"
#include "qorvsdk/collection.h"
#include "qorvsdk/com_ptr.h"
#include "qorvsdk/result.h"
#include "qorvsdk/variant.h"

namespace {

using qorvsdk::Bstr;
using qorvsdk::ComPtr;
using qorvsdk::Variant;

const IID kOtherIid = {0x11111111, 0x2222, 0x3333, {4, 5, 6, 7, 8, 9, 10, 11}};

// Counts its references; created with one, which the test holds.
class CountedObject : public IDispatch {
 public:
  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
      *object = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++references; }
  ULONG Release() override { return --references; }
  HRESULT GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  ULONG references = 1;
};

TEST(ComPtr, TakesAndGivesBackEachReferenceOnce) {
  CountedObject object;
  {
    ComPtr<IDispatch> first(&object);
    EXPECT_EQ(object.references, 2u);
    ComPtr<IDispatch> copy = first;
    EXPECT_EQ(object.references, 3u);
    ComPtr<IDispatch> moved = std::move(first);
    EXPECT_EQ(object.references, 3u);
    EXPECT_FALSE(first);
    EXPECT_EQ(moved.get(), &object);

    const ComPtr<IDispatch>& same = copy;
    copy = same;  // self-assignment keeps the reference
    EXPECT_EQ(copy.get(), &object);
    EXPECT_EQ(object.references, 3u);
    copy = moved;  // the same object: one reference dropped, one taken
    EXPECT_EQ(object.references, 3u);
    copy.Reset();
    EXPECT_EQ(object.references, 2u);
    EXPECT_FALSE(copy);

    // Receive drops the held reference before the callee writes a new one.
    *moved.Receive() = nullptr;
    EXPECT_EQ(object.references, 1u);
  }
  EXPECT_EQ(object.references, 1u);

  object.AddRef();  // a reference the caller owns, handed over
  {
    ComPtr<IDispatch> adopted = ComPtr<IDispatch>::Attach(&object);
    EXPECT_EQ(object.references, 2u);
    IDispatch* detached = adopted.Detach();
    EXPECT_FALSE(adopted);
    EXPECT_EQ(object.references, 2u);
    detached->Release();
  }
  EXPECT_EQ(object.references, 1u);
}

TEST(ComPtr, AsAsksTheObjectForAnotherInterface) {
  CountedObject object;
  ComPtr<IDispatch> held(&object);
  ComPtr<IUnknown> unknown;
  EXPECT_EQ(held.As(IID_IUnknown, &unknown), S_OK);
  EXPECT_EQ(unknown.get(), static_cast<IUnknown*>(&object));
  EXPECT_EQ(object.references, 3u);
  EXPECT_EQ(held.As(kOtherIid, &unknown), E_NOINTERFACE);
  EXPECT_FALSE(unknown);
  EXPECT_EQ(object.references, 2u);
  EXPECT_EQ(ComPtr<IDispatch>().As(IID_IUnknown, &unknown), E_POINTER);
}

TEST(Bstr, HoldsUtf8TextAsItsOwnUtf16Copy) {
  const std::string text =
      "Gr\xC3\xBC\xC3\x9F"
      "e \xF0\x9F\x98\x80";  // "Grüße 😀"
  Bstr held(text);
  ASSERT_NE(held.get(), nullptr);
  EXPECT_EQ(held.Length(), 8u);  // the emoji is a surrogate pair
  EXPECT_EQ(held.Utf8(), text);

  Bstr copy = held;
  EXPECT_NE(copy.get(), held.get());
  EXPECT_EQ(copy.Utf8(), text);
  Bstr moved = std::move(held);
  EXPECT_EQ(held.get(), nullptr);
  EXPECT_EQ(held.Utf8(), "");
  EXPECT_EQ(moved.Utf8(), text);

  Bstr empty("");
  EXPECT_NE(empty.get(), nullptr);  // an empty text, not a null BSTR
  EXPECT_EQ(empty.Length(), 0u);
  EXPECT_EQ(Bstr(Bstr()).get(), nullptr);

  // Receive frees the old text; Attach and Detach pass ownership across.
  *moved.Receive() = SysAllocString(u"out");
  EXPECT_EQ(moved.Utf8(), "out");
  BSTR raw = moved.Detach();
  EXPECT_EQ(moved.get(), nullptr);
  Bstr adopted = Bstr::Attach(raw);
  EXPECT_EQ(adopted.get(), raw);
}

TEST(Variant, BuildsTypedValuesAndOwnsWhatTheyHold) {
  EXPECT_EQ(Variant().type(), VT_EMPTY);
  EXPECT_EQ(Variant(LONG{7}).type(), VT_I4);
  EXPECT_EQ(Variant(true).get()->value.boolVal, VARIANT_TRUE);
  EXPECT_EQ(Variant(2.5).type(), VT_R8);
  EXPECT_EQ(Variant("text").type(), VT_BSTR);
  EXPECT_EQ(Variant("text").AsUtf8(), "text");

  CountedObject object;
  {
    Variant held(static_cast<IDispatch*>(&object));
    EXPECT_EQ(held.type(), VT_DISPATCH);
    EXPECT_EQ(object.references, 2u);
    Variant moved = std::move(held);
    EXPECT_EQ(held.type(), VT_EMPTY);
    EXPECT_EQ(object.references, 2u);
    Variant copy;
    EXPECT_EQ(moved.CopyTo(&copy), S_OK);
    EXPECT_EQ(object.references, 3u);

    ComPtr<IUnknown> unknown;
    EXPECT_EQ(copy.QueryObject(IID_IUnknown, &unknown), S_OK);
    EXPECT_EQ(object.references, 4u);
    EXPECT_EQ(Variant(LONG{1}).QueryObject(IID_IUnknown, &unknown), E_NOINTERFACE);
    EXPECT_EQ(object.references, 3u);

    // Receive clears the old value (releasing its object) for the callee.
    copy.Receive()->vt = VT_EMPTY;
    EXPECT_EQ(object.references, 2u);
  }
  EXPECT_EQ(object.references, 1u);
}

TEST(Variant, ConvertsOnlyValuesThatFit) {
  auto of = [](VARTYPE type, auto assign) {
    Variant v;
    v.get()->vt = type;
    assign(v.get()->value);
    return v;
  };
  EXPECT_EQ(of(VT_I2, [](auto& u) { u.iVal = -300; }).AsLong(), -300);
  EXPECT_EQ(of(VT_UI1, [](auto& u) { u.bVal = 200; }).AsLong(), 200);
  EXPECT_EQ(of(VT_UI4, [](auto& u) { u.ulVal = 0x7FFFFFFF; }).AsLong(), 0x7FFFFFFF);
  EXPECT_EQ(of(VT_UI4, [](auto& u) { u.ulVal = 0x80000000u; }).AsLong(), std::nullopt);
  EXPECT_EQ(of(VT_I8, [](auto& u) { u.llVal = -5; }).AsLong(), -5);
  EXPECT_EQ(of(VT_I8, [](auto& u) { u.llVal = 1LL << 40; }).AsLong(), std::nullopt);
  EXPECT_EQ(of(VT_UI8, [](auto& u) { u.ullVal = ~0ULL; }).AsLong(), std::nullopt);
  EXPECT_EQ(Variant(true).AsLong(), -1);
  EXPECT_EQ(Variant(2.5).AsLong(), std::nullopt);   // no rounding
  EXPECT_EQ(Variant("12").AsLong(), std::nullopt);  // no parsing

  EXPECT_EQ(Variant(false).AsBool(), false);
  EXPECT_EQ(of(VT_BOOL, [](auto& u) { u.boolVal = 1; }).AsBool(), true);
  EXPECT_EQ(Variant(LONG{1}).AsBool(), std::nullopt);

  EXPECT_EQ(Variant(LONG{-4}).AsDouble(), -4.0);
  EXPECT_EQ(of(VT_DATE, [](auto& u) { u.date = 46000.5; }).AsDouble(), 46000.5);
  EXPECT_EQ(of(VT_R4, [](auto& u) { u.fltVal = 0.25f; }).AsDouble(), 0.25);
  EXPECT_EQ(Variant(true).AsDouble(), std::nullopt);

  EXPECT_EQ(of(VT_BSTR, [](auto& u) { u.bstrVal = nullptr; }).AsUtf8(), "");
  EXPECT_EQ(Variant(LONG{3}).AsUtf8(), std::nullopt);
}

// A collection of the SDK's shape: get_Item then get_Count, items in VARIANTs.
struct FakeCollection {
  HRESULT get_Item(LONG index, VARIANT* item) {
    if (index == bad_index) {
      item->vt = VT_I4;
      item->value.lVal = index;
      return S_OK;
    }
    item->vt = VT_DISPATCH;
    item->value.pdispVal = element;
    element->AddRef();
    return S_OK;
  }
  HRESULT get_Count(LONG* count) {
    *count = size;
    return count_result;
  }
  HRESULT get_Name(BSTR* name) {
    *name = SysAllocString(u"results");
    return S_OK;
  }
  HRESULT get_Element(LONG index, IDispatch** out) {
    if (index != 0) return E_INVALIDARG;
    *out = element;
    element->AddRef();
    return S_OK;
  }

  IDispatch* element = nullptr;
  LONG size = 0;
  LONG bad_index = -1;
  HRESULT count_result = S_OK;
};

TEST(Get, ReturnsTheOutParameterInItsOwningHolder) {
  CountedObject object;
  FakeCollection collection{&object, 3};
  qorvsdk::Result<LONG> count = qorvsdk::Get(&collection, &FakeCollection::get_Count);
  EXPECT_TRUE(count.ok());
  EXPECT_EQ(count.value, 3);
  EXPECT_EQ(qorvsdk::Get(&collection, &FakeCollection::get_Name).value.Utf8(), "results");
  {
    qorvsdk::Result<ComPtr<IDispatch>> element =
        qorvsdk::Get(&collection, &FakeCollection::get_Element, LONG{0});
    EXPECT_EQ(element.value.get(), &object);
    EXPECT_EQ(object.references, 2u);
    EXPECT_EQ(qorvsdk::Get(&collection, &FakeCollection::get_Element, LONG{1}).hr, E_INVALIDARG);
  }
  EXPECT_EQ(object.references, 1u);
  qorvsdk::Result<Variant> item = qorvsdk::Get(&collection, &FakeCollection::get_Item, LONG{0});
  EXPECT_EQ(item.value.type(), VT_DISPATCH);
  FakeCollection* none = nullptr;
  EXPECT_EQ(qorvsdk::Get(none, &FakeCollection::get_Count).hr, E_POINTER);
}

TEST(ForEachElement, VisitsEveryElementAndStopsAtTheFirstFailure) {
  CountedObject object;
  FakeCollection collection{&object, 3};
  int visited = 0;
  auto visit = [&](IDispatch* element) {
    EXPECT_EQ(element, &object);
    ++visited;
  };
  EXPECT_EQ(qorvsdk::ForEachElement<IDispatch>(&collection, IID_IDispatch, visit), S_OK);
  EXPECT_EQ(visited, 3);
  EXPECT_EQ(object.references, 1u);

  collection.bad_index = 1;  // an item that holds no object
  visited = 0;
  EXPECT_EQ(qorvsdk::ForEachElement<IDispatch>(&collection, IID_IDispatch, visit), E_NOINTERFACE);
  EXPECT_EQ(visited, 1);
  EXPECT_EQ(object.references, 1u);

  collection.count_result = E_FAIL;
  EXPECT_EQ(qorvsdk::ForEachElement<IDispatch>(&collection, IID_IDispatch, visit), E_FAIL);
  FakeCollection* none = nullptr;
  EXPECT_EQ(qorvsdk::ForEachElement<IDispatch>(none, IID_IDispatch, visit), E_POINTER);
}

}  // namespace
