#include "bindings/com/driver_object.h"

#include <array>
#include <new>
#include <string>

#include "bindings/com/com_errors.h"
#include "bindings/com/dispatch_arguments.h"
#include "bindings/com/runtime.h"
#include "bindings/com/server.h"
#include "platform/win32/bstr.h"
#include "platform/win32/com_ref.h"
#include "platform/win32/dispatch_helper.h"
#include "platform/win32/wide_text.h"

namespace quorvix::com {
namespace {

enum : DISPID {
  kDisable = 0x60030000,
  kEnable,
  kPluginName,
  kSetChannel,
  kConfigure,
  kInit,
  kTerm,
};

constexpr UINT kMaxArity = 3;

struct Member {
  DISPID id;
  const wchar_t* name;
  UINT arity;
  std::array<const wchar_t*, kMaxArity> parameters;
};

constexpr Member kMembers[] = {
    {kDisable, L"Disable", 0, {}},
    {kEnable, L"Enable", 0, {}},
    {kPluginName, L"PluginName", 0, {}},
    {kSetChannel, L"SetChannel", 2, {L"channel", L"value"}},
    {kConfigure, L"Configure", 0, {}},
    {kInit,
     L"Init",
     3,
     {L"CallingAppTitle", L"MyFilename", L"TrovaPluginHelper"}},
    {kTerm, L"Term", 0, {}},
};

bool SameName(const wchar_t* a, const wchar_t* b) {
  return a && b && CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL;
}

const Member* FindMember(DISPID id) {
  for (const Member& member : kMembers) {
    if (member.id == id) return &member;
  }
  return nullptr;
}

const Member* FindMember(const wchar_t* name) {
  for (const Member& member : kMembers) {
    if (SameName(member.name, name)) return &member;
  }
  return nullptr;
}

VARIANT_BOOL AutomationBool(bool value) {
  return value ? VARIANT_TRUE : VARIANT_FALSE;
}

std::shared_ptr<HostHelper> HelperFor(IDispatch* helper) {
  if (!helper) return nullptr;
  return std::make_shared<win32::DispatchHelper>(helper);
}

Failure MissingPointer(const char* what) {
  return FailureOf(kInvalidArgument, std::string("Invalid argument: ") + what +
                                         " is a null pointer");
}

// The type information of _clsOutputDriver from the DLL's own type library.
HRESULT LoadTypeInfo(ITypeInfo** info) {
  win32::ComRef<ITypeLib> library;
  const std::wstring path = server::ModulePath();
  const HRESULT loaded =
      LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.Put());
  if (FAILED(loaded)) return loaded;
  return library->GetTypeInfoOfGuid(IID__clsOutputDriver, info);
}

}  // namespace

// One late-bound call: its arguments by position and where its outcome goes.
struct DriverObject::Invocation {
  std::array<const VARIANTARG*, kMaxArity> arguments{};
  std::array<UINT, kMaxArity> argument_index{};
  VARIANT* result = nullptr;
  EXCEPINFO* exception = nullptr;
  UINT* argument_error = nullptr;

  HRESULT Mismatch(UINT position) const {
    if (argument_error) *argument_error = argument_index[position];
    return DISP_E_TYPEMISMATCH;
  }
  void SetBool(bool value) const {
    if (!result) return;
    V_VT(result) = VT_BOOL;
    V_BOOL(result) = AutomationBool(value);
  }
  HRESULT Finish(const std::optional<Failure>& failure) const {
    return failure ? ReportToInvoke(*failure, exception) : S_OK;
  }
};

HRESULT DriverObject::Create(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  win32::ComRef<DriverObject> created;
  try {
    created = win32::ComRef<DriverObject>::Adopt(
        new DriverObject(server::AcquireRuntime()));
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return ReportToCaller(CurrentFailure());
  }
  return created->QueryInterface(iid, object);
}

DriverObject::DriverObject(Runtime& runtime)
    : runtime_(runtime), driver_(runtime.module()) {
  server::ObjectCreated();
}

DriverObject::~DriverObject() { server::ObjectDestroyed(); }

bool DriverObject::OnOwnerThread() const { return runtime_.OnOwnerThread(); }

HRESULT STDMETHODCALLTYPE DriverObject::QueryInterface(REFIID iid,
                                                       void** object) {
  if (!object) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
      IsEqualIID(iid, IID__clsOutputDriver)) {
    *object = static_cast<_clsOutputDriver*>(this);
  } else if (IsEqualIID(iid, IID_ISupportErrorInfo)) {
    *object = static_cast<ISupportErrorInfo*>(this);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG STDMETHODCALLTYPE DriverObject::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&references_));
}

