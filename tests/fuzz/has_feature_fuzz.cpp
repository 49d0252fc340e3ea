// libFuzzer target: HasFeature against the rule it implements, a token counts only where it
// starts at an even offset. Input: the token's length (first byte, 0-3), the token, the bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "host/installer.h"
#include "platform/sim/machine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace presetra;
  if (size == 0) return 0;
  const std::size_t tokenLength = std::min<std::size_t>(data[0] % 4, size - 1);
  WString token(data + 1, data + 1 + tokenLength);
  WString bytes(data + 1 + tokenLength, data + size);
  static sim::Machine machine;
  CMSIInstaller installer(machine);
  installer.Context().featureBytes = bytes;
  bool expected = false;
  for (std::size_t at = 0; at + token.size() <= bytes.size() && !expected; at += 2) {
    expected = bytes.compare(at, token.size(), token) == 0;
  }
  if (installer.HasFeature(token) != expected) std::abort();
  return 0;
}
