#include "platform/win32/gdi.h"

#include <memory>
#include <string>

namespace quorvix::win32 {
namespace {

template <typename Function>
bool Find(HMODULE module, const char* name, Function& function) {
  function = reinterpret_cast<Function>(
      reinterpret_cast<void*>(GetProcAddress(module, name)));
  return function != nullptr;
}

std::unique_ptr<Gdi> Load() {
  const HMODULE gdi32 = GetModuleHandleW(L"gdi32.dll");
  if (!gdi32) return nullptr;
  auto gdi = std::make_unique<Gdi>();
  const bool found =
      Find(gdi32, "GetDeviceCaps", gdi->GetDeviceCaps) &&
      Find(gdi32, "CreateFontIndirectW", gdi->CreateFontIndirectW) &&
      Find(gdi32, "DeleteObject", gdi->DeleteObject) &&
      Find(gdi32, "GetObjectW", gdi->GetObjectW) &&
      Find(gdi32, "SelectObject", gdi->SelectObject) &&
      Find(gdi32, "GetTextFaceW", gdi->GetTextFaceW) &&
      Find(gdi32, "GetTextExtentPoint32W", gdi->GetTextExtentPoint32W);
  return found ? std::move(gdi) : nullptr;
}

}  // namespace

const Gdi* GdiFunctions() {
  static const std::unique_ptr<Gdi> gdi = Load();
  return gdi.get();
}

void FontTraits::Free(HFONT font) {
  if (const Gdi* gdi = GdiFunctions()) gdi->DeleteObject(font);
}

FontDc::FontDc(const Gdi& gdi, HWND window, HFONT font)
    : gdi_(gdi), window_(window), dc_(GetDC(window)) {
  if (dc_ && font) previous_ = gdi_.SelectObject(dc_, font);
}

FontDc::~FontDc() {
  if (!dc_) return;
  if (previous_) gdi_.SelectObject(dc_, previous_);
  ReleaseDC(window_, dc_);
}

int FontDc::TextWidth(const std::wstring& text) const {
  SIZE size{};
  if (!dc_ || !gdi_.GetTextExtentPoint32W(
                  dc_, text.c_str(), static_cast<int>(text.size()), &size)) {
    return 0;
  }
  return size.cx;
}

}  // namespace quorvix::win32
