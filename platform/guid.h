// A GUID, and its text as powercfg and the registry spell it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "platform/text.h"

namespace presetra::platform {

struct Guid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::array<std::uint8_t, 8> data4{};

  friend bool operator==(const Guid&, const Guid&) = default;
};

// Whether the text is "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx": 36 units, hexadecimal digits of
// either case with the four dashes where powercfg prints them.
bool IsGuidText(WStringView text);
// That text as a GUID; nullopt when it is not one.
std::optional<Guid> GuidFromText(WStringView text);
// "8759706d-706b-4c22-b2ec-f91e1ef6ed38": lower case without braces, as powercfg prints it.
WString GuidText(const Guid& guid);
// "{8759706D-706B-4C22-B2EC-F91E1EF6ED38}": upper case in braces, as StringFromGUID2 writes it.
std::string BracedGuidText(const Guid& guid);

}  // namespace presetra::platform
