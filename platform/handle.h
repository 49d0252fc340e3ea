// A handle of one kind: the number the platform hands out for an open key, a device set, a
// process or a window, kept apart by the compiler from handles of every other kind.
#pragma once

#include <compare>
#include <cstdint>

namespace presetra::platform {

template <typename Kind>
class TypedHandle {
 public:
  constexpr TypedHandle() = default;
  constexpr explicit TypedHandle(std::uintptr_t value) : value_(value) {}
  // The number itself, for the one place that hands it to Windows or keeps a table of them.
  constexpr std::uintptr_t value() const { return value_; }
  // Whether it is a handle at all: 0 is none.
  constexpr explicit operator bool() const { return value_ != 0; }
  friend constexpr auto operator<=>(TypedHandle, TypedHandle) = default;

 private:
  std::uintptr_t value_ = 0;
};

}  // namespace presetra::platform
