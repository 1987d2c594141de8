#include "platform/win32/dialog_font.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace quorvix::win32 {
namespace {

// What "MS Shell Dlg" is where the table's metrics hold.
constexpr std::array<const wchar_t*, 2> kDrawnForFaces{L"Microsoft Sans Serif",
                                                       L"MS Sans Serif"};
// Tried after the dialog's own face, each only where the system has it.
constexpr std::array<const wchar_t*, 8> kOtherFaces{L"Tahoma",
                                                    L"Microsoft Sans Serif",
                                                    L"Arial",
                                                    L"Liberation Sans",
                                                    L"Arial Narrow",
                                                    L"Liberation Sans Narrow",
                                                    L"Nimbus Sans Narrow",
                                                    L"DejaVu Sans Condensed"};
constexpr int kFocusMargin = 1;

bool SameFace(const std::wstring& a, const wchar_t* b) {
  return CompareStringOrdinal(a.c_str(), -1, b, -1, TRUE) == CSTR_EQUAL;
}

std::wstring FaceOf(const Gdi& gdi, HFONT font) {
  const FontDc dc(gdi, nullptr, font);
  std::array<wchar_t, LF_FACESIZE> face{};
  if (!dc.get() || gdi.GetTextFaceW(dc.get(), static_cast<int>(face.size()),
                                    face.data()) == 0) {
    return {};
  }
  return face.data();
}

// The width a control draws its text in, as the system's controls lay it
// out: a frame keeps 7 pixels and a focus pixel at each side, a check box
// its box and half a digit, a button its edges and focus rectangle, a field
// its margins, a list its selection field.
int TextRoom(const Gdi& gdi, const TextToFit& item, HFONT font) {
  RECT client{};
  GetClientRect(item.control, &client);
  const int width = client.right - client.left;
  switch (item.kind) {
    case ControlKind::kFrame: return width - 2 * (7 + kFocusMargin);
    case ControlKind::kCheckBox: {
      const FontDc dc(gdi, item.control, font);
      const int dpi = dc.get() ? gdi.GetDeviceCaps(dc.get(), LOGPIXELSX)
                               : USER_DEFAULT_SCREEN_DPI;
      const int box = std::max(12 * dpi / USER_DEFAULT_SCREEN_DPI + 1,
                               GetSystemMetrics(SM_CXMENUCHECK));
      return width - box - dc.TextWidth(L"0") / 2 - kFocusMargin;
    }
    case ControlKind::kButton:
      return width - 2 * (GetSystemMetrics(SM_CXEDGE) + 2 * kFocusMargin);
    case ControlKind::kTextField: {
      const auto margins =
          static_cast<DWORD>(SendMessageW(item.control, EM_GETMARGINS, 0, 0));
      return width - LOWORD(margins) - HIWORD(margins);
    }
    case ControlKind::kDropDownList: {
      COMBOBOXINFO info{};
      info.cbSize = sizeof info;
      if (!GetComboBoxInfo(item.control, &info)) return width;
      return info.rcItem.right - info.rcItem.left - 2 * kFocusMargin;
    }
    default: return width;
  }
}

// Gives every control `font` and measures.
bool AllFit(const Gdi& gdi, std::span<const TextToFit> texts, HFONT font) {
  for (const TextToFit& item : texts) {
    SendMessageW(item.control, WM_SETFONT, reinterpret_cast<WPARAM>(font),
                 FALSE);
  }
  return std::all_of(texts.begin(), texts.end(), [&](const TextToFit& item) {
    return FontDc(gdi, item.control, font).TextWidth(item.text) <=
           TextRoom(gdi, item, font);
  });
}

}  // namespace

std::wstring DrawnCaption(const std::wstring& caption) {
  std::wstring drawn;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == L'&' && i + 1 < caption.size()) ++i;
    drawn += caption[i];
  }
  return drawn;
}

UniqueFont FitDialogFont(HWND dialog, std::span<const TextToFit> texts) {
  const Gdi* const gdi = GdiFunctions();
  const auto own =
      reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
  LOGFONTW base{};
  if (!gdi || !own || gdi->GetObjectW(own, sizeof base, &base) == 0) {
    return UniqueFont();
  }
  const std::wstring own_face = FaceOf(*gdi, own);
  if (std::any_of(
          kDrawnForFaces.begin(), kDrawnForFaces.end(),
          [&](const wchar_t* face) { return SameFace(own_face, face); }) ||
      AllFit(*gdi, texts, own)) {
    return UniqueFont();
  }
  const int size = std::abs(base.lfHeight);
  // Below three quarters of the dialog's size a text is hard to read; there
  // the search stops.
  const int smallest = std::max(1, size * 3 / 4);
  UniqueFont last;
  for (int height = size; height >= smallest; --height) {
    LOGFONTW wanted = base;
    wanted.lfHeight = -height;
    wanted.lfWidth = 0;
    if (height < size) {
      last.reset(gdi->CreateFontIndirectW(&wanted));
      if (last && AllFit(*gdi, texts, last.get())) return last;
    }
    for (const wchar_t* face : kOtherFaces) {
      if (SameFace(own_face, face)) continue;
      lstrcpynW(wanted.lfFaceName, face, LF_FACESIZE);
      UniqueFont font(gdi->CreateFontIndirectW(&wanted));
      // A face the system lacks comes back as another one.
      if (!font || !SameFace(FaceOf(*gdi, font.get()), face)) continue;
      if (AllFit(*gdi, texts, font.get())) return font;
    }
  }
  // Nothing fits: the smallest size of the dialog's face cuts the least.
  if (!last) last.reset(gdi->CreateFontIndirectW(&base));
  AllFit(*gdi, texts, last ? last.get() : own);
  return last;
}

}  // namespace quorvix::win32
