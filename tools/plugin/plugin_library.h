#pragma once
// libquorvix.so loaded with dlopen, the way a host loads a plug-in: every
// entry point of quorvix.h looked up by name. The one loader of quorvix-host,
// quorvix-ola, the tests and the benchmarks.

#include <string>

#include "common/scoped_handle.h"
#include "quorvix.h"

namespace quorvix::host {

class PluginLibrary {
 public:
  // What a program adds to a failure's text: "cannot load <file><path>: ..."
  // and "the plug-in lacks <entry point><hint>".
  struct Wording {
    std::string file;
    std::string hint;
  };

  // Throws std::runtime_error naming the file or the missing entry point.
  explicit PluginLibrary(const std::string& path, const Wording& wording = {});
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  decltype(&::qvx_create) create = nullptr;
  decltype(&::qvx_destroy) destroy = nullptr;
  decltype(&::qvx_pump) pump = nullptr;
  decltype(&::qvx_Disable) Disable = nullptr;
  decltype(&::qvx_Enable) Enable = nullptr;
  decltype(&::qvx_PluginName) PluginName = nullptr;
  decltype(&::qvx_SetChannel) SetChannel = nullptr;
  decltype(&::qvx_Configure) Configure = nullptr;
  decltype(&::qvx_Init) Init = nullptr;
  decltype(&::qvx_Term) Term = nullptr;
  decltype(&::qvx_LineStatus) LineStatus = nullptr;
  decltype(&::qvx_last_error) last_error = nullptr;
  decltype(&::qvx_set_trace) set_trace = nullptr;
  decltype(&::qvx_set_message_box) set_message_box = nullptr;
  decltype(&::qvx_set_ui) set_ui = nullptr;
  decltype(&::qvx_set_port_device) set_port_device = nullptr;

 private:
  struct LibraryTraits {
    static void* Invalid() { return nullptr; }
    static void Free(void* handle);
  };
  template <typename Function>
  void Bind(Function& function, const char* name, const Wording& wording);

  common::ScopedHandle<LibraryTraits> handle_;
};

}  // namespace quorvix::host
