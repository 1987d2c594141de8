#pragma once
// MessageBoxW with the driver's title, an OK button and the given icon;
// task-modal, as the host's UI thread expects from a plug-in, or owned by
// the plug-in's dialog while that is open.

#include "platform/message_box.h"

namespace quorvix::win32 {

class MessageBoxesW final : public MessageBoxes {
 public:
  void Show(MessageIcon icon, std::string_view text) override;
};

}  // namespace quorvix::win32
