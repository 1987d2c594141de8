#include "runtime.h"

#include <algorithm>

namespace quorvix::capi {

Runtime::Runtime(HostTraceSink& trace, HostMessageSink& messages, UiChoice& ui)
    : thread_(std::this_thread::get_id()),
      serial_(context_, trace),
      events_(context_),
      dialogs_(ui, context_.get()),
      messages_(messages, ui, context_.get()),
      platform_{events_, serial_, store_, messages_, trace, dialogs_},
      module_(platform_) {
  trace.ReadLogListeners();
}

Runtime::~Runtime() {
  drivers_.clear();
  // module_ goes first (it is declared last): port, sources, helper.
}

qvx_driver* Runtime::CreateDriver() {
  drivers_.push_back(std::make_unique<qvx_driver>(module_));
  return drivers_.back().get();
}

bool Runtime::Owns(const qvx_driver* driver) const {
  return std::any_of(
      drivers_.begin(), drivers_.end(),
      [driver](const auto& owned) { return owned.get() == driver; });
}

void Runtime::DestroyDriver(qvx_driver* driver) {
  std::erase_if(drivers_,
                [driver](const auto& owned) { return owned.get() == driver; });
}

}  // namespace quorvix::capi
