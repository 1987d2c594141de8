#pragma once
// The default message boxes: one line on standard error, the title, ": "
// and the text, its line ends shown as " / ".

#include <string>

#include "platform/message_box.h"

namespace quorvix::posix {

class StderrMessages : public MessageBoxes {
 public:
  void Show(MessageIcon icon, std::string_view text) override;

  // The line Show writes, without its line end. CR LF, and a lone CR or LF
  // as well, become " / " so the message stays on one line.
  static std::string Line(std::string_view text);
};

}  // namespace quorvix::posix
