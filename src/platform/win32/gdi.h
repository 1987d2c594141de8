#pragma once
// The few GDI calls the dialog measures with, looked up in the gdi32 that
// user32 has loaded anyway, so that the plug-in imports nothing beyond the
// core system libraries.

#include <windows.h>

#include <string>

#include "common/scoped_handle.h"

namespace quorvix::win32 {

struct Gdi {
  decltype(&::GetDeviceCaps) GetDeviceCaps;
  decltype(&::CreateFontIndirectW) CreateFontIndirectW;
  decltype(&::DeleteObject) DeleteObject;
  decltype(&::GetObjectW) GetObjectW;
  decltype(&::SelectObject) SelectObject;
  decltype(&::GetTextFaceW) GetTextFaceW;
  decltype(&::GetTextExtentPoint32W) GetTextExtentPoint32W;
};

// Null when any of them is missing.
const Gdi* GdiFunctions();

struct FontTraits {
  static HFONT Invalid() { return nullptr; }
  static void Free(HFONT font);
};
using UniqueFont = common::ScopedHandle<FontTraits>;

// A window's device context with a font selected, both let go on leaving.
class FontDc {
 public:
  FontDc(const Gdi& gdi, HWND window, HFONT font);
  ~FontDc();
  FontDc(const FontDc&) = delete;
  FontDc& operator=(const FontDc&) = delete;

  HDC get() const { return dc_; }
  // 0 without a device context.
  int TextWidth(const std::wstring& text) const;

 private:
  const Gdi& gdi_;
  HWND window_;
  HDC dc_;
  HGDIOBJ previous_ = nullptr;
};

}  // namespace quorvix::win32
