// GUID text form and the IIDs of the standard interfaces.
#include <cstdio>

#include "qorvsdk/comtypes.h"

extern "C" {

const IID IID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IEnumVARIANT = {0x00020404, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_ISupportErrorInfo = {
    0xDF0B3D60, 0x548F, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
const IID IID_IConnectionPointContainer = {
    0xB196B284, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
const IID IID_IConnectionPoint = {
    0xB196B286, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
const IID IID_IEnumConnections = {
    0xB196B287, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
const IID IID_IEnumConnectionPoints = {
    0xB196B285, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};

}  // extern "C"

namespace {

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}": 38 characters.
constexpr int kGuidTextLength = 38;

int HexValue(OLECHAR c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

// Reads `digits` hexadecimal digits at text[*pos], advancing *pos.
bool ReadHex(LPCOLESTR text, int* pos, int digits, uint32_t* value) {
  uint32_t v = 0;
  for (int i = 0; i < digits; ++i) {
    int h = HexValue(text[*pos]);
    if (h < 0) return false;
    v = v * 16 + static_cast<uint32_t>(h);
    ++*pos;
  }
  *value = v;
  return true;
}

bool Expect(LPCOLESTR text, int* pos, OLECHAR c) {
  if (text[*pos] != c) return false;
  ++*pos;
  return true;
}

HRESULT ParseGuid(LPCOLESTR text, GUID* guid) {
  if (text == nullptr || guid == nullptr) return E_INVALIDARG;
  int pos = 0;
  uint32_t d1, d2, d3, b;
  GUID g;
  if (!Expect(text, &pos, u'{') || !ReadHex(text, &pos, 8, &d1) || !Expect(text, &pos, u'-') ||
      !ReadHex(text, &pos, 4, &d2) || !Expect(text, &pos, u'-') || !ReadHex(text, &pos, 4, &d3) ||
      !Expect(text, &pos, u'-')) {
    return CO_E_CLASSSTRING;
  }
  g.Data1 = d1;
  g.Data2 = static_cast<uint16_t>(d2);
  g.Data3 = static_cast<uint16_t>(d3);
  for (int i = 0; i < 8; ++i) {
    if (i == 2 && !Expect(text, &pos, u'-')) return CO_E_CLASSSTRING;
    if (!ReadHex(text, &pos, 2, &b)) return CO_E_CLASSSTRING;
    g.Data4[i] = static_cast<uint8_t>(b);
  }
  if (!Expect(text, &pos, u'}') || text[pos] != 0) return CO_E_CLASSSTRING;
  *guid = g;
  return S_OK;
}

}  // namespace

extern "C" {

QORV_EXPORT int StringFromGUID2(REFGUID guid, LPOLESTR buffer, int capacity) {
  if (buffer == nullptr || capacity < kGuidTextLength + 1) return 0;
  char text[kGuidTextLength + 1];
  std::snprintf(text, sizeof(text), "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                guid.Data1, guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2],
                guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
  for (int i = 0; i <= kGuidTextLength; ++i) buffer[i] = static_cast<OLECHAR>(text[i]);
  return kGuidTextLength + 1;
}

QORV_EXPORT HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid) { return ParseGuid(text, clsid); }

QORV_EXPORT HRESULT IIDFromString(LPCOLESTR text, IID* iid) { return ParseGuid(text, iid); }

}  // extern "C"
