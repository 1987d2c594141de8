#include "tools/plugin/plugin_library.h"

#include <dlfcn.h>

#include <stdexcept>

namespace quorvix::host {

void PluginLibrary::LibraryTraits::Free(void* handle) { dlclose(handle); }

PluginLibrary::PluginLibrary(const std::string& path, const Wording& wording)
    : handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
  if (!handle_) {
    throw std::runtime_error("cannot load " + wording.file + path + ": " +
                             dlerror());
  }
  Bind(create, "qvx_create", wording);
  Bind(destroy, "qvx_destroy", wording);
  Bind(pump, "qvx_pump", wording);
  Bind(Disable, "qvx_Disable", wording);
  Bind(Enable, "qvx_Enable", wording);
  Bind(PluginName, "qvx_PluginName", wording);
  Bind(SetChannel, "qvx_SetChannel", wording);
  Bind(Configure, "qvx_Configure", wording);
  Bind(Init, "qvx_Init", wording);
  Bind(Term, "qvx_Term", wording);
  Bind(LineStatus, "qvx_LineStatus", wording);
  Bind(last_error, "qvx_last_error", wording);
  Bind(set_trace, "qvx_set_trace", wording);
  Bind(set_message_box, "qvx_set_message_box", wording);
  Bind(set_ui, "qvx_set_ui", wording);
  Bind(set_port_device, "qvx_set_port_device", wording);
}

template <typename Function>
void PluginLibrary::Bind(Function& function, const char* name,
                         const Wording& wording) {
  void* symbol = dlsym(handle_.get(), name);
  if (symbol == nullptr) {
    throw std::runtime_error(std::string("the plug-in lacks ") + name +
                             wording.hint);
  }
  function = reinterpret_cast<Function>(symbol);
}

}  // namespace quorvix::host
