#include "bindings/com/dispatch_arguments.h"

#include "platform/win32/bstr.h"

namespace quorvix::com {
namespace {

// A variant may hold a reference to a variant that holds one again; hosts
// nest at most a few levels.
constexpr int kMaxNesting = 8;

const VARIANTARG* Unwrap(const VARIANTARG& argument) {
  const VARIANTARG* current = &argument;
  for (int level = 0; level < kMaxNesting; ++level) {
    if (V_VT(current) != (VT_VARIANT | VT_BYREF)) return current;
    if (!V_VARIANTREF(current)) return nullptr;
    current = V_VARIANTREF(current);
  }
  return nullptr;
}

class Variant {
 public:
  Variant() { VariantInit(&variant_); }
  ~Variant() { VariantClear(&variant_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  VARIANT* get() { return &variant_; }

 private:
  VARIANT variant_;
};

HRESULT Coerce(const VARIANTARG& argument, VARTYPE type, Variant& converted) {
  const VARIANTARG* source = Unwrap(argument);
  if (!source) return DISP_E_TYPEMISMATCH;
  const HRESULT result = VariantChangeType(
      converted.get(), const_cast<VARIANTARG*>(source), 0, type);
  if (result == DISP_E_OVERFLOW) return DISP_E_OVERFLOW;
  return FAILED(result) ? DISP_E_TYPEMISMATCH : S_OK;
}

}  // namespace

HRESULT ArgumentAsLong(const VARIANTARG& argument, LONG* value) {
  Variant converted;
  const HRESULT result = Coerce(argument, VT_I4, converted);
  if (SUCCEEDED(result)) *value = V_I4(converted.get());
  return result;
}

HRESULT ArgumentAsText(const VARIANTARG& argument, std::string* text) {
  Variant converted;
  const HRESULT result = Coerce(argument, VT_BSTR, converted);
  if (result == DISP_E_OVERFLOW) return DISP_E_TYPEMISMATCH;
  if (SUCCEEDED(result)) *text = win32::Bstr::BstrUtf8(V_BSTR(converted.get()));
  return result;
}

HRESULT ArgumentAsHelper(const VARIANTARG& argument, IDispatch** helper) {
  *helper = nullptr;
  const VARIANTARG* source = Unwrap(argument);
  if (!source) return DISP_E_TYPEMISMATCH;
  IUnknown* object = nullptr;
  switch (V_VT(source)) {
    case VT_EMPTY: return S_OK;
    case VT_DISPATCH: object = V_DISPATCH(source); break;
    case VT_DISPATCH | VT_BYREF:
      object = V_DISPATCHREF(source) ? *V_DISPATCHREF(source) : nullptr;
      break;
    case VT_UNKNOWN: object = V_UNKNOWN(source); break;
    case VT_UNKNOWN | VT_BYREF:
      object = V_UNKNOWNREF(source) ? *V_UNKNOWNREF(source) : nullptr;
      break;
    default: return DISP_E_TYPEMISMATCH;
  }
  if (!object) return S_OK;  // Nothing
  const HRESULT result =
      object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(helper));
  return FAILED(result) ? DISP_E_TYPEMISMATCH : S_OK;
}

}  // namespace quorvix::com
