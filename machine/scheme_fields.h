// The profile's power.schemes and power.active_scheme, read and written: the one spelling of
// Windows' schemes in a profile.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "machine/windows_schemes.h"

namespace presetra::machine {

// power.schemes. Throws ProfileError naming the field on malformed input.
std::vector<WindowsScheme> ParseSchemes(const nlohmann::json& schemes, const std::string& field);
// A scheme GUID as the format writes it: lower case without braces. Throws ProfileError.
WString ParseSchemeGuid(const nlohmann::json& value, const std::string& field);

nlohmann::ordered_json SchemesJson(const std::vector<WindowsScheme>& schemes);

}  // namespace presetra::machine
