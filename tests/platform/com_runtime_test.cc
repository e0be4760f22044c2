// BSTR, VARIANT and GUID functions of the caller-side runtime.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "platform/com/text_convert.h"
#include "qorvsdk/comtypes.h"

namespace qorv {
namespace {

TEST(Bstr, LengthPrefixAndTerminator) {
  BSTR s = SysAllocString(u"abc");
  ASSERT_NE(s, nullptr);
  uint32_t prefix;
  std::memcpy(&prefix, reinterpret_cast<char*>(s) - 4, 4);
  EXPECT_EQ(prefix, 6u);  // a byte count, not a character count
  EXPECT_EQ(SysStringLen(s), 3u);
  EXPECT_EQ(SysStringByteLen(s), 6u);
  EXPECT_EQ(s[3], 0);
  SysFreeString(s);

  // Embedded zeros are kept; the length comes from the prefix.
  const OLECHAR with_zero[] = {u'a', 0, u'b'};
  BSTR z = SysAllocStringLen(with_zero, 3);
  EXPECT_EQ(SysStringLen(z), 3u);
  EXPECT_EQ(z[2], u'b');
  SysFreeString(z);

  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  SysFreeString(nullptr);  // a null BSTR is valid
  BSTR odd = SysAllocStringByteLen("xyz", 3);
  EXPECT_EQ(SysStringByteLen(odd), 3u);
  EXPECT_EQ(SysStringLen(odd), 1u);
  SysFreeString(odd);
}

TEST(Variant, ClearAndCopyOwnTheirValues) {
  VARIANT a, b;
  VariantInit(&a);
  VariantInit(&b);
  EXPECT_EQ(a.vt, VT_EMPTY);
  a.vt = VT_BSTR;
  a.value.bstrVal = SysAllocString(u"text");
  ASSERT_EQ(VariantCopy(&b, &a), S_OK);
  EXPECT_EQ(b.vt, VT_BSTR);
  EXPECT_NE(b.value.bstrVal, a.value.bstrVal);  // a deep copy
  EXPECT_EQ(std::u16string(b.value.bstrVal), u"text");
  EXPECT_EQ(VariantClear(&a), S_OK);
  EXPECT_EQ(a.vt, VT_EMPTY);
  EXPECT_EQ(VariantClear(&b), S_OK);

  // A by-reference VARIANT owns nothing: clearing it leaves the target alone.
  BSTR target = SysAllocString(u"kept");
  VARIANT r;
  r.vt = VT_BYREF | VT_BSTR;
  r.value.pbstrVal = &target;
  EXPECT_EQ(VariantClear(&r), S_OK);
  EXPECT_EQ(std::u16string(target), u"kept");
  SysFreeString(target);
}

struct CountingUnknown : IUnknown {
  int refs = 1;
  HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override { return --refs; }
};

TEST(Variant, CopyAndClearBalanceInterfaceReferences) {
  CountingUnknown unknown;
  VARIANT a, b;
  VariantInit(&a);
  VariantInit(&b);
  a.vt = VT_UNKNOWN;
  a.value.punkVal = &unknown;
  unknown.AddRef();
  ASSERT_EQ(VariantCopy(&b, &a), S_OK);
  EXPECT_EQ(unknown.refs, 3);
  VariantClear(&a);
  VariantClear(&b);
  EXPECT_EQ(unknown.refs, 1);
}

TEST(Guid, TextFormRoundTrips) {
  OLECHAR text[39];
  ASSERT_EQ(StringFromGUID2(IID_IDispatch, text, 39), 39);
  EXPECT_EQ(std::u16string(text), u"{00020400-0000-0000-C000-000000000046}");
  EXPECT_EQ(StringFromGUID2(IID_IDispatch, text, 38), 0);  // no room for the zero

  CLSID parsed;
  ASSERT_EQ(CLSIDFromString(u"{b196b286-BAB4-101A-B69C-00AA00341D07}", &parsed), S_OK);
  EXPECT_TRUE(parsed == IID_IConnectionPoint);
  EXPECT_EQ(CLSIDFromString(u"{B196B286-BAB4-101A-B69C-00AA00341D07", &parsed), CO_E_CLASSSTRING);
  EXPECT_EQ(CLSIDFromString(u"{B196B286-BAB4-101A-B69C-00AA00341D07}x", &parsed), CO_E_CLASSSTRING);
  EXPECT_EQ(CLSIDFromString(u"{B196B286-BAB4-101AB69C-00AA00341D07}", &parsed), CO_E_CLASSSTRING);
}

TEST(TextConvert, Utf8AndUtf16) {
  EXPECT_EQ(Utf16ToUtf8(u"a\u00e9\u20ac\U0001F600"), "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf8ToUtf16("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"), u"a\u00e9\u20ac\U0001F600");
  // Malformed input never loses the rest of the text.
  EXPECT_EQ(Utf8ToUtf16("a\xFF"
                        "b"),
            u"a\uFFFDb");
  EXPECT_EQ(Utf8ToUtf16("a\xC3"), u"a\uFFFD");
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD");  // overlong form of "/"
  const char16_t lone[] = {u'x', 0xD800, u'y', 0};
  EXPECT_EQ(Utf16ToUtf8(lone), "x\xEF\xBF\xBDy");

  EXPECT_EQ(BstrToUtf8(nullptr), "");
  BSTR empty = Utf8ToBstr("");
  ASSERT_NE(empty, nullptr);  // empty, not null
  EXPECT_EQ(SysStringLen(empty), 0u);
  SysFreeString(empty);
}

}  // namespace
}  // namespace qorv
