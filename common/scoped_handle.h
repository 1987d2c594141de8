#pragma once
// Owns one handle of any kind and frees it exactly once. The traits type
// says what "none" is and how to free one:
//
//   struct Traits {
//     static Handle Invalid();
//     static void Free(Handle handle);   // only ever given a valid handle
//     static bool IsValid(Handle handle);  // optional: not == Invalid()
//   };
//
// Standard C++ only, so every layer, back end and tool may use it.

#include <concepts>
#include <utility>

namespace quorvix::common {

template <typename Traits, typename Handle>
concept HasIsValid = requires(Handle handle) {
  { Traits::IsValid(handle) } -> std::same_as<bool>;
};

template <typename Traits>
class ScopedHandle {
 public:
  using Handle = decltype(Traits::Invalid());

  ScopedHandle() = default;
  explicit ScopedHandle(Handle handle) noexcept : handle_(handle) {}
  ~ScopedHandle() { reset(); }
  ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.release()) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;

  Handle get() const noexcept { return handle_; }
  bool is_valid() const noexcept { return Valid(handle_); }
  explicit operator bool() const noexcept { return is_valid(); }

  // Hands the handle on; the caller frees it.
  [[nodiscard]] Handle release() noexcept {
    return std::exchange(handle_, Traits::Invalid());
  }
  // The new handle is in place before the old one is freed, so whatever
  // freeing runs finds this owner already holding the new one. Taking the
  // handle already held keeps it: freeing it would leave this owner a dead
  // one to free again.
  void reset(Handle handle = Traits::Invalid()) noexcept {
    if (handle == handle_) return;
    const Handle old = std::exchange(handle_, handle);
    if (Valid(old)) Traits::Free(old);
  }

 private:
  static bool Valid(Handle handle) noexcept {
    if constexpr (HasIsValid<Traits, Handle>) {
      return Traits::IsValid(handle);
    } else {
      return handle != Traits::Invalid();
    }
  }

  Handle handle_ = Traits::Invalid();
};

}  // namespace quorvix::common
