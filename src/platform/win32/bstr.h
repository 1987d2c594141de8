#pragma once
// Owns one BSTR.

#include <oleauto.h>
#include <windows.h>

#include <new>
#include <string>
#include <string_view>

#include "platform/win32/wide_text.h"

namespace quorvix::win32 {

class Bstr {
 public:
  Bstr() = default;
  // Takes ownership.
  explicit Bstr(BSTR owned) : bstr_(owned) {}
  explicit Bstr(std::wstring_view text)
      : bstr_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {
    if (!bstr_) throw std::bad_alloc();
  }
  ~Bstr() { SysFreeString(bstr_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;

  BSTR get() const { return bstr_; }
  // Hands ownership to the caller.
  BSTR Release() {
    const BSTR bstr = bstr_;
    bstr_ = nullptr;
    return bstr;
  }
  std::string Utf8() const { return BstrUtf8(bstr_); }

  // A null BSTR is the empty text.
  static std::string BstrUtf8(BSTR bstr) {
    return bstr ? Narrow(std::wstring_view(bstr, SysStringLen(bstr)))
                : std::string();
  }

 private:
  BSTR bstr_ = nullptr;
};

}  // namespace quorvix::win32
