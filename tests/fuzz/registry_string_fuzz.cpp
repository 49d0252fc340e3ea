// libFuzzer target: ReadRegistryString on value data of any type and bytes. Input: the type
// (first byte) and the data.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "host/installer.h"
#include "platform/sim/machine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace presetra;
  if (size == 0) return 0;
  static sim::Machine machine;
  sim::RegistryValue value{u"V", data[0] % 12u, std::vector<std::uint8_t>(data + 1, data + size)};
  machine.registry().PutValue(u"HKLM\\SOFTWARE\\WOW6432Node\\Fuzz", value);
  WString text = ReadRegistryString(machine.registry(), u"Software\\Fuzz", u"V");
  const bool isString = value.type == win::kRegSz || value.type == win::kRegExpandSz;
  if (!isString && !text.empty()) std::abort();
  if (text.size() > value.data.size() / 2) std::abort();
  if (machine.registry().OpenKeyCount() != 0) std::abort();
  return 0;
}
