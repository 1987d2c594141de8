#include "link/output_memory.h"

#include "link/frames.h"

namespace quorvix {

void OutputMemory::Remember(std::int32_t channel, std::uint8_t value) {
  if (channel < 1 || channel > kChannels) return;
  const auto index = static_cast<std::size_t>(channel - 1);
  values_[index] = value;
  set_.set(index);
}

void OutputMemory::Forget() { set_.reset(); }

std::vector<std::string> OutputMemory::Frames() const {
  std::vector<std::string> frames;
  frames.reserve(set_.count());
  for (std::size_t index = 0; index < set_.size(); ++index) {
    if (set_.test(index)) {
      frames.push_back(
          ChannelFrame(static_cast<std::int32_t>(index + 1), values_[index]));
    }
  }
  return frames;
}

}  // namespace quorvix
