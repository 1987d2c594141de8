#pragma once
// libquorvix.so loaded with dlopen, as every host loads it: the entry points
// the bridge uses, looked up by name.

#include <memory>
#include <string>

#include "quorvix.h"

namespace quorvix::ola_bridge {

class Plugin {
 public:
  // Throws std::runtime_error naming the file or the missing entry point.
  explicit Plugin(const std::string& path);

  decltype(&::qvx_create) create = nullptr;
  decltype(&::qvx_destroy) destroy = nullptr;
  decltype(&::qvx_Init) Init = nullptr;
  decltype(&::qvx_Enable) Enable = nullptr;
  decltype(&::qvx_Disable) Disable = nullptr;
  decltype(&::qvx_SetChannel) SetChannel = nullptr;
  decltype(&::qvx_Term) Term = nullptr;
  decltype(&::qvx_LineStatus) LineStatus = nullptr;
  decltype(&::qvx_last_error) last_error = nullptr;
  decltype(&::qvx_set_trace) set_trace = nullptr;
  decltype(&::qvx_set_message_box) set_message_box = nullptr;
  decltype(&::qvx_set_port_device) set_port_device = nullptr;

 private:
  struct Close {
    void operator()(void* handle) const;
  };
  template <typename Function>
  void Bind(Function& function, const char* name);

  std::unique_ptr<void, Close> handle_;
};

}  // namespace quorvix::ola_bridge
