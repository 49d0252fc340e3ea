// libFuzzer target: ReadRegistryString on value data of any type and bytes, and on a value that
// another program rewrites between the two reads. Input: the type (first byte; its high bit
// asks for the rewrite) and the data (with a rewrite, its first half is the value before and
// its second half the value after).
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "host/installer.h"
#include "platform/sim/machine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace presetra;
  if (size == 0) return 0;
  static sim::Machine machine;
  const bool rewrite = (data[0] & 0x80) != 0;
  const std::size_t half = rewrite ? 1 + (size - 1) / 2 : size;
  platform::RegistryValue value{u"V", data[0] % 12u,
                                std::vector<std::uint8_t>(data + 1, data + half)};
  platform::RegistryValue after{u"V", value.type,
                                std::vector<std::uint8_t>(data + half, data + size)};
  machine.registry().PutValue(u"HKLM\\SOFTWARE\\WOW6432Node\\Fuzz", value);
  // A rewrite to type REG_NONE stands for the value's deletion.
  if (rewrite) {
    machine.registry().ChangeAfterNextQuery(
        u"V", after.type == win::kRegNone ? std::nullopt : std::optional(after));
  }
  WString text = ReadRegistryString(machine.registry(), u"Software\\Fuzz", u"V");
  const bool isString = value.type == win::kRegSz || value.type == win::kRegExpandSz;
  if (!isString && !text.empty()) std::abort();
  // The text fits the buffer sized by the first read: one character more than the data.
  if (text.size() > value.data.size() / 2 + (rewrite ? 1 : 0)) std::abort();
  if (machine.registry().OpenKeyCount() != 0) std::abort();
  return 0;
}
