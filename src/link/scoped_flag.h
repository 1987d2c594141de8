#pragma once
// Raises a flag for a scope and puts back what it was however the scope
// ends, so a nested raise leaves the outer one standing.

namespace quorvix {

class ScopedFlag {
 public:
  explicit ScopedFlag(bool& flag) : flag_(flag), outer_(flag) { flag_ = true; }
  ~ScopedFlag() { flag_ = outer_; }
  ScopedFlag(const ScopedFlag&) = delete;
  ScopedFlag& operator=(const ScopedFlag&) = delete;

 private:
  bool& flag_;
  const bool outer_;
};

}  // namespace quorvix
