#pragma once
// Message boxes as modal GtkMessageDialogs: the error or information icon,
// the driver's title, the text with its line breaks and an OK button; over
// the open configuration dialog, else over the host's active window. They
// wait in a nested main loop, so the plug-in's events keep running.

#include "platform/message_box.h"

namespace quorvix::gtk {

class MessageDialogs final : public MessageBoxes {
 public:
  void Show(MessageIcon icon, std::string_view text) override;
};

}  // namespace quorvix::gtk
