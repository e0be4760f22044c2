// Conversions of VARIANT arguments to the parameter types of dispatch
// members, as IDispatch::Invoke performs them for late-bound callers.
//
// Sources: VT_EMPTY, the integer types (VT_I1 ... VT_UI8, VT_INT, VT_UINT),
// VT_R4, VT_R8, VT_CY, VT_DATE, VT_BOOL, VT_BSTR, VT_DISPATCH, VT_UNKNOWN; a
// by-reference argument (VT_BYREF | type, or VT_BYREF | VT_VARIANT as script
// engines pass variables) is read through first. Everything else (VT_NULL,
// VT_ERROR, arrays) is a type mismatch.
//
// Results: DISP_E_TYPEMISMATCH when the value has no meaning in the target
// type, DISP_E_OVERFLOW when it is out of the target's range, E_OUTOFMEMORY.
#ifndef QORV_PLATFORM_COMPONENT_VARIANT_COERCE_H_
#define QORV_PLATFORM_COMPONENT_VARIANT_COERCE_H_

#include "qorvsdk/comtypes.h"

namespace qorv::platform {

// A by-value view of an argument: by-reference values and VT_VARIANT
// references are followed (up to a few levels). The view borrows whatever the
// argument holds and must not be cleared. A null reference reads as VT_ERROR.
VARIANT ReadThrough(const VARIANT& argument);

// Numbers: floating values are rounded half to even. Bool: -1 or 0. Empty: 0.
// Text: a decimal number with optional sign, fraction and exponent, blanks
// around it allowed.
HRESULT CoerceToLong(const VARIANT& value, LONG* out);

// Any nonzero number is VARIANT_TRUE. Text: "True" or "False" in any letter
// case, or a number.
HRESULT CoerceToBool(const VARIANT& value, VARIANT_BOOL* out);

// Numbers are taken as OLE Automation dates. Text: a number, or a date and
// time as "YYYY-MM-DD", "YYYY-MM-DD HH:MM[:SS]" ("T" may separate them) or
// "HH:MM[:SS]". The date must lie in the years 100 to 9999.
HRESULT CoerceToDate(const VARIANT& value, DATE* out);

// A new BSTR. Integers in decimal; floating values with up to 15 significant
// digits (7 for VT_R4); bool as "-1" or "0"; a date as text in the forms
// CoerceToDate reads; empty as the empty text.
HRESULT CoerceToBstr(const VARIANT& value, BSTR* out);

// A new reference to the `iid` interface of a VT_DISPATCH or VT_UNKNOWN
// value (null for a null pointer or VT_EMPTY). An object without that
// interface is a type mismatch.
HRESULT CoerceToInterface(const VARIANT& value, REFIID iid, void** out);

// OLE Automation date <-> text in the forms above (exposed for tests and for
// callers that show dates).
bool ParseDateText(const char* text, DATE* date);
void FormatDateText(DATE date, char (&buffer)[32]);

}  // namespace qorv::platform

#endif  // QORV_PLATFORM_COMPONENT_VARIANT_COERCE_H_
