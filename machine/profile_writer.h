// The one writer of machine profiles: a MachineProfile as the format's JSON text, which
// ParseProfile reads back.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "machine/profile.h"

namespace presetra::machine {

// The fields written besides those every profile has (profile, description, the OEM strings,
// Connected Standby, the registry, the factory folder); one left out is the format's default.
struct WrittenFields {
  bool biosFeatureByte = true;
  bool platformRole = true;
  bool uiLanguage = true;
  bool networkAdapters = true;
  bool packageScripts = true;
  bool systemFolder = true;
  bool packageArchitecture = true;
};
// A board's profile, as `presetra machine` writes it: the rest is left to the defaults.
inline constexpr WrittenFields kBoardFields{false, false, false, false, false, false, false};

// The profile's JSON, two blanks an indent, with a final line break.
std::string WriteProfile(const MachineProfile& profile, const WrittenFields& fields = {});

// A registry value as a profile holds it: a REG_SZ with its NUL as plain text, a REG_DWORD as a
// number, any other as {"type", "data"} ("nul": false for a string without one). nullopt for a
// value the format cannot hold: a REG_DWORD or REG_QWORD of another size, or another type.
std::optional<nlohmann::ordered_json> RegistryValueJson(const RegistryValue& value);

// The UTF-16 strings of a REG_MULTI_SZ-shaped buffer, up to the empty one that ends it.
std::vector<WString> SplitMultiString(const std::vector<std::uint8_t>& bytes);

}  // namespace presetra::machine
