// The local clock, as GetLocalTime reads it.
#pragma once

#include <cstdint>

namespace presetra::platform {

struct LocalTime {
  std::uint16_t hour = 0;
  std::uint16_t minute = 0;
  std::uint16_t second = 0;
  std::uint16_t milliseconds = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  [[nodiscard]] virtual LocalTime Now() = 0;
};

}  // namespace presetra::platform
