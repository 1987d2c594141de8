#pragma once
// The layout's texts the way GTK takes them.

#include <string>
#include <string_view>

namespace quorvix::gtk {

// "&Senden" becomes "_Senden" (a mnemonic), "&&" a plain "&", and a plain
// "_" is doubled so GTK shows it.
std::string MnemonicCaption(std::string_view caption);

// Whether the caption marks an accelerator.
bool HasAccelerator(std::string_view caption);

// CR LF, and a lone CR too, become LF: GTK breaks lines at LF only.
std::string UnixLineBreaks(std::string_view text);

}  // namespace quorvix::gtk
