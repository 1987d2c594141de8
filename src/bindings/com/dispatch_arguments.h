#pragma once
// Arguments of a late-bound call as script and VB hosts pass them: by value,
// typed by reference, or as VT_VARIANT|VT_BYREF (how script hosts pass
// variables). Each is unwrapped and coerced with VariantChangeType; nothing
// is ever written back.

#include <oaidl.h>
#include <windows.h>

#include <string>

namespace quorvix::com {

// S_OK, DISP_E_TYPEMISMATCH or DISP_E_OVERFLOW.
HRESULT ArgumentAsLong(const VARIANTARG& argument, LONG* value);
// S_OK or DISP_E_TYPEMISMATCH; a null BSTR is the empty text.
HRESULT ArgumentAsText(const VARIANTARG& argument, std::string* text);
// S_OK or DISP_E_TYPEMISMATCH. Empty and Nothing give a null helper; a
// helper is returned with its own reference.
HRESULT ArgumentAsHelper(const VARIANTARG& argument, IDispatch** helper);

}  // namespace quorvix::com
