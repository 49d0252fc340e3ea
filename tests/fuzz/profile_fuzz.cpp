// libFuzzer target: the machine-profile loader on any text either names the bad field or
// gives a profile the simulated machine can be built from; nothing else escapes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/sim/machine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace presetra;
  try {
    const machine::MachineProfile profile =
        machine::ParseProfile(std::string(reinterpret_cast<const char*>(data), size));
    sim::Machine simulated(profile);
  } catch (const machine::ProfileError&) {
  }
  return 0;
}
