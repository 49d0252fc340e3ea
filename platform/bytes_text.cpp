#include "platform/bytes_text.h"

namespace presetra {

std::optional<std::vector<std::uint8_t>> BytesOfHex(std::string_view digits) {
  if (digits.size() % 2 != 0) return std::nullopt;
  auto value = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::vector<std::uint8_t> bytes;
  bytes.reserve(digits.size() / 2);
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    const int high = value(digits[i]);
    const int low = value(digits[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
  }
  return bytes;
}

std::vector<std::string> SplitTabs(std::string_view line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t tab; (tab = line.find('\t', start)) != std::string_view::npos; start = tab + 1) {
    fields.emplace_back(line.substr(start, tab - start));
  }
  fields.emplace_back(line.substr(start));
  return fields;
}

std::string HexBytes(const std::uint8_t* data, std::size_t size, std::string_view separator) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(size * (2 + separator.size()));
  for (std::size_t i = 0; i < size; ++i) {
    if (i > 0) text += separator;
    text += kDigits[data[i] >> 4];
    text += kDigits[data[i] & 15];
  }
  return text;
}

}  // namespace presetra
