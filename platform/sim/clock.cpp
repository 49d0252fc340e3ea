#include "platform/sim/clock.h"

namespace presetra::sim {

platform::LocalTime Clock::Now() {
  std::uint64_t t = now_ % kDay;
  now_ += 1;
  platform::LocalTime time;
  time.milliseconds = static_cast<std::uint16_t>(t % 1000);
  time.second = static_cast<std::uint16_t>(t / 1000 % 60);
  time.minute = static_cast<std::uint16_t>(t / 60000 % 60);
  time.hour = static_cast<std::uint16_t>(t / 3600000);
  return time;
}

void Clock::Set(int hour, int minute, int second, int milliseconds) {
  now_ = ((static_cast<std::uint64_t>(hour) * 60 + minute) * 60 + second) * 1000 + milliseconds;
}

}  // namespace presetra::sim
