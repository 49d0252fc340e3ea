// Bytes and lines as the tool's text files hold them: hex digits and tab-separated fields, for
// profiles, state dumps, WMI parameter streams and the stand-ins' files. The system's own code
// has no use for them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace presetra {

// The bytes as lower-case hex digits, two a byte, with `separator` between bytes.
std::string HexBytes(const std::uint8_t* data, std::size_t size, std::string_view separator = "");

// The bytes that HexBytes wrote (no separator; either case): nullopt for an odd number of
// digits or a character that is not one.
std::optional<std::vector<std::uint8_t>> BytesOfHex(std::string_view digits);

// The fields of a line separated by tabs: one more than there are tabs.
std::vector<std::string> SplitTabs(std::string_view line);

}  // namespace presetra
