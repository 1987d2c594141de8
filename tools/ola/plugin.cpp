#include "plugin.h"

#include <dlfcn.h>

#include <stdexcept>

namespace quorvix::ola_bridge {

void Plugin::Close::operator()(void* handle) const { dlclose(handle); }

Plugin::Plugin(const std::string& path)
    : handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
  if (!handle_) {
    throw std::runtime_error("cannot load the plug-in " + path + ": " +
                             dlerror());
  }
  Bind(create, "qvx_create");
  Bind(destroy, "qvx_destroy");
  Bind(Init, "qvx_Init");
  Bind(Enable, "qvx_Enable");
  Bind(Disable, "qvx_Disable");
  Bind(SetChannel, "qvx_SetChannel");
  Bind(Term, "qvx_Term");
  Bind(LineStatus, "qvx_LineStatus");
  Bind(last_error, "qvx_last_error");
  Bind(set_trace, "qvx_set_trace");
  Bind(set_message_box, "qvx_set_message_box");
  Bind(set_port_device, "qvx_set_port_device");
}

template <typename Function>
void Plugin::Bind(Function& function, const char* name) {
  void* symbol = dlsym(handle_.get(), name);
  if (symbol == nullptr) {
    throw std::runtime_error(std::string("the plug-in lacks ") + name +
                             " (too old for quorvix-ola?)");
  }
  function = reinterpret_cast<Function>(symbol);
}

}  // namespace quorvix::ola_bridge
