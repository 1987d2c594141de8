#pragma once
// One reference to a COM interface, released when the holder goes; the one
// way the bindings, the back ends and the Wine tests hold interface pointers.

#include <unknwn.h>

#include <utility>

namespace quorvix::win32 {

template <typename Interface>
class ComRef {
 public:
  ComRef() = default;
  ~ComRef() { Reset(); }
  ComRef(ComRef&& other) noexcept : object_(other.Detach()) {}
  ComRef& operator=(ComRef&& other) noexcept {
    if (this != &other) {
      Reset();
      object_ = other.Detach();
    }
    return *this;
  }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;

  // Takes over a reference the caller already owns.
  static ComRef Adopt(Interface* object) {
    ComRef held;
    held.object_ = object;
    return held;
  }
  // Adds a reference of its own.
  static ComRef Share(Interface* object) {
    if (object) object->AddRef();
    return Adopt(object);
  }

  Interface* get() const { return object_; }
  Interface* operator->() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

  // The slot for an out-parameter; what was held is released first.
  Interface** Put() {
    Reset();
    return &object_;
  }
  // The same slot typed for QueryInterface and its kind.
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }

  // Hands the reference on to the caller.
  Interface* Detach() { return std::exchange(object_, nullptr); }

  void Reset() {
    if (Interface* object = Detach()) object->Release();
  }

 private:
  Interface* object_ = nullptr;
};

}  // namespace quorvix::win32
