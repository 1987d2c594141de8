#include "bindings/com/class_factory.h"

#include "bindings/com/driver_object.h"
#include "bindings/com/server.h"

namespace quorvix::com {

HRESULT STDMETHODCALLTYPE ClassFactory::QueryInterface(REFIID iid,
                                                       void** object) {
  if (!object) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE ClassFactory::AddRef() {
  server::LockServer(true);
  return 2;
}

ULONG STDMETHODCALLTYPE ClassFactory::Release() {
  server::LockServer(false);
  return 1;
}

HRESULT STDMETHODCALLTYPE ClassFactory::CreateInstance(IUnknown* outer,
                                                       REFIID iid,
                                                       void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  return DriverObject::Create(iid, object);
}

HRESULT STDMETHODCALLTYPE ClassFactory::LockServer(BOOL lock) {
  server::LockServer(lock != FALSE);
  return S_OK;
}

ClassFactory& TheClassFactory() {
  static ClassFactory factory;
  return factory;
}

}  // namespace quorvix::com
