#pragma once
// Late-bound calls into the plug-in as a host makes them: each name looked
// up with GetIDsOfNames once, arguments in reverse order in rgvarg. The test
// host's scenarios and the Wine benchmark share it.

#include <oaidl.h>
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

struct CallResult {
  HRESULT result = E_FAIL;
  VARIANT value;
  EXCEPINFO exception{};
  UINT argument_error = ~0u;

  CallResult() { VariantInit(&value); }
  ~CallResult();
  CallResult(const CallResult&) = delete;
  CallResult& operator=(const CallResult&) = delete;
  CallResult(CallResult&& other) noexcept;

  // VT_BOOL results: 1 true (VARIANT_TRUE), 0 false, -1 anything else.
  int Boolean() const;
  std::string Text() const;
  std::string Description() const;
};

VARIANT Long(long value);
VARIANT Text(const wchar_t* text);
VARIANT Double(double value);
VARIANT Dispatch(IDispatch* object);  // no reference taken
VARIANT Empty();
VARIANT ByRef(VARIANT* target);  // VT_VARIANT | VT_BYREF

class DriverClient {
 public:
  explicit DriverClient(IDispatch* driver) : driver_(driver) {}

  // `arguments` in call order; they are not freed.
  CallResult Call(const wchar_t* name, std::vector<VARIANT> arguments = {},
                  WORD flags = DISPATCH_METHOD) const;
  // true/false result of a call that must succeed, else -1.
  int Boolean(const wchar_t* name, std::vector<VARIANT> arguments = {}) const;

 private:
  // A name that is not found is asked for again on the next call.
  HRESULT IdOf(const wchar_t* name, DISPID& id) const;

  IDispatch* driver_;
  // A cache, not state: a benchmark's figures measure Invoke, not the
  // lookup.
  mutable std::map<std::wstring, DISPID, std::less<>> ids_;
};
