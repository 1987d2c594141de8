#pragma once
// A helper object that is a VBScript `Class` instance, made with the
// VBScript engine itself (IActiveScript on vbscript.dll), as a script host
// hands it to Init.

#include <activscp.h>
#include <windows.h>

#include <string>

#include "platform/win32/com_ref.h"

class ScriptHelper {
 public:
  // Runs `script`, which must leave the object in the global variable
  // `variable`.
  ScriptHelper(const wchar_t* script, const wchar_t* variable);
  ~ScriptHelper();
  ScriptHelper(const ScriptHelper&) = delete;
  ScriptHelper& operator=(const ScriptHelper&) = delete;

  IDispatch* object() const { return object_.get(); }
  // A property of the object, converted to text.
  std::wstring Property(const wchar_t* name) const;
  const std::wstring& error() const { return error_; }

 private:
  // Released in this order: the object, the engine, then its site.
  quorvix::win32::ComRef<IActiveScriptSite> site_;
  quorvix::win32::ComRef<IActiveScript> engine_;
  quorvix::win32::ComRef<IDispatch> object_;
  std::wstring error_;
};
