#pragma once
// Modal message boxes with one OK button. Texts are UTF-8; CR LF separates
// lines.

#include <string_view>

namespace quorvix {

inline constexpr std::string_view kMessageBoxTitle =
    "Quorvix Transmitter Driver";

enum class MessageIcon { kError, kInformation };

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;

  // Returns when the user has dismissed the box.
  virtual void Show(MessageIcon icon, std::string_view text) = 0;
};

}  // namespace quorvix
