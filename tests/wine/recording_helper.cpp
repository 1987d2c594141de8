#include "recording_helper.h"

namespace {
constexpr DISPID kReportId = 7;
}

HRESULT STDMETHODCALLTYPE RecordingHelper::QueryInterface(REFIID iid,
                                                          void** object) {
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE RecordingHelper::AddRef() {
  return static_cast<ULONG>(++references_);
}

ULONG STDMETHODCALLTYPE RecordingHelper::Release() {
  return static_cast<ULONG>(--references_);
}

HRESULT STDMETHODCALLTYPE RecordingHelper::GetTypeInfoCount(UINT* count) {
  *count = 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE RecordingHelper::GetTypeInfo(UINT, LCID,
                                                       ITypeInfo** info) {
  *info = nullptr;
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE RecordingHelper::GetIDsOfNames(REFIID,
                                                         LPOLESTR* names,
                                                         UINT count, LCID,
                                                         DISPID* ids) {
  if (count != 1) return DISP_E_UNKNOWNNAME;
  if (mode != Mode::kNoSuchMethod &&
      CompareStringOrdinal(names[0], -1, L"Trova_DMXIn_SetChannel", -1, TRUE) ==
          CSTR_EQUAL) {
    ids[0] = kReportId;
    return S_OK;
  }
  ids[0] = DISPID_UNKNOWN;
  return DISP_E_UNKNOWNNAME;
}

HRESULT STDMETHODCALLTYPE RecordingHelper::Invoke(DISPID id, REFIID, LCID,
                                                  WORD flags,
                                                  DISPPARAMS* parameters,
                                                  VARIANT* result,
                                                  EXCEPINFO* exception, UINT*) {
  if (id != kReportId || !(flags & DISPATCH_METHOD)) {
    return DISP_E_MEMBERNOTFOUND;
  }
  if (parameters->cArgs != 2) return DISP_E_BADPARAMCOUNT;
  const VARIANTARG& channel = parameters->rgvarg[1];
  const VARIANTARG& value = parameters->rgvarg[0];
  Report report{V_VT(&channel) == VT_I4 ? V_I4(&channel) : -1,
                V_VT(&value) == VT_UI1 ? V_UI1(&value) : -1, V_VT(&channel),
                V_VT(&value)};
  if (mode == Mode::kFail) {
    if (exception) {
      *exception = EXCEPINFO{};
      exception->scode = MAKE_HRESULT(1, FACILITY_CONTROL, 1004);
      exception->bstrSource = SysAllocString(L"TestHost");
      exception->bstrDescription = SysAllocString(L"the host refused it");
    }
    reports.push_back(report);
    return DISP_E_EXCEPTION;
  }
  reports.push_back(report);
  if (during_call) during_call(report);
  if (result) VariantInit(result);
  return S_OK;
}
