#include "dialog_fit.h"

#include <string>
#include <vector>

namespace {

// A caption as drawn: "&x" shows x, "&&" one ampersand.
std::wstring Shown(const std::wstring& caption) {
  std::wstring shown;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == L'&' && i + 1 < caption.size()) ++i;
    shown += caption[i];
  }
  return shown;
}

// A device context of the control with the control's font.
class ControlDc {
 public:
  explicit ControlDc(HWND control)
      : control_(control),
        dc_(GetDC(control)),
        old_(SelectObject(dc_, reinterpret_cast<HFONT>(
                                   SendMessageW(control, WM_GETFONT, 0, 0)))) {}
  ~ControlDc() {
    SelectObject(dc_, old_);
    ReleaseDC(control_, dc_);
  }
  ControlDc(const ControlDc&) = delete;
  ControlDc& operator=(const ControlDc&) = delete;

  int Width(const std::wstring& text) const {
    SIZE size{};
    GetTextExtentPoint32W(dc_, text.c_str(), static_cast<int>(text.size()),
                          &size);
    return size.cx;
  }
  int Dpi() const { return GetDeviceCaps(dc_, LOGPIXELSX); }

 private:
  HWND control_;
  HDC dc_;
  HGDIOBJ old_;
};

// The width the control draws its text in, as the system's controls
// do: a group box keeps 7 pixels and the focus's one at each side, a check
// box its box and half a digit's width, a button its edges and focus
// rectangle, a field its margins, a list its selection field.
int TextRoom(DialogProbe& probe, HWND control) {
  RECT client{};
  GetClientRect(control, &client);
  const int width = client.right - client.left;
  wchar_t name[32] = {};
  GetClassNameW(control, name, 32);
  const auto style = static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE));
  if (lstrcmpiW(name, L"Edit") == 0) {
    const auto margins = static_cast<DWORD>(probe.Send(control, EM_GETMARGINS));
    return width - LOWORD(margins) - HIWORD(margins);
  }
  if (lstrcmpiW(name, L"ComboBox") == 0) {
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    GetComboBoxInfo(control, &info);
    return info.rcItem.right - info.rcItem.left - 2;
  }
  if (lstrcmpiW(name, L"Button") == 0) {
    const ControlDc dc(control);
    switch (style & BS_TYPEMASK) {
      case BS_GROUPBOX: return width - 2 * 8;
      case BS_AUTOCHECKBOX:
        return width - (12 * dc.Dpi() / 96 + 1) - dc.Width(L"0") / 2 - 1;
      default: return width - 2 * (GetSystemMetrics(SM_CXEDGE) + 2);
    }
  }
  return width;
}

struct Content {
  int control;
  std::wstring text;
};

}  // namespace

void CheckEverythingFits(DialogProbe& probe) {
  Checks& checks = probe.host.checks;
  std::vector<Content> contents;
  for (const int control :
       {kFrmCommunication, kLabel1, kLabel2, kFrmDmxIn, kChkDmxInActive,
        kLabel3, kLabel4, kFrmTest, kCmdSend, kCmdShowSetup, kCmdShowInfo,
        kCmdCheckConnection}) {
    contents.push_back({control, Shown(probe.Text(control))});
  }
  for (const int list : {kCmbCom, kCmbBaud}) {
    for (const std::wstring& entry : probe.ListEntries(list)) {
      contents.push_back({list, entry});
    }
  }
  // The widest numbers the fields hold, typed as a user would.
  probe.Focus(kTxtDmxInChannels);
  probe.Type(kTxtDmxInChannels, L"255");
  probe.Focus(kTxtDmxInInterval);
  probe.Type(kTxtDmxInInterval, L"1000");
  probe.Focus(kTxtSend);
  for (const int field : {kTxtDmxInChannels, kTxtDmxInInterval}) {
    contents.push_back({field, probe.Text(field)});
  }

  std::string cut;
  for (const Content& content : contents) {
    const HWND control = probe.Control(content.control);
    const int needed = ControlDc(control).Width(content.text);
    const int room = TextRoom(probe, control);
    if (needed > room) {
      cut.append(" \"").append(Utf8(content.text)).append("\" ");
      cut.append(std::to_string(needed))
          .append(">")
          .append(std::to_string(room));
    }
  }
  const auto font_of = [&](int control) {
    return reinterpret_cast<HFONT>(
        probe.Send(probe.Control(control), WM_GETFONT));
  };
  std::string other_fonts;
  for (int control = 0; control < kControlCount; ++control) {
    // The bars and the line draw no text.
    if (control == kUdDmxInChannels || control == kUdDmxInInterval ||
        control == kLine1) {
      continue;
    }
    if (font_of(control) != font_of(kLabel1)) {
      other_fonts.append(" ").append(std::to_string(control));
    }
  }
  checks.Expect(other_fonts.empty(),
                "every control with text has the same font", other_fonts);
  LOGFONTW font{};
  GetObjectW(font_of(kLabel1), sizeof font, &font);
  std::string what = "every caption and list entry fits its control (font ";
  what.append(Utf8(font.lfFaceName)).append(" ");
  what.append(std::to_string(-font.lfHeight)).append(" px)");
  checks.Expect(cut.empty(), what, cut);

  // What the fields show: the whole number, from its first digit on.
  std::string hidden;
  for (const auto& [field, number] :
       {std::pair{kTxtDmxInChannels, L"255"}, {kTxtDmxInInterval, L"1000"}}) {
    const HWND edit = probe.Control(field);
    const std::wstring text = probe.Text(field);
    RECT client{};
    GetClientRect(edit, &client);
    const auto first = probe.Send(edit, EM_POSFROMCHAR, 0);
    const auto last = probe.Send(edit, EM_POSFROMCHAR, text.size() - 1);
    const int end = static_cast<short>(LOWORD(last)) +
                    ControlDc(edit).Width(
                        text.empty() ? L"" : text.substr(text.size() - 1));
    if (text != number || probe.Send(edit, EM_GETFIRSTVISIBLELINE) != 0 ||
        static_cast<short>(LOWORD(first)) < 0 || end > client.right) {
      hidden.append(" \"").append(Utf8(text)).append("\" from ");
      hidden.append(std::to_string(static_cast<short>(LOWORD(first))));
      hidden.append(" to ").append(std::to_string(end)).append(" in ");
      hidden.append(std::to_string(client.right));
    }
  }
  checks.Expect(hidden.empty(),
                "the fields read back 255 and 1000, shown whole", hidden);
  // As they were, for the settings Term saves.
  probe.Focus(kTxtDmxInChannels);
  probe.Type(kTxtDmxInChannels, L"50");
  probe.Focus(kTxtDmxInInterval);
  probe.Type(kTxtDmxInInterval, L"50");
  probe.Focus(kCmbCom);
}
