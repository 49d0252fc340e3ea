// libFuzzer target: ParseGuid on any UTF-16 text; what it accepts, formatted again in the
// braced form, parses to the same GUID.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "power/power_scheme.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace presetra;
  WString text;
  for (std::size_t i = 0; i + 1 < size; i += 2)
    text.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
  platform::Guid guid;
  if (!ParseGuid(text, guid)) return 0;
  char formatted[40];
  std::snprintf(formatted, sizeof(formatted), "{%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}",
                guid.data1, guid.data2, guid.data3, guid.data4[0], guid.data4[1], guid.data4[2],
                guid.data4[3], guid.data4[4], guid.data4[5], guid.data4[6], guid.data4[7]);
  platform::Guid again;
  if (!ParseGuid(Utf8ToUtf16(formatted), again) || !(again == guid)) std::abort();
  return 0;
}