ULONG STDMETHODCALLTYPE DriverObject::Release() {
  const LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT STDMETHODCALLTYPE DriverObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE DriverObject::GetTypeInfo(UINT index, LCID,
                                                    ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  // Only the owner thread fills and reads the cache; others load their own.
  if (!OnOwnerThread()) return LoadTypeInfo(info);
  if (!type_info_) {
    const HRESULT loaded = LoadTypeInfo(type_info_.Put());
    if (FAILED(loaded)) return loaded;
  }
  *info = win32::ComRef<ITypeInfo>::Share(type_info_.get()).Detach();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE DriverObject::GetIDsOfNames(REFIID iid,
                                                      LPOLESTR* names,
                                                      UINT count, LCID,
                                                      DISPID* ids) {
  if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (count == 0) return S_OK;
  if (!names || !ids) return E_POINTER;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  const Member* member = FindMember(names[0]);
  if (!member) return DISP_E_UNKNOWNNAME;
  ids[0] = member->id;
  HRESULT result = S_OK;
  for (UINT i = 1; i < count; ++i) {
    for (UINT p = 0; p < member->arity; ++p) {
      if (SameName(member->parameters[p], names[i])) {
        ids[i] = static_cast<DISPID>(p);
      }
    }
    if (ids[i] == DISPID_UNKNOWN) result = DISP_E_UNKNOWNNAME;
  }
  return result;
}

HRESULT STDMETHODCALLTYPE DriverObject::Invoke(
    DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* parameters,
    VARIANT* result, EXCEPINFO* exception, UINT* argument_error) {
  if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  const Member* member = FindMember(id);
  // Script hosts send METHOD | PROPERTYGET for `x = o.PluginName`.
  if (!member || (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) == 0) {
    return DISP_E_MEMBERNOTFOUND;
  }
  if (!OnOwnerThread()) return RPC_E_WRONG_THREAD;
  DISPPARAMS none{};
  const DISPPARAMS& given = parameters ? *parameters : none;
  if (given.cArgs != member->arity) return DISP_E_BADPARAMCOUNT;
  if (given.cNamedArgs > given.cArgs || (given.cArgs > 0 && !given.rgvarg) ||
      (given.cNamedArgs > 0 && !given.rgdispidNamedArgs)) {
    return E_INVALIDARG;
  }
  // By position: rgvarg holds the named arguments first, then the others
  // in reverse order.
  Invocation call;
  call.result = result;
  call.exception = exception;
  call.argument_error = argument_error;
  const UINT positional = given.cArgs - given.cNamedArgs;
  for (UINT position = 0; position < positional; ++position) {
    call.argument_index[position] = given.cArgs - 1 - position;
    call.arguments[position] = &given.rgvarg[call.argument_index[position]];
  }
  for (UINT named = 0; named < given.cNamedArgs; ++named) {
    const DISPID position = given.rgdispidNamedArgs[named];
    if (position < 0 || static_cast<UINT>(position) >= member->arity ||
        call.arguments[static_cast<UINT>(position)]) {
      if (argument_error) *argument_error = named;
      return DISP_E_PARAMNOTFOUND;
    }
    call.arguments[static_cast<UINT>(position)] = &given.rgvarg[named];
    call.argument_index[static_cast<UINT>(position)] = named;
  }
  const auto hold = win32::ComRef<DriverObject>::Share(this);
  switch (id) {
    case kDisable: return InvokeBoolean(call, &clsOutputDriver::Disable);
    case kEnable: return InvokeBoolean(call, &clsOutputDriver::Enable);
    case kConfigure: return InvokeBoolean(call, &clsOutputDriver::Configure);
    case kTerm: return InvokeBoolean(call, &clsOutputDriver::Term);
    case kPluginName: return InvokePluginName(call);
    case kSetChannel: return InvokeSetChannel(call);
    case kInit: return InvokeInit(call);
    default: return DISP_E_MEMBERNOTFOUND;
  }
}

HRESULT DriverObject::InvokeBoolean(const Invocation& call,
                                    bool (clsOutputDriver::*operation)()) {
  return call.Finish(Attempt([&] { call.SetBool((driver_.*operation)()); }));
}

HRESULT DriverObject::InvokePluginName(const Invocation& call) {
  return call.Finish(Attempt([&] {
    win32::Bstr name(win32::Widen(driver_.PluginName()));
    if (call.result) {
      V_VT(call.result) = VT_BSTR;
      V_BSTR(call.result) = name.Release();
    }
  }));
}

HRESULT DriverObject::InvokeSetChannel(const Invocation& call) {
  std::array<LONG, 2> numbers{};
  static constexpr const char* kNames[] = {"channel", "value"};
  for (UINT position = 0; position < 2; ++position) {
    const HRESULT converted =
        ArgumentAsLong(*call.arguments[position], &numbers[position]);
    if (converted == DISP_E_OVERFLOW) {
      return ReportToInvoke(
          FailureOf(kOverflow, std::string("Overflow: the ") +
                                   kNames[position] +
                                   " does not fit a 32-bit integer"),
          call.exception);
    }
    if (FAILED(converted)) return call.Mismatch(position);
  }
  bool outcome = false;
  const auto failure =
      Attempt([&] { outcome = driver_.SetChannel(numbers[0], numbers[1]); });
  if (!failure) call.SetBool(outcome);
  return call.Finish(failure);
}

HRESULT DriverObject::InvokeInit(const Invocation& call) {
  std::string title;
  std::string file_name;
  if (FAILED(ArgumentAsText(*call.arguments[0], &title))) {
    return call.Mismatch(0);
  }
  if (FAILED(ArgumentAsText(*call.arguments[1], &file_name))) {
    return call.Mismatch(1);
  }
  win32::ComRef<IDispatch> helper;
  if (FAILED(ArgumentAsHelper(*call.arguments[2], helper.Put()))) {
    return call.Mismatch(2);
  }
  bool outcome = false;
  const auto failure = Attempt([&] {
    outcome = driver_.Init(title, file_name, HelperFor(helper.get()));
  });
  if (!failure) call.SetBool(outcome);
  return call.Finish(failure);
}

template <typename Body>
HRESULT DriverObject::CallFromVtable(const void* result, Body&& body) {
  if (!OnOwnerThread()) return RPC_E_WRONG_THREAD;
  if (!result) return ReportToCaller(MissingPointer("the result"));
  const auto hold = win32::ComRef<DriverObject>::Share(this);
  return ReportToCaller(Attempt(std::forward<Body>(body)));
}

HRESULT STDMETHODCALLTYPE DriverObject::Disable(VARIANT_BOOL* result) {
  return CallFromVtable(result,
                        [&] { *result = AutomationBool(driver_.Disable()); });
}

HRESULT STDMETHODCALLTYPE DriverObject::Enable(VARIANT_BOOL* result) {
  return CallFromVtable(result,
                        [&] { *result = AutomationBool(driver_.Enable()); });
}

HRESULT STDMETHODCALLTYPE DriverObject::PluginName(BSTR* result) {
  return CallFromVtable(result, [&] {
    *result = win32::Bstr(win32::Widen(driver_.PluginName())).Release();
  });
}

HRESULT STDMETHODCALLTYPE DriverObject::SetChannel(LONG* channel, LONG* value,
                                                   VARIANT_BOOL* result) {
  if (OnOwnerThread() && (!channel || !value)) {
    return ReportToCaller(MissingPointer(!channel ? "channel" : "value"));
  }
  return CallFromVtable(result, [&] {
    *result = AutomationBool(driver_.SetChannel(*channel, *value));
  });
}

HRESULT STDMETHODCALLTYPE DriverObject::Configure(VARIANT_BOOL* result) {
  return CallFromVtable(result,
                        [&] { *result = AutomationBool(driver_.Configure()); });
}

HRESULT STDMETHODCALLTYPE DriverObject::Init(BSTR* CallingAppTitle,
                                             BSTR* MyFilename,
                                             IDispatch** TrovaPluginHelper,
                                             VARIANT_BOOL* result) {
  if (OnOwnerThread() && (!CallingAppTitle || !MyFilename)) {
    return ReportToCaller(
        MissingPointer(!CallingAppTitle ? "CallingAppTitle" : "MyFilename"));
  }
  return CallFromVtable(result, [&] {
    IDispatch* helper = TrovaPluginHelper ? *TrovaPluginHelper : nullptr;
    *result = AutomationBool(
        driver_.Init(win32::Bstr::BstrUtf8(*CallingAppTitle),
                     win32::Bstr::BstrUtf8(*MyFilename), HelperFor(helper)));
  });
}

HRESULT STDMETHODCALLTYPE DriverObject::Term(VARIANT_BOOL* result) {
  return CallFromVtable(result,
                        [&] { *result = AutomationBool(driver_.Term()); });
}

HRESULT STDMETHODCALLTYPE DriverObject::InterfaceSupportsErrorInfo(REFIID iid) {
  return IsEqualIID(iid, IID__clsOutputDriver) || IsEqualIID(iid, IID_IDispatch)
             ? S_OK
             : S_FALSE;
}

}  // namespace quorvix::com
