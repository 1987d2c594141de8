#pragma once
// Late-bound calls into the plug-in as a host makes them: names looked up
// with GetIDsOfNames, arguments in reverse order in rgvarg.

#include <oaidl.h>
#include <windows.h>

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
  IDispatch* driver_;
};
