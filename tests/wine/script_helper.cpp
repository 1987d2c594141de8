#include "script_helper.h"

#include <dispex.h>

#include <cstdio>

using quorvix::win32::ComRef;

namespace {

// {B54F3741-5B07-11cf-A4B0-00AA004A55E8}
constexpr CLSID kVBScript = {0xb54f3741,
                             0x5b07,
                             0x11cf,
                             {0xa4, 0xb0, 0x00, 0xaa, 0x00, 0x4a, 0x55, 0xe8}};

class Site final : public IActiveScriptSite {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (IsEqualIID(iid, IID_IUnknown) ||
        IsEqualIID(iid, __uuidof(IActiveScriptSite))) {
      *object = static_cast<IActiveScriptSite*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE GetLCID(LCID* locale) override {
    *locale = LOCALE_USER_DEFAULT;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetItemInfo(LPCOLESTR, DWORD, IUnknown**,
                                        ITypeInfo**) override {
    return TYPE_E_ELEMENTNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE GetDocVersionString(BSTR*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE OnScriptTerminate(const VARIANT*,
                                              const EXCEPINFO*) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnStateChange(SCRIPTSTATE) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnScriptError(IActiveScriptError* error) override {
    EXCEPINFO info{};
    error->GetExceptionInfo(&info);
    std::fwprintf(stderr, L"script error: %ls\n",
                  info.bstrDescription ? info.bstrDescription : L"?");
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnEnterScript() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnLeaveScript() override { return S_OK; }

 private:
  ULONG references_ = 1;
};

// Script objects of Wine's engine answer GetIDsOfNames with E_NOTIMPL and
// name their members through IDispatchEx only.
HRESULT GetProperty(IDispatch* object, const wchar_t* name, VARIANT* value) {
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT result =
      object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (result == E_NOTIMPL) {
    ComRef<IDispatchEx> extended;
    if (FAILED(object->QueryInterface(__uuidof(IDispatchEx),
                                      extended.PutVoid()))) {
      return result;
    }
    BSTR bstr_name = SysAllocString(name);
    result = extended->GetDispID(bstr_name, fdexNameCaseInsensitive, &id);
    SysFreeString(bstr_name);
  }
  if (FAILED(result)) return result;
  DISPPARAMS none{};
  return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET,
                        &none, value, nullptr, nullptr);
}

}  // namespace

ScriptHelper::ScriptHelper(const wchar_t* script, const wchar_t* variable) {
  HRESULT result = CoCreateInstance(kVBScript, nullptr, CLSCTX_INPROC_SERVER,
                                    __uuidof(IActiveScript), engine_.PutVoid());
  if (FAILED(result)) {
    error_ = L"no VBScript engine";
    return;
  }
  site_ = ComRef<IActiveScriptSite>::Adopt(new Site);
  engine_->SetScriptSite(site_.get());
  ComRef<IActiveScriptParse> parse;
  engine_->QueryInterface(__uuidof(IActiveScriptParse), parse.PutVoid());
  if (!parse) {
    error_ = L"no IActiveScriptParse";
    return;
  }
  parse->InitNew();
  result = parse->ParseScriptText(script, nullptr, nullptr, nullptr, 0, 0, 0,
                                  nullptr, nullptr);
  engine_->SetScriptState(SCRIPTSTATE_CONNECTED);
  if (FAILED(result)) {
    error_ = L"the script does not run";
    return;
  }
  ComRef<IDispatch> globals;
  engine_->GetScriptDispatch(nullptr, globals.Put());
  if (!globals) {
    error_ = L"no script dispatch";
    return;
  }
  VARIANT value;
  VariantInit(&value);
  if (SUCCEEDED(GetProperty(globals.get(), variable, &value)) &&
      V_VT(&value) == VT_DISPATCH) {
    object_ = ComRef<IDispatch>::Share(V_DISPATCH(&value));
  } else {
    error_ = L"the script made no object";
  }
  VariantClear(&value);
}

ScriptHelper::~ScriptHelper() {
  object_.Reset();
  if (engine_) engine_->Close();
}

std::wstring ScriptHelper::Property(const wchar_t* name) const {
  if (!object_) return {};
  VARIANT value;
  VariantInit(&value);
  std::wstring text;
  if (SUCCEEDED(GetProperty(object_.get(), name, &value)) &&
      SUCCEEDED(VariantChangeType(&value, &value, 0, VT_BSTR)) &&
      V_BSTR(&value)) {
    text = V_BSTR(&value);
  }
  VariantClear(&value);
  return text;
}
