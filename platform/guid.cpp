#include "platform/guid.h"

#include <cstdio>

namespace presetra::platform {

namespace {

bool IsDashAt(std::size_t i) {
  return i == 8 || i == 13 || i == 18 || i == 23;
}

// 0-15, or -1 for a unit that is no hexadecimal digit.
int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  const char16_t folded = c | 0x20;  // A-F to a-f; nothing else lands on a-f
  return folded >= u'a' && folded <= u'f' ? folded - u'a' + 10 : -1;
}

}  // namespace

bool IsGuidText(WStringView text) {
  if (text.size() != 36) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsDashAt(i) ? text[i] != u'-' : HexDigit(text[i]) < 0) return false;
  }
  return true;
}

std::optional<Guid> GuidFromText(WStringView text) {
  if (!IsGuidText(text)) return std::nullopt;
  std::array<std::uint8_t, 16> bytes{};
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); i += IsDashAt(i) ? 1 : 2) {
    if (IsDashAt(i)) continue;
    bytes[count++] = static_cast<std::uint8_t>(HexDigit(text[i]) * 16 + HexDigit(text[i + 1]));
  }
  Guid guid;
  guid.data1 = (std::uint32_t{bytes[0]} << 24) | (bytes[1] << 16) | (bytes[2] << 8) | bytes[3];
  guid.data2 = static_cast<std::uint16_t>((bytes[4] << 8) | bytes[5]);
  guid.data3 = static_cast<std::uint16_t>((bytes[6] << 8) | bytes[7]);
  for (int i = 0; i < 8; ++i) guid.data4[i] = bytes[8 + i];
  return guid;
}

WString GuidText(const Guid& g) {
  char text[40];
  std::snprintf(text, sizeof(text), "%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x", g.data1,
                g.data2, g.data3, g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4],
                g.data4[5], g.data4[6], g.data4[7]);
  return Utf8ToUtf16(text);
}

std::string BracedGuidText(const Guid& g) {
  char text[40];
  std::snprintf(text, sizeof(text), "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.data1,
                g.data2, g.data3, g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4],
                g.data4[5], g.data4[6], g.data4[7]);
  return text;
}

}  // namespace presetra::platform
