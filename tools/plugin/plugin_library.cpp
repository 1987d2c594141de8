#include "tools/plugin/plugin_library.h"

#include <dlfcn.h>

#include <stdexcept>

namespace quorvix::host {

PluginLibrary::PluginLibrary(const std::string& path) {
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    throw std::runtime_error("cannot load " + path + ": " + dlerror());
  }
  try {
    Bind(create, "qvx_create");
    Bind(destroy, "qvx_destroy");
    Bind(pump, "qvx_pump");
    Bind(Disable, "qvx_Disable");
    Bind(Enable, "qvx_Enable");
    Bind(PluginName, "qvx_PluginName");
    Bind(SetChannel, "qvx_SetChannel");
    Bind(Configure, "qvx_Configure");
    Bind(Init, "qvx_Init");
    Bind(Term, "qvx_Term");
    Bind(last_error, "qvx_last_error");
    Bind(set_trace, "qvx_set_trace");
    Bind(set_message_box, "qvx_set_message_box");
    Bind(set_ui, "qvx_set_ui");
    Bind(set_port_device, "qvx_set_port_device");
  } catch (...) {
    dlclose(handle_);
    throw;
  }
}

PluginLibrary::~PluginLibrary() { dlclose(handle_); }

template <typename Function>
void PluginLibrary::Bind(Function& function, const char* name) {
  void* symbol = dlsym(handle_, name);
  if (symbol == nullptr) {
    throw std::runtime_error(std::string("the plug-in lacks ") + name);
  }
  function = reinterpret_cast<Function>(symbol);
}

}  // namespace quorvix::host
