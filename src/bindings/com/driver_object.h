#pragma once
// The COM object `clsOutputDriver`: the dual interface _clsOutputDriver over
// one quorvix::clsOutputDriver, all of them sharing the one driver module.
// IDispatch is written by hand (type-library-driven ITypeInfo::Invoke
// refuses the VT_VARIANT|VT_BYREF arguments of script hosts). Every call
// from a thread other than the module's fails with RPC_E_WRONG_THREAD.

#include <windows.h>

#include <memory>

#include "bindings/com/quorvix_idl.h"
#include "core/clsOutputDriver.h"
#include "platform/win32/com_ref.h"

namespace quorvix::com {

class Runtime;

class DriverObject final : public _clsOutputDriver, public ISupportErrorInfo {
 public:
  // Creates an object and queries it for `iid`.
  static HRESULT Create(REFIID iid, void** object);

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale,
                                        ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names,
                                          UINT count, LCID locale,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale,
                                   WORD flags, DISPPARAMS* parameters,
                                   VARIANT* result, EXCEPINFO* exception,
                                   UINT* argument_error) override;

  // _clsOutputDriver
  HRESULT STDMETHODCALLTYPE Disable(VARIANT_BOOL* result) override;
  HRESULT STDMETHODCALLTYPE Enable(VARIANT_BOOL* result) override;
  HRESULT STDMETHODCALLTYPE PluginName(BSTR* result) override;
  HRESULT STDMETHODCALLTYPE SetChannel(LONG* channel, LONG* value,
                                       VARIANT_BOOL* result) override;
  HRESULT STDMETHODCALLTYPE Configure(VARIANT_BOOL* result) override;
  HRESULT STDMETHODCALLTYPE Init(BSTR* CallingAppTitle, BSTR* MyFilename,
                                 IDispatch** TrovaPluginHelper,
                                 VARIANT_BOOL* result) override;
  HRESULT STDMETHODCALLTYPE Term(VARIANT_BOOL* result) override;

  // ISupportErrorInfo
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

 private:
  explicit DriverObject(Runtime& runtime);
  ~DriverObject();

  bool OnOwnerThread() const;
  template <typename Body>
  HRESULT CallFromVtable(const void* result, Body&& body);
  struct Invocation;
  HRESULT InvokeBoolean(const Invocation& call,
                        bool (clsOutputDriver::*operation)());
  HRESULT InvokePluginName(const Invocation& call);
  HRESULT InvokeSetChannel(const Invocation& call);
  HRESULT InvokeInit(const Invocation& call);

  Runtime& runtime_;
  clsOutputDriver driver_;
  LONG references_ = 1;
  win32::ComRef<ITypeInfo> type_info_;  // loaded at the first GetTypeInfo
};

}  // namespace quorvix::com
