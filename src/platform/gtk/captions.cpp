#include "platform/gtk/captions.h"

namespace quorvix::gtk {

std::string MnemonicCaption(std::string_view caption) {
  std::string converted;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    const char c = caption[i];
    if (c == '&' && i + 1 < caption.size()) {
      const char next = caption[++i];
      if (next != '&') converted += '_';
      converted += next;
    } else if (c == '_') {
      converted += "__";
    } else {
      converted += c;
    }
  }
  return converted;
}

bool HasAccelerator(std::string_view caption) {
  for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] != '&') return true;
    ++i;
  }
  return false;
}

std::string UnixLineBreaks(std::string_view text) {
  std::string converted;
  converted.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      converted += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      converted += text[i];
    }
  }
  return converted;
}

}  // namespace quorvix::gtk
