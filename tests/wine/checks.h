#pragma once
// Counting checks for the Wine test host: each prints one line, and the
// program ends with "N passed, M failed".

#include <cstdio>
#include <string>

class Checks {
 public:
  bool Expect(bool condition, const std::string& what,
              const std::string& detail = {}) {
    if (condition) {
      ++passed_;
      std::printf("ok   %s\n", what.c_str());
    } else {
      ++failed_;
      std::printf("FAIL %s%s%s\n", what.c_str(), detail.empty() ? "" : ": ",
                  detail.c_str());
    }
    std::fflush(stdout);
    return condition;
  }
  template <typename T, typename U>
  bool Equal(const T& actual, const U& expected, const std::string& what) {
    return Expect(actual == expected, what,
                  "got " + Show(actual) + ", expected " + Show(expected));
  }
  int passed() const { return passed_; }
  int failed() const { return failed_; }

 private:
  static std::string Show(const std::string& text) {
    return "\"" + text + "\"";
  }
  static std::string Show(const char* text) { return Show(std::string(text)); }
  template <typename T>
  static std::string Show(const T& value) {
    if constexpr (std::is_integral_v<T> || std::is_enum_v<T>) {
      char buffer[64];
      std::snprintf(buffer, sizeof buffer, "%lld (0x%llX)",
                    static_cast<long long>(value),
                    static_cast<unsigned long long>(value));
      return buffer;
    } else {
      return "?";
    }
  }
  int passed_ = 0;
  int failed_ = 0;
};
