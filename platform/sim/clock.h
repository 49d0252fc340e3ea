// Simulated local time: it moves only when something happens (a clock read moves it by one
// millisecond, a waited-for program by its run time), so every run is reproducible.
#pragma once

#include <cstdint>

#include "platform/clock.h"

namespace presetra::sim {

class Clock : public platform::Clock {
 public:
  platform::LocalTime Now() override;

  void Set(int hour, int minute, int second, int milliseconds);
  void Advance(std::uint64_t milliseconds) { now_ += milliseconds; }
  std::uint64_t MillisecondsSinceMidnight() const { return now_ % kDay; }

 private:
  static constexpr std::uint64_t kDay = 24ull * 60 * 60 * 1000;
  std::uint64_t now_ = 8ull * 60 * 60 * 1000;  // 08:00:00.000
};

}  // namespace presetra::sim
