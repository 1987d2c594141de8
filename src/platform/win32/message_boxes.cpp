#include "platform/win32/message_boxes.h"

#include <windows.h>

#include "platform/win32/modal_dialog.h"
#include "platform/win32/wide_text.h"

namespace quorvix::win32 {

void MessageBoxesW::Show(MessageIcon icon, std::string_view text) {
  const UINT icon_style =
      icon == MessageIcon::kError ? MB_ICONERROR : MB_ICONINFORMATION;
  // Over the open dialog, a box belongs to it; the host's windows are
  // disabled by the dialog already.
  const HWND dialog = OpenModalDialog();
  MessageBoxW(dialog, Widen(text).c_str(), Widen(kMessageBoxTitle).c_str(),
              MB_OK | icon_style | (dialog ? MB_APPLMODAL : MB_TASKMODAL) |
                  MB_SETFOREGROUND);
}

}  // namespace quorvix::win32
