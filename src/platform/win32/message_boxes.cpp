#include "platform/win32/message_boxes.h"

#include <windows.h>

#include "platform/win32/wide_text.h"

namespace quorvix::win32 {

void MessageBoxesW::Show(MessageIcon icon, std::string_view text) {
  const UINT icon_style =
      icon == MessageIcon::kError ? MB_ICONERROR : MB_ICONINFORMATION;
  MessageBoxW(nullptr, Widen(text).c_str(), Widen(kMessageBoxTitle).c_str(),
              MB_OK | icon_style | MB_TASKMODAL | MB_SETFOREGROUND);
}

}  // namespace quorvix::win32
