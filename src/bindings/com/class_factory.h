#pragma once
// The class object of clsOutputDriver. One static instance; its references
// and LockServer keep the DLL loaded.

#include <unknwn.h>
#include <windows.h>

namespace quorvix::com {

class ClassFactory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid,
                                           void** object) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;
};

ClassFactory& TheClassFactory();

}  // namespace quorvix::com
